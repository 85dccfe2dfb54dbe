// A small deterministic generator: the sample must come out byte for byte the same on every
// machine and compiler, which the standard library's distributions do not promise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvara::sample {

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    // splitmix64: tiny, fast and well mixed enough for made-up content.
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [low, high], both included.
    std::uint32_t Between(std::uint32_t low, std::uint32_t high) {
        return low + static_cast<std::uint32_t>(Next() % (std::uint64_t{high} - low + 1));
    }

    bool Chance(unsigned percent) { return Between(0, 99) < percent; }

    template <class T>
    const T& Pick(const std::vector<T>& items) { return items[Next() % items.size()]; }

    std::vector<std::uint8_t> Bytes(std::size_t count) {
        std::vector<std::uint8_t> out(count);
        for (auto& b : out) b = static_cast<std::uint8_t>(Next());
        return out;
    }

    // "{8-4-4-4-12}" in upper-case hex, as the registry shows GUIDs.
    std::string Guid() {
        static constexpr char hex[] = "0123456789ABCDEF";
        std::string out = "{";
        const int groups[] = {8, 4, 4, 4, 12};
        for (int g = 0; g < 5; ++g) {
            if (g) out += '-';
            for (int i = 0; i < groups[g]; ++i) out += hex[Next() & 15];
        }
        return out + "}";
    }

    std::string Hex(int digits) {
        static constexpr char hex[] = "0123456789abcdef";
        std::string out;
        for (int i = 0; i < digits; ++i) out += hex[Next() & 15];
        return out;
    }

private:
    std::uint64_t state_;
};

}  // namespace kelvara::sample

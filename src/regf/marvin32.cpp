#include "regf/marvin32.h"

#include <bit>

#include "regf/byte_order.h"

namespace kelvara::regf {

namespace {

struct State {
    std::uint32_t lo;
    std::uint32_t hi;

    void Mix() {
        hi ^= lo;
        lo = std::rotl(lo, 20) + hi;
        hi = std::rotl(hi, 9) ^ lo;
        lo = std::rotl(lo, 27) + hi;
        hi = std::rotl(hi, 19);
    }
};

}  // namespace

std::uint64_t Marvin32(const std::uint8_t* data, std::size_t size, std::uint64_t seed) {
    State s{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32)};
    std::size_t at = 0;
    for (; size - at >= 4; at += 4) {
        s.lo += ReadLe32(data + at);
        s.Mix();
    }
    // The tail is padded with a single 0x80 byte, then zeros, to a last full word.
    std::uint32_t last = 0x80;
    for (std::size_t i = size - at; i-- > 0;) last = (last << 8) | data[at + i];
    s.lo += last;
    s.Mix();
    s.Mix();
    return (std::uint64_t{s.hi} << 32) | s.lo;
}

}  // namespace kelvara::regf

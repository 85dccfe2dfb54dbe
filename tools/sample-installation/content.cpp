#include "content.h"

#include "key_tree.h"
#include "names.h"

namespace kelvara::sample {

std::string Cat(std::initializer_list<std::string> parts) {
    std::string out;
    for (const auto& p : parts) out += p;
    return out;
}

std::string Word(Random& random, int syllables, bool capital) {
    std::string out;
    for (int i = 0; i < syllables; ++i) out += random.Pick(names::Syllables());
    if (capital && !out.empty()) out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

bool Claim(std::set<std::string>& taken, const std::string& name) {
    return taken.insert(Upper(name)).second;
}

std::string Unique(std::set<std::string>& taken, Random& random, std::string (*make)(Random&)) {
    for (;;) {
        std::string name = make(random);
        if (Claim(taken, name)) return name;
    }
}

std::string ProductName(Random& random) {
    std::string name = Word(random, static_cast<int>(random.Between(2, 3)));
    name += " " + random.Pick(names::ProductWords());
    if (random.Chance(40)) name += " " + random.Pick(names::ProductWords());
    return name;
}

std::string Version(Random& random) {
    return Cat({std::to_string(random.Between(1, 24)), ".", std::to_string(random.Between(0, 40)),
                ".", std::to_string(random.Between(0, 9999)), ".",
                std::to_string(random.Between(0, 999))});
}

std::string DriverDate(Random& random) {
    return Cat({std::to_string(random.Between(1, 12)), "-", std::to_string(random.Between(1, 28)),
                "-", std::to_string(random.Between(2006, 2023))});
}

std::string DecimalString(std::uint64_t n, int width) {
    std::string s = std::to_string(n);
    if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), '0');
    return s;
}

std::string HexString(std::uint64_t n, int width) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string s;
    for (int i = width - 1; i >= 0; --i) s += hex[(n >> (4 * i)) & 15];
    return s;
}

Bytes Utf16(const std::string& ascii) {
    Bytes out;
    out.reserve(ascii.size() * 2);
    for (char c : ascii) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    return out;
}

Bytes RecordCache(Random& random, const std::string& signature, std::size_t size) {
    Bytes out(128, 0);
    out[0] = 0x34;   // a header of fixed size, as such caches begin
    out[4] = static_cast<std::uint8_t>(random.Next());
    while (out.size() < size) {
        out.insert(out.end(), signature.begin(), signature.end());
        const std::string path = Cat({"C:\\Program Files\\", Word(random, 2), "\\",
                                      Word(random, 3, false), ".exe"});
        const Bytes text = Utf16(path);
        out.push_back(static_cast<std::uint8_t>(text.size()));
        out.push_back(static_cast<std::uint8_t>(text.size() >> 8));
        out.insert(out.end(), text.begin(), text.end());
        const Bytes tail = random.Bytes(random.Between(12, 40));
        out.insert(out.end(), tail.begin(), tail.end());
    }
    out.resize(size);
    return out;
}

}  // namespace kelvara::sample

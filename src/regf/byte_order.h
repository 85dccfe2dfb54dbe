// Little-endian field types for the on-disk structures. Every field of a header is one of
// these byte arrays, so a header struct has no padding, no alignment needs and reads the same
// on any host.
#pragma once

#include <cstdint>
#include <cstring>

namespace kelvara::regf {

template <class T>
struct LittleEndian {
    std::uint8_t bytes[sizeof(T)];

    T get() const {
        T v = 0;
        for (std::size_t i = sizeof(T); i-- > 0;) v = static_cast<T>((v << 8) | bytes[i]);
        return v;
    }
    operator T() const { return get(); }
    LittleEndian& operator=(T v) {
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            bytes[i] = static_cast<std::uint8_t>(v & 0xFF);
            v = static_cast<T>(sizeof(T) > 1 ? (v >> 4) >> 4 : 0);
        }
        return *this;
    }
};

using le16 = LittleEndian<std::uint16_t>;
using le32 = LittleEndian<std::uint32_t>;
using le64 = LittleEndian<std::uint64_t>;
static_assert(sizeof(le16) == 2 && sizeof(le32) == 4 && sizeof(le64) == 8);

// A two- or four-character signature such as "nk" or "regf".
template <std::size_t N>
struct Signature {
    char chars[N];
    bool Is(const char* expected) const { return std::memcmp(chars, expected, N) == 0; }
    void Set(const char* text) { std::memcpy(chars, text, N); }
};

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void WriteLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void WriteLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace kelvara::regf

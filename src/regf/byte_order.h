// Little-endian field types for the on-disk structures. Every field of a header is one of
// these byte arrays, so a header struct has no padding, no alignment needs and reads the same
// on any host.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace kelvara::regf {

// On a little-endian host (every one we build for) a field is a plain copy; the byte loops
// keep any other host correct.
template <class T>
struct LittleEndian {
    std::uint8_t bytes[sizeof(T)];

    T get() const {
        T v = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&v, bytes, sizeof(T));
        } else {
            for (std::size_t i = sizeof(T); i-- > 0;) v = static_cast<T>((v << 8) | bytes[i]);
        }
        return v;
    }
    operator T() const { return get(); }
    LittleEndian& operator=(T v) {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(bytes, &v, sizeof(T));
        } else {
            for (std::size_t i = 0; i < sizeof(T); ++i) {
                bytes[i] = static_cast<std::uint8_t>(v & 0xFF);
                v = static_cast<T>(sizeof(T) > 1 ? (v >> 4) >> 4 : 0);
            }
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
    le16 field;
    std::memcpy(&field, p, sizeof field);
    return field;
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    le32 field;
    std::memcpy(&field, p, sizeof field);
    return field;
}
inline std::uint64_t ReadLe64(const std::uint8_t* p) {
    le64 field;
    std::memcpy(&field, p, sizeof field);
    return field;
}
inline void WriteLe16(std::uint8_t* p, std::uint16_t v) {
    le16 field;
    field = v;
    std::memcpy(p, &field, sizeof field);
}
inline void WriteLe32(std::uint8_t* p, std::uint32_t v) {
    le32 field;
    field = v;
    std::memcpy(p, &field, sizeof field);
}

}  // namespace kelvara::regf

// Key and value names: the two stored encodings (one byte per character when every character
// fits, UTF-16LE otherwise), conversion to and from UTF-8, and the upper-casing that orders
// subkeys and feeds the hints and hashes of subkey lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "regf/byte_span.h"

namespace kelvara::regf {

std::u16string Utf8ToUtf16(std::string_view utf8);      // bad sequences become U+FFFD
std::string Utf16ToUtf8(std::u16string_view utf16);     // lone surrogates become U+FFFD

// A stored name: compressed names hold one character per byte (Latin-1), the others UTF-16LE.
std::u16string DecodeName(ByteSpan bytes, bool compressed);
bool FitsCompressed(std::u16string_view name);
std::string EncodeName(std::u16string_view name, bool compressed);   // the stored bytes

// Upper-casing of one UTF-16 unit as the registry compares names: ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic and the full-width forms. Units outside these stay as they are.
char16_t UpcaseUnit(char16_t c);
std::u16string Upcase(std::u16string_view name);
// <0, 0, >0 comparing the upper-cased names unit by unit.
int CompareNames(std::u16string_view a, std::u16string_view b);

// The "lh" element hash: h = h * 37 + upcase(unit) over the name.
std::uint32_t NameHash(std::u16string_view name);
// The "lf" element hint: the first four characters as bytes, zero-padded; zero when one of
// them does not fit in a byte.
std::uint32_t NameHint(std::u16string_view name);

// A name as a key node or key value stores it: a view of its bytes and their encoding. Names
// are copied from hive to hive in this form, so copying one never decodes or allocates.
struct StoredName {
    const std::uint8_t* bytes = nullptr;
    std::uint32_t size = 0;     // in bytes; a trailing odd byte of a UTF-16 name is not part of it
    bool compressed = false;    // one Latin-1 byte per character, else UTF-16LE

    std::uint32_t Length() const { return compressed ? size : size / 2; }
    char16_t At(std::uint32_t i) const {
        return compressed ? static_cast<char16_t>(bytes[i])
                          : static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    std::u16string Decode() const;
};

inline StoredName StoredNameOf(ByteSpan bytes, bool compressed) {
    return {bytes.data(), static_cast<std::uint32_t>(bytes.size()), compressed};
}
// A view of UTF-16LE bytes the caller keeps alive, such as EncodeName(name, false).
inline StoredName Utf16View(const std::string& utf16le) {
    return {reinterpret_cast<const std::uint8_t*>(utf16le.data()), static_cast<std::uint32_t>(utf16le.size()), false};
}

bool FitsCompressed(StoredName name);
// Writes the name in the given encoding (compressed only when it fits); the bytes written.
std::uint32_t StoreName(StoredName name, bool compressed, std::uint8_t* out);
int CompareNames(StoredName a, StoredName b);
// Equal once upper-cased.
inline bool SameName(StoredName a, StoredName b) {
    const std::uint32_t length = a.Length();
    if (length != b.Length()) return false;
    // Upper-casing a Latin-1 character changes its 0x20 bit or takes it out of Latin-1: two
    // bytes that differ in another bit are different characters. The first and last character
    // settle most pairs of a key's value names at once.
    if (a.compressed && b.compressed && length != 0 &&
        (((a.bytes[0] ^ b.bytes[0]) | (a.bytes[length - 1] ^ b.bytes[length - 1])) & 0xDF) != 0)
        return false;
    return CompareNames(a, b) == 0;
}
std::uint32_t NameHash(StoredName name);
std::uint32_t NameHint(StoredName name);
// A hash for tables of names, never stored: names that SameName finds equal hash alike, in
// either encoding. Runs of plain ASCII go eight characters at a time.
std::uint64_t CaseBlindHash(StoredName name);

}  // namespace kelvara::regf

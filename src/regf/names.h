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

}  // namespace kelvara::regf

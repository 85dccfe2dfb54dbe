// Key and value names: the two stored encodings (one byte per character when every character
// fits, UTF-16LE otherwise), conversion to and from UTF-8, and the upper-casing that orders
// subkeys and feeds the hints and hashes of subkey lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regf/byte_span.h"

namespace kelvara::regf {

std::u16string Utf8ToUtf16(std::string_view utf8);      // bad sequences become U+FFFD
std::string Utf16ToUtf8(std::u16string_view utf16);     // lone surrogates become U+FFFD

// A stored name: compressed names hold one character per byte (Latin-1), the others UTF-16LE.
std::u16string DecodeName(ByteSpan bytes, bool compressed);
bool FitsCompressed(std::u16string_view name);
std::string EncodeName(std::u16string_view name, bool compressed);   // the stored bytes

// Upper-casing of one UTF-16 unit as the registry compares names, by Windows 7's table (NTFS's
// $UpCase; see upcase_table.h for where it comes from).
char16_t UpcaseUnit(char16_t c);

// The tables Windows' versions upper-case by. They differ in a few hundred units: XP's lacks
// what Vista and 7 added, and later Windows may follow newer Unicode, as Wine does. A hive's
// hashes and order are sound when they follow any of them.
enum class UpcaseTable : std::uint8_t { Windows7, WindowsXP, Wine };
inline constexpr UpcaseTable kUpcaseTables[] = {UpcaseTable::Windows7, UpcaseTable::WindowsXP, UpcaseTable::Wine};
char16_t UpcaseUnit(char16_t c, UpcaseTable table);
const char* UpcaseTableName(UpcaseTable table);   // "Windows 7's", for messages
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
// The same by another Windows version's table.
int CompareNames(StoredName a, StoredName b, UpcaseTable table);
std::uint32_t NameHash(StoredName name, UpcaseTable table);
// The table by which `hash` is the name's hash, Windows 7's tried first; none when no table's is.
std::optional<UpcaseTable> HashingTable(StoredName name, std::uint32_t hash);
// The table by which each of `count` names (`nameAt(i)`) comes strictly after the one before,
// Windows 7's tried first; none when no table orders them so. Two names alike but for case
// are never in order.
template <class NameAt>
std::optional<UpcaseTable> OrderingTable(std::size_t count, NameAt nameAt) {
    for (UpcaseTable table : kUpcaseTables) {
        bool ordered = true;
        for (std::size_t i = 1; i < count && ordered; ++i) ordered = CompareNames(nameAt(i - 1), nameAt(i), table) < 0;
        if (ordered) return table;
    }
    return std::nullopt;
}
// Appends the name as UTF-8 (lone surrogates become U+FFFD) without building a UTF-16 string.
void AppendUtf8(std::string& out, StoredName name);

// A hash for tables of names, never stored: names that SameName finds equal hash alike, in
// either encoding. Runs of plain ASCII go eight characters at a time.
std::uint64_t CaseBlindHash(StoredName name);


// The index of the first of `count` names (`nameAt(i)`) that SameName finds equal to one before
// it, or `count` when all differ. A few names are compared pair by pair; more are looked up by
// CaseBlindHash in `slots` (scratch the caller keeps), so thousands cost no more per name than a
// few.
template <class NameAt>
std::size_t FirstRepeatedName(std::size_t count, NameAt nameAt, std::vector<std::uint32_t>& slots) {
    constexpr std::size_t kFewNames = 8;
    constexpr std::uint32_t kEmptySlot = 0xFFFFFFFF;
    if (count <= kFewNames) {
        for (std::size_t i = 1; i < count; ++i)
            for (std::size_t j = 0; j < i; ++j)
                if (SameName(nameAt(j), nameAt(i))) return i;
        return count;
    }
    std::size_t size = 1;
    while (size < 2 * count) size *= 2;
    slots.assign(size, kEmptySlot);
    for (std::size_t i = 0; i < count; ++i) {
        const StoredName name = nameAt(i);
        std::size_t slot = static_cast<std::size_t>(CaseBlindHash(name)) & (size - 1);
        for (; slots[slot] != kEmptySlot; slot = (slot + 1) & (size - 1))
            if (SameName(nameAt(slots[slot]), name)) return i;
        slots[slot] = static_cast<std::uint32_t>(i);
    }
    return count;
}

}  // namespace kelvara::regf

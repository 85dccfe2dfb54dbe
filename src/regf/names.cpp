#include "regf/names.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>

#include "regf/upcase_table.h"

namespace kelvara::regf {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence starting at i; advances i past it.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
    auto lead = static_cast<unsigned char>(s[i++]);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (extra < 0 || lead >= 0xF5) return kReplacement;
    char32_t c = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size()) return kReplacement;
        auto next = static_cast<unsigned char>(s[i]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (next & 0x3F);
        ++i;
    }
    bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    return c;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = NextCodePoint(utf8, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string DecodeName(ByteSpan bytes, bool compressed) {
    std::u16string name;
    if (compressed) {
        name.reserve(bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) name += static_cast<char16_t>(bytes.data()[i]);
        return name;
    }
    name.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        name += static_cast<char16_t>(bytes.data()[i] | (bytes.data()[i + 1] << 8));
    return name;
}

bool FitsCompressed(std::u16string_view name) {
    return std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x100; });
}

std::string EncodeName(std::u16string_view name, bool compressed) {
    std::string bytes;
    bytes.reserve(name.size() * (compressed ? 1 : 2));
    for (char16_t c : name) {
        bytes += static_cast<char>(c & 0xFF);
        if (!compressed) bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

namespace {

// Most names are ASCII or Latin-1: one look-up in kUpcaseLatin1 upper-cases them. The rest go
// through Windows 7's table of blocks.
const char16_t (&kLatin1Upcase)[256] = kUpcaseLatin1;

std::span<const UpcaseException> ExceptionsOf(UpcaseTable table) {
    switch (table) {
        case UpcaseTable::Windows7: return {};
        case UpcaseTable::WindowsXP: return {kWindowsXPUpcase, kWindowsXPUpcaseCount};
        case UpcaseTable::Wine: return {kWineUpcase, kWineUpcaseCount};
    }
    return {};
}

}  // namespace

char16_t UpcaseUnit(char16_t c) {
    if (c < 0x100) return kLatin1Upcase[c];
    return static_cast<char16_t>(c + kUpcaseBlocks[kUpcaseBlockOf[c >> 8]][c & 0xFF]);
}

char16_t UpcaseUnit(char16_t c, UpcaseTable table) {
    const auto exceptions = ExceptionsOf(table);
    const auto found = std::lower_bound(exceptions.begin(), exceptions.end(), c,
                                        [](const UpcaseException& e, char16_t unit) { return e.unit < unit; });
    if (found != exceptions.end() && found->unit == c) return found->upper;
    return UpcaseUnit(c);
}

const char* UpcaseTableName(UpcaseTable table) {
    switch (table) {
        case UpcaseTable::Windows7: return "Windows 7's";
        case UpcaseTable::WindowsXP: return "Windows XP's";
        case UpcaseTable::Wine: return "Wine's (newer Unicode)";
    }
    return "";
}

std::u16string Upcase(std::u16string_view name) {
    std::u16string upper(name);
    for (auto& c : upper) c = UpcaseUnit(c);
    return upper;
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = UpcaseUnit(a[i]), y = UpcaseUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::uint32_t NameHash(std::u16string_view name) {
    std::uint32_t hash = 0;
    for (char16_t c : name) hash = hash * 37 + UpcaseUnit(c);
    return hash;
}

std::uint32_t NameHint(std::u16string_view name) {
    std::uint32_t hint = 0;
    for (std::size_t i = 0; i < name.size() && i < 4; ++i) {
        if (name[i] >= 0x100) return 0;
        hint |= static_cast<std::uint32_t>(name[i]) << (8 * i);
    }
    return hint;
}

// ---------------------------------------------------------------------------------------------
// Stored names

std::u16string StoredName::Decode() const {
    std::u16string name(Length(), u'\0');
    for (std::uint32_t i = 0; i < name.size(); ++i) name[i] = At(i);
    return name;
}

bool FitsCompressed(StoredName name) {
    if (name.compressed) return true;
    // Every high byte zero.
    for (std::uint32_t i = 1; i < name.size; i += 2)
        if (name.bytes[i] != 0) return false;
    return true;
}

std::uint32_t StoreName(StoredName name, bool compressed, std::uint8_t* out) {
    const std::uint32_t length = name.Length();
    if (compressed == name.compressed) {
        const std::uint32_t size = compressed ? length : 2 * length;
        std::memcpy(out, name.bytes, size);
        return size;
    }
    if (compressed) {
        for (std::uint32_t i = 0; i < length; ++i) out[i] = name.bytes[2 * i];
        return length;
    }
    for (std::uint32_t i = 0; i < length; ++i) {
        out[2 * i] = name.bytes[i];
        out[2 * i + 1] = 0;
    }
    return 2 * length;
}

int CompareNames(StoredName a, StoredName b) {
    const std::uint32_t n = std::min(a.Length(), b.Length());
    if (a.compressed && b.compressed) {
        for (std::uint32_t i = 0; i < n; ++i) {
            char16_t x = kLatin1Upcase[a.bytes[i]], y = kLatin1Upcase[b.bytes[i]];
            if (x != y) return x < y ? -1 : 1;
        }
    } else {
        for (std::uint32_t i = 0; i < n; ++i) {
            char16_t x = UpcaseUnit(a.At(i)), y = UpcaseUnit(b.At(i));
            if (x != y) return x < y ? -1 : 1;
        }
    }
    if (a.Length() == b.Length()) return 0;
    return a.Length() < b.Length() ? -1 : 1;
}

std::uint32_t NameHash(StoredName name) {
    std::uint32_t hash = 0;
    const std::uint32_t length = name.Length();
    if (name.compressed) {
        // Four characters per step: the same sum, without waiting on each multiplication in turn.
        constexpr std::uint32_t k1 = 37, k2 = k1 * 37, k3 = k2 * 37, k4 = k3 * 37;
        const auto& up = kLatin1Upcase;
        const std::uint8_t* c = name.bytes;
        std::uint32_t i = 0;
        for (; i + 4 <= length; i += 4)
            hash = hash * k4 + up[c[i]] * k3 + up[c[i + 1]] * k2 + up[c[i + 2]] * k1 + up[c[i + 3]];
        for (; i < length; ++i) hash = hash * 37 + up[c[i]];
    } else {
        for (std::uint32_t i = 0; i < length; ++i) hash = hash * 37 + UpcaseUnit(name.At(i));
    }
    return hash;
}

int CompareNames(StoredName a, StoredName b, UpcaseTable table) {
    if (table == UpcaseTable::Windows7) return CompareNames(a, b);
    const std::uint32_t n = std::min(a.Length(), b.Length());
    for (std::uint32_t i = 0; i < n; ++i) {
        char16_t x = UpcaseUnit(a.At(i), table), y = UpcaseUnit(b.At(i), table);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.Length() == b.Length()) return 0;
    return a.Length() < b.Length() ? -1 : 1;
}

std::uint32_t NameHash(StoredName name, UpcaseTable table) {
    if (table == UpcaseTable::Windows7) return NameHash(name);
    std::uint32_t hash = 0;
    for (std::uint32_t i = 0; i < name.Length(); ++i) hash = hash * 37 + UpcaseUnit(name.At(i), table);
    return hash;
}

std::optional<UpcaseTable> HashingTable(StoredName name, std::uint32_t hash) {
    for (UpcaseTable table : kUpcaseTables)
        if (NameHash(name, table) == hash) return table;
    return std::nullopt;
}

void AppendUtf8(std::string& out, StoredName name) {
    const std::uint32_t length = name.Length();
    for (std::uint32_t i = 0; i < length; ++i) {
        char32_t c = name.At(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && name.At(i + 1) >= 0xDC00 && name.At(i + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (name.At(i + 1) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
}

namespace {

constexpr std::uint64_t kEveryByte = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Eight ASCII characters, one per byte, with 'a' to 'z' made capitals all at once.
std::uint64_t UpcaseAscii(std::uint64_t chars) {
    const std::uint64_t fromA = chars + (0x80 - 'a') * kEveryByte;       // high bit: >= 'a'
    const std::uint64_t pastZ = chars + (0x80 - 'z' - 1) * kEveryByte;   // high bit: > 'z'
    return chars - (((fromA ^ pastZ) & kHighBits) >> 2);                 // 0x80 >> 2 is 0x20
}

// Up to eight characters from `at` as one word of the hash, from their upper-case forms: their
// bytes when all are ASCII (whichever encoding they came in), else a fold of their code units.
std::uint64_t ChunkWord(StoredName name, std::uint32_t at, std::uint32_t count) {
    std::uint64_t ascii = 0;
    if (name.compressed) {
        if (count == 8) std::memcpy(&ascii, name.bytes + at, 8);   // one load
        else std::memcpy(&ascii, name.bytes + at, count);
        if ((ascii & kHighBits) == 0) return UpcaseAscii(ascii);
    } else {
        bool allAscii = true;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint16_t unit = static_cast<std::uint16_t>(name.bytes[2 * (at + i)] | (name.bytes[2 * (at + i) + 1] << 8));
            allAscii = allAscii && unit < 0x80;
            ascii |= std::uint64_t{static_cast<std::uint8_t>(unit)} << (8 * i);
        }
        if (allAscii) return UpcaseAscii(ascii);
    }
    std::uint64_t packed = 0, folded = 0;
    bool allAscii = true;
    for (std::uint32_t i = 0; i < count; ++i) {
        const char16_t upper = UpcaseUnit(name.At(at + i));
        allAscii = allAscii && upper < 0x80;
        packed |= std::uint64_t{upper} << (8 * i);
        folded = (folded << 16 | folded >> 48) ^ upper;
    }
    return allAscii ? packed : ~folded;
}

}  // namespace

std::uint64_t CaseBlindHash(StoredName name) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    const std::uint32_t length = name.Length();
    std::uint64_t hash = length * kMultiplier;
    std::uint32_t at = 0;
    if (name.compressed) {
        // The common case, whole runs of ASCII, without the general path's branches.
        for (std::uint64_t chars; at + 8 <= length; at += 8) {
            std::memcpy(&chars, name.bytes + at, 8);
            if ((chars & kHighBits) != 0) break;
            hash = (hash ^ UpcaseAscii(chars)) * kMultiplier;
        }
        // A short tail as the high bytes of the last eight, moved down: the word ChunkWord
        // makes of it, without copying a varying number of bytes.
        if constexpr (std::endian::native == std::endian::little) {
            if (at < length && length >= 8 && at + 8 > length) {
                std::uint64_t last;
                std::memcpy(&last, name.bytes + length - 8, 8);
                const std::uint64_t tail = last >> (8 * (at + 8 - length));
                if ((tail & kHighBits) == 0) {
                    hash = (hash ^ UpcaseAscii(tail)) * kMultiplier;
                    at = length;
                }
            }
        }
    }
    for (; at < length; at += 8)
        hash = (hash ^ ChunkWord(name, at, std::min<std::uint32_t>(8, length - at))) * kMultiplier;
    return hash ^ (hash >> 29);
}

std::uint32_t NameHint(StoredName name) {
    std::uint32_t hint = 0;
    for (std::uint32_t i = 0; i < name.Length() && i < 4; ++i) {
        char16_t c = name.At(i);
        if (c >= 0x100) return 0;
        hint |= static_cast<std::uint32_t>(c) << (8 * i);
    }
    return hint;
}

}  // namespace kelvara::regf

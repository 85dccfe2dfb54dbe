// INI files read and written the way Windows' private-profile functions treat them, so the
// settings file, the language files and the /Scan result file behave alike in both builds:
//
// - a section starts at a line "[name]"; an entry is a line "key=value"; a line starting with
//   ";" is a comment; every other line is kept but never looked at;
// - section and key names are compared without regard to the case of ASCII letters, and blanks
//   around names and values are dropped;
// - a value enclosed in one matching pair of single or double quotes loses the pair;
// - at most MaxValueLength characters of a value are read, and a zero byte ends it;
// - of two sections with the same name only the first is seen, and of two same-named keys in a
//   section only the first;
// - CRLF and LF line endings are both accepted.
//
// Editing keeps every byte of the lines it does not change, so comments, blank lines, other
// sections and the file's own spelling survive a write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara::common {

// The value buffer of the private-profile functions holds 2048 bytes with the terminating zero.
constexpr std::size_t MaxValueLength = 2047;

// An integer as the settings file stores it: leading blanks, an optional sign, then decimal
// digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X". Anything else in the text
// (trailing characters, no digits, a value that does not fit 32 bits) gives none. Hexadecimal
// takes any 32-bit pattern, so "$FFFFFFFF" is -1.
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

class IniFile {
public:
    IniFile() = default;

    // The text of a file as bytes. The first line may carry a UTF-8 byte-order mark, which is
    // passed over when the first line is read.
    static IniFile Parse(std::string_view text);

    // The entry's value after the reading rules, or none when the section or key is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& defaultValue) const;
    // ParseProfileInteger of the value; the default when the key is missing or the value is
    // not wholly a 32-bit integer.
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    bool HasSection(std::string_view section) const;

    // Sets the key's value: in place when the entry exists (the text before the value is kept),
    // as a new line after the section's last entry otherwise, and as a new section at the end of
    // the file when the section is missing. A value that would not read back as itself (blanks
    // at its ends, or enclosing quotes) is written in double quotes, so reading gives it back
    // unchanged. False, and nothing changed, for names or values a line cannot hold: a line
    // break anywhere, an empty or blank-edged name, "=" in a key, "]" in a section name, a key
    // starting with "[" or ";".
    bool SetString(std::string_view section, std::string_view key, std::string_view value);

    // Removes every section of that name with all its lines. False when there was none.
    bool RemoveSection(std::string_view section);

    // The file's bytes: unchanged lines exactly as they were read, new lines ending in CRLF.
    std::string Text() const;

private:
    enum class LineKind { Other, Section, Entry };
    struct Line {
        std::string text;            // the line without its line ending
        std::string ending;          // "\r\n", "\n" or "" for a last line without one
        LineKind kind = LineKind::Other;
        std::string name;            // section name or key, trimmed
        std::size_t valueStart = 0;  // where the value's text starts in an entry line
    };
    struct SectionRange {
        std::size_t header;  // index of the "[name]" line
        std::size_t end;     // index one past the section's last line
    };

    static Line ParseLine(std::string text, std::string ending);
    std::optional<SectionRange> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindEntry(const SectionRange& range, std::string_view key) const;
    void InsertLine(std::size_t index, std::string text);

    std::vector<Line> lines_;
};

// File-level operations. Reading never fails: a missing or unreadable file reads as empty.
IniFile LoadIniFile(const std::string& path);
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          const std::string& defaultValue);

// Writes one value into the file, creating the file when it does not exist. The new content is
// written to a temporary file beside it and then renamed over it, so a failed write leaves the
// old file as it was. False when the value cannot be written: the folder is missing or not
// writable, the file is read-only or cannot be read, or SetString refuses the names or value;
// after a failed file operation errno says why.
bool WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);

// Writes the whole file at once from `content`, in the same way: a failed write leaves the old
// file as it was.
bool WriteIniFile(const std::string& path, const IniFile& content);

// Removes the section with its keys. A missing file or section is not an error and leaves the
// file untouched; false only when an existing section could not be removed from the file.
bool RemoveIniSection(const std::string& path, std::string_view section);

}  // namespace kelvara::common

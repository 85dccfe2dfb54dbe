#include "common/ini_file.h"

#include <initializer_list>

#include "common/ascii_text.h"

namespace kelvara::common {
namespace {

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view NewLine = "\r\n";

// The private-profile functions drop blanks and tabs around names and values; a stray carriage
// return, vertical tab or form feed at a line's end is dropped with them.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

std::string_view DropEnclosingQuotes(std::string_view value) {
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// True when reading the value back would change it: the reader trims blanks and drops a pair of
// enclosing quotes, so such a value is stored inside an extra pair of quotes.
bool NeedsQuotes(std::string_view value) {
    if (value.empty()) return false;
    if (IsBlank(value.front()) || IsBlank(value.back())) return true;
    return value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
}

std::string Concat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) text.append(part);
    return text;
}

bool HoldsLineBreakOrZero(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsStorableName(std::string_view name) {
    return !name.empty() && Trim(name) == name && !HoldsLineBreakOrZero(name);
}

bool IsStorableSection(std::string_view section) {
    return IsStorableName(section) && section.find(']') == std::string_view::npos;
}

bool IsStorableKey(std::string_view key) {
    return IsStorableName(key) && key.find('=') == std::string_view::npos && key.front() != '[' &&
           key.front() != ';';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::int32_t> ParseProfileInteger(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);

    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }

    int base = 10;
    if (!text.empty() && (text.front() == '$' || text.front() == 'x' || text.front() == 'X')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;

    // Hexadecimal accepts every 32-bit pattern; decimal must fit the signed range.
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t magnitude = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base) return std::nullopt;
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > limit) return std::nullopt;
    }

    const auto pattern = static_cast<std::uint32_t>(magnitude);
    const auto value = static_cast<std::uint32_t>(negative ? 0u - pattern : pattern);
    return static_cast<std::int32_t>(value);
}

IniFile::Line IniFile::ParseLine(std::string text, std::string ending) {
    Line line;
    line.text = std::move(text);
    line.ending = std::move(ending);
    std::string_view view = line.text;
    const std::string_view content = Trim(view);
    if (content.empty() || content.front() == ';') return line;

    if (content.front() == '[') {
        const std::size_t close = content.find(']');
        line.kind = LineKind::Section;
        line.name = Trim(content.substr(1, close == std::string_view::npos ? close : close - 1));
        return line;
    }

    const std::size_t equals = view.find('=');
    if (equals == std::string_view::npos) return line;
    const std::string_view key = Trim(view.substr(0, equals));
    if (key.empty()) return line;

    line.kind = LineKind::Entry;
    line.name = key;
    std::size_t valueStart = equals + 1;
    while (valueStart < view.size() && IsBlank(view[valueStart])) ++valueStart;
    line.valueStart = valueStart;
    return line;
}

IniFile IniFile::Parse(std::string_view text) {
    IniFile file;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string ending;
        std::size_t contentEnd;
        if (end == std::string_view::npos) {
            contentEnd = text.size();
            end = text.size();
        } else {
            const bool crlf = end > start && text[end - 1] == '\r';
            contentEnd = crlf ? end - 1 : end;
            ending = crlf ? "\r\n" : "\n";
            ++end;
        }
        std::string lineText(text.substr(start, contentEnd - start));
        if (start == 0 && lineText.starts_with(Utf8ByteOrderMark)) {
            // Parse the first line as if the mark were not there, but keep its bytes.
            Line line = ParseLine(lineText.substr(Utf8ByteOrderMark.size()), ending);
            line.text = lineText;
            if (line.kind == LineKind::Entry) line.valueStart += Utf8ByteOrderMark.size();
            file.lines_.push_back(std::move(line));
        } else {
            file.lines_.push_back(ParseLine(std::move(lineText), std::move(ending)));
        }
        start = end;
    }
    return file;
}

std::optional<IniFile::SectionRange> IniFile::FindSection(std::string_view section) const {
    const std::string_view wanted = Trim(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != LineKind::Section || !AsciiEqualNoCase(lines_[i].name, wanted)) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && lines_[end].kind != LineKind::Section) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniFile::FindEntry(const SectionRange& range, std::string_view key) const {
    const std::string_view wanted = Trim(key);
    for (std::size_t i = range.header + 1; i < range.end; ++i)
        if (lines_[i].kind == LineKind::Entry && AsciiEqualNoCase(lines_[i].name, wanted)) return i;
    return std::nullopt;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
    const auto range = FindSection(section);
    if (!range) return std::nullopt;
    const auto entry = FindEntry(*range, key);
    if (!entry) return std::nullopt;

    const Line& line = lines_[*entry];
    std::string_view value = DropEnclosingQuotes(Trim(std::string_view(line.text).substr(line.valueStart)));
    // The private-profile functions hand a value back as a zero-terminated string, so a zero
    // byte in the file ends it; a caption or a setting never carries one on to its reader.
    value = value.substr(0, value.find('\0'));
    return std::string(value.substr(0, MaxValueLength));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                const std::string& defaultValue) const {
    auto value = Find(section, key);
    return value ? std::move(*value) : defaultValue;
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue) const {
    const auto value = Find(section, key);
    if (!value) return defaultValue;
    return ParseProfileInteger(*value).value_or(defaultValue);
}

bool IniFile::HasSection(std::string_view section) const {
    return FindSection(section).has_value();
}

void IniFile::InsertLine(std::size_t index, std::string text) {
    // A last line without a line ending gets one before anything follows it.
    if (index > 0 && lines_[index - 1].ending.empty()) lines_[index - 1].ending = NewLine;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                  ParseLine(std::move(text), std::string(NewLine)));
}

bool IniFile::SetString(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsStorableSection(section) || !IsStorableKey(key) || HoldsLineBreakOrZero(value))
        return false;
    const std::string stored = NeedsQuotes(value) ? Concat({"\"", value, "\""}) : std::string(value);

    const auto range = FindSection(section);
    if (!range) {
        if (!lines_.empty() && !Trim(lines_.back().text).empty()) InsertLine(lines_.size(), "");
        InsertLine(lines_.size(), Concat({"[", section, "]"}));
        InsertLine(lines_.size(), Concat({key, "=", stored}));
        return true;
    }

    if (const auto entry = FindEntry(*range, key)) {
        Line& line = lines_[*entry];
        line.text.replace(line.valueStart, std::string::npos, stored);
        return true;
    }

    // After the section's last non-blank line, so blank lines that separate it from the next
    // section stay where they are.
    std::size_t insertAt = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i)
        if (!Trim(lines_[i].text).empty()) insertAt = i + 1;
    InsertLine(insertAt, Concat({key, "=", stored}));
    return true;
}

bool IniFile::RemoveSection(std::string_view section) {
    bool removed = false;
    while (const auto range = FindSection(section)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
        removed = true;
    }
    return removed;
}

std::string IniFile::Text() const {
    std::string text;
    for (const Line& line : lines_) {
        text += line.text;
        text += line.ending;
    }
    return text;
}

}  // namespace kelvara::common

#include "common/ini/ini_invariants.h"

#include <optional>

#include "common/ascii_text.h"

namespace kelvara::testing {
namespace {

using common::IniFile;

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\v\f");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\v\f");
    return text.substr(first, last - first + 1);
}

std::vector<std::optional<std::string>> Snapshot(const IniFile& file, const std::vector<IniName>& names) {
    std::vector<std::optional<std::string>> values;
    for (const IniName& name : names) values.push_back(file.Find(name.section, name.key));
    return values;
}

std::string Describe(const IniName& name) { return "[" + name.section + "] " + name.key; }

}  // namespace

std::vector<IniName> NamesIn(std::string_view text) {
    std::vector<IniName> names;
    std::string section;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = TrimBlanks(text.substr(start, end - start));
        if (!line.empty() && line.front() == '[') {
            section = std::string(TrimBlanks(line.substr(1, line.find(']') == std::string_view::npos
                                                                 ? std::string_view::npos
                                                                 : line.find(']') - 1)));
        } else if (const auto equals = line.find('='); equals != std::string_view::npos) {
            names.push_back({section, std::string(TrimBlanks(line.substr(0, equals)))});
        }
        start = end + 1;
    }
    names.push_back({"No Such Section", "k"});
    names.push_back({section, "NoSuchKeyInThisSection"});
    return names;
}

std::string CheckRoundTrip(std::string_view text) {
    return IniFile::Parse(text).Text() == text ? "" : "Text() differs from the parsed bytes";
}

std::string CheckSetString(std::string_view text, const std::string& section, const std::string& key,
                           const std::string& value) {
    IniFile file = IniFile::Parse(text);
    const std::vector<IniName> names = NamesIn(text);
    const auto before = Snapshot(file, names);
    if (!file.SetString(section, key, value)) return "";   // refused: nothing to check but no change
    const IniFile after = IniFile::Parse(file.Text());
    if (value.size() <= common::MaxValueLength && after.Find(section, key) != value)
        return "the value written does not read back for " + Describe({section, key});
    const auto now = Snapshot(after, names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool same = common::AsciiEqualNoCase(TrimBlanks(names[i].section), section) &&
                          common::AsciiEqualNoCase(TrimBlanks(names[i].key), key);
        if (!same && now[i] != before[i]) return "another value changed: " + Describe(names[i]);
    }
    return "";
}

std::string CheckRemoveSection(std::string_view text, const std::string& section) {
    IniFile file = IniFile::Parse(text);
    const std::vector<IniName> names = NamesIn(text);
    const auto before = Snapshot(file, names);
    file.RemoveSection(section);
    const IniFile after = IniFile::Parse(file.Text());
    if (after.HasSection(section)) return "section still there: " + section;
    const auto now = Snapshot(after, names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (common::AsciiEqualNoCase(TrimBlanks(names[i].section), TrimBlanks(section))) continue;
        if (now[i] != before[i]) return "a value of another section changed: " + Describe(names[i]);
    }
    return "";
}

}  // namespace kelvara::testing

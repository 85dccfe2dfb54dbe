#include "regf/crosscheck/reader_views.h"

#include <cctype>
#include <functional>
#include <sstream>

#include "regf/crosscheck/external_tool.h"

namespace kelvara::crosscheck {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool HexByte(const std::string& text, std::size_t at, std::uint8_t& byte) {
    if (at + 2 > text.size()) return false;
    const int high = HexDigit(text[at]), low = HexDigit(text[at + 1]);
    if (high < 0 || low < 0) return false;
    byte = static_cast<std::uint8_t>(high * 16 + low);
    return true;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// ---- hivexregedit --export: a .reg file whose values are all hex(type) or dword ----------

// A quoted name as .reg files write it, from the opening quote at `at`; `at` ends after it.
std::string RegQuoted(const std::string& line, std::size_t& at) {
    std::string name;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) ++at;
        name += line[at];
    }
    ++at;
    return name;
}

SeenValue RegData(const std::string& data) {
    SeenValue value;
    if (StartsWith(data, "dword:") && data.size() == 14) {
        value.type = 4;
        const auto number = static_cast<std::uint32_t>(std::stoul(data.substr(6), nullptr, 16));
        value.bytes = std::vector<std::uint8_t>{static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                                                static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    } else if (StartsWith(data, "hex")) {
        std::size_t colon = data.find(':');
        value.type = 3;
        if (data[3] == '(') value.type = static_cast<std::uint32_t>(std::stoul(data.substr(4), nullptr, 16));
        std::vector<std::uint8_t> bytes;
        for (std::size_t at = colon + 1; at < data.size(); at += 3) {
            std::uint8_t byte;
            if (!HexByte(data, at, byte)) break;
            bytes.push_back(byte);
        }
        value.bytes = std::move(bytes);
    }
    if (value.bytes) value.size = value.bytes->size();
    return value;
}

SeenKeys ParseHivexExport(const std::string& output) {
    SeenKeys keys;
    std::map<std::string, SeenValue>* current = nullptr;
    std::string line;
    std::istringstream in(output);
    for (std::string part; std::getline(in, part);) {
        if (!part.empty() && part.back() == '\r') part.pop_back();
        // A line ending in a backslash goes on in the next.
        if (!part.empty() && part.back() == '\\' && part.front() != '[') {
            line += part.substr(0, part.size() - 1);
            continue;
        }
        line += part;
        if (StartsWith(line, "[") && line.size() >= 2) {
            std::string path = line.substr(1, line.size() - 2);
            current = &keys[path == "\\" ? "" : path];
        } else if (current && (StartsWith(line, "@=") || StartsWith(line, "\""))) {
            std::size_t at = 0;
            std::string name = line[0] == '@' ? (at = 1, "") : RegQuoted(line, at);
            (*current)[name] = RegData(line.substr(at + 1));
        }
        line.clear();
    }
    return keys;
}

// ---- reglookup: one CSV line per key and value, names and binary data %XX-escaped -------

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint8_t byte;
        if (text[i] == '%' && HexByte(text, i + 1, byte)) {
            out += static_cast<char>(byte);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::uint32_t> ReglookupType(const std::string& name) {
    static const std::map<std::string, std::uint32_t> types = {
        {"NONE", 0}, {"SZ", 1}, {"EXPAND_SZ", 2}, {"BINARY", 3}, {"DWORD", 4}, {"DWORD_BE", 5}, {"LINK", 6},
        {"MULTI_SZ", 7}, {"RSRC_LIST", 8}, {"RSRC_DESC", 9}, {"RSRC_REQ_LIST", 10}, {"QWORD", 11}};
    auto found = types.find(name);
    if (found == types.end()) return std::nullopt;
    return found->second;
}

// "/A/B" with each name escaped -> "\A\B".
std::string ReglookupPath(const std::string& path) {
    std::string out;
    std::size_t at = 1;
    while (at <= path.size() && at > 0) {
        std::size_t end = path.find('/', at);
        if (end == std::string::npos) end = path.size();
        if (end > at) out += "\\" + Unescape(path.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

SeenKeys ParseReglookup(const std::string& output) {
    SeenKeys keys;
    for (const auto& line : Lines(output)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
        if (fields.size() < 2 || fields[1] == "TYPE") continue;
        if (fields[1] == "KEY") {
            keys[ReglookupPath(fields[0])];
            continue;
        }
        const std::size_t slash = fields[0].rfind('/');
        SeenValue value;
        value.type = ReglookupType(fields[1]);
        // Binary data is printed byte for byte; other types are decoded for people.
        if (value.type == 3u) {
            const std::string raw = Unescape(fields.size() > 2 ? fields[2] : "");
            value.bytes = std::vector<std::uint8_t>(raw.begin(), raw.end());
            value.size = raw.size();
        }
        keys[ReglookupPath(fields[0].substr(0, slash))][Unescape(fields[0].substr(slash + 1))] = value;
    }
    return keys;
}

// ---- regfexport: blocks of "Key path:", "Value:", "Type:", "Data size:", "Data:" ----------

std::optional<std::uint32_t> RegfexportType(const std::string& line) {
    const std::size_t open = line.rfind("(REG_");
    if (open == std::string::npos) return std::nullopt;
    const std::string name = line.substr(open + 5, line.size() - open - 6);
    static const std::map<std::string, std::uint32_t> types = {
        {"NONE", 0}, {"SZ", 1}, {"EXPAND_SZ", 2}, {"BINARY", 3}, {"DWORD_LITTLE_ENDIAN", 4}, {"DWORD_BIG_ENDIAN", 5},
        {"LINK", 6}, {"MULTI_SZ", 7}, {"RESOURCE_LIST", 8}, {"FULL_RESOURCE_DESCRIPTOR", 9},
        {"RESOURCE_REQUIREMENTS_LIST", 10}, {"QWORD_LITTLE_ENDIAN", 11}};
    auto found = types.find(name);
    if (found == types.end()) return std::nullopt;
    return found->second;
}

SeenKeys ParseRegfexport(const std::string& output) {
    SeenKeys keys;
    std::map<std::string, SeenValue>* current = nullptr;
    SeenValue* value = nullptr;
    const auto lines = Lines(output);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (StartsWith(line, "Key path: ROOT")) {
            current = &keys[line.substr(14)];
            value = nullptr;
        } else if (current && StartsWith(line, "Value: ")) {
            const std::size_t space = line.find(' ', 7);
            std::string name = space == std::string::npos ? "" : line.substr(space + 1);
            if (name == "(default)") name.clear();
            value = &(*current)[name];
        } else if (value && StartsWith(line, "Type: ")) {
            value->type = RegfexportType(line);
        } else if (value && StartsWith(line, "Data size: ")) {
            value->size = std::stoull(line.substr(11));
        } else if (value && line == "Data:" && value->size) {
            // A hex dump, 16 bytes a line: "00000000: 7d 01 .. 1c  19 16 .. 12   ascii".
            std::vector<std::uint8_t> bytes;
            bool whole = true;
            while (whole && bytes.size() < *value->size && i + 1 < lines.size()) {
                const std::string& dump = lines[++i];
                const std::size_t inLine = std::min<std::uint64_t>(16, *value->size - bytes.size());
                for (std::size_t b = 0; b < inLine && whole; ++b) {
                    std::uint8_t byte;
                    whole = HexByte(dump, 10 + 3 * b + (b >= 8 ? 1 : 0), byte);
                    if (whole) bytes.push_back(byte);
                }
            }
            if (whole) value->bytes = std::move(bytes);
        }
    }
    return keys;
}

// ---- Parse::Win32Registry, through our dump script ---------------------------------------

SeenKeys ParseWin32RegistryDump(const std::string& output) {
    SeenKeys keys;
    std::map<std::string, SeenValue>* current = nullptr;
    for (const auto& line : Lines(output)) {
        if (StartsWith(line, "K ")) {
            current = &keys[line.substr(2)];
        } else if (current && StartsWith(line, "V ")) {
            // "V <type> <size> <hex> <name>"; the name may hold spaces, the fields before it not.
            std::size_t a = line.find(' ', 2), b = line.find(' ', a + 1), c = line.find(' ', b + 1);
            if (c == std::string::npos) continue;
            SeenValue value;
            value.type = static_cast<std::uint32_t>(std::stoul(line.substr(2, a - 2)));
            value.size = std::stoull(line.substr(a + 1, b - a - 1));
            std::vector<std::uint8_t> bytes;
            for (std::size_t at = b + 1; at + 1 < c; at += 2) {
                std::uint8_t byte;
                if (HexByte(line, at, byte)) bytes.push_back(byte);
            }
            value.bytes = std::move(bytes);
            (*current)[line.substr(c + 1)] = value;
        }
    }
    return keys;
}

void Collect(const regf::KeyView& key, const std::string& path, SeenKeys& keys) {
    auto& values = keys[path];
    auto stored = key.Values();
    if (stored) {
        for (const auto& v : *stored) values[v.name] = SeenValue{v.type, v.data.size(), v.data};
    }
    auto subkeys = key.Subkeys();
    if (!subkeys) return;
    for (const auto& subkey : *subkeys) Collect(subkey, path + "\\" + subkey.Name(), keys);
}

std::string Hex(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = from; i < bytes.size() && i < from + count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// Where two byte strings part, for a readable failure.
std::string BytesDiffer(const std::vector<std::uint8_t>& stored, const std::vector<std::uint8_t>& seen) {
    std::size_t i = 0;
    while (i < stored.size() && i < seen.size() && stored[i] == seen[i]) ++i;
    return std::to_string(seen.size()) + " bytes instead of " + std::to_string(stored.size()) + ", first difference at byte " +
           std::to_string(i) + " (" + Hex(seen, i, 8) + " instead of " + Hex(stored, i, 8) + ")";
}

}  // namespace

const std::vector<ReaderView>& Readers() {
    static const std::vector<ReaderView> readers = {
        {"hivexregedit",
         [](const std::string& hive) { return std::vector<std::string>{"hivexregedit", "--export", hive, "\\"}; },
         ParseHivexExport},
        {"reglookup", [](const std::string& hive) { return std::vector<std::string>{"reglookup", hive}; }, ParseReglookup},
        {"regfexport", [](const std::string& hive) { return std::vector<std::string>{"regfexport", hive}; }, ParseRegfexport},
        {"Parse::Win32Registry",
         [](const std::string& hive) {
             return std::vector<std::string>{"perl", KV_SOURCE_DIR "/tests/regf/crosscheck/win32registry_dump.pl", hive};
         },
         ParseWin32RegistryDump},
    };
    return readers;
}

SeenKeys StoredContent(const regf::HiveFile& hive) {
    SeenKeys keys;
    auto root = hive.Root();
    if (root) Collect(*root, "", keys);
    return keys;
}

std::string Differences(const SeenKeys& stored, const SeenKeys& seen) {
    constexpr int kShown = 8;
    std::string text;
    int found = 0;
    auto differ = [&](const std::string& line) {
        if (found++ < kShown) text += "  " + line + "\n";
    };
    for (const auto& [path, values] : stored) {
        auto key = seen.find(path);
        if (key == seen.end()) {
            differ("key \"" + path + "\" is missing");
            continue;
        }
        for (const auto& [name, value] : values) {
            auto other = key->second.find(name);
            const std::string where = "value \"" + name + "\" of key \"" + path + "\"";
            if (other == key->second.end()) {
                differ(where + " is missing");
                continue;
            }
            const SeenValue& v = other->second;
            if (v.type && *v.type != *value.type)
                differ(where + " has type " + std::to_string(*v.type) + " instead of " + std::to_string(*value.type));
            if (v.size && *v.size != *value.size)
                differ(where + " has " + std::to_string(*v.size) + " bytes instead of " + std::to_string(*value.size));
            if (v.bytes && *v.bytes != *value.bytes) differ(where + " reads as " + BytesDiffer(*value.bytes, *v.bytes));
        }
        for (const auto& [name, value] : key->second)
            if (!values.count(name)) differ("key \"" + path + "\" shows a value \"" + name + "\" that is not stored");
    }
    for (const auto& [path, values] : seen)
        if (!stored.count(path)) differ("key \"" + path + "\" is shown but not stored");
    if (found > kShown) text += "  ... " + std::to_string(found - kShown) + " more\n";
    return text;
}

}  // namespace kelvara::crosscheck

#include "key_tree.h"

#include <algorithm>
#include <cctype>

#include "random.h"

namespace kelvara::sample {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

// Setting a value that exists replaces it, as the registry does: a key never holds two
// values of the same name.
static void AddValue(KeySpec& key, std::string name, std::uint32_t type, std::vector<std::uint8_t> data) {
    for (auto& v : key.values) {
        if (SameName(v.name, name)) {
            v = regf::ValueSpec{std::move(name), type, std::move(data)};
            return;
        }
    }
    key.values.push_back(regf::ValueSpec{std::move(name), type, std::move(data)});
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    }
    return true;
}

std::string Upper(std::string text) {
    for (auto& c : text) c = UpperAscii(c);
    return text;
}

KeySpec& Append(KeySpec& parent, std::string name) {
    parent.subkeys.emplace_back();
    parent.subkeys.back().name = std::move(name);
    return parent.subkeys.back();
}

KeySpec& Key(KeySpec& parent, const std::string& path) {
    KeySpec* current = &parent;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (!part.empty()) {
            auto found = std::find_if(current->subkeys.begin(), current->subkeys.end(),
                                      [&](const KeySpec& k) { return SameName(k.name, part); });
            current = found != current->subkeys.end() ? &*found : &Append(*current, part);
        }
        start = end + 1;
    }
    return *current;
}

void Sz(KeySpec& key, std::string name, const std::string& text) {
    AddValue(key, std::move(name), regtype::Sz, regf::Utf16z(text));
}

void ExpandSz(KeySpec& key, std::string name, const std::string& text) {
    AddValue(key, std::move(name), regtype::ExpandSz, regf::Utf16z(text));
}

void MultiSz(KeySpec& key, std::string name, const std::vector<std::string>& lines) {
    AddValue(key, std::move(name), regtype::MultiSz, regf::MultiSz(lines));
}

void Dword(KeySpec& key, std::string name, std::uint32_t value) {
    AddValue(key, std::move(name), regtype::Dword, regf::Dword(value));
}

void Qword(KeySpec& key, std::string name, std::uint64_t value) {
    AddValue(key, std::move(name), regtype::Qword, regf::Qword(value));
}

void Binary(KeySpec& key, std::string name, std::vector<std::uint8_t> data) {
    AddValue(key, std::move(name), regtype::Binary, std::move(data));
}

void Raw(KeySpec& key, std::string name, std::uint32_t type, std::vector<std::uint8_t> data) {
    AddValue(key, std::move(name), type, std::move(data));
}

std::uint64_t FileTime(std::int64_t unixSeconds) {
    constexpr std::int64_t secondsFrom1601To1970 = 11644473600;
    return static_cast<std::uint64_t>(unixSeconds + secondsFrom1601To1970) * 10000000ull;
}

void StampTimes(KeySpec& root, Random& random, std::uint64_t from, std::uint64_t to) {
    if (root.lastWritten == 0) {
        root.lastWritten = from + random.Next() % (to - from + 1);
    }
    for (auto& child : root.subkeys) StampTimes(child, random, from, to);
}

TreeCounts Count(const KeySpec& root) {
    TreeCounts counts;
    counts.keys = 1;
    counts.values = root.values.size();
    for (const auto& v : root.values) counts.dataBytes += v.data.size();
    for (const auto& child : root.subkeys) {
        TreeCounts c = Count(child);
        counts.keys += c.keys;
        counts.values += c.values;
        counts.dataBytes += c.dataBytes;
    }
    return counts;
}

}  // namespace kelvara::sample

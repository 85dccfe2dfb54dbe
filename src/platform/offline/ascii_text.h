// Windows compares registry names and file names without regard to letter case. These helpers
// do that over the ASCII letters, which is all the names this platform serves need.
#pragma once

#include <string>
#include <string_view>

namespace kelvara::platform::offline {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

inline bool AsciiEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

inline bool AsciiStartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiEquals(text.substr(0, prefix.size()), prefix);
}

inline std::string AsciiToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

}  // namespace kelvara::platform::offline

// Text comparisons that fold only the ASCII letters A-Z / a-z. Switches, registry prefixes,
// device names and path fragments are compared this way: never through the C locale, so a
// byte of a code page (an accented letter in a path, say) is never changed or matched loosely.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvara::common {

constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiUpperCase(std::string_view text);
std::string AsciiLowerCase(std::string_view text);

// True when the text is empty or holds only spaces and control characters (bytes up to 32): a
// caption or address like that shows or opens nothing.
bool AsciiBlank(std::string_view text);

bool AsciiEqualNoCase(std::string_view a, std::string_view b);
bool AsciiStartsWithNoCase(std::string_view text, std::string_view prefix);

// 0-based index of the first occurrence of needle in haystack at or after `from`, compared
// without ASCII case; std::string_view::npos when there is none. An empty needle is found at
// `from` (when from <= haystack.size()).
std::size_t AsciiFindNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);
bool AsciiContainsNoCase(std::string_view haystack, std::string_view needle);

// Strict weak ordering without ASCII case, for ordered maps keyed by such names.
struct AsciiLessNoCase {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

}  // namespace kelvara::common

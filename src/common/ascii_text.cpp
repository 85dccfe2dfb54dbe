#include "common/ascii_text.h"

#include <algorithm>

namespace kelvara::common {

std::string AsciiUpperCase(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), AsciiUpper);
    return result;
}

std::string AsciiLowerCase(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), AsciiLower);
    return result;
}

bool AsciiBlank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c <= ' '; });
}

bool AsciiEqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

bool AsciiStartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && AsciiEqualNoCase(text.substr(0, prefix.size()), prefix);
}

std::size_t AsciiFindNoCase(std::string_view haystack, std::string_view needle, std::size_t from)
{
    if (from > haystack.size() || needle.size() > haystack.size() - from) {
        return std::string_view::npos;
    }
    const std::size_t last = haystack.size() - needle.size();
    for (std::size_t i = from; i <= last; ++i) {
        if (AsciiEqualNoCase(haystack.substr(i, needle.size()), needle)) return i;
    }
    return std::string_view::npos;
}

bool AsciiContainsNoCase(std::string_view haystack, std::string_view needle)
{
    return AsciiFindNoCase(haystack, needle) != std::string_view::npos;
}

bool AsciiLessNoCase::operator()(std::string_view a, std::string_view b) const
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiUpper(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

}  // namespace kelvara::common

#include "platform/win32/redirection.h"

#include "common/ascii_text.h"

namespace kelvara::platform::win32 {

std::string TrueSystemPath(const std::string& path)
{
    constexpr std::string_view kAlias = "sysnative";
    const std::string lower = common::AsciiLowerCase(path);
    for (std::size_t at = lower.find(kAlias); at != std::string::npos; at = lower.find(kAlias, at + 1)) {
        const std::size_t end = at + kAlias.size();
        const bool wholeFolder = at > 0 && (path[at - 1] == '\\' || path[at - 1] == '/') &&
                                 (end == path.size() || path[end] == '\\' || path[end] == '/');
        if (wholeFolder) return path.substr(0, at) + "System32" + path.substr(end);
    }
    return path;
}

}  // namespace kelvara::platform::win32

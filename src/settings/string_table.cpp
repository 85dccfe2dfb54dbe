#include "settings/string_table.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kelvara::settings {
namespace {

constexpr StringEntry kTable[] = {
#define KV_STRING(id, constant, key, text) strings::constant,
#include "settings/string_table.inc"
#undef KV_STRING
};

}  // namespace

std::span<const StringEntry> StringTable() { return kTable; }

std::string BuiltInString(unsigned id) {
    for (const StringEntry& entry : kTable) {
        if (entry.id == id) return entry.text;
    }
    return {};
}

std::string LoadResString(const StringEntry& entry) {
#ifdef _WIN32
    // A string resource holds at most 4097 characters with its terminating zero; ours are short.
    char buffer[4097];
    const int length = ::LoadStringA(::GetModuleHandleA(nullptr), entry.id, buffer, sizeof buffer);
    if (length > 0) return std::string(buffer, static_cast<std::size_t>(length));
#endif
    return entry.text;
}

}  // namespace kelvara::settings

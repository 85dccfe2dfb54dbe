// The program's string table (string_table.inc) as constants, and the entries read back the way
// the running program holds them: from Kelvara.exe's string resources on Windows, from the
// compiled-in table on Linux.
#pragma once

#include <span>
#include <string>

namespace kelvara::settings {

struct StringEntry {
    unsigned id;
    const char* key;    // name in section "ResourceString", "" when the text is never translated
    const char* text;   // the English text
};

namespace strings {
#define KV_STRING(id, constant, key, text) inline constexpr StringEntry constant{id, key, text};
#include "settings/string_table.inc"
#undef KV_STRING
}  // namespace strings

// Every entry, in id order.
std::span<const StringEntry> StringTable();

// The text of the entry as the program carries it. Kelvara.exe reads its string resource (an
// executable whose resources lack the entry, such as a test program, answers the compiled-in
// text); the Linux program answers the compiled-in text.
std::string LoadResString(const StringEntry& entry);

// The text of any id from the compiled-in table; "" for an id the table does not have.
std::string BuiltInString(unsigned id);

}  // namespace kelvara::settings

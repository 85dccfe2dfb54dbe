// Language files: "DLan_<language>.ini" beside the program or in its "Languages" folder, read
// with the private-profile rules of common/ini_file.h. They replace the windows' texts
// (form_translation.h) and the translatable messages of the string table.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/ini_file.h"

namespace kelvara::settings {

// The folder the language files are looked for in: the program's folder with its trailing
// separator. The main window sets it when it is created, before any window is translated.
void SetLanguageProgramFolder(std::string programFolder);
const std::string& LanguageProgramFolder();

// The file beside the program when it exists, else the one in "Languages" (returned whether it
// exists or not). The language name is used as it is spelled. The folder's own separator ("\"
// or "/") joins "Languages" and the file name.
std::string LanguageFilePath(const std::string& programFolder, const std::string& language);
std::string LanguageFilePath(const std::string& language);

bool LanguageFileExists(const std::string& path);

// True for "English" in any letter case: the windows keep their designed texts.
bool IsBuiltInLanguage(std::string_view language);

// Language files are ANSI text in the code page of the Windows they are used on. The Windows
// program shows their bytes as they are; the Linux program, which shows UTF-8, installs a
// decoder for the installation's code page. Without one, bytes pass unchanged.
using LanguageTextDecoder = std::function<std::string(std::string_view bytes)>;
void SetLanguageTextDecoder(LanguageTextDecoder decoder);

// One language file opened for reading; a missing file reads as empty, so every lookup gives
// its default.
class LanguageSource {
public:
    explicit LanguageSource(const std::string& path);
    // The value (at most 2047 characters, an empty value stays empty), decoded; the default
    // when the section or key is missing.
    std::string Read(std::string_view section, std::string_view key, const std::string& defaultText) const;

private:
    common::IniFile file_;
};

// The text of a translatable string-table entry: for the built-in language the built-in text,
// without opening a file; otherwise the entry `ident` of section "ResourceString" of the
// current language's file. A missing file or key gives the built-in text, so a message never
// shows up blank; a key present with an empty value gives the empty text its author wrote.
std::string LoadLanguageString(std::string_view ident, std::string_view builtInText);

}  // namespace kelvara::settings

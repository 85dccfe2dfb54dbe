// The code page language files are read in on the Linux program. Windows shows a language file's
// bytes in the system's ANSI code page; the Linux program shows UTF-8, so it converts the bytes
// from the code page that the installation it works on names, and the texts read as they would
// on that Windows.
#pragma once

#include <string>

#include "settings/language_file.h"

namespace kelvara::settings {

// The installation's ANSI code page: the "ACP" value under CurrentControlSet\Control\Nls\CodePage
// of its SYSTEM hive file (the control set that "Select\Current" names). 1252 when the file
// cannot be read or the value is missing or not a number.
int InstallationCodePage(const std::string& systemHiveFile);

// A decoder from the code page to UTF-8. Bytes the code page does not define come out as "?",
// so a damaged file still shows its other texts. None (pass the bytes through) on Windows, or
// when the system's converter does not know the code page.
LanguageTextDecoder CodePageDecoder(int codePage);

}  // namespace kelvara::settings

// The user's settings: one record for the whole run, kept in "options.ini" beside the program.
#pragma once

#include <string>

#include "settings/write_error.h"

namespace kelvara::settings {

struct TOptionsSetting {
    bool IsAskBeforeDefrag = false;   // show the confirm dialog before the hives are replaced
    bool IsShowLine = false;          // grid lines in the main window's hive list
    bool RestorePoint = false;        // create a System Restore point before the replacement
    std::string Lan;                  // user-interface language, names the language file
    // The dialogs' colour scheme: a built-in one by name, or "Theme" for the theme file beside
    // the program; empty for the default. The options dialog does not show it: a user who wants
    // another scheme writes it into the file, and the program only reads it, so a save from
    // the dialog keeps what the user wrote.
    std::string Scheme;
};

// All flags false and the language empty until the settings file has been read.
extern TOptionsSetting OptionsSetting;

// The settings file: the program's folder (with its trailing separator) + "options.ini".
std::string OptionsFilePath(const std::string& programFolder);

// isRead: fills OptionsSetting from the file; a missing file, section or key, or a value that is
// not an integer, gives that setting's default (ask before defrag, grid lines, no restore point,
// "English", the default scheme). Otherwise writes the four settings the dialog shows to section "Options", in the order
// RestorePoint, IsAskBeforeDefrag, IsShowLine, Lan; raises WriteError at the first value that
// cannot be written, and writes none after it. The file is replaced (and flushed) once per save,
// holding every value set before the failing one; when the file itself cannot be written,
// nothing of the save reaches it and the old file stays as it was.
void ReadWriteOptions(bool isRead, const std::string& programFolder);

}  // namespace kelvara::settings

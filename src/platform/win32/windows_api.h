// <windows.h> for code that also calls System: the SDK maps names such as DeleteFile or
// RegSaveKey to their ANSI or wide versions with macros, which would rename System's members
// too. Include this instead of <windows.h> and call the API by its explicit A names.
#pragma once

#include <windows.h>

#undef RegOpenKeyEx
#undef RegOpenKey
#undef RegQueryInfoKey
#undef RegEnumValue
#undef RegQueryValueEx
#undef RegSaveKey
#undef RegReplaceKey
#undef GetLogicalDriveStrings
#undef GetDriveType
#undef QueryDosDevice
#undef DeleteFile
#undef MoveFile
#undef GetVersionEx
#undef ExitWindowsEx
#undef InitiateSystemShutdown

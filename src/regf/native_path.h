// File names as the program holds them (narrow text) and as std::filesystem holds them.
//
// The Windows program's names are in the ANSI code page, the one every "A" call of Windows reads
// them in. MinGW's std::filesystem does not use it: it reads a narrow name with the C runtime's
// default conversion and gives one back as UTF-8, so "C:\Users\Иван" under code page 1251 names
// another file, or none, to every std::filesystem call. On Windows these convert through the ANSI
// code page; elsewhere the name is taken as it is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kelvara::regf {

// The path that names the file `name` names.
std::filesystem::path NativePath(const std::string& name);
// The name of `path` in the program's narrow text; on Windows, letters the ANSI code page lacks
// come out as Windows' default character, which names no file.
std::string NarrowPath(const std::filesystem::path& path);
// A folder name read from a hive (UTF-8 here) as the program's narrow text: on Windows in the ANSI
// code page, as the registry's "A" calls give it, so that the folder is found.
std::string NarrowText(const std::string& utf8);
// What identifies the file whatever its name: on NTFS the file record number (the low 48 bits of
// the file index, the file opened with no data access, so a file another process holds
// exclusively can be asked), elsewhere the inode number, which ntfs-3g makes the same record
// number. False when there is no such file.
bool FileRecordNumber(const std::filesystem::path& path, std::uint64_t& number);

}  // namespace kelvara::regf

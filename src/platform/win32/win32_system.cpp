#include "platform/win32/win32_system.h"

#include "platform/status_text.h"
#include "platform/usable_hive.h"
#include "platform/win32/redirection.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <srrestoreptapi.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace kelvara::platform::win32 {
namespace {

// The registry's own limit for a value name is 16383 characters; a caller asking for a bigger
// buffer gets this one, which holds any name.
constexpr std::uint32_t kLargestValueNameChars = 16384;
// A drive list or device name longer than this is not one Windows gives.
constexpr std::uint32_t kLargestTextBuffer = 65536;

HKEY RootHandle(RootKey root)
{
    return root == RootKey::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_USERS;
}

HKEY ToHkey(KeyHandle key)
{
    return reinterpret_cast<HKEY>(key);
}

KeyHandle FromHkey(HKEY key)
{
    return reinterpret_cast<KeyHandle>(key);
}

// A function looked up at run time, cast through a plain pointer so the compiler accepts the
// change of signature.
template <typename Function>
Function Lookup(HMODULE module, const char* name)
{
    if (!module) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The file index's bits that hold the NTFS file record number.
constexpr std::uint64_t kFileRecordNumberMask = 0xFFFFFFFFFFFFull;

// A FILETIME counts 100-nanosecond ticks from 1601-01-01 UTC, 11644473600 seconds before 1970.
constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000;
constexpr std::int64_t kFileTimeSecondsBefore1970 = 11644473600;

// LOAD_LIBRARY_SEARCH_SYSTEM32 (libloaderapi.h), which the headers give only for Windows 8 on.
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;

// How long a restart request is retried while Windows answers that it is not ready (nobody
// logged on yet): a minute, once a second.
constexpr int kShutdownAttempts = 60;
constexpr DWORD kShutdownRetryMs = 1000;

// The error of a failed Win32 call, or a general failure where it left none.
long LastErrorOr(const Win32Api& api, long fallback)
{
    const DWORD error = api.GetLastError ? api.GetLastError() : 0;
    return error != 0 ? static_cast<long>(error) : fallback;
}

// A wide string's text in the ANSI code page; `exact` false when some letter has no form of its
// own there. Best-fit letters are refused: "\u0100" must not become "A", the name of another file.
std::string AnsiText(const wchar_t* text, int chars, bool& exact)
{
    exact = true;
    if (chars == 0) return {};
    // UTF-8 as the ANSI code page spells everything, and takes neither flags nor the question.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* question = utf8 ? nullptr : &usedDefault;
    const int bytes = ::WideCharToMultiByte(CP_ACP, flags, text, chars, nullptr, 0, nullptr, question);
    if (bytes <= 0) {
        exact = false;
        return {};
    }
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, flags, text, chars, ansi.data(), bytes, nullptr, question);
    exact = usedDefault == FALSE;
    return ansi;
}

std::wstring WideText(const std::string& ansi)
{
    if (ansi.empty()) return {};
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (chars <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), chars);
    return wide;
}

SYSTEMTIME ToSystemTime(const LocalTime& time)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(time.year);
    st.wMonth = static_cast<WORD>(time.month);
    st.wDay = static_cast<WORD>(time.day);
    st.wHour = static_cast<WORD>(time.hour);
    st.wMinute = static_cast<WORD>(time.minute);
    st.wSecond = static_cast<WORD>(time.second);
    st.wMilliseconds = static_cast<WORD>(time.milliseconds);
    return st;
}

// Asks a "fill this buffer" formatting function, with a buffer as large as it says it needs.
template <typename Call>
std::string FormattedText(Call call)
{
    const int needed = call(nullptr, 0);
    if (needed <= 0) return {};
    std::string text(static_cast<std::size_t>(needed), '\0');
    const int written = call(text.data(), needed);
    if (written <= 0) return {};
    text.resize(std::strlen(text.c_str()));
    return text;
}

}  // namespace

Win32System::Win32System() : api_(std::make_unique<const Win32Api>(RealWin32Api())) {}

Win32System::Win32System(const Win32Api& api) : api_(std::make_unique<const Win32Api>(api)) {}

Win32System::~Win32System() = default;

void Win32System::RedirectorNotRestored()
{
    redirectionError_ = LastErrorOr(*api_, ERROR_GEN_FAILURE);
    redirectionLost_ = true;
}

// ---------------------------------------------------------------- registry

long Win32System::RegOpenKeyEx(RootKey root, const std::string& subKey, std::uint32_t samDesired,
                               KeyHandle& key)
{
    HKEY opened = nullptr;
    const LONG result = api_->RegOpenKeyExA(RootHandle(root), subKey.c_str(), 0, samDesired, &opened);
    key = result == ERROR_SUCCESS ? FromHkey(opened) : 0;
    return result;
}

long Win32System::RegOpenKey(RootKey root, const std::string& subKey, KeyHandle& key)
{
    HKEY opened = nullptr;
    const LONG result = ::RegOpenKeyA(RootHandle(root), subKey.c_str(), &opened);
    key = result == ERROR_SUCCESS ? FromHkey(opened) : 0;
    return result;
}

long Win32System::RegCloseKey(KeyHandle key)
{
    return ::RegCloseKey(ToHkey(key));
}

long Win32System::RegQueryInfoKey(KeyHandle key, std::uint32_t& valueCount,
                                  std::uint32_t& maxValueNameLength)
{
    DWORD values = 0;
    DWORD longestName = 0;
    const LONG result = ::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, nullptr, nullptr,
                                           nullptr, &values, &longestName, nullptr, nullptr, nullptr);
    if (result == ERROR_SUCCESS) {
        valueCount = values;
        maxValueNameLength = longestName;
    }
    return result;
}

long Win32System::RegEnumValueName(KeyHandle key, std::uint32_t index, std::uint32_t nameBufferChars,
                                   std::string& name)
{
    const std::uint32_t chars = std::clamp<std::uint32_t>(nameBufferChars, 1, kLargestValueNameChars);
    std::string buffer(chars, '\0');
    DWORD length = chars;
    const LONG result = ::RegEnumValueA(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr,
                                        nullptr, nullptr);
    if (result == ERROR_SUCCESS) name.assign(buffer.data(), std::min<DWORD>(length, chars));
    return result;
}

long Win32System::RegQueryValueEx(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                                  std::vector<std::uint8_t>& data)
{
    // The value may grow between asking its size and reading it; ask again a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD valueType = REG_NONE;
        DWORD size = 0;
        LONG result = ::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        std::vector<std::uint8_t> bytes(size);
        result = ::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType,
                                    bytes.empty() ? nullptr : bytes.data(), &size);
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) return result;
        bytes.resize(std::min<std::size_t>(bytes.size(), size));
        type = valueType;
        data = std::move(bytes);
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

long Win32System::RegSaveKey(KeyHandle key, const std::string& file)
{
    if (redirectionLost_) return redirectionError_;
    const std::string trueFile = TrueSystemPath(file);
    LONG result = ERROR_SUCCESS;
    const bool restored = CallUnredirected(*api_, [&](bool off) {
        result = api_->RegSaveKeyA(ToHkey(key), (off ? trueFile : file).c_str(), nullptr);
    });
    if (!restored) RedirectorNotRestored();
    return result;
}

long Win32System::RegReplaceKey(RootKey root, const std::string& subKey, const std::string& newFile,
                                const std::string& oldFile)
{
    if (redirectionLost_) return redirectionError_;
    const std::string trueNewFile = TrueSystemPath(newFile);
    const std::string trueOldFile = TrueSystemPath(oldFile);
    LONG result = ERROR_SUCCESS;
    const bool restored = CallUnredirected(*api_, [&](bool off) {
        result = api_->RegReplaceKeyA(RootHandle(root), subKey.c_str(), (off ? trueNewFile : newFile).c_str(),
                                     (off ? trueOldFile : oldFile).c_str());
    });
    if (!restored) RedirectorNotRestored();
    return result;
}

long Win32System::RegQueryStringValue(KeyHandle key, const std::string& valueName, std::uint32_t& type,
                                      std::vector<std::uint8_t>& data, bool& exact)
{
    exact = true;
    const std::wstring name = WideText(valueName);
    for (int attempt = 0; attempt < 4; ++attempt) {   // the value may grow between the two questions
        DWORD valueType = REG_NONE;
        DWORD size = 0;
        LONG result = api_->RegQueryValueExW(ToHkey(key), name.c_str(), nullptr, &valueType, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        std::vector<std::uint8_t> bytes(size + sizeof(wchar_t));   // room for a missing final zero
        result = api_->RegQueryValueExW(ToHkey(key), name.c_str(), nullptr, &valueType, bytes.data(), &size);
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) return result;
        type = valueType;
        if (valueType != REG_SZ && valueType != REG_EXPAND_SZ) {
            bytes.resize(std::min<std::size_t>(bytes.size(), size));
            data = std::move(bytes);
            return ERROR_SUCCESS;
        }
        const auto* text = reinterpret_cast<const wchar_t*>(bytes.data());
        const std::size_t limit = size / sizeof(wchar_t);
        std::size_t chars = 0;
        while (chars < limit && text[chars] != L'\0') ++chars;
        const std::string ansi = AnsiText(text, static_cast<int>(chars), exact);
        data.assign(ansi.begin(), ansi.end());
        data.push_back(0);
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

// ---------------------------------------------------------------- drives

std::uint32_t Win32System::GetLogicalDriveStrings(std::uint32_t bufferChars, std::string& buffer)
{
    const std::uint32_t chars = std::min(bufferChars, kLargestTextBuffer);
    std::string text(chars + 1, '\0');
    const DWORD length = ::GetLogicalDriveStringsA(chars, text.data());
    // Success: the characters written, without the list's closing zero, fit in the buffer.
    if (length > 0 && length < chars) buffer.assign(text.data(), length + 1);
    else buffer.clear();
    return length;
}

std::uint32_t Win32System::GetDriveType(const std::string& rootPath)
{
    return ::GetDriveTypeA(rootPath.c_str());
}

bool Win32System::QueryDosDevice(const std::string& deviceName, std::uint32_t bufferChars,
                                 std::string& target)
{
    const std::uint32_t chars = std::clamp<std::uint32_t>(bufferChars, 1, kLargestTextBuffer);
    std::string text(chars + 1, '\0');
    if (::QueryDosDeviceA(deviceName.c_str(), text.data(), chars) == 0) return false;
    target.assign(text.c_str());
    return true;
}

// ---------------------------------------------------------------- files

bool Win32System::FileExists(const std::string& path)
{
    if (redirectionLost_) return false;
    if (path.empty()) return false;
    // 64-bit XP and Server 2003 have no "sysnative" alias: the real system folder is found with
    // the redirector off, and everywhere else that finds the same file.
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (!CallOnFile(*api_, path, [&](const char* name) { attributes = api_->GetFileAttributesA(name); }))
        RedirectorNotRestored();
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string Win32System::ExpandFileName(const std::string& path)
{
    if (path.empty()) return {};
    return FormattedText([&path](char* buffer, int chars) {
        return static_cast<int>(::GetFullPathNameA(path.c_str(), static_cast<DWORD>(chars), buffer, nullptr));
    });
}

bool Win32System::FindFirstFileSize(const std::string& fullPath, std::uint32_t attributeMask,
                                    std::int64_t& size)
{
    if (redirectionLost_) return false;
    // Entries with the hidden, system, volume or directory attribute match only when the mask
    // admits that attribute, as the runtime's FindFirst filters them.
    constexpr DWORD kSpecial = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x08 | FILE_ATTRIBUTE_DIRECTORY;
    const DWORD excluded = kSpecial & ~attributeMask;

    WIN32_FIND_DATAA entry{};
    HANDLE search = INVALID_HANDLE_VALUE;
    if (!CallOnFile(*api_, fullPath, [&](const char* name) { search = api_->FindFirstFileA(name, &entry); }))
        RedirectorNotRestored();
    if (search == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        if ((entry.dwFileAttributes & excluded) == 0) {
            size = static_cast<std::int64_t>((static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) |
                                             entry.nFileSizeLow);
            found = true;
            break;
        }
    } while (::FindNextFileA(search, &entry));
    ::FindClose(search);
    return found;
}

bool Win32System::OpenExclusive(const std::string& path)
{
    if (redirectionLost_) return false;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!CallOnFile(*api_, path, [&](const char* name) {
            file = api_->CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        }))
        RedirectorNotRestored();
    if (file == INVALID_HANDLE_VALUE) return false;
    api_->CloseHandle(file);
    return true;
}

bool Win32System::DeleteFile(const std::string& path)
{
    if (redirectionLost_) return false;
    BOOL deleted = FALSE;
    if (!CallOnFile(*api_, path, [&](const char* name) { deleted = api_->DeleteFileA(name); })) RedirectorNotRestored();
    return deleted != FALSE;
}

bool Win32System::MoveFile(const std::string& from, const std::string& to)
{
    if (redirectionLost_) return false;
    BOOL moved = FALSE;
    // Both names lie in one folder, so the true name of the one goes with the true name of the other.
    const std::string trueTo = TrueSystemPath(to);
    if (!CallOnFile(*api_, from, [&](const char* name) {
            moved = api_->MoveFileExA(name, name == from ? to.c_str() : trueTo.c_str(), MOVEFILE_WRITE_THROUGH);
        }))
        RedirectorNotRestored();
    return moved != FALSE;
}

bool Win32System::FileIdentity(const std::string& path, std::uint64_t& identity)
{
    if (redirectionLost_) return false;
    // No data access: the kernel's exclusive hold on a hive, or on a file handed to the replace
    // call, refuses reading and writing but not this.
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!CallOnFile(*api_, path, [&](const char* name) {
            file = api_->CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        }))
        RedirectorNotRestored();
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information{};
    const BOOL answered = api_->GetFileInformationByHandle(file, &information);
    api_->CloseHandle(file);
    if (!answered) return false;
    // The high 16 bits of the index are the record's reuse count; the record number is the rest.
    identity = ((static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow) &
               kFileRecordNumberMask;
    return true;
}

std::string Win32System::CommonAppDataFolder()
{
    char folder[MAX_PATH + 1] = {};
    if (api_->SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return {};
    std::string text(folder, ::strnlen(folder, MAX_PATH));
    while (!text.empty() && text.back() == '\\') text.pop_back();
    return text;
}

std::string Win32System::ProgramFolder()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= kLargestTextBuffer) return {};
        path.resize(path.size() * 2);   // truncated: try a larger buffer
    }
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// ---------------------------------------------------------------- token

bool Win32System::EnablePrivilege(const std::string& privilegeName, std::uint32_t tokenAccess)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), tokenAccess, &token)) return false;

    bool enabled = false;
    LUID luid{};
    if (::LookupPrivilegeValueA(nullptr, privilegeName.c_str(), &luid)) {
        TOKEN_PRIVILEGES wanted{};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Luid = luid;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        TOKEN_PRIVILEGES previous{};   // one entry: 16 bytes
        DWORD previousLength = 0;
        // Success with ERROR_NOT_ALL_ASSIGNED means the token lacks the privilege.
        enabled = api_->AdjustTokenPrivileges(token, FALSE, &wanted, sizeof previous, &previous, &previousLength) &&
                  LastErrorOr(*api_, ERROR_SUCCESS) == ERROR_SUCCESS;
    }
    ::CloseHandle(token);
    return enabled;
}

// ---------------------------------------------------------------- version, process, clock

OsVersion Win32System::GetVersionEx()
{
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;   // the basic 148-byte record
    ::GetVersionExA(&info);                   // a failed query leaves zeros
    return OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
}

bool Win32System::IsWow64Process(bool& isWow64)
{
    // Looked up at run time: the program must still start where kernel32 lacks it.
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64Process =
        Lookup<IsWow64ProcessFunction>(::GetModuleHandleA("kernel32"), "IsWow64Process");
    if (!isWow64Process) return false;
    BOOL answer = FALSE;
    if (!isWow64Process(::GetCurrentProcess(), &answer)) return false;
    isWow64 = answer != FALSE;
    return true;
}

std::uint32_t Win32System::GetTickCount()
{
    return api_->GetTickCount();
}

std::int64_t Win32System::UtcNow()
{
    FILETIME now{};
    api_->GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / kFileTimeTicksPerSecond) - kFileTimeSecondsBefore1970;
}

bool Win32System::SystemStartTime(std::int64_t& utcSeconds)
{
    // GetTickCount alone wraps after 49.7 days; only XP and Server 2003 lack the 64-bit count.
    const std::uint64_t sinceStartMs = api_->GetTickCount64 ? api_->GetTickCount64() : api_->GetTickCount();
    utcSeconds = UtcNow() - static_cast<std::int64_t>(sinceStartMs / 1000);
    return true;
}

LocalTime Win32System::GetLocalTime()
{
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

// ---------------------------------------------------------------- locale

char Win32System::DecimalSeparator()
{
    char text[8] = {};
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text) <= 0 || text[0] == '\0') {
        return '.';
    }
    return text[0];
}

std::string Win32System::FormatShortDate(const LocalTime& time)
{
    const SYSTEMTIME st = ToSystemTime(time);
    return FormattedText([&st](char* buffer, int chars) {
        return ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, chars);
    });
}

std::string Win32System::FormatShortDateLongTime(const LocalTime& time)
{
    const SYSTEMTIME st = ToSystemTime(time);
    const std::string date = FormatShortDate(time);
    const std::string clock = FormattedText([&st](char* buffer, int chars) {
        return ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, chars);
    });
    return date + " " + clock;
}

// ---------------------------------------------------------------- power, restore, shell

// ---------------------------------------------------------------- hive engine

bool Win32System::ReadHiveFile(const std::string& path, std::string& problem,
                               const std::function<bool(const char* name, std::string& reason)>& read)
{
    if (redirectionLost_) {
        problem = path + " was not read: the file-system redirector could not be turned back on";
        return false;
    }
    // A machine hive's file is read as it is saved: by its System32 name with the redirector off
    // for the reading alone, so that 64-bit XP and Server 2003, which know no "sysnative", read
    // the file that was saved. The reason names the file as the caller does.
    bool usable = false;
    std::string reason;
    const bool restored = CallOnFile(*api_, path, [&](const char* name) {
        if (api_->GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES) {
            reason = std::string(name) + " does not exist";
            return;
        }
        // A 32-bit program may not find the memory to check a very big copy; such a copy is
        // passed over with its reason like any other that cannot be vouched for. Caught here, so
        // the redirector is turned back on whatever happens.
        try {
            usable = read(name, reason);
        } catch (const std::bad_alloc&) {
            reason = std::string(name) + " is too big to be checked in the memory this program can have";
        }
    });
    if (!restored) {
        // Whatever the reading found, nothing may be handed over now that names can reach other files.
        RedirectorNotRestored();
        problem = "the file-system redirector could not be turned back on after reading " + path;
        return false;
    }
    if (usable) return true;
    const std::string trueName = TrueSystemPath(path);
    if (trueName != path && reason.rfind(trueName, 0) == 0) reason = path + reason.substr(trueName.size());
    problem = reason;
    return false;
}

bool Win32System::IsUsableHiveFile(const std::string& path, std::string& problem)
{
    return ReadHiveFile(path, problem, [](const char* name, std::string& reason) { return IsUsableHive(name, reason); });
}

bool Win32System::IsRecoverableHiveFile(const std::string& path, std::string& problem)
{
    return ReadHiveFile(path, problem,
                        [](const char* name, std::string& reason) { return IsUsableHiveWithLogs(name, reason); });
}

bool Win32System::WriteRecoveredHive(const std::string& path, const std::string& output, std::string& problem)
{
    // The clean file goes beside the backup, so by its System32 name too.
    const std::string trueOutput = TrueSystemPath(output);
    return ReadHiveFile(path, problem, [&](const char* name, std::string& reason) {
        return System::WriteRecoveredHive(name, trueOutput, reason);
    });
}

std::string Win32System::ErrorText(long status)
{
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(status), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr) return StatusText(status);
    std::string words(text, length);
    ::LocalFree(text);
    while (!words.empty() && (words.back() == '\r' || words.back() == '\n' || words.back() == ' '))
        words.pop_back();
    return words + " (error " + std::to_string(status) + ")";
}

bool Win32System::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason)
{
    if (api_->ExitWindowsEx(flags, reason)) return true;
    // A restart someone else asked for is already under way: what the caller wants will happen.
    return LastErrorOr(*api_, 0) == ERROR_SHUTDOWN_IN_PROGRESS;
}

bool Win32System::IsInteractiveSession()
{
    // A service or a task run as SYSTEM has a window station without visible display surfaces.
    // Where that cannot be asked, the program is taken to run on the user's desktop, as designed.
    const HWINSTA station = api_->GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (!station || !api_->GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

bool Win32System::InitiateSystemShutdown(bool force, std::uint32_t reason)
{
    if (!api_->InitiateSystemShutdownExA && !api_->InitiateSystemShutdownA) return false;
    for (int attempt = 1;; ++attempt) {
        const BOOL accepted =
            api_->InitiateSystemShutdownExA
                ? api_->InitiateSystemShutdownExA(nullptr, nullptr, 0, force ? TRUE : FALSE, TRUE, reason)
                : api_->InitiateSystemShutdownA(nullptr, nullptr, 0, force ? TRUE : FALSE, TRUE);
        if (accepted) return true;
        const long error = LastErrorOr(*api_, 0);
        if (error == ERROR_SHUTDOWN_IN_PROGRESS) return true;   // a restart already under way
        if (error != ERROR_NOT_READY || attempt >= kShutdownAttempts) return false;
        api_->Sleep(kShutdownRetryMs);
    }
}

RestorePointOutcome Win32System::SetRestorePoint(const RestorePointRequest& request)
{
    // System Restore's client asks COM for its service; this is the worker's thread, which has
    // not met COM yet (the process's security was set at start-up).
    const HRESULT com = api_->CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    struct ComScope {
        bool initialised;
        ~ComScope() { if (initialised) ::CoUninitialize(); }
    } comScope{SUCCEEDED(com)};

    // Loaded only now: System Restore is missing on server editions and can be removed. By its
    // full name in the system folder, never from beside the program (often a downloads folder),
    // and its own dependencies from the system folder too.
    char folder[MAX_PATH + 1] = {};
    const UINT folderLength = api_->GetSystemDirectoryA(folder, MAX_PATH);
    if (folderLength == 0 || folderLength >= MAX_PATH) return RestorePointOutcome::NotAvailable;
    const std::string path = std::string(folder, folderLength) + "\\SrClient.dll";
    // Without the loader's search flags, the folder of the DLL named by its full path is searched
    // first for its dependencies.
    const DWORD searchFlags = api_->loaderSearchFlags ? kLoadLibrarySearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    HMODULE library = api_->LoadLibraryExA(path.c_str(), nullptr, searchFlags);
    if (!library) return RestorePointOutcome::NotAvailable;
    using SetRestorePointFunction = BOOL(WINAPI*)(PRESTOREPOINTINFOA, PSTATEMGRSTATUS);
    const auto setRestorePoint = Lookup<SetRestorePointFunction>(library, "SRSetRestorePointA");
    if (!setRestorePoint) {
        ::FreeLibrary(library);
        return RestorePointOutcome::NotAvailable;
    }

    RESTOREPOINTINFOA info;   // byte-packed, as the header declares it
    std::memset(&info, 0, sizeof info);
    info.dwEventType = request.eventType;
    info.dwRestorePtType = request.restorePointType;
    info.llSequenceNumber = request.sequenceNumber;
    // At most MAX_DESC - 1 characters, so the description always ends with a zero.
    const std::size_t length = std::min<std::size_t>(request.description.size(), sizeof info.szDescription - 1);
    std::memcpy(info.szDescription, request.description.data(), length);
    STATEMGRSTATUS status;
    std::memset(&status, 0, sizeof status);

    const BOOL created = setRestorePoint(&info, &status);
    ::FreeLibrary(library);
    return created ? RestorePointOutcome::Created : RestorePointOutcome::Failed;
}

void Win32System::ShellOpen(const std::string& target)
{
    // The window the user is working in owns whatever the shell shows.
    ::ShellExecuteA(::GetActiveWindow(), "Open", target.c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace kelvara::platform::win32

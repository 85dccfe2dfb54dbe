#include "regf/native_path.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace kelvara::regf {

#if defined(_WIN32)

std::filesystem::path NativePath(const std::string& name) {
    if (name.empty()) return {};
    const int size = static_cast<int>(name.size());
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, name.data(), size, nullptr, 0);
    if (chars <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, name.data(), size, wide.data(), chars);
    return std::filesystem::path(std::move(wide));
}

std::string NarrowPath(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, narrow.data(), bytes, nullptr, nullptr);
    return narrow;
}

std::string NarrowText(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int chars = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (chars <= 0) return utf8;
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), chars);
    return NarrowPath(std::filesystem::path(std::move(wide)));
}

bool FileRecordNumber(const std::filesystem::path& path, std::uint64_t& number) {
    const HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool read = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    if (!read) return false;
    number = ((static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow) & 0xFFFFFFFFFFFFull;
    return true;
}

#else

bool FileRecordNumber(const std::filesystem::path& path, std::uint64_t& number) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    number = static_cast<std::uint64_t>(info.st_ino) & 0xFFFFFFFFFFFFull;
    return true;
}

std::filesystem::path NativePath(const std::string& name) { return std::filesystem::path(name); }

std::string NarrowPath(const std::filesystem::path& path) { return path.string(); }

std::string NarrowText(const std::string& utf8) { return utf8; }

#endif

}  // namespace kelvara::regf

// Reading and safely rewriting INI files. File names are byte strings in the system's code page,
// so the C runtime's narrow file functions are used (they take such names on Windows too).
#include "common/ini_file.h"

#include "common/file_faults.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>

#include <chrono>
#include <thread>
#else
#include <climits>
#include <cstdlib>
#include <unistd.h>
#endif

namespace kelvara::common {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

enum class ReadOutcome { Read, Missing, Failed };

ReadOutcome ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
    char buffer[16384];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, count);
    return std::ferror(file.get()) ? ReadOutcome::Failed : ReadOutcome::Read;
}

// A read-only file must stay as it is, although replacing it by a rename would be allowed.
bool IsReadOnly(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
#ifdef _WIN32
    return (info.st_mode & S_IWRITE) == 0;
#else
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
#endif
}

enum class WriteOutcome { NotCreated, Failed, Written };

// Every step asks the fault seam first; a step that fails leaves errno saying why.
WriteOutcome WriteWholeFile(const std::string& path, const std::string& bytes) {
    if (InjectedFileFault("create", path) != 0) return WriteOutcome::NotCreated;
    std::FILE* raw = std::fopen(path.c_str(), "wb");
    if (!raw) return WriteOutcome::NotCreated;
    FilePtr file(raw);
    ObserveFileOperation(FileOperation::Kind::Create, path);
    if (InjectedFileFault("write", path) != 0) return WriteOutcome::Failed;
    if (std::fwrite(bytes.data(), 1, bytes.size(), raw) != bytes.size()) return WriteOutcome::Failed;
    if (std::fflush(raw) != 0) return WriteOutcome::Failed;
    ObserveFileOperation({FileOperation::Kind::Write, path, {}, 0, bytes});
    // A file the disk could not keep must not take the old one's place.
    if (InjectedFileFault("flush", path) != 0) return WriteOutcome::Failed;
#ifdef _WIN32
    if (_commit(_fileno(raw)) != 0) return WriteOutcome::Failed;
#else
    if (::fsync(::fileno(raw)) != 0) return WriteOutcome::Failed;
#endif
    ObserveFileOperation(FileOperation::Kind::Flush, path);
    return std::fclose(file.release()) == 0 ? WriteOutcome::Written : WriteOutcome::Failed;
}

// std::rename through the fault seam.
int RenameFile(const std::string& from, const std::string& to) {
    if (InjectedFileFault("rename", from) != 0) return -1;
    if (std::rename(from.c_str(), to.c_str()) != 0) return -1;
    ObserveFileOperation(FileOperation::Kind::Rename, from, to);
    return 0;
}

// Removes a temporary file of ours after a failure without losing the failure's errno.
void RemoveTemporary(const std::string& path) {
    const int saved = errno;
    if (std::remove(path.c_str()) == 0) ObserveFileOperation(FileOperation::Kind::Remove, path);
    errno = saved;
}

#ifndef _WIN32
// Writing through a symbolic link must change the file it points at, not replace the link.
std::string ResolveLink(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}
#endif

#ifdef _WIN32
// A virus scanner or indexer may hold the file for a moment without allowing it to be renamed;
// the system's own writer would not notice, so give such a holder a little time.
bool RenameOldFileAside(const std::string& path, const std::string& aside) {
    constexpr int Attempts = 8;
    for (int attempt = 1;; ++attempt) {
        if (RenameFile(path, aside) == 0) return true;
        if (attempt == Attempts) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}
#endif

// Puts bytes in place of the file's content so that every failure leaves the old file whole.
bool ReplaceFileContent(const std::string& path, const std::string& bytes, bool existed) {
    const std::string temporary = path + ".kvnew";
    switch (WriteWholeFile(temporary, bytes)) {
    case WriteOutcome::Written: break;
    case WriteOutcome::NotCreated: return false;   // whatever holds that name is not ours
    case WriteOutcome::Failed: RemoveTemporary(temporary); return false;
    }
#ifdef _WIN32
    // The runtime's rename does not replace an existing file: move the old one aside first and
    // put it back if the new one cannot take its name.
    if (existed) {
        const std::string aside = path + ".kvold";
        std::remove(aside.c_str());
        if (!RenameOldFileAside(path, aside)) {
            RemoveTemporary(temporary);
            return false;
        }
        if (RenameFile(temporary, path) != 0) {
            const int saved = errno;
            std::rename(aside.c_str(), path.c_str());
            errno = saved;
            RemoveTemporary(temporary);
            return false;
        }
        std::remove(aside.c_str());
        return true;
    }
#else
    struct stat info {};
    if (existed && ::stat(path.c_str(), &info) == 0) ::chmod(temporary.c_str(), info.st_mode & 07777);
#endif
    if (RenameFile(temporary, path) != 0) {
        RemoveTemporary(temporary);
        return false;
    }
    return true;
}

// Loads the file for a change; false when an existing file cannot be read or changed.
bool LoadForChange(const std::string& path, IniFile& file, bool& existed) {
    std::string bytes;
    const ReadOutcome outcome = ReadWholeFile(path, bytes);
    if (outcome == ReadOutcome::Failed) return false;
    existed = outcome == ReadOutcome::Read;
    if (existed && IsReadOnly(path)) {
        errno = EACCES;
        return false;
    }
    file = IniFile::Parse(bytes);
    return true;
}

}  // namespace

IniFile LoadIniFile(const std::string& path) {
    std::string bytes;
    if (ReadWholeFile(path, bytes) != ReadOutcome::Read) return IniFile();
    return IniFile::Parse(bytes);
}

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          const std::string& defaultValue) {
    return LoadIniFile(path).ReadString(section, key, defaultValue);
}

bool WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
#ifdef _WIN32
    const std::string& target = path;
#else
    const std::string target = ResolveLink(path);
#endif
    IniFile file;
    bool existed = false;
    if (!LoadForChange(target, file, existed)) return false;
    if (!file.SetString(section, key, value)) return false;
    return ReplaceFileContent(target, file.Text(), existed);
}

bool WriteIniFile(const std::string& path, const IniFile& content) {
#ifdef _WIN32
    const std::string& target = path;
#else
    const std::string target = ResolveLink(path);
#endif
    IniFile old;
    bool existed = false;
    if (!LoadForChange(target, old, existed)) return false;
    return ReplaceFileContent(target, content.Text(), existed);
}

bool RemoveIniSection(const std::string& path, std::string_view section) {
#ifdef _WIN32
    const std::string& target = path;
#else
    const std::string target = ResolveLink(path);
#endif
    std::string bytes;
    const ReadOutcome outcome = ReadWholeFile(target, bytes);
    if (outcome == ReadOutcome::Missing) return true;
    if (outcome == ReadOutcome::Failed) return false;

    IniFile file = IniFile::Parse(bytes);
    if (!file.RemoveSection(section)) return true;
    if (IsReadOnly(target)) {
        errno = EACCES;
        return false;
    }
    return ReplaceFileContent(target, file.Text(), true);
}

}  // namespace kelvara::common

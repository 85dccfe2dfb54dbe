#include "platform/offline/durable_io.h"

#include "common/file_faults.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kelvara::platform::offline {
namespace fs = std::filesystem;

namespace {

void Reach(const Failpoint& failpoint, const std::string& operation) {
    if (failpoint) failpoint(operation);
}

// False with errno set when the seam makes this operation fail.
bool Allowed(std::string_view operation, const fs::path& file) {
    return common::InjectedFileFault(operation, file.string()) == 0;
}

// Tells the seam's observer what a successful operation did.
void Observed(common::FileOperation::Kind kind, const fs::path& file, const fs::path& target = {}) {
    common::ObserveFileOperation(kind, file.string(), target.string());
}

// Closes a descriptor without letting the close change the errno of an earlier failure.
template <typename Close>
bool CloseKeepingError(Close close, bool ok) {
    const int saved = errno;
    const bool closed = close();
    if (!ok) errno = saved;
    return ok && closed;
}

}  // namespace

std::string ErrnoText(int error) { return std::generic_category().message(error); }

#ifdef _WIN32

bool FlushFile(const fs::path& file) {
    if (!Allowed("flush", file)) return false;
    // _commit needs a descriptor open for writing.
    int fd = _wopen(file.c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0) return false;
    const bool ok = _commit(fd) == 0;
    if (!CloseKeepingError([&] { return _close(fd) == 0; }, ok)) return false;
    Observed(common::FileOperation::Kind::Flush, file);
    return true;
}

bool FlushFolder(const fs::path& folder) {
    if (!Allowed("flush", folder)) return false;
    Observed(common::FileOperation::Kind::FlushFolder, folder);
    return true;
}

#else

bool FlushFile(const fs::path& file) {
    if (!Allowed("flush", file)) return false;
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    if (!CloseKeepingError([&] { return ::close(fd) == 0; }, ok)) return false;
    Observed(common::FileOperation::Kind::Flush, file);
    return true;
}

bool FlushFolder(const fs::path& folder) {
    const fs::path name = folder.empty() ? fs::path(".") : folder;
    if (!Allowed("flush", name)) return false;
    int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    if (!CloseKeepingError([&] { return ::close(fd) == 0; }, ok)) return false;
    Observed(common::FileOperation::Kind::FlushFolder, name);
    return true;
}

#endif

bool WriteFileAtomically(const fs::path& target, std::string_view content, const Failpoint& failpoint,
                         std::string& error, Flush flush) {
    fs::path temporary = target;
    temporary += ".tmp";
    // The temporary file is ours alone: whatever cut the write short, it goes.
    auto fail = [&](std::string message) {
        error = std::move(message) + ": " + ErrnoText(errno);
        std::error_code ignored;
        if (fs::remove(temporary, ignored)) Observed(common::FileOperation::Kind::Remove, temporary);
        return false;
    };

    Reach(failpoint, "write " + temporary.string());
    std::FILE* out = nullptr;
    if (Allowed("create", temporary)) {
#ifdef _WIN32
        out = _wfopen(temporary.c_str(), L"wb");
#else
        out = std::fopen(temporary.c_str(), "wb");
#endif
    }
    if (!out) {
        error = "cannot create " + temporary.string() + ": " + ErrnoText(errno);
        return false;
    }
    Observed(common::FileOperation::Kind::Create, temporary);
    const bool written = Allowed("write", temporary) &&
                         std::fwrite(content.data(), 1, content.size(), out) == content.size() &&
                         std::fflush(out) == 0;
    if (written) common::ObserveFileOperation({common::FileOperation::Kind::Write, temporary.string(), {}, 0, content});
    if (!CloseKeepingError([&] { return std::fclose(out) == 0; }, written))
        return fail("cannot write " + temporary.string());

    if (flush == Flush::ToDisk) {
        Reach(failpoint, "flush " + temporary.string());
        if (!FlushFile(temporary)) return fail("cannot flush " + temporary.string() + " to the disk");
    }

    Reach(failpoint, "rename " + temporary.string() + " to " + target.string());
    std::error_code ec;
    if (Allowed("rename", target)) fs::rename(temporary, target, ec);
    else ec.assign(errno, std::generic_category());
    if (ec) {
        errno = ec.value();
        return fail("cannot rename " + temporary.string() + " to " + target.string());
    }
    Observed(common::FileOperation::Kind::Rename, temporary, target);

    if (flush == Flush::Later) return true;
    Reach(failpoint, "flush folder " + target.parent_path().string());
    if (!FlushFolder(target.parent_path())) {
        // The new content is in place already; only whether its name is on the disk is unknown.
        error = "cannot flush the folder of " + target.string() + ": " + ErrnoText(errno);
        return false;
    }
    return true;
}

bool Rename(const fs::path& from, const fs::path& to, const Failpoint& failpoint, std::string& error) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec))) {
        error = "cannot rename " + from.string() + ": " + to.string() + " already exists";
        return false;
    }
    Reach(failpoint, "rename " + from.string() + " to " + to.string());
    if (Allowed("rename", from)) fs::rename(from, to, ec);
    else ec.assign(errno, std::generic_category());
    if (ec) {
        error = "cannot rename " + from.string() + " to " + to.string() + ": " + ec.message();
        return false;
    }
    Observed(common::FileOperation::Kind::Rename, from, to);
    return true;
}

bool FlushFolders(const std::vector<fs::path>& folders, const Failpoint& failpoint, std::string& error) {
    for (const fs::path& folder : folders) {
        Reach(failpoint, "flush folder " + folder.string());
        if (!FlushFolder(folder)) {
            error = "cannot flush the folder " + folder.string() + " to the disk: " + ErrnoText(errno);
            return false;
        }
    }
    return true;
}

bool RenameDurably(const fs::path& from, const fs::path& to, const Failpoint& failpoint, std::string& error) {
    if (!Rename(from, to, failpoint, error)) return false;
    std::vector<fs::path> folders{to.parent_path()};
    if (from.parent_path() != to.parent_path()) folders.push_back(from.parent_path());
    return FlushFolders(folders, failpoint, error);
}

bool Remove(const fs::path& file, const Failpoint& failpoint, std::string& error) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec))) return true;
    Reach(failpoint, "remove " + file.string());
    if (Allowed("remove", file)) fs::remove(file, ec);
    else ec.assign(errno, std::generic_category());
    if (ec) {
        error = "cannot remove " + file.string() + ": " + ec.message();
        return false;
    }
    Observed(common::FileOperation::Kind::Remove, file);
    return true;
}

bool RemoveDurably(const fs::path& file, const Failpoint& failpoint, std::string& error) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec))) return true;
    return Remove(file, failpoint, error) && FlushFolders({file.parent_path()}, failpoint, error);
}

}  // namespace kelvara::platform::offline

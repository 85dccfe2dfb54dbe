#include "platform/offline/durable_io.h"

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

}  // namespace

#ifdef _WIN32

bool FlushFile(const fs::path& file) {
    // _commit needs a descriptor open for writing.
    int fd = _wopen(file.c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0) return false;
    bool ok = _commit(fd) == 0;
    ok = (_close(fd) == 0) && ok;
    return ok;
}

bool FlushFolder(const fs::path&) { return true; }

#else

bool FlushFile(const fs::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    return ok;
}

bool FlushFolder(const fs::path& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    return ok;
}

#endif

bool WriteFileAtomically(const fs::path& target, std::string_view content, const Failpoint& failpoint,
                         std::string& error) {
    fs::path temporary = target;
    temporary += ".tmp";

    Reach(failpoint, "write " + temporary.string());
    std::FILE* out = nullptr;
#ifdef _WIN32
    out = _wfopen(temporary.c_str(), L"wb");
#else
    out = std::fopen(temporary.c_str(), "wb");
#endif
    if (!out) {
        error = "cannot create " + temporary.string();
        return false;
    }
    bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
    written = (std::fclose(out) == 0) && written;
    if (!written) {
        error = "cannot write " + temporary.string();
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }

    Reach(failpoint, "flush " + temporary.string());
    if (!FlushFile(temporary)) {
        error = "cannot flush " + temporary.string() + " to the disk";
        return false;
    }

    Reach(failpoint, "rename " + temporary.string() + " to " + target.string());
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        error = "cannot rename " + temporary.string() + " to " + target.string() + ": " + ec.message();
        return false;
    }

    Reach(failpoint, "flush folder " + target.parent_path().string());
    if (!FlushFolder(target.parent_path())) {
        error = "cannot flush folder " + target.parent_path().string();
        return false;
    }
    return true;
}

bool RenameDurably(const fs::path& from, const fs::path& to, const Failpoint& failpoint, std::string& error) {
    std::error_code ec;
    if (fs::exists(to, ec)) {
        error = "cannot rename " + from.string() + ": " + to.string() + " already exists";
        return false;
    }
    Reach(failpoint, "rename " + from.string() + " to " + to.string());
    fs::rename(from, to, ec);
    if (ec) {
        error = "cannot rename " + from.string() + " to " + to.string() + ": " + ec.message();
        return false;
    }
    Reach(failpoint, "flush folder " + to.parent_path().string());
    bool flushed = FlushFolder(to.parent_path());
    if (flushed && from.parent_path() != to.parent_path()) {
        Reach(failpoint, "flush folder " + from.parent_path().string());
        flushed = FlushFolder(from.parent_path());
    }
    if (!flushed) {
        error = "cannot flush the folder of " + to.string();
        return false;
    }
    return true;
}

bool RemoveDurably(const fs::path& file, const Failpoint& failpoint, std::string& error) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec))) return true;
    Reach(failpoint, "remove " + file.string());
    fs::remove(file, ec);
    if (ec) {
        error = "cannot remove " + file.string() + ": " + ec.message();
        return false;
    }
    Reach(failpoint, "flush folder " + file.parent_path().string());
    if (!FlushFolder(file.parent_path())) {
        error = "cannot flush folder " + file.parent_path().string();
        return false;
    }
    return true;
}

}  // namespace kelvara::platform::offline

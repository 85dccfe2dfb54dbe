#include "regf/file_sink.h"

#include "common/file_faults.h"
#include "regf/errors.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#endif

namespace kelvara::regf {

namespace {

// Tells the file seam's observer what a write that went through put where.
void ObservedWrite(const std::string& path, std::uint64_t fileOffset, std::span<const std::uint8_t> bytes) {
    common::ObserveFileOperation({common::FileOperation::Kind::Write, path, {}, fileOffset,
                                  {reinterpret_cast<const char*>(bytes.data()), bytes.size()}});
}

}  // namespace

#if defined(_WIN32)

FileSink::FileSink(const std::string& path, const std::atomic<bool>* cancel)
    : path_(path), cancel_(cancel), out_(path, std::ios::binary | std::ios::trunc) {
    if (out_.is_open()) common::ObserveFileOperation(common::FileOperation::Kind::Create, path_);
}

FileSink::~FileSink() = default;

Status FileSink::Open() const {
    if (!out_.is_open()) return MakeError(0, "cannot create \"" + path_ + "\"");
    return Done{};
}

Status FileSink::Append(std::span<const std::uint8_t> bytes) {
    if (cancel_ && cancel_->load()) return MakeError(0, "compaction cancelled");
    if (!out_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return Failure(size_, "cannot write \"" + path_ + "\"");
    ObservedWrite(path_, size_, bytes);
    size_ += bytes.size();
    return Done{};
}

Status FileSink::Patch(std::uint64_t fileOffset, std::span<const std::uint8_t> bytes) {
    if (fileOffset + bytes.size() > size_)
        return Failure(fileOffset, "cannot change \"" + path_ + "\" past what was written of it");
    out_.seekp(static_cast<std::streamoff>(fileOffset));
    out_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out_.seekp(0, std::ios::end);
    if (!out_) return Failure(fileOffset, "cannot write \"" + path_ + "\"");
    ObservedWrite(path_, fileOffset, bytes);
    return Done{};
}

void FileSink::SetRoomAside(std::uint64_t) {}

Status FileSink::Close() {
    if (!out_.is_open()) return Done{};
    out_.close();
    if (!out_) return Failure(0, "cannot write \"" + path_ + "\"");
    return Done{};
}

#else

FileSink::FileSink(const std::string& path, const std::atomic<bool>* cancel)
        : path_(path), cancel_(cancel), fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)),
      openError_(fd_ < 0 ? errno : 0) {
    if (fd_ >= 0) common::ObserveFileOperation(common::FileOperation::Kind::Create, path_);
}

FileSink::~FileSink() {
    if (fd_ >= 0) close(fd_);
}

namespace {

// What the system said of the call that just failed, after the file's name: a full disk and a
// denied access ask different things of the user.
std::string Because(int error) {
    return error != 0 ? ": " + std::generic_category().message(error) : std::string();
}

}  // namespace

Status FileSink::Open() const {
    if (fd_ < 0) return MakeError(0, "cannot create \"" + path_ + "\"" + Because(openError_));
    return Done{};
}

Status FileSink::Append(std::span<const std::uint8_t> bytes) {
    if (cancel_ && cancel_->load()) return MakeError(0, "compaction cancelled");
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Failure(size_ + done, "cannot write \"" + path_ + "\"" + Because(n < 0 ? errno : ENOSPC));
        done += static_cast<std::size_t>(n);
    }
    ObservedWrite(path_, size_, bytes);
    size_ += bytes.size();
    return Done{};
}

Status FileSink::Patch(std::uint64_t fileOffset, std::span<const std::uint8_t> bytes) {
    if (fileOffset + bytes.size() > size_)
        return Failure(fileOffset, "cannot change \"" + path_ + "\" past what was written of it");
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(fileOffset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Failure(fileOffset + done, "cannot write \"" + path_ + "\"" + Because(n < 0 ? errno : ENOSPC));
        done += static_cast<std::size_t>(n);
    }
    ObservedWrite(path_, fileOffset, bytes);
    return Done{};
}

void FileSink::SetRoomAside(std::uint64_t bytes) {
#if defined(__linux__)
    if (fd_ >= 0 && bytes > 0) roomSetAside_ = fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes)) == 0;
#else
    (void)bytes;
#endif
}

Status FileSink::Close() {
    if (fd_ < 0) return Done{};
    // Truncating to its own size gives back the room set aside past the end.
    if (roomSetAside_ && ftruncate(fd_, static_cast<off_t>(size_)) != 0) {
        const int error = errno;
        close(fd_);
        fd_ = -1;
        return Failure(size_, "cannot write \"" + path_ + "\"" + Because(error));
    }
    if (roomSetAside_)
        common::ObserveFileOperation({common::FileOperation::Kind::Truncate, path_, {}, size_, {}});
    const int closed = close(fd_);
    const int error = errno;
    fd_ = -1;
    if (closed != 0) return Failure(0, "cannot write \"" + path_ + "\"" + Because(error));
    return Done{};
}

#endif

Error FileSink::Failure(std::uint64_t offset, std::string message) {
    failed_ = true;
    return MakeError(offset, std::move(message));
}

}  // namespace kelvara::regf

#include "regf/file_sink.h"

#include "regf/errors.h"

namespace kelvara::regf {

FileSink::FileSink(const std::string& path, const std::atomic<bool>* cancel)
    : path_(path), cancel_(cancel), out_(path, std::ios::binary | std::ios::trunc) {}

Status FileSink::Open() const {
    if (!out_.is_open()) return MakeError(0, "cannot create \"" + path_ + "\"");
    return Done{};
}

Status FileSink::Append(std::span<const std::uint8_t> bytes) {
    if (cancel_ && cancel_->load()) return MakeError(0, "compaction cancelled");
    if (!out_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return Failure(size_, "cannot write \"" + path_ + "\"");
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
    return Done{};
}

Status FileSink::Close() {
    if (!out_.is_open()) return Done{};
    out_.close();
    if (!out_) return Failure(0, "cannot write \"" + path_ + "\"");
    return Done{};
}

Error FileSink::Failure(std::uint64_t offset, std::string message) {
    failed_ = true;
    return MakeError(offset, std::move(message));
}

}  // namespace kelvara::regf

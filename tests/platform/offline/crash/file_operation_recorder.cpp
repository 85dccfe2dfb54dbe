#include "platform/offline/crash/file_operation_recorder.h"

#include <sys/stat.h>

namespace kelvara::crash {
namespace fs = std::filesystem;
using Kind = common::FileOperation::Kind;

bool IsFlush(const RecordedOperation& operation) {
    return operation.kind == Kind::Flush || operation.kind == Kind::FlushFolder;
}

std::string Describe(const RecordedOperation& operation) {
    switch (operation.kind) {
    case Kind::Create: return "create " + operation.file;
    case Kind::Write:
        return "write " + std::to_string(operation.bytes.size()) + " bytes at " + std::to_string(operation.offset) +
               " of " + operation.file;
    case Kind::Truncate: return "truncate " + operation.file + " to " + std::to_string(operation.offset);
    case Kind::Rename: return "rename " + operation.file + " to " + operation.target;
    case Kind::Remove: return "remove " + operation.file;
    case Kind::Flush: return "flush " + operation.file;
    case Kind::FlushFolder: return "flush folder " + operation.file;
    case Kind::MakeFolder: return "make folder " + operation.file;
    }
    return "?";
}

std::uint64_t IdentityOf(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return 0;
    return static_cast<std::uint64_t>(info.st_ino) & 0xFFFFFFFFFFFFull;   // the low 48 bits, as NTFS gives
}

FileOperationRecorder::FileOperationRecorder(const fs::path& root)
    : root_(fs::absolute(root).lexically_normal().string()) {
    if (!root_.empty() && root_.back() == '/') root_.pop_back();
    common::SetFileOperationObserver([this](const common::FileOperation& operation) { Record(operation); });
}

FileOperationRecorder::~FileOperationRecorder() { common::SetFileOperationObserver(nullptr); }

std::string FileOperationRecorder::Relative(const std::string& file) const {
    const std::string full = fs::absolute(file).lexically_normal().string();
    if (full == root_) return ".";
    if (full.size() <= root_.size() + 1 || full.compare(0, root_.size(), root_) != 0 || full[root_.size()] != '/')
        return {};
    return full.substr(root_.size() + 1);
}

void FileOperationRecorder::Record(const common::FileOperation& operation) {
    const std::string file = Relative(operation.file);
    if (file.empty()) return;
    if (operation.kind == Kind::Write && !operations_.empty()) {
        RecordedOperation& last = operations_.back();
        if (last.kind == Kind::Write && last.file == file && last.offset + last.bytes.size() == operation.offset) {
            last.bytes.append(operation.bytes);
            return;
        }
    }
    RecordedOperation recorded{operation.kind, file, {}, operation.offset, std::string(operation.bytes)};
    if (operation.kind == Kind::Create) recorded.identity = IdentityOf(operation.file);
    if (operation.kind == Kind::Rename) {
        recorded.target = Relative(operation.target);
        if (recorded.target.empty()) recorded.kind = Kind::Remove;   // moved out of the folder: gone from it
    }
    operations_.push_back(std::move(recorded));
}

}  // namespace kelvara::crash

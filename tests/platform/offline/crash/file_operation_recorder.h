// Records what a command did to the files below a folder, through the file seam's observer, so
// that the explorer can replay any prefix or subset of it onto a copy of the folder as it was.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/file_faults.h"

namespace kelvara::crash {

// One operation, with names relative to the recorded folder and its own copy of the bytes.
struct RecordedOperation {
    common::FileOperation::Kind kind;
    std::string file;
    std::string target;        // a rename's new name
    std::uint64_t offset = 0;  // a write's offset, a truncation's size
    std::string bytes;         // a write's bytes
    std::uint64_t identity = 0;   // the created file's identity, as the platform gives it
};

// A file's identity as the Linux platform gives it (System::FileIdentity: its inode number),
// or 0 when it cannot be read.
std::uint64_t IdentityOf(const std::filesystem::path& file);

// Whether the operation changes what is on the disk (flushes do not: they only make it stay).
bool IsFlush(const RecordedOperation& operation);
std::string Describe(const RecordedOperation& operation);

// Installs itself as the seam's observer for its lifetime. Operations on files outside `root`
// (the program's own settings beside it) are left out. Writes that continue the previous write
// to the same file are kept as one: the models below lose or keep unflushed data per write,
// and a copy streamed in many pieces would otherwise give many states that differ in nothing
// a reader could tell apart from a shorter file.
class FileOperationRecorder {
public:
    explicit FileOperationRecorder(const std::filesystem::path& root);
    ~FileOperationRecorder();
    FileOperationRecorder(const FileOperationRecorder&) = delete;
    FileOperationRecorder& operator=(const FileOperationRecorder&) = delete;

    const std::vector<RecordedOperation>& Operations() const { return operations_; }

private:
    void Record(const common::FileOperation& operation);
    // The name relative to the root, or empty when it lies outside.
    std::string Relative(const std::string& file) const;

    std::string root_;
    std::vector<RecordedOperation> operations_;
};

}  // namespace kelvara::crash

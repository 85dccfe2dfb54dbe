// The one place where a test makes the program's file writes fail as a failing disk would, and
// where it learns what every write did.
//
// Every operation that changes a file (create, write, flush, rename, remove, copy) in the
// offline platform and in the INI writer asks InjectedFileFault first. Normally no hook is set
// and the answer is always 0. A test sets a hook that answers ENOSPC, EIO or EACCES at the n-th
// call, and the operation then fails exactly as the system call would have, errno included, so
// the program's own error paths run. Header only: both builds include it, and it costs one
// check of an empty function per file operation.
//
// Each operation that went through also tells ObserveFileOperation what it did, bytes and offset
// included, so a test can record a command's writes and replay any prefix or subset of them as
// the disk a crash would leave.
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace kelvara::common {

// Answers 0 to let the operation go ahead, or the errno it is to fail with.
// `operation` is one word ("create", "write", "flush", "rename", "remove", "copy").
using FileFaultHook = std::function<int(std::string_view operation, const std::string& file)>;

// One operation that changed the disk, told after it succeeded.
struct FileOperation {
    enum class Kind {
        Create,       // `file` made empty (created, or truncated to nothing)
        Write,        // `bytes` written into `file` at `offset`
        Truncate,     // `file` cut to `offset` bytes
        Rename,       // `file` renamed to `target`, replacing whatever `target` was
        Remove,       // `file` removed
        Flush,        // `file`'s data forced to the disk
        FlushFolder,  // the entries of the folder `file` forced to the disk
        MakeFolder,   // the folder `file` created
    };
    Kind kind;
    std::string file;
    std::string target;
    std::uint64_t offset = 0;
    std::string_view bytes;   // only valid during the call
};
using FileOperationObserver = std::function<void(const FileOperation&)>;

namespace file_faults_detail {
inline std::mutex mutex;
inline FileFaultHook hook;
inline FileOperationObserver observer;
}  // namespace file_faults_detail

// Installs the hook for the whole process; an empty one removes it.
inline void SetFileFaultHook(FileFaultHook hook) {
    std::lock_guard lock(file_faults_detail::mutex);
    file_faults_detail::hook = std::move(hook);
}

// 0, or the errno the operation on `file` is to fail with (errno is set to it as well).
inline int InjectedFileFault(std::string_view operation, const std::string& file) {
    FileFaultHook hook;
    {
        std::lock_guard lock(file_faults_detail::mutex);
        if (!file_faults_detail::hook) return 0;
        hook = file_faults_detail::hook;
    }
    const int error = hook(operation, file);
    if (error != 0) errno = error;
    return error;
}

// Installs the observer for the whole process; an empty one removes it.
inline void SetFileOperationObserver(FileOperationObserver observer) {
    std::lock_guard lock(file_faults_detail::mutex);
    file_faults_detail::observer = std::move(observer);
}

// Tells the observer, if any, what an operation that just succeeded did. The lock is held while
// it runs so that operations of several threads reach it one at a time, in their order.
inline void ObserveFileOperation(const FileOperation& operation) {
    std::lock_guard lock(file_faults_detail::mutex);
    if (file_faults_detail::observer) file_faults_detail::observer(operation);
}

inline void ObserveFileOperation(FileOperation::Kind kind, const std::string& file, const std::string& target = {}) {
    ObserveFileOperation(FileOperation{kind, file, target, 0, {}});
}

}  // namespace kelvara::common

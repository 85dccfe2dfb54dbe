// The one place where a test makes the program's file writes fail as a failing disk would.
//
// Every operation that changes a file (create, write, flush, rename, remove, copy) in the
// offline platform and in the INI writer asks InjectedFileFault first. Normally no hook is set
// and the answer is always 0. A test sets a hook that answers ENOSPC, EIO or EACCES at the n-th
// call, and the operation then fails exactly as the system call would have, errno included, so
// the program's own error paths run. Header only: both builds include it, and it costs one
// check of an empty function per file operation.
#pragma once

#include <cerrno>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace kelvara::common {

// Answers 0 to let the operation go ahead, or the errno it is to fail with.
// `operation` is one word ("create", "write", "flush", "rename", "remove", "copy").
using FileFaultHook = std::function<int(std::string_view operation, const std::string& file)>;

namespace file_faults_detail {
inline std::mutex mutex;
inline FileFaultHook hook;
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

}  // namespace kelvara::common

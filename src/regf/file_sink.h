// A streamed hive's destination on disk.
#pragma once

#include <atomic>
#include <fstream>
#include <string>

#include "regf/hive_sink.h"

namespace kelvara::regf {

class FileSink : public HiveSink {
public:
    // Creates (or empties) `path`; Open says whether that worked. Appending stops with an
    // error saying "compaction cancelled" once `cancel` is set.
    FileSink(const std::string& path, const std::atomic<bool>* cancel);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;
    Status Open() const;
    // Asks the system to set room aside for about `bytes` on disk before the file is written:
    // writing into room set aside costs the system less than finding room a page at a time.
    // What is not used is given back when the file is closed. Only a hint: failing changes
    // nothing.
    void SetRoomAside(std::uint64_t bytes);

    Status Append(std::span<const std::uint8_t> bytes) override;
    Status Patch(std::uint64_t fileOffset, std::span<const std::uint8_t> bytes) override;
    // Closes the file; errors that only show now (a full disk) are reported here.
    Status Close();
    // Whether writing the file failed (its error names the file), as opposed to being cancelled.
    bool Failed() const { return failed_; }

private:
    Error Failure(std::uint64_t offset, std::string message);

    std::string path_;
    const std::atomic<bool>* cancel_;
#if defined(_WIN32)
    std::ofstream out_;
#else
    int fd_ = -1;   // plain system calls: the stream library adds a copy and a buffer for nothing
    int openError_ = 0;
#endif
    std::uint64_t size_ = 0;
    bool roomSetAside_ = false;
    bool failed_ = false;
};

}  // namespace kelvara::regf

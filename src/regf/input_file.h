// A hive file's bytes for the length of one compaction or check. Where the system allows it the
// file is mapped read-only, which costs neither a copy nor fresh memory; elsewhere it is read
// into memory.
//
// A mapped file that another process shrinks would normally kill this process (SIGBUS) on the
// next read of a vanished page. Here such a page reads as zeros instead, and Changed() says the
// file changed, as it does when its size or modification time is no longer what it was.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "regf/regf.h"

namespace kelvara::regf {

class InputFile {
public:
    // Gives up with an error saying "cancelled" when `cancel` is set while the file is read.
    static Result<std::shared_ptr<InputFile>> Open(const std::string& path, const std::atomic<bool>* cancel = nullptr);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }
    bool Mapped() const { return mapped_; }
    // True once the file is not what was opened: shrunk under the mapping, or another size or
    // modification time now.
    bool Changed() const;
    // Lets go of bytes read into memory once another copy of the hive (a recovered one) is
    // used instead; Changed() still tells whether the file changed. A mapping stays: it costs
    // only what was touched.
    void ReleaseCopy();

private:
    InputFile() = default;

    std::string path_;
    std::uintmax_t sizeAtOpen_ = 0;
    std::filesystem::file_time_type writtenAtOpen_{};
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false;
    int guardSlot_ = -1;                 // the mapping's entry among the guarded ranges
    std::vector<std::uint8_t> copy_;     // the bytes, when they were read instead of mapped
};

}  // namespace kelvara::regf

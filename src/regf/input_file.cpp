#include "regf/input_file.h"

#include <algorithm>
#include <fstream>

#include "regf/errors.h"
#include "regf/mapping_guard.h"
#include "regf/native_path.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace kelvara::regf {

namespace {

// Hive bins are addressed with 32-bit offsets: a larger file cannot be a hive.
constexpr std::uintmax_t kLargestHiveFile = 0xFFFFFFFFull + kBaseBlockSize;
constexpr std::size_t kChunk = 1 << 20;   // reading stops for a cancel between chunks

}  // namespace

Result<std::shared_ptr<InputFile>> InputFile::Open(const std::string& path, const std::atomic<bool>* cancel) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path native = NativePath(path);
    const auto status = fs::status(native, error);
    if (error || !fs::exists(status)) return MakeError(0, "cannot open hive file \"" + path + "\"");
    if (fs::is_directory(status)) return MakeError(0, "\"" + path + "\" is a folder, not a hive file");
    std::shared_ptr<InputFile> file(new InputFile());
    file->path_ = path;
    file->sizeAtOpen_ = fs::file_size(native, error);
    if (!error) file->writtenAtOpen_ = fs::last_write_time(native, error);
    if (error) return MakeError(0, "cannot open hive file \"" + path + "\": " + error.message());
    if (file->sizeAtOpen_ > kLargestHiveFile) return MakeError(0, "hive file \"" + path + "\" is too large to be a hive");

#if !defined(_WIN32)
    if (file->sizeAtOpen_ > 0) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return MakeError(0, "cannot open hive file \"" + path + "\"");
        const auto size = static_cast<std::size_t>(file->sizeAtOpen_);
        // Not populated: a fault maps the cached pages around it sixteen at a time, which
        // costs less than populating does page by page. Announcing the whole file still has
        // one that is not cached read in long runs, not piece by piece as the walk jumps.
        void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        close(fd);
        if (view != MAP_FAILED) {
            madvise(view, size, MADV_WILLNEED);
            file->guardSlot_ = GuardMapping(view, size);
            if (file->guardSlot_ >= 0) {
                file->data_ = static_cast<const std::uint8_t*>(view);
                file->size_ = size;
                file->mapped_ = true;
                return file;
            }
            munmap(view, size);
        }
    }
#else
    // A 32-bit program has 2 to 4 GB of address space in all: a big hive read into memory would
    // take a block of it that may not be free in one piece, where a view takes only addresses and
    // the pages the walk touches. Windows refuses to cut a file while a view of it is mapped, so
    // nothing needs guarding.
    if (file->sizeAtOpen_ > 0) {
        const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return MakeError(0, "cannot open hive file \"" + path + "\"");
        const HANDLE mapping = ::CreateFileMappingA(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
        ::CloseHandle(handle);
        if (mapping) {
            const auto size = static_cast<std::size_t>(file->sizeAtOpen_);
            void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size);
            ::CloseHandle(mapping);   // the view keeps the mapping
            if (view) {
                file->data_ = static_cast<const std::uint8_t*>(view);
                file->size_ = size;
                file->mapped_ = true;
                return file;
            }
        }
    }
#endif

    std::ifstream in(path, std::ios::binary);
    if (!in) return MakeError(0, "cannot open hive file \"" + path + "\"");
    file->copy_.resize(static_cast<std::size_t>(file->sizeAtOpen_));
    for (std::size_t at = 0; at < file->copy_.size(); at += kChunk) {
        if (cancel && cancel->load()) return MakeError(0, "cancelled");
        const std::size_t n = std::min(kChunk, file->copy_.size() - at);
        if (!in.read(reinterpret_cast<char*>(file->copy_.data() + at), static_cast<std::streamsize>(n)))
            return MakeError(at, "cannot read hive file \"" + path + "\"");
    }
    file->data_ = file->copy_.data();
    file->size_ = file->copy_.size();
    return file;
}

InputFile::~InputFile() {
    if (!mapped_) return;
#if defined(_WIN32)
    ::UnmapViewOfFile(data_);
#else
    UnguardMapping(guardSlot_);
    munmap(const_cast<std::uint8_t*>(data_), size_);
#endif
}

void InputFile::ReleaseCopy() {
    if (mapped_) return;
    std::vector<std::uint8_t>().swap(copy_);
    data_ = nullptr;
    size_ = 0;
}

bool InputFile::Changed() const {
    if (MappingLostPages(guardSlot_)) return true;
    std::error_code error;
    const std::filesystem::path native = NativePath(path_);
    const auto size = std::filesystem::file_size(native, error);
    if (error || size != sizeAtOpen_) return true;
    const auto written = std::filesystem::last_write_time(native, error);
    return error || written != writtenAtOpen_;
}

}  // namespace kelvara::regf

// A read-only window onto the hive file that knows where it lies in the file. Every read of a
// structure goes through Sub or Read, which answer "none" instead of reading past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace kelvara::regf {

class ByteSpan {
public:
    ByteSpan() = default;
    ByteSpan(const std::uint8_t* data, std::size_t size, std::uint64_t fileOffset)
        : data_(data), size_(size), fileOffset_(fileOffset) {}

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::uint64_t fileOffset() const { return fileOffset_; }

    std::optional<ByteSpan> Sub(std::size_t offset, std::size_t length) const {
        if (offset > size_ || length > size_ - offset) return std::nullopt;
        return ByteSpan(data_ + offset, length, fileOffset_ + offset);
    }

    // Copies a header type out of the window; none when it does not fit.
    template <class T>
    std::optional<T> Read(std::size_t offset = 0) const {
        if (offset > size_ || sizeof(T) > size_ - offset) return std::nullopt;
        T value;
        std::memcpy(&value, data_ + offset, sizeof(T));
        return value;
    }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::uint64_t fileOffset_ = 0;
};

}  // namespace kelvara::regf

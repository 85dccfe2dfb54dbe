#include "platform/offline/open_keys.h"

namespace kelvara::platform::offline {

KeyHandle OpenKeys::Add(std::shared_ptr<OpenKey> key) {
    std::lock_guard lock(mutex_);
    KeyHandle handle = next_;
    next_ += 4;   // like the kernel's handles: multiples of four
    keys_.emplace(handle, std::move(key));
    return handle;
}

std::shared_ptr<OpenKey> OpenKeys::Find(KeyHandle handle) const {
    std::lock_guard lock(mutex_);
    auto it = keys_.find(handle);
    return it == keys_.end() ? nullptr : it->second;
}

bool OpenKeys::Remove(KeyHandle handle) {
    std::lock_guard lock(mutex_);
    return keys_.erase(handle) == 1;
}

std::vector<std::uint8_t> AnsiValueData(std::uint32_t type, const std::vector<std::uint8_t>& stored) {
    if (type != regtype::Sz && type != regtype::ExpandSz && type != regtype::MultiSz) return stored;

    // Each zero-terminated UTF-16 string in turn; a REG_SZ has one, a REG_MULTI_SZ several and
    // an empty one at the end.
    std::vector<std::uint8_t> text;
    std::size_t start = 0;
    while (start + 1 < stored.size()) {
        std::size_t end = start;
        while (end + 1 < stored.size() && (stored[end] != 0 || stored[end + 1] != 0)) end += 2;
        std::vector<std::uint8_t> piece(stored.begin() + start, stored.begin() + end);
        piece.push_back(0);
        piece.push_back(0);
        std::string utf8 = regf::FromUtf16(piece);
        text.insert(text.end(), utf8.begin(), utf8.end());
        text.push_back(0);
        start = end + 2;
        if (type != regtype::MultiSz || utf8.empty()) break;
    }
    if (text.empty()) text.push_back(0);
    if (type == regtype::MultiSz && text.size() >= 2 && text[text.size() - 2] != 0) text.push_back(0);
    return text;
}

}  // namespace kelvara::platform::offline

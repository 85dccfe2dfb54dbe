#include "regf/key_batch_writer.h"

#include <cstddef>

#include "regf/byte_order.h"
#include "regf/errors.h"
#include "regf/key_node.h"
#include "regf/prefetch.h"

namespace kelvara::regf {

namespace {

// The reading half filled the batch on another core, so each record is a miss here: ask for
// the key two ahead and the values after this key's while this key is written.
void PrefetchAhead(const KeyBatch& batch, const KeyBatch::Event& event) {
    constexpr std::size_t kKeysAhead = 2, kValueBytesAhead = 192;
    if (event.index + kKeysAhead < batch.keys.size()) {
        const char* key = reinterpret_cast<const char*>(&batch.keys[event.index + kKeysAhead]);
        Prefetch(key);
        Prefetch(key + sizeof(BatchKey) - 1);
    }
    const std::size_t nextValues = event.first + event.count;
    if (nextValues < batch.values.size()) {
        const char* values = reinterpret_cast<const char*>(&batch.values[nextValues]);
        for (std::size_t at = 0; at < kValueBytesAhead; at += 64) Prefetch(values + at);
    }
}

}  // namespace

Status KeyBatchWriter::Write(const KeyBatch& batch) {
    for (const auto& event : batch.events) {
        if (event.step == KeyBatch::Step::Begin) {
            PrefetchAhead(batch, event);
            const BatchKey& key = batch.keys[event.index];
            // The node's fields one by one, without copying the whole header aside.
            const std::uint8_t* node = key.node;
            const std::uint16_t flags = ReadLe16(node + offsetof(KeyNodeHeader, flags));
            record_.name = {node + sizeof(KeyNodeHeader), key.nameSize, (flags & key_flags::KEY_COMP_NAME) != 0};
            record_.className = {key.className, key.classSize, false};
            record_.lastWritten = ReadLe64(node + offsetof(KeyNodeHeader, last_written_timestamp));
            // Volatile keys never reach a file; the name flag is decided again when writing.
            record_.flags = flags & ~(key_flags::KEY_VOLATILE | key_flags::KEY_COMP_NAME);
            record_.accessBits = ReadLe32(node + offsetof(KeyNodeHeader, access_bits));
            record_.subkeyNameFlags = ReadLe32(node + offsetof(KeyNodeHeader, largest_subkey_name_length));
            record_.security = key.security;
            record_.securitySource = ReadLe32(node + offsetof(KeyNodeHeader, key_security_offset));
            record_.values = std::span(batch.values).subspan(event.first, event.count);
            const std::uint32_t parent = depth_ > 0 ? levels_[depth_ - 1].offset : 0;
            auto out = tree_.WriteKey(record_, parent);
            if (!out) return out.error();
            if (depth_ > 0) levels_[depth_ - 1].children.push_back(*out);
            else root_ = *out;
            if (levels_.size() <= depth_) levels_.emplace_back();
            levels_[depth_].offset = *out;
            levels_[depth_].children.clear();
            ++depth_;
            continue;
        }
        if (depth_ == 0) return MakeError(0, "compactor: a key ends that never began");
        Level& level = levels_[depth_ - 1];
        if (level.children.size() != event.count)
            return MakeError(0, "compactor: a key ends with " + std::to_string(event.count) + " subkey names for " +
                                    std::to_string(level.children.size()) + " subkeys");
        entries_.clear();
        for (std::uint32_t i = 0; i < event.count; ++i)
            entries_.push_back({level.children[i], batch.subkeyNames[event.index + i]});
        if (auto finished = tree_.FinishKey(level.offset, entries_); !finished) return finished;
        --depth_;
    }
    return Done{};
}

}  // namespace kelvara::regf

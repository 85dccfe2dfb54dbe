// The compactor's two halves talk through batches of keys: the reading half walks the input and
// checks it, the writing half lays out the copy. A batch holds keys in the order of the walk: a
// key begins (its record and values), its subkeys follow, and it ends (its subkeys' names).
// Names and most data point into the input, which outlives the copy.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "regf/key_tree_writer.h"
#include "regf/names.h"

namespace kelvara::regf {

// A key as the reading half hands it over: where its node lies in the input, and the lengths
// and descriptor it checked. The writer takes the node's fixed fields (time, flags and the like)
// from the input itself, from the same lines as the name it copies anyway; a length it takes
// only from here. Kept small: every byte of it is written on one core and read on the other.
struct BatchKey {
    const std::uint8_t* node;                  // the key node's header in the input; the name follows
    const std::uint8_t* className;             // UTF-16LE, classSize bytes
    std::span<const std::uint8_t> security;    // the key's self-relative security descriptor
    std::uint16_t nameSize;
    std::uint16_t classSize;
};

struct KeyBatch {
    enum class Step : std::uint8_t { Begin, End };
    struct Event {
        Step step;
        std::uint32_t index;   // Begin: into keys; End: into subkeyNames
        std::uint32_t first;   // Begin: into values
        std::uint32_t count;   // Begin: values; End: subkeys
    };
    static constexpr std::uint32_t kInInput = 0xFFFFFFFF;

    std::vector<Event> events;
    std::vector<BatchKey> keys;             // their values are in `values`
    std::vector<ValueRecord> values;
    std::vector<std::uint32_t> ownedAt;     // per value: where its data is in ownedData, or kInInput
    std::vector<SubkeyName> subkeyNames;
    std::vector<std::uint8_t> ownedData;    // data that is in no single input cell

    // Batches passed to another thread hold many keys, so the two threads seldom wait on each
    // other, though not so many that a hive makes only a few batches; a batch written on the
    // same thread holds few, so its memory stays in the cache.
    static constexpr std::size_t kThreadedEvents = 1024;
    static constexpr std::size_t kInlineEvents = 32;
    // Events for a threaded batch of a hive whose bins take `hiveBinsBytes`: about 30 batches,
    // keys taking some 400 bytes of a hive.
    static std::size_t ThreadedEventsFor(std::uint64_t hiveBinsBytes) {
        return static_cast<std::size_t>(std::clamp<std::uint64_t>(hiveBinsBytes / 6000, 128, kThreadedEvents));
    }

    // Room for a full batch of ordinary keys up front: growing a vector copies what it holds,
    // and the pages reserved are only touched as the batch fills.
    explicit KeyBatch(std::size_t eventLimit = kThreadedEvents) : eventLimit_(eventLimit) {
        events.reserve(eventLimit + 1);
        keys.reserve(eventLimit);
        subkeyNames.reserve(eventLimit);
        values.reserve(4 * eventLimit);
        ownedAt.reserve(4 * eventLimit);
        ownedData.reserve(16 * eventLimit);
    }

    // Full at its number of events, at four times as many values, or at 256 KB of data held.
    bool Full() const {
        return events.size() >= eventLimit_ || values.size() >= 4 * eventLimit_ || ownedData.size() >= kOwnedBytes;
    }

    // Points the values whose data the batch holds at it, once nothing more is added.
    void Seal() {
        for (std::size_t i = 0; i < values.size(); ++i)
            if (ownedAt[i] != kInInput) values[i].data = {ownedData.data() + ownedAt[i], values[i].data.size()};
    }

    void Clear() {
        events.clear();
        keys.clear();
        values.clear();
        ownedAt.clear();
        subkeyNames.clear();
        ownedData.clear();
    }

private:
    static constexpr std::size_t kOwnedBytes = 256 << 10;
    std::size_t eventLimit_;
};

}  // namespace kelvara::regf

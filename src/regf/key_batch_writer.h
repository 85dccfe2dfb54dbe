// The compactor's writing half: turns the keys of batches, in walk order, back into a tree in
// the new hive, remembering where each key went so its parent's subkey list can name it.
#pragma once

#include <cstdint>
#include <vector>

#include "regf/cell.h"
#include "regf/key_batch.h"
#include "regf/key_tree_writer.h"

namespace kelvara::regf {

class KeyBatchWriter {
public:
    explicit KeyBatchWriter(KeyTreeWriter& tree) : tree_(tree) {}

    Status Write(const KeyBatch& batch);
    // The root's key node, once its batch is written.
    std::uint32_t Root() const { return root_; }

private:
    struct Level {
        std::uint32_t offset = 0;               // the key's node
        std::vector<std::uint32_t> children;    // its subkeys' nodes, in order
    };

    KeyTreeWriter& tree_;
    std::vector<Level> levels_;   // the keys begun and not ended; reused, so only depth_ count
    std::size_t depth_ = 0;
    KeyRecord record_;
    std::vector<SubkeyEntry> entries_;
    std::uint32_t root_ = kNoCell;
};

}  // namespace kelvara::regf

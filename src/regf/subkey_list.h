// A key's subkey list in any of its forms: one leaf ("li", "lf", "lh") or an index root ("ri")
// over leaves.
#pragma once

#include <cstdint>
#include <vector>

#include "regf/cell.h"
#include "regf/hive_writer.h"
#include "regf/subkey_list_types.h"

namespace kelvara::regf {

struct SubkeyList {
    std::vector<SubkeyElement> elements;   // in stored order
    std::vector<std::uint32_t> cells;      // the index root (if any) and every leaf
};

// Reads the list at `offset`, which must hold exactly `expectedCount` elements (the key
// node's count). Stops at the first bad element.
Result<SubkeyList> ReadSubkeyList(const CellSpace& cells, std::uint32_t offset, std::uint32_t expectedCount);
// The same into a list the caller reuses from key to key.
Status ReadSubkeyListInto(const CellSpace& cells, std::uint32_t offset, std::uint32_t expectedCount, SubkeyList& list);
// The same for the checker, which reports a wrong count itself: any number of elements up to
// as many key nodes as the hive bins could hold.
Result<SubkeyList> ReadSubkeyListAnyCount(const CellSpace& cells, std::uint32_t offset);

// The leaf form the registry writes for a format version: "lf" before 1.5, "lh" from 1.5 on.
LeafForm LeafFormFor(std::uint32_t minorVersion);

// How many elements fit in a leaf that fills one 4096-byte bin.
std::uint32_t MaxLeafElements(LeafForm form);

struct SubkeyListLayout {
    LeafForm form = LeafForm::HashLeaf;
    std::uint32_t maxLeafElements = 0;   // 0: as many as fit one bin
};

// Writes `entries` (sorted) as one leaf, or as an index root over evenly filled leaves when
// they are more than a leaf holds.
Result<std::uint32_t> WriteSubkeyList(HiveWriter& writer, const std::vector<SubkeyEntry>& entries,
                                      const SubkeyListLayout& layout);

}  // namespace kelvara::regf

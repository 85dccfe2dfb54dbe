#include "regf/subkey_list.h"

#include <span>

#include "regf/errors.h"
#include "regf/fast_leaf.h"
#include "regf/hash_leaf.h"
#include "regf/index_leaf.h"
#include "regf/index_root.h"

namespace kelvara::regf {

namespace {

// A key node's cell: size field, the 76-byte header, at least one name byte, rounded to 8.
constexpr std::uint32_t kMinKeyNodeCellSize = 88;

Result<SubkeyListHeader> ReadListHeader(const Cell& cell, const char* structure) {
    auto header = cell.data.Read<SubkeyListHeader>(0);
    if (!header) return CellError(structure, cell.offset, "expected a 4-byte list header, the cell is too small");
    return *header;
}

Status ReadLeaf(const Cell& cell, const SubkeyListHeader& header, std::vector<SubkeyElement>& out) {
    if (header.signature.Is("li")) return ReadIndexLeaf(cell, out);
    if (header.signature.Is("lf")) return ReadFastLeaf(cell, out);
    if (header.signature.Is("lh")) return ReadHashLeaf(cell, out);
    return CellError("subkey list", cell.offset, "expected signature \"li\", \"lf\" or \"lh\", found \"" +
                                                     std::string(header.signature.chars, 2) + "\"");
}

Status ReadElements(const CellSpace& cells, std::uint32_t offset, std::uint32_t maxCount, SubkeyList& list) {
    list.elements.clear();
    list.cells.clear();
    Cell cell;
    if (auto found = cells.Allocated(offset, "subkey list", cell); !found) return found;
    auto header = ReadListHeader(cell, "subkey list");
    if (!header) return header.error();
    list.cells.push_back(offset);
    if (!header->signature.Is("ri")) {
        auto read = ReadLeaf(cell, *header, list.elements);
        if (!read) return read.error();
    } else {
        auto leaves = ReadIndexRoot(cell);
        if (!leaves) return leaves.error();
        for (std::uint32_t leafOffset : *leaves) {
            auto leaf = cells.Allocated(leafOffset, "subkey list leaf");
            if (!leaf) return leaf.error();
            auto leafHeader = ReadListHeader(*leaf, "subkey list leaf");
            if (!leafHeader) return leafHeader.error();
            // Leaves are read one after another; a root that names more elements than the key
            // has (a leaf listed twice, say) is stopped before it can grow the list further.
            if (list.elements.size() + leafHeader->number_of_elements > maxCount)
                return CellError("index root", offset, "its leaves hold more than " +
                                                           std::to_string(maxCount) + " subkeys");
            auto read = ReadLeaf(*leaf, *leafHeader, list.elements);
            if (!read) return read.error();
            list.cells.push_back(leafOffset);
        }
    }
    return Done{};
}

}  // namespace

Result<SubkeyList> ReadSubkeyListAnyCount(const CellSpace& cells, std::uint32_t offset) {
    SubkeyList list;
    auto read = ReadElements(cells, offset, cells.HiveBinsSize() / kMinKeyNodeCellSize, list);
    if (!read) return read.error();
    return list;
}

Status ReadSubkeyListInto(const CellSpace& cells, std::uint32_t offset, std::uint32_t expectedCount, SubkeyList& list) {
    auto read = ReadElements(cells, offset, expectedCount, list);
    if (!read) return read;
    if (list.elements.size() != expectedCount)
        return CellError("subkey list", offset, "expected " + std::to_string(expectedCount) +
                                                    " elements (the key's subkey count), found " +
                                                    std::to_string(list.elements.size()));
    return Done{};
}

Result<SubkeyList> ReadSubkeyList(const CellSpace& cells, std::uint32_t offset, std::uint32_t expectedCount) {
    SubkeyList list;
    auto read = ReadSubkeyListInto(cells, offset, expectedCount, list);
    if (!read) return read.error();
    return list;
}

LeafForm LeafFormFor(std::uint32_t minorVersion) {
    return minorVersion >= 5 ? LeafForm::HashLeaf : LeafForm::FastLeaf;
}

std::uint32_t MaxLeafElements(LeafForm form) {
    // A leaf cell of its own in a 4096-byte bin: bin header, cell size, list header.
    std::uint32_t room = 4096 - 32 - 4 - 4;
    return form == LeafForm::IndexLeaf ? room / 4 : room / 8;
}

namespace {

Result<std::uint32_t> WriteLeaf(HiveWriter& writer, std::span<const SubkeyEntry> entries, LeafForm form) {
    switch (form) {
        case LeafForm::IndexLeaf: return WriteIndexLeaf(writer, entries);
        case LeafForm::FastLeaf: return WriteFastLeaf(writer, entries);
        case LeafForm::HashLeaf: return WriteHashLeaf(writer, entries);
    }
    return MakeError(0, "subkey list: unknown leaf form");
}

}  // namespace

Result<std::uint32_t> WriteSubkeyList(HiveWriter& writer, const std::vector<SubkeyEntry>& entries,
                                      const SubkeyListLayout& layout) {
    std::uint32_t perLeaf = layout.maxLeafElements ? layout.maxLeafElements : MaxLeafElements(layout.form);
    std::span<const SubkeyEntry> all(entries);
    if (entries.size() <= perLeaf) return WriteLeaf(writer, all, layout.form);

    std::size_t leafCount = (entries.size() + perLeaf - 1) / perLeaf;
    if (leafCount > 0xFFFF)
        return MakeError(0, "subkey list: " + std::to_string(entries.size()) + " subkeys are too many for one key");
    std::vector<std::uint32_t> leaves;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < leafCount; ++i) {
        // Spread the entries evenly, the first leaves taking the remainder.
        std::size_t size = entries.size() / leafCount + (i < entries.size() % leafCount ? 1 : 0);
        auto leaf = WriteLeaf(writer, all.subspan(begin, size), layout.form);
        if (!leaf) return leaf;
        leaves.push_back(*leaf);
        begin += size;
    }
    return WriteIndexRoot(writer, leaves);
}

}  // namespace kelvara::regf

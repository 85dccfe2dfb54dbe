#include "regf/compactor.h"

#include <algorithm>
#include <span>
#include <unordered_map>

#include "regf/class_name.h"
#include "regf/errors.h"
#include "regf/hive_file_impl.h"
#include "regf/key_node.h"
#include "regf/key_tree_writer.h"
#include "regf/key_value.h"
#include "regf/names.h"
#include "regf/security_key.h"
#include "regf/subkey_list.h"
#include "regf/value_list.h"

namespace kelvara::regf {

namespace {

constexpr std::uint32_t kMaxKeyDepth = 512;
constexpr std::uint64_t kProgressStep = 1 << 20;

// Reads the input through the same checked views as everything else, and refuses a cell that
// is reached twice (a cycle, or two keys sharing a list or value), so damaged input can never
// make the walk loop or the output grow without bound. Security cells are shared by design and
// are copied once per distinct descriptor.
class Compactor {
public:
    Compactor(const HiveFile& hive, const CompactOptions& options)
        : impl_(ImplOf(hive)),
          cells_(impl_.cells),
          options_(options),
          minorVersion_(impl_.baseBlock.minor_version),
          writer_(cells_.HiveBinsSize()),
          tree_(writer_, minorVersion_, SubkeyListLayout{LeafFormFor(minorVersion_), 0}),
          used_(cells_.HiveBinsSize() / kCellAlignment, false) {}

    Result<std::vector<std::uint8_t>> Run(CompactStats* stats) {
        auto rootNode = ReadKeyNode(cells_, impl_.baseBlock.root_cell_offset);
        if (!rootNode) return rootNode.error();
        auto root = CopyKey(*rootNode, 0, 0);
        if (!root) return root.error();
        tree_.FinishSecurity();

        BaseBlockFields fields;
        fields.sequenceNumber = impl_.baseBlock.primary_sequence_number;
        fields.lastWritten = impl_.baseBlock.last_written_timestamp;
        fields.minorVersion = minorVersion_;
        fields.rootCellOffset = *root;
        std::copy(std::begin(impl_.baseBlock.file_name), std::end(impl_.baseBlock.file_name), fields.fileName);
        std::uint64_t reachable = writer_.AllocatedBytes();
        auto bytes = writer_.Finish(fields);
        if (stats) {
            stats->inputSize = impl_.bytes.size();
            stats->outputSize = bytes.size();
            stats->reachableBytes = reachable;
            stats->keys = tree_.Keys();
            stats->values = tree_.Values();
            stats->securityDescriptors = tree_.SecurityDescriptors();
        }
        if (options_.progress) options_.progress(impl_.bytes.size(), impl_.bytes.size());
        return bytes;
    }

private:
    struct Child {
        std::u16string name;
        KeyNode node;
    };

    Result<std::uint32_t> CopyKey(const KeyNode& node, std::uint32_t parentOut, std::uint32_t depth) {
        if (options_.cancel && options_.cancel->load()) return MakeError(0, "compaction cancelled");
        if (depth > kMaxKeyDepth)
            return CellError("key node", node.offset, "keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        if (auto used = Use(node.offset, "key node"); !used) return used.error();

        auto record = RecordOf(node);
        if (!record) return record.error();
        auto out = tree_.WriteKey(*record, parentOut);
        if (!out) return out;

        auto children = SortedSubkeys(node);
        if (!children) return children.error();
        std::vector<SubkeyEntry> entries;
        entries.reserve(children->size());
        for (auto& child : *children) {
            auto copied = CopyKey(child.node, *out, depth + 1);
            if (!copied) return copied;
            entries.push_back({*copied, std::move(child.name)});
        }
        auto finished = tree_.FinishKey(*out, entries);
        if (!finished) return finished.error();
        return out;
    }

    // The key without its subkeys. Value data that lies in one cell is not copied here: the
    // record points into the input, and into scratch_ for the rest, until the key is written.
    Result<KeyRecord> RecordOf(const KeyNode& node) {
        KeyRecord record;
        record.name = node.Name();
        record.lastWritten = node.header.last_written_timestamp;
        // Volatile keys never reach a file; the name flag is decided again when writing.
        record.flags = node.header.flags & ~(key_flags::KEY_VOLATILE | key_flags::KEY_COMP_NAME);
        record.accessBits = node.header.access_bits;
        record.subkeyNameFlags = node.header.largest_subkey_name_length;

        std::uint32_t classCell = kNoCell;
        auto className = ReadClassName(cells_, node, &classCell);
        if (!className) return className.error();
        if (classCell != kNoCell)
            if (auto used = Use(classCell, "class name"); !used) return used.error();
        record.className = std::move(className.value());

        auto descriptor = DescriptorAt(node.header.key_security_offset);
        if (!descriptor) return descriptor.error();
        record.security = *descriptor;
        record.securitySource = node.header.key_security_offset;

        std::uint32_t count = node.header.number_of_key_values;
        if (count == 0) return record;
        auto list = ReadValueList(cells_, node.header.key_values_list_offset, count);
        if (!list) return list.error();
        if (auto used = Use(node.header.key_values_list_offset, "key values list"); !used) return used.error();
        if (scratch_.size() < count) scratch_.resize(count);
        record.values.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t valueOffset = (*list)[i];
            auto value = ReadKeyValue(cells_, valueOffset);
            if (!value) return value.error();
            if (auto used = Use(valueOffset, "key value"); !used) return used.error();
            dataCells_.clear();
            auto data = ReadValueDataSpan(cells_, *value, minorVersion_, &dataCells_, scratch_[i]);
            if (!data) return data.error();
            for (auto cell : dataCells_)
                if (auto used = Use(cell, "value data"); !used) return used.error();
            record.values.push_back({value->Name(), value->header.data_type, *data});
        }
        if (auto unique = CheckValueNamesUnique(record, *list); !unique) return unique.error();
        return record;
    }

    // Two values of one name cannot both be reached through the registry; which one the user
    // meant is unknowable, so such a hive is refused rather than guessed at.
    Status CheckValueNamesUnique(const KeyRecord& record, const std::vector<std::uint32_t>& offsets) {
        if (record.values.size() < 2) return Done{};
        std::vector<std::uint32_t> order(record.values.size());
        for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
        auto before = [&](std::uint32_t a, std::uint32_t b) {
            int c = CompareNames(record.values[a].name, record.values[b].name);
            return c != 0 ? c < 0 : a < b;
        };
        std::sort(order.begin(), order.end(), before);
        for (std::size_t i = 1; i < order.size(); ++i) {
            const auto& second = record.values[order[i]];
            if (CompareNames(record.values[order[i - 1]].name, second.name) == 0)
                return CellError("key value", offsets[order[i]], "a second value named \"" + Utf16ToUtf8(second.name) + "\"");
        }
        return Done{};
    }

    // Descriptors are shared by many keys: each cell is read and checked once.
    Result<std::span<const std::uint8_t>> DescriptorAt(std::uint32_t offset) {
        auto known = descriptors_.find(offset);
        if (known != descriptors_.end()) return known->second;
        auto security = ReadKeySecurity(cells_, offset);
        if (!security) return security.error();
        std::span<const std::uint8_t> bytes(security->descriptor.data(), security->descriptor.size());
        descriptors_.emplace(offset, bytes);
        return bytes;
    }

    // The subkeys in the registry's order, by upper-cased name, whatever order the input had.
    Result<std::vector<Child>> SortedSubkeys(const KeyNode& node) {
        std::vector<Child> children;
        std::uint32_t count = node.header.number_of_subkeys;
        if (count == 0) return children;
        auto list = ReadSubkeyList(cells_, node.header.subkeys_list_offset, count);
        if (!list) return list.error();
        for (auto cell : list->cells)
            if (auto used = Use(cell, "subkey list"); !used) return used.error();
        children.reserve(list->elements.size());
        for (const auto& element : list->elements) {
            auto child = ReadKeyNode(cells_, element.keyNodeOffset);
            if (!child) return child.error();
            if (child->header.parent != node.offset)
                return CellError("key node", element.keyNodeOffset,
                                 "listed as a subkey of " + Hex(node.offset) + " but its parent is " +
                                     Hex(child->header.parent));
            children.push_back({child->Name(), *child});
        }
        // A sound hive keeps its subkeys sorted already; checking that costs one comparison per
        // key, where sorting would cost a logarithm's worth.
        auto byName = [](const Child& a, const Child& b) { return CompareNames(a.name, b.name) < 0; };
        if (!std::is_sorted(children.begin(), children.end(), byName))
            std::stable_sort(children.begin(), children.end(), byName);
        for (std::size_t i = 1; i < children.size(); ++i)
            if (CompareNames(children[i - 1].name, children[i].name) == 0)
                return CellError("subkey list", node.header.subkeys_list_offset,
                                 "two subkeys are named \"" + Utf16ToUtf8(children[i].name) + "\"");
        return children;
    }

    Status Use(std::uint32_t offset, const char* structure) {
        std::size_t unit = offset / kCellAlignment;
        if (used_[unit])
            return CellError(structure, offset, "reached a second time (a cycle or a shared cell)");
        used_[unit] = true;
        auto cell = cells_.Allocated(offset, structure);
        processed_ += cell ? cell->size : 0;
        if (options_.progress && processed_ - reported_ >= kProgressStep) {
            reported_ = processed_;
            options_.progress(processed_, impl_.bytes.size());
        }
        return Done{};
    }

    const HiveImpl& impl_;
    const CellSpace& cells_;
    const CompactOptions& options_;
    std::uint32_t minorVersion_;
    HiveWriter writer_;
    KeyTreeWriter tree_;
    std::vector<bool> used_;
    std::unordered_map<std::uint32_t, std::span<const std::uint8_t>> descriptors_;
    std::vector<std::vector<std::uint8_t>> scratch_;   // data of the key being copied
    std::vector<std::uint32_t> dataCells_;
    std::uint64_t processed_ = 0;
    std::uint64_t reported_ = 0;
};

}  // namespace

Result<std::vector<std::uint8_t>> CompactHive(const HiveFile& hive, const CompactOptions& options,
                                              CompactStats* stats) {
    if (hive.IsDirty()) {
        const auto& base = ImplOf(hive).baseBlock;
        std::string why = ImplOf(hive).checksumProblem.empty()
                              ? "sequence numbers " + std::to_string(base.primary_sequence_number) + " and " +
                                    std::to_string(base.secondary_sequence_number) + " differ"
                              : ImplOf(hive).checksumProblem;
        return MakeError(0, "hive is dirty (" + why + "): its last write did not finish, so it is not compacted");
    }
    Compactor compactor(hive, options);
    return compactor.Run(stats);
}

Result<std::vector<std::uint8_t>> CompactBytes(const HiveFile& hive, CompactStats* stats) {
    return CompactHive(hive, {}, stats);
}

}  // namespace kelvara::regf

namespace kelvara::regf {

std::uint64_t PackedHiveSize(std::uint64_t reachableBytes) {
    constexpr std::uint64_t room = 4096 - 32;   // what one bin holds after its header
    std::uint64_t bins = (reachableBytes + room - 1) / room;
    return 4096 + bins * 4096;
}

}  // namespace kelvara::regf

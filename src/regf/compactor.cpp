#include "regf/compactor.h"

#include <algorithm>
#include <span>
#include <unordered_map>

#include "regf/batch_pipe.h"
#include "regf/class_name.h"
#include "regf/errors.h"
#include "regf/hive_file_impl.h"
#include "regf/key_batch_writer.h"
#include "regf/key_node.h"
#include "regf/key_tree_writer.h"
#include "regf/key_value.h"
#include "regf/names.h"
#include "regf/security_key.h"
#include "regf/subkey_list.h"
#include "regf/value_list.h"

namespace kelvara::regf {

namespace {

constexpr std::uint64_t kProgressStep = 1 << 20;
// From this size on, reading the input and writing the copy run on two threads; below it,
// starting a thread costs more than the overlap gains.
constexpr std::uint32_t kOverlapFromBytes = 1 << 20;
constexpr std::size_t kCacheLine = 64;

// The reading half: walks the input through the same checked views as everything else and
// hands the keys to the writing half in batches. It refuses a cell that is reached twice (a
// cycle, or two keys sharing a list or value), so damaged input can never make the walk loop
// or the output grow without bound. Security cells are shared by design and are copied once per
// distinct descriptor.
class Compactor {
public:
    // Into memory, or streamed to `sink` when it is given.
    Compactor(const HiveFile& hive, const CompactOptions& options, HiveSink* sink, std::size_t windowBytes,
              Overlap overlap)
        : impl_(ImplOf(hive)),
          cells_(impl_.cells),
          options_(options),
          minorVersion_(impl_.baseBlock.minor_version),
          hashedLeaves_(LeafFormFor(minorVersion_) == LeafForm::HashLeaf),
          overlap_(overlap == Overlap::Always ||
                   (overlap == Overlap::BySize && cells_.HiveBinsSize() >= kOverlapFromBytes)),
          writer_(sink ? HiveWriter(*sink, windowBytes) : HiveWriter(cells_.HiveBinsSize())),
          tree_(writer_, minorVersion_, SubkeyListLayout{LeafFormFor(minorVersion_), 0}),
          used_(cells_.HiveBinsSize() / kCellAlignment) {}

    Result<std::vector<std::uint8_t>> Run(CompactStats* stats) {
        auto fields = CopyTree();
        if (!fields) return fields.error();
        const std::uint64_t reachable = writer_.AllocatedBytes();
        auto bytes = writer_.Finish(*fields);
        Report(stats, bytes.size(), reachable);
        return bytes;
    }

    Status RunStreamed(CompactStats* stats) {
        auto fields = CopyTree();
        if (!fields) return fields.error();
        const std::uint64_t reachable = writer_.AllocatedBytes();
        const std::uint64_t size = kBaseBlockSize + writer_.HiveBinsSize();
        if (auto finished = writer_.FinishStream(*fields); !finished) return finished;
        Report(stats, size, reachable);
        return Done{};
    }

private:
    // The subkeys of a key being copied, one level of nesting. A level's nodes stay from key
    // to key and are read over: clearing a fresh node for every subkey cost more than reading it.
    struct Subkey {
        KeyNode node;
        std::uint32_t hash = 0;   // for its "lh" element in the copy
    };
    struct Subkeys {
        std::vector<Subkey> nodes;   // the first `count` are this key's
        std::uint32_t count = 0;
    };

    // Copies every key; the base block's fields for the copy.
    Result<BaseBlockFields> CopyTree() {
        KeyBatchWriter batchWriter(tree_);
        BatchPipe pipe(overlap_, [&](KeyBatch& batch) { return batchWriter.Write(batch); },
                       KeyBatch::ThreadedEventsFor(cells_.HiveBinsSize()));
        pipe_ = &pipe;
        auto rootNode = ReadKeyNode(cells_, impl_.baseBlock.root_cell_offset);
        if (!rootNode) return rootNode.error();
        if (auto read = CopyKey(*rootNode, 0); !read) {
            pipe.Abandon();
            return read.error();
        }
        if (auto written = pipe.Close(); !written) return written.error();
        tree_.FinishSecurity();

        BaseBlockFields fields;
        fields.sequenceNumber = impl_.baseBlock.primary_sequence_number;
        fields.lastWritten = impl_.baseBlock.last_written_timestamp;
        fields.minorVersion = minorVersion_;
        fields.rootCellOffset = batchWriter.Root();
        std::copy(std::begin(impl_.baseBlock.file_name), std::end(impl_.baseBlock.file_name), fields.fileName);
        return fields;
    }

    void Report(CompactStats* stats, std::uint64_t outputSize, std::uint64_t reachable) {
        if (stats) {
            stats->inputSize = impl_.bytes.size();
            stats->outputSize = outputSize;
            stats->reachableBytes = reachable;
            stats->keys = tree_.Keys();
            stats->values = tree_.Values();
            stats->securityDescriptors = tree_.SecurityDescriptors();
        }
        if (options_.progress) options_.progress(impl_.bytes.size(), impl_.bytes.size());
    }

    Status CopyKey(const KeyNode& node, std::uint32_t depth) {
        if (options_.cancel && options_.cancel->load()) return MakeError(0, "compaction cancelled");
        if (depth > kMaxKeyDepth)
            return CellError("key node", node.offset, "keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        if (auto used = Use(node.offset, "key node"); !used) return used;
        if (auto read = ReadKey(node); !read) return read;
        if (auto sent = SendIfFull(); !sent) return sent;

        // One list of subkeys per nesting level, reused from key to key.
        if (subkeysAt_.size() <= depth) subkeysAt_.resize(depth + 1);
        if (auto sorted = SortedSubkeys(node, subkeysAt_[depth]); !sorted) return sorted;
        const std::uint32_t count = subkeysAt_[depth].count;
        // Deeper levels have lists of their own; growing the outer vector moves this level's
        // list without moving its elements, so the reference stays good.
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::vector<Subkey>& subkeys = subkeysAt_[depth].nodes;
            if (i + 1 < count) PrefetchContent(subkeys[i + 1].node);
            if (auto copied = CopyKey(subkeys[i].node, depth + 1); !copied) return copied;
        }

        KeyBatch& batch = pipe_->Current();
        const auto first = static_cast<std::uint32_t>(batch.subkeyNames.size());
        for (std::uint32_t i = 0; i < count; ++i) {
            const Subkey& subkey = subkeysAt_[depth].nodes[i];
            batch.subkeyNames.push_back({subkey.node.Stored(), subkey.hash});
        }
        batch.events.push_back({KeyBatch::Step::End, first, 0, count});
        return SendIfFull();
    }

    Status SendIfFull() { return pipe_->Current().Full() ? pipe_->Send() : Status(Done{}); }

    // The key without its subkeys, into the current batch. Names and value data that lie in
    // one cell are not copied: the batch points into the input.
    Status ReadKey(const KeyNode& node) {
        KeyBatch& batch = pipe_->Current();
        std::uint32_t classCell = kNoCell;
        auto className = ReadStoredClassName(cells_, node, &classCell);
        if (!className) return className.error();
        if (classCell != kNoCell)
            if (auto used = Use(classCell, "class name"); !used) return used;

        auto descriptor = DescriptorAt(node.header.key_security_offset);
        if (!descriptor) return descriptor.error();

        const auto firstValue = static_cast<std::uint32_t>(batch.values.size());
        const std::uint32_t count = node.header.number_of_key_values;
        if (count > 0) {
            auto list = ReadValueListBytes(cells_, node.header.key_values_list_offset, count);
            if (!list) return list.error();
            if (auto used = Use(node.header.key_values_list_offset, "key values list"); !used) return used;
            // The list's cell holds the count, so this is bounded by the file. Growing to fit
            // a key with thousands of values at once touches fresh memory once, not at every
            // doubling on the way.
            MakeRoom(batch.values, count);
            MakeRoom(batch.ownedAt, count);
            if (auto values = ReadValues(*list, count, batch); !values) return values;
            if (auto unique = CheckValueNamesUnique(std::span(batch.values).subspan(firstValue), *list); !unique)
                return unique;
        }

        // Both lengths were checked.
        batch.keys.push_back({node.HeaderBytes(), className->bytes, *descriptor,
                              static_cast<std::uint16_t>(node.nameBytes.size()),
                              static_cast<std::uint16_t>(className->size)});
        batch.events.push_back({KeyBatch::Step::Begin, static_cast<std::uint32_t>(batch.keys.size() - 1), firstValue, count});
        return Done{};
    }

    Status ReadValues(ByteSpan list, std::uint32_t count, KeyBatch& batch) {
        // The values lie scattered: start loading them all before reading the first, and each
        // value's data one value ahead of copying it.
        for (std::uint32_t i = 0; i < count; ++i) cells_.Prefetch(ReadLe32(list.data() + 4 * i));
        KeyValue& value = value_;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t valueOffset = ReadLe32(list.data() + 4 * i);
            if (i + 1 < count) PrefetchValueData(ReadLe32(list.data() + 4 * (i + 1)));
            if (auto read = ReadKeyValue(cells_, valueOffset, value); !read) return read;
            if (auto used = Use(valueOffset, "key value"); !used) return used;
            dataCells_.clear();
            auto data = ReadValueDataSpan(cells_, value, minorVersion_, &dataCells_, scratch_);
            if (!data) return data.error();
            for (auto cell : dataCells_)
                if (auto used = Use(cell, "value data"); !used) return used;
            // Data kept in the offset field is that field's bytes in the input, first byte
            // first: the batch points at them as at any other data in the input.
            std::span<const std::uint8_t> bytes = *data;
            if (value.Resident())
                bytes = {value.HeaderBytes() + offsetof(KeyValueHeader, data_offset), data->size()};
            // Data from big data segments was put together in scratch_: the batch keeps its own
            // copy.
            std::uint32_t ownedAt = KeyBatch::kInInput;
            if (!bytes.empty() && !InInput(bytes.data())) {
                ownedAt = static_cast<std::uint32_t>(batch.ownedData.size());
                batch.ownedData.insert(batch.ownedData.end(), bytes.begin(), bytes.end());
            }
            batch.values.push_back({value.Stored(), value.header.data_type, bytes});
            batch.ownedAt.push_back(ownedAt);
        }
        return Done{};
    }

    // Starts loading the data cell of the value at `valueOffset`, trusting nothing: the read
    // checks it all.
    void PrefetchValueData(std::uint32_t valueOffset) {
        const std::uint64_t field = std::uint64_t{valueOffset} + 4 + offsetof(KeyValueHeader, data_offset);
        if ((cells_.Peek32(field - 4) & kDataInOffsetField) == 0) cells_.Prefetch(cells_.Peek32(field));
    }

    template <class T>
    static void MakeRoom(std::vector<T>& items, std::size_t more) {
        const std::size_t needed = items.size() + more;
        if (needed > items.capacity()) items.reserve(std::max(needed, 2 * items.capacity()));
    }

    bool InInput(const std::uint8_t* p) const {
        return p >= impl_.bytes.data() && p < impl_.bytes.data() + impl_.bytes.size();
    }

    // Two values of one name cannot both be reached through the registry; which one the user
    // meant is unknowable, so such a hive is refused rather than guessed at.
    Status CheckValueNamesUnique(std::span<const ValueRecord> values, ByteSpan offsets) {
        const std::size_t n = values.size();
        const std::size_t repeated = FirstRepeatedName(n, [&](std::size_t i) { return values[i].name; }, nameSlots_);
        if (repeated == n) return Done{};
        return CellError("key value", ReadLe32(offsets.data() + 4 * repeated),
                         "a second value named \"" + Utf16ToUtf8(values[repeated].name.Decode()) + "\"");
    }

    // Descriptors are shared by many keys: each cell is read and checked once.
    Result<std::span<const std::uint8_t>> DescriptorAt(std::uint32_t offset) {
        // A descriptor read and checked is never empty, so the empty one it starts with stands
        // for no offset: a key claiming none (kNoCell) is read, and refused, like any other.
        if (offset == lastDescriptor_.first && !lastDescriptor_.second.empty()) return lastDescriptor_.second;
        auto known = descriptors_.find(offset);
        if (known == descriptors_.end()) {
            auto security = ReadKeySecurity(cells_, offset);
            if (!security) return security.error();
            std::span<const std::uint8_t> bytes(security->descriptor.data(), security->descriptor.size());
            known = descriptors_.emplace(offset, bytes).first;
        }
        lastDescriptor_ = *known;
        return known->second;
    }

    // The subkeys in the registry's order, by upper-cased name. The order and the hashes Windows
    // wrote are kept where they follow one of Windows' tables (see HashingTable, OrderingTable):
    // a Windows that looks names up by its own table finds them in the copy as in the original.
    // What follows none is made again by Windows 7's table.
    Status SortedSubkeys(const KeyNode& node, Subkeys& subkeys) {
        subkeys.count = 0;
        std::uint32_t count = node.header.number_of_subkeys;
        if (count == 0) return Done{};
        if (auto read = ReadSubkeyListInto(cells_, node.header.subkeys_list_offset, count, list_); !read) return read;
        for (auto cell : list_.cells)
            if (auto used = Use(cell, "subkey list"); !used) return used;
        if (subkeys.nodes.size() < list_.elements.size()) subkeys.nodes.resize(list_.elements.size());
        for (const auto& element : list_.elements) cells_.Prefetch(element.keyNodeOffset);
        for (const auto& element : list_.elements) {
            Subkey& subkey = subkeys.nodes[subkeys.count++];
            KeyNode& child = subkey.node;
            if (auto read = ReadKeyNode(cells_, element.keyNodeOffset, child); !read) return read;
            if (child.header.parent != node.offset)
                return CellError("key node", element.keyNodeOffset,
                                 "listed as a subkey of " + Hex(node.offset) + " but its parent is " +
                                     Hex(child.header.parent));
            // What the child's copy reads first, long before it gets there.
            cells_.Prefetch(child.header.key_values_list_offset);
            cells_.Prefetch(child.header.subkeys_list_offset);
            if (hashedLeaves_) subkey.hash = HashFor(element, child.Stored());
        }
        // A sound hive keeps its subkeys sorted already, which one comparison per key confirms;
        // otherwise they are sorted here and then checked for a name given twice.
        const auto first = subkeys.nodes.begin(), last = first + subkeys.count;
        if (OrderingTable(subkeys.count, [&](std::size_t i) { return first[i].node.Stored(); })) return Done{};
        auto byName = [](const Subkey& a, const Subkey& b) { return CompareNames(a.node.Stored(), b.node.Stored()) < 0; };
        std::stable_sort(first, last, byName);
        for (auto at = first + 1; at < last; ++at)
            if (SameName(at[-1].node.Stored(), at->node.Stored()))
                return CellError("subkey list", node.header.subkeys_list_offset,
                                 "two subkeys are named \"" + Utf16ToUtf8(at->node.Stored().Decode()) + "\"");
        return Done{};
    }

    // The hash Windows wrote when it follows one of its tables; else Windows 7's.
    static std::uint32_t HashFor(const SubkeyElement& element, StoredName name) {
        const std::uint32_t ours = NameHash(name);
        if (element.form != LeafForm::HashLeaf || element.check == ours) return ours;
        return HashingTable(name, element.check) ? element.check : ours;
    }

    // Starts loading the value cells and the subkeys' key nodes of the key copied after the
    // current one, from its lists (loading since its parent was read): by the time that key is
    // copied they are there. Nothing read here is trusted; the copy reads and checks it all.
    void PrefetchContent(const KeyNode& next) {
        const std::uint32_t values = std::min<std::uint32_t>(next.header.number_of_key_values, kPrefetchedCells);
        const std::uint64_t valueList = std::uint64_t{next.header.key_values_list_offset} + 4;
        for (std::uint32_t i = 0; i < values; ++i) cells_.Prefetch(cells_.Peek32(valueList + 4 * i));

        // A leaf list: "lf" and "lh" elements are 8 bytes, "li" elements 4.
        const std::uint64_t subkeyList = std::uint64_t{next.header.subkeys_list_offset} + 4;
        const std::uint32_t header = cells_.Peek32(subkeyList);
        const std::uint32_t signature = header & 0xFFFF;
        const std::uint32_t stride = signature == 0x666C || signature == 0x686C ? 8 : signature == 0x696C ? 4 : 0;
        const std::uint32_t subkeys = std::min<std::uint32_t>({header >> 16, next.header.number_of_subkeys, kPrefetchedCells});
        for (std::uint32_t i = 0; stride != 0 && i < subkeys; ++i) cells_.Prefetch(cells_.Peek32(subkeyList + 4 + stride * i));
    }

    // Marks a cell that a read has accepted as taken.
    Status Use(std::uint32_t offset, const char* structure) {
        if (used_.TestAndSet(offset / kCellAlignment)) [[unlikely]]
            return ReachedTwice(offset, structure);
        processed_ += cells_.SizeOfAllocated(offset);
        if (options_.progress && processed_ - reported_ >= kProgressStep) [[unlikely]]
            ReportProgress();
        return Done{};
    }

    [[gnu::noinline, gnu::cold]] static Error ReachedTwice(std::uint32_t offset, const char* structure) {
        return CellError(structure, offset, "reached a second time (a cycle or a shared cell)");
    }

    [[gnu::noinline]] void ReportProgress() {
        reported_ = processed_;
        options_.progress(processed_, impl_.bytes.size());
    }

    static constexpr std::uint32_t kPrefetchedCells = 16;   // per list, ahead of the copy

    const HiveImpl& impl_;
    const CellSpace& cells_;
    const CompactOptions& options_;
    std::uint32_t minorVersion_;
    bool hashedLeaves_;   // the copy's subkey lists are "lh", which carry hashes
    bool overlap_;
    // The writing half's state, on cache lines of its own: on two threads the writer changes it
    // with every cell, and the reader's fields around it would travel between cores with it.
    alignas(kCacheLine) HiveWriter writer_;
    KeyTreeWriter tree_;
    alignas(kCacheLine) BatchPipe* pipe_ = nullptr;
    UnitFlags used_;
    std::unordered_map<std::uint32_t, std::span<const std::uint8_t>> descriptors_;
    std::pair<std::uint32_t, std::span<const std::uint8_t>> lastDescriptor_{kNoCell, {}};
    KeyValue value_;                           // the value being read
    std::vector<std::uint8_t> scratch_;        // value data that is in no single cell
    std::vector<std::uint32_t> dataCells_;
    std::vector<std::uint32_t> nameSlots_;    // the key's value names, by hash
    SubkeyList list_;
    std::vector<Subkeys> subkeysAt_;   // per nesting level
    std::uint64_t processed_ = 0;
    std::uint64_t reported_ = 0;
};

Status RefuseDirty(const HiveFile& hive) {
    if (hive.IsDirty()) {
        const auto& base = ImplOf(hive).baseBlock;
        std::string why = ImplOf(hive).checksumProblem.empty()
                              ? "sequence numbers " + std::to_string(base.primary_sequence_number) + " and " +
                                    std::to_string(base.secondary_sequence_number) + " differ"
                              : ImplOf(hive).checksumProblem;
        return MakeError(0, "hive is dirty (" + why + "): its last write did not finish, so it is not compacted");
    }
    return Done{};
}

}  // namespace

Result<std::vector<std::uint8_t>> CompactHive(const HiveFile& hive, const CompactOptions& options,
                                              CompactStats* stats, Overlap overlap) {
    if (auto clean = RefuseDirty(hive); !clean) return clean.error();
    Compactor compactor(hive, options, nullptr, 0, overlap);
    return compactor.Run(stats);
}

Status CompactHiveTo(const HiveFile& hive, const CompactOptions& options, CompactStats* stats, HiveSink& sink,
                     std::size_t windowBytes, Overlap overlap) {
    if (auto clean = RefuseDirty(hive); !clean) return clean;
    Compactor compactor(hive, options, &sink, windowBytes, overlap);
    return compactor.RunStreamed(stats);
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

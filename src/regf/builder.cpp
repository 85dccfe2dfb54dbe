// Makes hives from a description of their keys: for tests, the sample installation and the
// benchmarks. With `fragmentation` it also leaves the free space real hives collect: keys that
// were deleted, value data that grew and moved, small cells freed between used ones.
#include <algorithm>
#include <deque>
#include <fstream>
#include <random>

#include "regf/base_block.h"
#include "regf/default_security.h"
#include "regf/errors.h"
#include "regf/hive_writer.h"
#include "regf/key_node.h"
#include "regf/key_tree_writer.h"
#include "regf/key_value.h"
#include "regf/names.h"
#include "regf/regf.h"
#include "regf/subkey_list.h"
#include "regf/value_list.h"

namespace kelvara::regf {

namespace {

constexpr std::uint32_t kMaxDepth = 512;
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;
constexpr double kMaxFragmentation = 0.9;

class Builder {
public:
    explicit Builder(const BuildOptions& options)
        : options_(options),
          tree_(writer_, options.minorVersion,
                SubkeyListLayout{options.indexLeaves ? LeafForm::IndexLeaf : LeafFormFor(options.minorVersion),
                                 options.maxLeafElements}),
          rng_(options.seed),
          fragmentation_(std::clamp(options.fragmentation, 0.0, kMaxFragmentation)) {}

    Result<std::vector<std::uint8_t>> Build(const KeySpec& root) {
        if (options_.minorVersion < kMinMinorVersion || options_.minorVersion > kMaxMinorVersion)
            return MakeError(0, "build: format version 1." + std::to_string(options_.minorVersion) +
                                    " is not one of 1.3 to 1.6");
        auto rootOffset = WriteTree(root, defaultSecurity_, 0, 0, root.name, true);
        if (!rootOffset) return rootOffset.error();
        tree_.FinishSecurity();

        BaseBlockFields fields;
        fields.sequenceNumber = 1;
        fields.lastWritten = root.lastWritten;
        fields.minorVersion = options_.minorVersion;
        fields.rootCellOffset = *rootOffset;
        StoreFileName(fields);
        auto bytes = writer_.Finish(fields);
        if (options_.dirty) MakeDirty(bytes);
        return bytes;
    }

private:
    Result<std::uint32_t> WriteTree(const KeySpec& tree, std::span<const std::uint8_t> inherited,
                                    std::uint32_t parent, std::uint32_t depth, const std::string& path, bool isRoot) {
        if (depth > kMaxDepth)
            return MakeError(0, "build: key \"" + path + "\" is nested deeper than " + std::to_string(kMaxDepth) + " levels");
        RecordStore store;   // the record's names and values, while it is written
        auto record = RecordOf(tree, inherited, path, isRoot, store);
        if (!record) return record.error();
        auto offset = tree_.WriteKey(*record, parent);
        if (!offset) return offset;
        auto freed = LeaveFreeSpace();
        if (!freed) return freed.error();

        // Subkeys are kept in the registry's order: by upper-cased name.
        std::vector<std::pair<std::string, const KeySpec*>> children;   // UTF-16LE name, key
        for (const auto& child : tree.subkeys) children.emplace_back(EncodeName(Utf8ToUtf16(child.name), false), &child);
        auto byName = [](const auto& a, const auto& b) { return CompareNames(Utf16View(a.first), Utf16View(b.first)) < 0; };
        std::stable_sort(children.begin(), children.end(), byName);
        std::vector<SubkeyEntry> entries;
        for (std::size_t i = 0; i < children.size(); ++i) {
            std::string childPath = path + "\\" + children[i].second->name;
            if (i > 0 && !byName(children[i - 1], children[i]))
                return MakeError(0, "build: two subkeys named \"" + children[i].second->name + "\" under \"" + path + "\"");
            auto child = WriteTree(*children[i].second, record->security, *offset, depth + 1, childPath, false);
            if (!child) return child;
            entries.push_back({*child, Utf16View(children[i].first)});
        }
        auto finished = tree_.FinishKey(*offset, entries);
        if (!finished) return finished.error();
        return offset;
    }

    // What a record points at, kept until it is written.
    struct RecordStore {
        std::deque<std::string> names;   // stored as UTF-16LE; a deque never moves them
        std::vector<ValueRecord> values;
    };

    Result<KeyRecord> RecordOf(const KeySpec& tree, std::span<const std::uint8_t> inherited,
                               const std::string& path, bool isRoot, RecordStore& store) {
        auto stored = [&store](const std::string& utf8) {
            return Utf16View(store.names.emplace_back(EncodeName(Utf8ToUtf16(utf8), false)));
        };
        KeyRecord record;
        record.name = stored(tree.name);
        if (!isRoot && (record.name.Length() == 0 || record.name.Length() > kMaxKeyNameLength ||
                        tree.name.find('\\') != std::string::npos))
            return MakeError(0, "build: key name \"" + tree.name + "\" under \"" + path +
                                    "\" must be 1 to 255 characters without a backslash");
        record.className = stored(tree.className);
        record.lastWritten = tree.lastWritten;
        if (isRoot) record.flags = key_flags::KEY_HIVE_ENTRY | key_flags::KEY_NO_DELETE;
        record.security = tree.security.empty() ? inherited : std::span<const std::uint8_t>(tree.security);
        for (const auto& value : tree.values) {
            ValueRecord v{stored(value.name), value.type, std::span<const std::uint8_t>(value.data)};
            if (v.name.Length() > kMaxValueNameLength)
                return MakeError(0, "build: a value name of key \"" + path + "\" is longer than 16383 characters");
            store.values.push_back(v);
        }
        record.values = store.values;
        return record;
    }

    // Leaves free cells behind the content written so far until they make up the wanted share.
    Status LeaveFreeSpace() {
        if (fragmentation_ <= 0) return Done{};
        double target = fragmentation_ / (1.0 - fragmentation_) * static_cast<double>(writer_.AllocatedBytes());
        while (static_cast<double>(freed_) < target) {
            Status done = Done{};
            switch (Draw(4)) {
                case 0: done = DeletedKey(); break;
                case 1: done = MovedValueData(); break;
                default: done = FreedCell(Draw(89) + 8); break;
            }
            if (!done) return done;
        }
        return Done{};
    }

    // A key that was written and later deleted with its subkey: their nodes, values, value
    // lists and the subkey list become free.
    Status DeletedKey() {
        std::vector<std::uint32_t> cells;
        const std::string childName = EncodeName(Utf8ToUtf16("Deleted" + std::to_string(Draw(100000))), false);
        auto child = DeletedKeyNode(Utf16View(childName), cells);
        if (!child) return child.error();
        const std::string parentName = EncodeName(u"Deleted", false);
        auto parent = DeletedKeyNode(Utf16View(parentName), cells);
        if (!parent) return parent.error();
        auto list = WriteSubkeyList(writer_, {{*child, Utf16View(childName)}}, SubkeyListLayout{LeafFormFor(options_.minorVersion), 0});
        if (!list) return list.error();
        cells.push_back(*list);
        for (auto cell : cells) Release(cell);
        return Done{};
    }

    // One key of a deleted subtree; its cells are added to `cells`.
    Result<std::uint32_t> DeletedKeyNode(StoredName name, std::vector<std::uint32_t>& cells) {
        KeyNodeHeader header{};
        header.last_written_timestamp = 0x01D0000000000000ull + Draw(1u << 30);
        header.subkeys_list_offset = kNoCell;
        header.volatile_subkeys_list_offset = kNoCell;
        header.class_name_offset = kNoCell;
        header.key_security_offset = kNoCell;
        auto node = WriteKeyNode(writer_, header, name);
        if (!node) return node.error();
        cells.push_back(*node);
        std::vector<std::uint32_t> values;
        for (std::uint32_t i = 0, n = Draw(4); i < n; ++i) {
            std::vector<std::uint8_t> data(Draw(200) + 1);
            for (auto& b : data) b = static_cast<std::uint8_t>(Draw(256));
            const std::string valueName = EncodeName(Utf8ToUtf16("Old" + std::to_string(i)), false);
            auto value = WriteKeyValue(writer_, Utf16View(valueName), 3, data, options_.minorVersion);
            if (!value) return value.error();
            values.push_back(*value);
            cells.push_back(*value);
            KeyValueHeader vk;
            std::memcpy(&vk, writer_.Data(*value), sizeof vk);
            if (!(vk.data_size & kDataInOffsetField)) cells.push_back(vk.data_offset);
        }
        if (!values.empty()) {
            auto list = WriteValueList(writer_, values);
            if (!list) return list.error();
            cells.push_back(*list);
        }
        return node;
    }

    // A value's earlier, smaller data, left behind when the value grew.
    Status MovedValueData() { return FreedCell(Draw(500) + 12); }

    Status FreedCell(std::uint32_t size) {
        auto cell = writer_.Allocate(size);
        if (!cell) return cell.error();
        std::uint8_t* data = writer_.Data(*cell);
        for (std::uint32_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(Draw(256));
        Release(*cell);
        return Done{};
    }

    void Release(std::uint32_t cell) {
        freed_ += writer_.DataSize(cell) + 4;
        writer_.Free(cell);
    }

    // Draws from the generator itself (not a distribution), so every platform builds the same bytes.
    std::uint32_t Draw(std::uint32_t bound) { return static_cast<std::uint32_t>(rng_() % bound); }

    void StoreFileName(BaseBlockFields& fields) const {
        // The field holds the last 31 characters, so a terminating zero always fits.
        std::u16string name = Utf8ToUtf16(options_.fileName);
        if (name.size() > 31) name = name.substr(name.size() - 31);
        for (std::size_t i = 0; i < name.size(); ++i) {
            fields.fileName[2 * i] = static_cast<std::uint8_t>(name[i] & 0xFF);
            fields.fileName[2 * i + 1] = static_cast<std::uint8_t>(name[i] >> 8);
        }
    }

    static void MakeDirty(std::vector<std::uint8_t>& bytes) {
        BaseBlockHeader header;
        std::memcpy(&header, bytes.data(), sizeof header);
        header.primary_sequence_number = header.secondary_sequence_number + 1;
        header.checksum = BaseBlockChecksum(header);
        std::memcpy(bytes.data(), &header, sizeof header);
    }

    const BuildOptions& options_;
    const std::vector<std::uint8_t> defaultSecurity_ = DefaultKeySecurity();
    HiveWriter writer_;
    KeyTreeWriter tree_;
    std::mt19937 rng_;
    double fragmentation_;
    std::uint64_t freed_ = 0;
};

}  // namespace

Result<std::vector<std::uint8_t>> BuildBytes(const KeySpec& root, const BuildOptions& options) {
    Builder builder(options);
    return builder.Build(root);
}

Status BuildFile(const KeySpec& root, const BuildOptions& options, const std::string& path) {
    auto bytes = BuildBytes(root, options);
    if (!bytes) return bytes.error();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return MakeError(0, "cannot create hive file \"" + path + "\"");
    out.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
    out.close();
    if (!out) return MakeError(0, "cannot write hive file \"" + path + "\"");
    return Done{};
}

}  // namespace kelvara::regf

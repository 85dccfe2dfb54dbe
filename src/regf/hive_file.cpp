#include <filesystem>
#include <fstream>
#include <unordered_set>

#include "regf/native_path.h"
#include "regf/class_name.h"
#include "regf/errors.h"
#include "regf/hive_file_impl.h"
#include "regf/input_file.h"
#include "regf/key_node.h"
#include "regf/key_value.h"
#include "regf/names.h"
#include "regf/security_key.h"
#include "regf/subkey_list.h"
#include "regf/value_list.h"

namespace kelvara::regf {

const HiveImpl& ImplOf(const HiveFile& hive) { return *hive.impl_; }

Result<HiveFile> HiveFile::FromBytes(std::vector<std::uint8_t> bytes) { return OpenHiveBytes(std::move(bytes), nullptr); }

Result<HiveFile> OpenHiveImpl(std::shared_ptr<HiveImpl> impl, const std::atomic<bool>* cancel, CellCheck check) {
    ByteSpan file(impl->bytes.data(), impl->bytes.size(), 0);
    auto base = ReadBaseBlock(file);
    if (!base) return base.error();
    impl->baseBlock = *base;
    impl->checksumProblem = ChecksumProblem(*base);
    auto cells = CellSpace::Read(*file.Sub(kBaseBlockSize, base->hive_bins_data_size), cancel, check);
    if (!cells) return cells.error();
    impl->cells = std::move(cells.value());
    HiveFile hive;
    hive.impl_ = std::move(impl);
    auto root = hive.Root();
    if (!root) return root.error();
    return hive;
}

Result<HiveFile> OpenHiveBytes(std::vector<std::uint8_t> bytes, const std::atomic<bool>* cancel) {
    auto impl = std::make_shared<HiveImpl>();
    impl->owned = std::move(bytes);
    impl->bytes = impl->owned;
    return OpenHiveImpl(std::move(impl), cancel);
}

Result<HiveFile> OpenHiveView(std::span<const std::uint8_t> bytes, std::shared_ptr<const void> owner,
                              const std::atomic<bool>* cancel, CellCheck check) {
    auto impl = std::make_shared<HiveImpl>();
    impl->keepAlive = std::move(owner);
    impl->bytes = bytes;
    return OpenHiveImpl(std::move(impl), cancel, check);
}

Result<HiveFile> HiveFile::Open(const std::string& path) {
#if defined(_WIN32)
    // The 32-bit program checks copies of hives up to their size limit: through a mapped view,
    // which needs no block of memory as big as the file.
    if (auto file = InputFile::Open(path); file && (*file)->Mapped()) {
        const std::span<const std::uint8_t> bytes = (*file)->Bytes();
        auto hive = OpenHiveView(bytes, std::move(file.value()), nullptr);
        if (!hive) return Error{"\"" + path + "\": " + hive.error().message, hive.error().offset};
        return hive;
    }
#endif
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return MakeError(0, "cannot open hive file \"" + path + "\"");
    auto end = in.tellg();
    // Hive bins are addressed with 32-bit offsets: a larger file cannot be a hive.
    std::error_code ignored;
    if (end < 0 || std::filesystem::is_directory(NativePath(path), ignored))
        return MakeError(0, "\"" + path + "\" is a folder, not a hive file");
    if (static_cast<std::uint64_t>(end) > 0xFFFFFFFFull + kBaseBlockSize)
        return MakeError(0, "hive file \"" + path + "\" is too large to be a hive");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(end));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return MakeError(0, "cannot read hive file \"" + path + "\"");
    auto hive = FromBytes(std::move(bytes));
    if (!hive) return Error{"\"" + path + "\": " + hive.error().message, hive.error().offset};
    return hive;
}

bool HiveFile::IsDirty() const {
    const auto& base = impl_->baseBlock;
    return base.primary_sequence_number != base.secondary_sequence_number || !impl_->checksumProblem.empty();
}

std::uint32_t HiveFile::MinorVersion() const { return impl_->baseBlock.minor_version; }
std::uint64_t HiveFile::FileSize() const { return impl_->bytes.size(); }
std::span<const std::uint8_t> HiveFile::Bytes() const { return impl_->bytes; }

Result<KeyView> HiveFile::Root() const {
    std::uint32_t offset = impl_->baseBlock.root_cell_offset;
    auto node = ReadKeyNode(impl_->cells, offset);
    if (!node) return node.error();
    return KeyView(impl_, offset, 0);
}

Result<std::optional<KeyView>> HiveFile::FindKey(const std::string& path) const {
    auto root = Root();
    if (!root) return root.error();
    std::optional<KeyView> key = *root;
    std::size_t begin = 0;
    while (key && begin <= path.size()) {
        std::size_t end = path.find('\\', begin);
        if (end == std::string::npos) end = path.size();
        if (end > begin) {
            auto next = key->Subkey(path.substr(begin, end - begin));
            if (!next) return next.error();
            key = *next;
        }
        begin = end + 1;
    }
    return key;
}

// ---------------------------------------------------------------------------------------------

namespace {

KeyNode NodeOf(const HiveImpl& hive, std::uint32_t offset) {
    // A KeyView is only made for an offset whose key node has been read successfully, and the
    // bytes never change, so reading it again cannot fail.
    return ReadKeyNode(hive.cells, offset).value();
}

}  // namespace

std::string KeyView::Name() const { return Utf16ToUtf8(NodeOf(*hive_, offset_).Name()); }

std::uint64_t KeyView::LastWritten() const { return NodeOf(*hive_, offset_).header.last_written_timestamp; }

Result<std::string> KeyView::ClassName() const {
    auto name = ReadClassName((*hive_).cells, NodeOf(*hive_, offset_));
    if (!name) return name.error();
    return Utf16ToUtf8(*name);
}

Result<std::vector<std::uint8_t>> KeyView::SecurityDescriptor() const {
    auto security = ReadKeySecurity(hive_->cells, NodeOf(*hive_, offset_).header.key_security_offset);
    if (!security) return security.error();
    const auto& d = security->descriptor;
    return std::vector<std::uint8_t>(d.data(), d.data() + d.size());
}

Result<std::vector<KeyView>> KeyView::Subkeys() const {
    const auto& cells = (*hive_).cells;
    KeyNode node = NodeOf(*hive_, offset_);
    std::uint32_t count = node.header.number_of_subkeys;
    std::vector<KeyView> subkeys;
    if (count == 0) return subkeys;
    auto list = ReadSubkeyList(cells, node.header.subkeys_list_offset, count);
    if (!list) return list.error();
    if (depth_ + 1 > kMaxKeyDepth)
        return CellError("key node", offset_, "subkeys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
    subkeys.reserve(list->elements.size());
    std::unordered_set<std::uint32_t> seen;
    for (const auto& element : list->elements) {
        std::uint32_t childOffset = element.keyNodeOffset;
        // Every key names its parent, so a list entry pointing at the key itself or at an
        // ancestor is caught by the parent check, except the root (whose parent field means
        // nothing); and an entry listed twice would double the walk below it at every level.
        if (childOffset == hive_->baseBlock.root_cell_offset)
            return CellError("subkey list", node.header.subkeys_list_offset, "lists the root key as a subkey");
        if (!seen.insert(childOffset).second)
            return CellError("subkey list", node.header.subkeys_list_offset,
                             "lists the key at " + Hex(childOffset) + " twice");
        auto child = ReadKeyNode(cells, childOffset);
        if (!child) return child.error();
        if (child->header.parent != offset_)
            return CellError("key node", childOffset,
                             "listed as a subkey of " + Hex(offset_) + " but its parent is " +
                                 Hex(child->header.parent));
        subkeys.push_back(KeyView(hive_, childOffset, depth_ + 1));
    }
    return subkeys;
}

Result<std::vector<ValueData>> KeyView::Values() const {
    const auto& impl = *hive_;
    KeyNode node = NodeOf(*hive_, offset_);
    std::uint32_t count = node.header.number_of_key_values;
    std::vector<ValueData> values;
    if (count == 0) return values;
    auto list = ReadValueList(impl.cells, node.header.key_values_list_offset, count);
    if (!list) return list.error();
    std::unordered_set<std::uint32_t> seen;
    std::uint64_t total = 0;
    for (std::uint32_t offset : *list) {
        if (!seen.insert(offset).second)
            return CellError("key values list", node.header.key_values_list_offset,
                             "the value at " + Hex(offset) + " is listed twice");
        auto value = ReadKeyValue(impl.cells, offset);
        if (!value) return value.error();
        auto data = ReadValueData(impl.cells, *value, impl.baseBlock.minor_version);
        if (!data) return data.error();
        // Values of a sound key never share data cells, so together they fit in the file.
        total += data->size();
        if (total > impl.bytes.size())
            return CellError("key values list", node.header.key_values_list_offset,
                             "the values' data add up to more than the file holds");
        values.push_back({Utf16ToUtf8(value->Name()), value->header.data_type, std::move(data.value())});
    }
    return values;
}

Result<std::optional<KeyView>> KeyView::Subkey(const std::string& name) const {
    auto subkeys = Subkeys();
    if (!subkeys) return subkeys.error();
    std::u16string wanted = Utf8ToUtf16(name);
    const auto& cells = (*hive_).cells;
    for (const auto& subkey : *subkeys)
        if (CompareNames(ReadKeyNode(cells, subkey.offset_).value().Name(), wanted) == 0)
            return std::optional<KeyView>(subkey);
    return std::optional<KeyView>();
}

Result<std::optional<ValueData>> KeyView::Value(const std::string& name) const {
    auto values = Values();
    if (!values) return values.error();
    std::u16string wanted = Utf8ToUtf16(name);
    for (auto& value : *values)
        if (CompareNames(Utf8ToUtf16(value.name), wanted) == 0) return std::optional<ValueData>(std::move(value));
    return std::optional<ValueData>();
}

}  // namespace kelvara::regf

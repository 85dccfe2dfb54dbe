// Reading hives the builder made: every key, value, class and descriptor comes back, in every
// format version, list form, data form and name encoding.
#include <gtest/gtest.h>

#include <cstring>

#include "hive_fixtures.h"
#include "regf/base_block.h"
#include "regf/cell.h"
#include "regf/hive_file_impl.h"
#include "regf/key_node.h"
#include "regf/key_value.h"
#include "regf/names.h"
#include "regf/subkey_list.h"

namespace kelvara::regf {
namespace {

using testing::Build;
using testing::Dump;
using testing::Normalized;
using testing::Open;
using testing::ReadBack;

class ReaderRoundTrip : public ::testing::TestWithParam<testing::LayoutCase> {};

TEST_P(ReaderRoundTrip, EveryKeyValueClassAndDescriptorComesBack) {
    const auto& c = GetParam();
    BuildOptions options = testing::OptionsFor(c);
    auto tree = testing::RichTree();
    HiveFile hive = Open(Build(tree, options));
    EXPECT_FALSE(hive.IsDirty());
    EXPECT_EQ(hive.MinorVersion(), c.minorVersion);
    EXPECT_EQ(Dump(ReadBack(hive)), Dump(Normalized(tree)));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReaderRoundTrip,
    ::testing::Values(testing::LayoutCase{"v1_3_lf", 3, false, 0, 0.0}, testing::LayoutCase{"v1_4_lf", 4, false, 0, 0.0},
                      testing::LayoutCase{"v1_5_lh", 5, false, 0, 0.0}, testing::LayoutCase{"v1_6_lh", 6, false, 0, 0.0},
                      testing::LayoutCase{"v1_5_li", 5, true, 0, 0.0}, testing::LayoutCase{"v1_5_ri_of_lh", 5, false, 2, 0.0},
                      testing::LayoutCase{"v1_3_ri_of_lf", 3, false, 2, 0.0}, testing::LayoutCase{"v1_5_ri_of_li", 5, true, 2, 0.0},
                      testing::LayoutCase{"v1_5_fragmented", 5, false, 0, 0.4},
                      testing::LayoutCase{"v1_3_fragmented", 3, false, 3, 0.25}),
    [](const auto& info) { return std::string(info.param.label); });

// The signature of the cell at `offset`.
std::string SignatureAt(const HiveFile& hive, std::uint32_t offset) {
    auto cell = ImplOf(hive).cells.Allocated(offset, "test");
    EXPECT_TRUE(cell.ok());
    return cell ? std::string(reinterpret_cast<const char*>(cell->data.data()), 2) : "";
}

struct ListFormCase {
    const char* label;
    std::uint32_t subkeys;
    std::uint32_t minorVersion;
    bool indexLeaves;
    const char* rootSignature;
    const char* leafSignature;
    std::size_t leaves;
};

class SubkeyListForms : public ::testing::TestWithParam<ListFormCase> {};

TEST_P(SubkeyListForms, AreTheOnesWindowsWritesWithCorrectHintsAndHashes) {
    const auto& c = GetParam();
    BuildOptions options;
    options.minorVersion = c.minorVersion;
    options.indexLeaves = c.indexLeaves;
    HiveFile hive = Open(Build(testing::WideTree(c.subkeys), options));
    const auto& cells = ImplOf(hive).cells;
    auto root = ReadKeyNode(cells, hive.Root()->CellOffset());
    ASSERT_TRUE(root.ok());
    std::uint32_t listOffset = root->header.subkeys_list_offset;
    EXPECT_EQ(SignatureAt(hive, listOffset), c.rootSignature);
    auto list = ReadSubkeyList(cells, listOffset, c.subkeys);
    ASSERT_TRUE(list.ok()) << list.error().ToString();
    EXPECT_EQ(list->cells.size(), c.leaves + (c.leaves > 1 ? 1 : 0));
    for (std::size_t i = 1; i < list->cells.size(); ++i) EXPECT_EQ(SignatureAt(hive, list->cells[i]), c.leafSignature);

    std::u16string previous;
    for (const auto& element : list->elements) {
        auto node = ReadKeyNode(cells, element.keyNodeOffset);
        ASSERT_TRUE(node.ok());
        std::u16string name = node->Name();
        EXPECT_LT(CompareNames(previous, name), 0) << "subkeys out of order";
        previous = name;
        if (element.form == LeafForm::HashLeaf) {
            EXPECT_EQ(element.check, NameHash(name));
        }
        if (element.form == LeafForm::FastLeaf) {
            EXPECT_EQ(element.check, NameHint(name));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SubkeyListForms,
    ::testing::Values(ListFormCase{"lf_small", 10, 3, false, "lf", "lf", 1},
                      ListFormCase{"lh_small", 10, 5, false, "lh", "lh", 1},
                      ListFormCase{"li_small", 10, 5, true, "li", "li", 1},
                      ListFormCase{"lh_full_leaf", 507, 5, false, "lh", "lh", 1},
                      ListFormCase{"ri_over_lh", 508, 5, false, "ri", "lh", 2},
                      ListFormCase{"ri_over_lf", 1200, 3, false, "ri", "lf", 3},
                      ListFormCase{"ri_over_li", 2100, 6, true, "ri", "li", 3}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(NameEncoding, CompressedOnlyWhenEveryCharacterFitsAByte) {
    HiveFile hive = Open(Build(testing::RichTree()));
    struct Case {
        const char* path;
        bool compressed;
    } cases[] = {{"Software", true}, {"Software\\äpfel", true}, {"Software\\ключ", false}, {"Software\\键", false}};
    for (const auto& c : cases) {
        auto key = hive.FindKey(c.path);
        ASSERT_TRUE(key.ok() && key->has_value()) << c.path;
        auto node = ReadKeyNode(ImplOf(hive).cells, (*key)->CellOffset());
        EXPECT_EQ(node->CompressedName(), c.compressed) << c.path;
        EXPECT_EQ((*key)->Name(), std::string(c.path).substr(std::string(c.path).rfind('\\') + 1));
    }
}

struct DataFormCase {
    const char* value;
    std::uint32_t minorVersion;
    const char* form;   // "resident", "cell" or "db"
};

class ValueDataForms : public ::testing::TestWithParam<DataFormCase> {};

TEST_P(ValueDataForms, FollowSizeAndVersion) {
    const auto& c = GetParam();
    BuildOptions options;
    options.minorVersion = c.minorVersion;
    HiveFile hive = Open(Build(testing::RichTree(), options));
    const auto& cells = ImplOf(hive).cells;
    auto root = ReadKeyNode(cells, hive.Root()->CellOffset());
    std::vector<std::uint32_t> valueOffsets;
    auto list = cells.Allocated(root->header.key_values_list_offset, "test");
    for (std::uint32_t i = 0; i < root->header.number_of_key_values; ++i)
        valueOffsets.push_back(ReadLe32(list->data.data() + 4 * i));
    bool found = false;
    for (auto offset : valueOffsets) {
        auto value = ReadKeyValue(cells, offset);
        ASSERT_TRUE(value.ok());
        if (Utf16ToUtf8(value->Name()) != c.value) continue;
        found = true;
        std::string form = value->Resident() ? "resident" : SignatureAt(hive, value->header.data_offset) == "db" ? "db" : "cell";
        EXPECT_EQ(form, c.form);
        auto data = ReadValueData(cells, *value, c.minorVersion);
        ASSERT_TRUE(data.ok()) << data.error().ToString();
        EXPECT_EQ(data->size(), value->DataSize());
    }
    EXPECT_TRUE(found) << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ValueDataForms,
    ::testing::Values(DataFormCase{"Empty", 5, "resident"}, DataFormCase{"Dword", 5, "resident"},
                      DataFormCase{"Three", 5, "resident"}, DataFormCase{"Five", 5, "cell"},
                      DataFormCase{"Exactly one segment", 5, "cell"}, DataFormCase{"One byte past a segment", 5, "db"},
                      DataFormCase{"Big", 4, "db"}, DataFormCase{"Big", 3, "cell"},
                      DataFormCase{"One byte past a segment", 3, "cell"}));

TEST(Lookup, PathsAndValueNamesIgnoreCase) {
    HiveFile hive = Open(Build(testing::RichTree()));
    auto found = hive.FindKey("software\\MICROSOFT");
    ASSERT_TRUE(found.ok() && found->has_value());
    EXPECT_EQ((*found)->Name(), "Microsoft");
    auto value = (*found)->Value("VERSION");
    ASSERT_TRUE(value.ok() && value->has_value());
    EXPECT_EQ(FromUtf16((*value)->data), "6.1");
    EXPECT_EQ((*found)->Value("Missing")->has_value(), false);
    EXPECT_FALSE(hive.FindKey("Software\\Nope")->has_value());
    EXPECT_TRUE(hive.FindKey("SOFTWARE\\ÄPFEL")->has_value());   // Latin-1 letters fold too
    EXPECT_TRUE(hive.FindKey("software\\КЛЮЧ")->has_value());    // and Cyrillic
    auto root = hive.FindKey("");
    ASSERT_TRUE(root.ok() && root->has_value());
    EXPECT_EQ((*root)->Name(), "ROOT");
    auto deep = hive.FindKey("SYSTEM\\Level0\\Level1\\Level2");
    EXPECT_TRUE(deep->has_value());
}

TEST(BaseBlock, HoldsVersionSequenceChecksumAndTheFileNameTail) {
    BuildOptions options;
    options.fileName = "\\??\\C:\\Windows\\System32\\config\\SOFTWARE";
    auto bytes = Build(testing::RichTree(), options);
    BaseBlockHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    EXPECT_TRUE(header.signature.Is("regf"));
    EXPECT_EQ(header.primary_sequence_number.get(), header.secondary_sequence_number.get());
    EXPECT_EQ(header.checksum.get(), BaseBlockChecksum(header));
    EXPECT_EQ(header.hive_bins_data_size + 4096u, bytes.size());
    EXPECT_EQ(bytes.size() % 4096, 0u);
    std::u16string stored;
    for (int i = 0; i < 32 && header.file_name[2 * i]; ++i)
        stored += static_cast<char16_t>(header.file_name[2 * i] | (header.file_name[2 * i + 1] << 8));
    EXPECT_EQ(Utf16ToUtf8(stored), "indows\\System32\\config\\SOFTWARE");   // the last 31 characters
}

TEST(BaseBlock, ChecksumAvoidsTheValuesMeaningNone) {
    BaseBlockHeader header{};
    EXPECT_EQ(BaseBlockChecksum(header), 1u);   // all zero would XOR to 0
    header.signature.Set("\xFF\xFF\xFF\xFF");
    EXPECT_EQ(BaseBlockChecksum(header), 0xFFFFFFFEu);
}

TEST(Builder, SameSeedSameBytesOtherSeedOtherLayout) {
    BuildOptions options;
    options.fragmentation = 0.3;
    auto tree = testing::RichTree();
    auto a = Build(tree, options), b = Build(tree, options);
    EXPECT_EQ(a, b);
    options.seed = 2;
    EXPECT_NE(Build(tree, options), a);
}

TEST(Builder, DirtyOptionLeavesSequenceNumbersUnequal) {
    BuildOptions options;
    options.dirty = true;
    HiveFile hive = Open(Build(testing::RichTree(), options));
    EXPECT_TRUE(hive.IsDirty());
}

double FreeShare(const HiveFile& hive) {
    std::uint64_t freeBytes = 0;
    ImplOf(hive).cells.ForEachCell([&](const Cell& cell) {
        if (!cell.allocated) freeBytes += cell.size;
    });
    return static_cast<double>(freeBytes) / (hive.FileSize() - 4096);
}

TEST(Builder, FragmentationLeavesAboutThatShareFree) {
    auto tree = testing::WideTree(3000);
    for (auto& key : tree.subkeys) key.values.push_back({"v", 1, Utf16z("some text of a value")});
    for (double wanted : {0.0, 0.1, 0.25, 0.5}) {
        BuildOptions options;
        options.fragmentation = wanted;
        HiveFile hive = Open(Build(tree, options));
        EXPECT_NEAR(FreeShare(hive), wanted, 0.04) << "fragmentation " << wanted;
    }
}

TEST(Builder, RefusesDuplicateAndBadNames) {
    KeySpec duplicate{"R", "", 0, {}, {}, {{"Same", "", 0, {}, {}, {}}, {"SAME", "", 0, {}, {}, {}}}};
    auto a = BuildBytes(duplicate, {});
    ASSERT_FALSE(a.ok());
    EXPECT_NE(a.error().message.find("two subkeys named"), std::string::npos) << a.error().message;
    KeySpec slash{"R", "", 0, {}, {}, {{"a\\b", "", 0, {}, {}, {}}}};
    EXPECT_FALSE(BuildBytes(slash, {}).ok());
    KeySpec empty{"R", "", 0, {}, {}, {{"", "", 0, {}, {}, {}}}};
    EXPECT_FALSE(BuildBytes(empty, {}).ok());
    BuildOptions badVersion;
    badVersion.minorVersion = 7;
    EXPECT_FALSE(BuildBytes(testing::RichTree(), badVersion).ok());
}

TEST(KeyView, OutlivesTheHiveFileItCameFrom) {
    std::optional<KeyView> key;
    {
        HiveFile hive = Open(Build(testing::RichTree()));
        key = hive.FindKey("Software\\Microsoft")->value();
    }
    EXPECT_EQ(key->Name(), "Microsoft");
    EXPECT_EQ(FromUtf16(key->Values()->at(0).data), "6.1");
}

TEST(Files, BuildFileAndOpenAgree) {
    testing::TempDir dir;
    std::string path = dir.File("hive");
    ASSERT_TRUE(BuildFile(testing::RichTree(), {}, path).ok());
    auto hive = HiveFile::Open(path);
    ASSERT_TRUE(hive.ok()) << hive.error().ToString();
    EXPECT_EQ(std::vector<std::uint8_t>(hive->Bytes().begin(), hive->Bytes().end()), Build(testing::RichTree()));
    auto missing = HiveFile::Open(dir.File("missing"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().message.find("missing"), std::string::npos);
}

TEST(ValueHelpers, EncodeAndDecode) {
    EXPECT_EQ(Utf16z("A"), (std::vector<std::uint8_t>{'A', 0, 0, 0}));
    EXPECT_EQ(MultiSz({"a", "b"}), (std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
    EXPECT_EQ(Dword(0x01020304), (std::vector<std::uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(Qword(0x0102030405060708ull), (std::vector<std::uint8_t>{8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(FromUtf16(Utf16z("Größe 键")), "Größe 键");
    EXPECT_EQ(FromUtf16({'a', 0, 'b', 0, 0, 0, 'c', 0}), "ab");   // stops at the first zero
    EXPECT_EQ(FromUtf16(Utf16z("😀")), "😀");                     // surrogate pairs survive
}

}  // namespace
}  // namespace kelvara::regf

// Damaged input: the reader refuses it with an error naming the structure and offset, and
// nothing crashes, hangs or allocates beyond the file's size.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "hive_fixtures.h"
#include "regf/base_block.h"
#include "regf/big_data.h"
#include "regf/hive_bin.h"
#include "regf/hive_writer.h"
#include "regf/key_node.h"
#include "regf/key_tree_writer.h"
#include "regf/key_value.h"
#include "regf/default_security.h"

namespace kelvara::regf {
namespace {

using testing::Build;
using testing::FieldAt;
using testing::Get32;
using testing::KeyCell;
using testing::Put16;
using testing::Put32;

// Reads every key, class, descriptor and value; the first error.
Status ReadAll(const KeyView& key) {
    if (auto c = key.ClassName(); !c) return c.error();
    if (auto s = key.SecurityDescriptor(); !s) return s.error();
    if (auto v = key.Values(); !v) return v.error();
    auto subkeys = key.Subkeys();
    if (!subkeys) return subkeys.error();
    for (const auto& subkey : *subkeys)
        if (auto read = ReadAll(subkey); !read) return read;
    return Done{};
}

Status OpenAndReadAll(std::span<const std::uint8_t> view) {
    std::vector<std::uint8_t> bytes(view.begin(), view.end());
    auto hive = HiveFile::FromBytes(std::move(bytes));
    if (!hive) return hive.error();
    return ReadAll(hive->Root().value());
}

std::uint32_t SubkeyListOf(const std::vector<std::uint8_t>& b, const std::string& path) {
    return Get32(b, FieldAt(KeyCell(b, path), offsetof(KeyNodeHeader, subkeys_list_offset)));
}

using Damage = std::function<void(std::vector<std::uint8_t>&)>;

struct RefusalCase {
    const char* label;
    Damage damage;
    const char* expected;
};

const RefusalCase kRefusals[] = {
    {"cycle_to_root", [](auto& b) { Put32(b, FieldAt(SubkeyListOf(b, "Software"), 4), KeyCell(b, "")); },
     "lists the root key as a subkey"},
    {"cycle_to_ancestor",
     [](auto& b) { Put32(b, FieldAt(SubkeyListOf(b, "SYSTEM\\Level0\\Level1"), 4), KeyCell(b, "SYSTEM\\Level0")); },
     "but its parent is"},
    {"self_reference",
     [](auto& b) { Put32(b, FieldAt(SubkeyListOf(b, "SYSTEM\\Level0\\Level1"), 4), KeyCell(b, "SYSTEM\\Level0\\Level1")); },
     "but its parent is"},
    {"subkey_count_larger_than_the_file",
     [](auto& b) { Put32(b, FieldAt(KeyCell(b, ""), offsetof(KeyNodeHeader, number_of_subkeys)), 0xFFFFFFFF); },
     "expected 4294967295 elements"},
    {"value_count_larger_than_the_file",
     [](auto& b) { Put32(b, FieldAt(KeyCell(b, ""), offsetof(KeyNodeHeader, number_of_key_values)), 0x7FFFFFFF); },
     "expected 2147483647 elements, found room for"},
    {"name_longer_than_its_cell",
     [](auto& b) { Put16(b, FieldAt(KeyCell(b, "Software"), offsetof(KeyNodeHeader, key_name_length)), 0xFFFF); },
     "runs past the end of its cell"},
    {"class_longer_than_its_cell",
     [](auto& b) { Put16(b, FieldAt(KeyCell(b, "SYSTEM"), offsetof(KeyNodeHeader, class_name_length)), 0xFFFF); },
     "expected 65535 bytes"},
    {"value_data_larger_than_the_file",
     [](auto& b) {
         auto list = Get32(b, FieldAt(KeyCell(b, "Software\\Microsoft"), offsetof(KeyNodeHeader, key_values_list_offset)));
         Put32(b, FieldAt(Get32(b, FieldAt(list, 0)), offsetof(KeyValueHeader, data_size)), 0x7FFFFFF0);
     },
     "larger than the hive bins"},
    {"resident_data_over_four_bytes",
     [](auto& b) {
         auto list = Get32(b, FieldAt(KeyCell(b, "Software\\Zeta"), offsetof(KeyNodeHeader, key_values_list_offset)));
         Put32(b, FieldAt(Get32(b, FieldAt(list, 0)), offsetof(KeyValueHeader, data_size)), 0x80000010);
     },
     "at most 4 bytes"},
    {"list_offset_outside_the_file",
     [](auto& b) { Put32(b, FieldAt(KeyCell(b, "Software"), offsetof(KeyNodeHeader, subkeys_list_offset)), 0xFFFFFFF0); },
     "outside the hive bins"},
    {"list_offset_into_the_middle_of_a_cell",
     [](auto& b) {
         auto field = FieldAt(KeyCell(b, "Software"), offsetof(KeyNodeHeader, subkeys_list_offset));
         Put32(b, field, Get32(b, field) + 8);
     },
     "is not the start of a cell"},
    {"security_offset_to_a_key_node",
     [](auto& b) { Put32(b, FieldAt(KeyCell(b, "Software"), offsetof(KeyNodeHeader, key_security_offset)), KeyCell(b, "")); },
     "expected signature \"sk\""},
    {"root_without_security",
     [](auto& b) { Put32(b, FieldAt(KeyCell(b, ""), offsetof(KeyNodeHeader, key_security_offset)), 0xFFFFFFFF); },
     "outside the hive bins"},
};

class ReaderRefuses : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ReaderRefuses, WithAClearErrorAndTheCompactorToo) {
    auto bytes = Build(testing::RichTree());
    GetParam().damage(bytes);
    Status read = OpenAndReadAll(bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().message.find(GetParam().expected), std::string::npos) << read.error().ToString();
    EXPECT_GE(read.error().offset, 4096u) << "the offset names the damaged structure in the hive bins";
    auto hive = HiveFile::FromBytes(bytes);
    if (hive) {
        EXPECT_FALSE(CompactBytes(*hive).ok());
        EXPECT_FALSE(Check(*hive).sound);
    }
    // Compacting the file checks each bin only as the walk reaches it: a different path.
    testing::TempDir dir;
    testing::WriteFileBytes(dir.File("in"), bytes);
    auto compacted = Compact(dir.File("in"), dir.File("out"));
    ASSERT_FALSE(compacted.ok());
    EXPECT_GE(compacted.error().offset, 4096u) << compacted.error().ToString();
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReaderRefuses, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ReaderRefuses, TruncatedFilesAtEveryStage) {
    auto whole = Build(testing::RichTree());
    for (std::size_t size : {std::size_t{0}, std::size_t{3}, std::size_t{100}, std::size_t{4095}, std::size_t{4096},
                             std::size_t{4096 + 100}, whole.size() / 2, whole.size() - 1}) {
        std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        auto hive = HiveFile::FromBytes(cut);
        ASSERT_FALSE(hive.ok()) << size;
        EXPECT_NE(hive.error().message.find("base block"), std::string::npos) << hive.error().ToString();
    }
}

TEST(ReaderRefuses, AnIndexRootListingOneLeafOverAndOver) {
    BuildOptions options;
    options.maxLeafElements = 2;
    auto bytes = Build(testing::WideTree(6), options);   // an "ri" over three leaves of two
    std::uint32_t ri = SubkeyListOf(bytes, "");
    std::uint32_t firstLeaf = Get32(bytes, FieldAt(ri, 4));
    Put32(bytes, FieldAt(ri, 8), firstLeaf);
    Put32(bytes, FieldAt(ri, 12), firstLeaf);
    Status read = OpenAndReadAll(bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().message.find("twice"), std::string::npos) << read.error().ToString();

    Put32(bytes, FieldAt(ri, 4), ri);   // and an index root inside itself
    read = OpenAndReadAll(bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().message.find("expected signature \"li\", \"lf\" or \"lh\""), std::string::npos)
        << read.error().ToString();
}

TEST(ReaderRefuses, BigDataWhoseSegmentsAreMissing) {
    auto bytes = Build(testing::RichTree());
    HiveFile hive = testing::Open(bytes);
    // Find the root's "Big" value and point its segment list outside the file.
    auto root = hive.Root().value();
    auto list = Get32(bytes, FieldAt(root.CellOffset(), offsetof(KeyNodeHeader, key_values_list_offset)));
    for (std::uint32_t i = 0;; ++i) {
        std::uint32_t vk = Get32(bytes, FieldAt(list, 4 * i));
        if (Get32(bytes, FieldAt(vk, offsetof(KeyValueHeader, data_size))) != 100000) continue;
        std::uint32_t db = Get32(bytes, FieldAt(vk, offsetof(KeyValueHeader, data_offset)));
        Put32(bytes, FieldAt(db, offsetof(BigDataHeader, segments_list_offset)), 0x7FFFFFF0);
        break;
    }
    Status read = OpenAndReadAll(bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().message.find("big data segment list"), std::string::npos) << read.error().ToString();
}

// A chain of keys deeper than the registry allows, written directly (the builder refuses it).
std::vector<std::uint8_t> ChainOfDepth(std::uint32_t depth) {
    HiveWriter writer;
    KeyTreeWriter tree(writer, 5, SubkeyListLayout{LeafForm::HashLeaf, 0});
    std::vector<std::uint32_t> offsets;
    const auto security = DefaultKeySecurity();
    std::uint32_t parent = 0;
    const std::string name = EncodeName(u"K", false);
    for (std::uint32_t i = 0; i <= depth; ++i) {
        KeyRecord record;
        record.name = Utf16View(name);
        record.security = security;
        parent = tree.WriteKey(record, parent).value();
        offsets.push_back(parent);
    }
    for (std::size_t i = offsets.size() - 1; i > 0; --i) EXPECT_TRUE(tree.FinishKey(offsets[i - 1], {{offsets[i], Utf16View(name)}}).ok());
    tree.FinishSecurity();
    BaseBlockFields fields;
    fields.rootCellOffset = offsets[0];
    return writer.Finish(fields);
}

TEST(ReaderRefuses, KeysNestedDeeperThan512Levels) {
    HiveFile fine = testing::Open(ChainOfDepth(512));
    EXPECT_TRUE(OpenAndReadAll(fine.Bytes()).ok());
    EXPECT_TRUE(Check(fine).sound) << Check(fine).Text();

    HiveFile deep = testing::Open(ChainOfDepth(600));
    Status read = OpenAndReadAll(deep.Bytes());
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().message.find("deeper than 512"), std::string::npos) << read.error().ToString();
    EXPECT_FALSE(CompactBytes(deep).ok());
    EXPECT_FALSE(Check(deep).sound);
}

// Cells that do not tile their bin. Opening a hive checks every bin; compacting a file checks
// each bin when its walk first reaches it, so a broken bin that holds nothing reachable costs
// the copy nothing and loses nothing.
TEST(BinsCheckedAsReached, ABrokenBinIsRefusedWhenReachedAndLeftOutOtherwise) {
    const auto original = Build(testing::RichTree());
    auto reached = original;
    Put32(reached, 4096 + KeyCell(reached, "Software"), 0xFFFFFFF9);   // a size of -7

    // One more bin after the last, whose only cell claims more than the bin holds.
    auto unreached = original;
    const std::uint32_t binOffset = static_cast<std::uint32_t>(unreached.size() - 4096);
    unreached.resize(unreached.size() + 4096, 0);
    WriteHiveBinHeader(unreached.data() + 4096 + binOffset, binOffset, 4096, 0);
    Put32(unreached, 4096 + binOffset + kHiveBinHeaderSize, 8192);
    Put32(unreached, offsetof(BaseBlockHeader, hive_bins_data_size), binOffset + 4096);
    testing::Reseal(unreached);

    testing::TempDir dir;
    for (const auto* bytes : {&reached, &unreached}) {
        auto opened = HiveFile::FromBytes(*bytes);
        ASSERT_FALSE(opened.ok());
        EXPECT_NE(opened.error().message.find("fits the hive bin"), std::string::npos) << opened.error().ToString();
    }
    testing::WriteFileBytes(dir.File("reached"), reached);
    auto refused = Compact(dir.File("reached"), dir.File("out"));
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().message.find("fits the hive bin"), std::string::npos) << refused.error().ToString();

    testing::WriteFileBytes(dir.File("unreached"), unreached);
    ASSERT_TRUE(Compact(dir.File("unreached"), dir.File("out")).ok());
    EXPECT_EQ(testing::ReadFileBytes(dir.File("out")), CompactBytes(testing::Open(original)).value())
        << "the copy holds exactly what the undamaged hive holds";
}

// A subkey list out of the registry's order is sorted in the copy; two subkeys whose names differ
// only in case cannot both be reached, so such a hive is refused. Both through the file's walk,
// which checks bins as reached, and through a hive opened whole.
TEST(SubkeysOutOfOrder, AreSortedInTheCopyUnlessTwoShareAName) {
    const auto original = Build(testing::RichTree());
    const std::vector<std::uint8_t> expected = CompactBytes(testing::Open(original)).value();

    // Software's six subkeys in a leaf of 8-byte elements (offset and hash), reversed.
    auto reversed = original;
    const std::uint32_t list = SubkeyListOf(reversed, "Software");
    for (std::uint32_t i = 0, j = 5; i < j; ++i, --j)
        for (std::uint32_t half : {0u, 4u}) {
            const std::uint32_t a = Get32(reversed, FieldAt(list, 4 + 8 * i + half));
            Put32(reversed, FieldAt(list, 4 + 8 * i + half), Get32(reversed, FieldAt(list, 4 + 8 * j + half)));
            Put32(reversed, FieldAt(list, 4 + 8 * j + half), a);
        }
    ASSERT_NE(reversed, original);

    // "alpha", the first in order, renamed "ZETA", as "Zeta" but for case.
    auto twice = original;
    const std::uint32_t alpha = KeyCell(twice, "Software\\alpha");
    Put16(twice, FieldAt(alpha, offsetof(KeyNodeHeader, key_name_length)), 4);
    for (std::uint32_t i = 0; i < 4; ++i) twice[FieldAt(alpha, sizeof(KeyNodeHeader) + i)] = "ZETA"[i];

    testing::TempDir dir;
    testing::WriteFileBytes(dir.File("reversed"), reversed);
    ASSERT_TRUE(Compact(dir.File("reversed"), dir.File("out")).ok());
    EXPECT_EQ(testing::ReadFileBytes(dir.File("out")), expected);
    auto inMemory = CompactBytes(testing::Open(reversed));
    ASSERT_TRUE(inMemory.ok()) << inMemory.error().ToString();
    EXPECT_EQ(*inMemory, expected);

    testing::WriteFileBytes(dir.File("twice"), twice);
    auto fromFile = Compact(dir.File("twice"), dir.File("out2"));
    auto fromBytes = CompactBytes(testing::Open(twice));
    ASSERT_FALSE(fromFile.ok());
    ASSERT_FALSE(fromBytes.ok());
    for (const Error& refused : {fromFile.error(), fromBytes.error()}) {
        EXPECT_NE(refused.message.find("two subkeys are named \"Zeta\""), std::string::npos) << refused.ToString();
        EXPECT_EQ(refused.offset, FieldAt(list, 0) - 4) << "the offset is the subkey list's cell";
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("out2")));
}

// Random damage anywhere: every outcome is a result, and whatever the compactor accepts it
// turns into a sound hive.
TEST(RandomDamage, NeverCrashesAndCompactsOnlyIntoSoundHives) {
    BuildOptions options;
    options.fragmentation = 0.2;
    options.maxLeafElements = 3;
    const auto original = Build(testing::RichTree(), options);
    std::mt19937 rng(12345);
    testing::TempDir dir;
    int opened = 0, compacted = 0, compactedFromFile = 0;
    for (int round = 0; round < 400; ++round) {
        auto bytes = original;
        int changes = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < changes; ++i) {
            // Mostly inside the hive bins, sometimes in the base block's fields.
            std::size_t at = (rng() % 8 == 0) ? rng() % 48 : 4096 + rng() % (bytes.size() - 4096);
            bytes[at] = static_cast<std::uint8_t>(rng());
        }
        // From a file, bins are checked as reached: whatever that path accepts is sound too,
        // and where opening the bytes accepts the hive, both paths give the same copy.
        testing::WriteFileBytes(dir.File("in"), bytes);
        auto fromFile = Compact(dir.File("in"), dir.File("out"));
        if (fromFile) {
            ++compactedFromFile;
            auto copy = HiveFile::FromBytes(testing::ReadFileBytes(dir.File("out")));
            ASSERT_TRUE(copy.ok()) << copy.error().ToString();
            EXPECT_TRUE(Check(*copy).sound) << "round " << round;
        }
        auto hive = HiveFile::FromBytes(bytes);
        if (!hive) {
            EXPECT_FALSE(hive.error().message.empty());
            continue;
        }
        ++opened;
        (void)OpenAndReadAll(bytes);
        CheckReport report = Check(*hive);
        EXPECT_EQ(report.sound, report.problems.empty() && !report.dirty);
        auto output = CompactBytes(*hive);
        EXPECT_EQ(output.ok(), fromFile.ok()) << "round " << round;
        if (!output) continue;
        ++compacted;
        if (fromFile) {
            EXPECT_EQ(testing::ReadFileBytes(dir.File("out")), *output) << "round " << round;
        }
        auto reopened = HiveFile::FromBytes(*output);
        ASSERT_TRUE(reopened.ok()) << reopened.error().ToString();
        CheckReport after = Check(*reopened);
        EXPECT_TRUE(after.sound) << "round " << round << "\n" << after.Text();
    }
    // The damage must have reached all three outcomes for the test to mean something.
    EXPECT_GT(opened, 0);
    EXPECT_GT(compacted, 0);
    EXPECT_LT(compacted, 400);
    EXPECT_GE(compactedFromFile, compacted);
}

}  // namespace
}  // namespace kelvara::regf

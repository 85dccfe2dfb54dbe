// The checker passes sound hives and names each kind of damage with its offset.
#include <gtest/gtest.h>

#include <functional>

#include "hive_fixtures.h"
#include "regf/base_block.h"
#include "regf/big_data.h"
#include "regf/cell.h"
#include "regf/errors.h"
#include "regf/hive_file_impl.h"
#include "regf/key_node.h"
#include "regf/key_value.h"
#include "regf/names.h"
#include "regf/security_key.h"
#include "regf/subkey_list_types.h"

namespace kelvara::regf {
namespace {

using testing::Build;
using testing::FieldAt;
using testing::Get32;
using testing::KeyCell;
using testing::Open;
using testing::Put16;
using testing::Put32;

std::string Problems(const CheckReport& report) {
    std::string all;
    for (const auto& line : report.problems) all += line + "\n";
    return all;
}

class CheckSound : public ::testing::TestWithParam<testing::LayoutCase> {};

TEST_P(CheckSound, BuiltAndCompactedHivesPass) {
    const auto& c = GetParam();
    BuildOptions options = testing::OptionsFor(c);
    HiveFile hive = Open(Build(testing::RichTree(), options));
    CheckReport report = Check(hive);
    EXPECT_TRUE(report.sound) << report.Text();
    EXPECT_TRUE(report.notes.empty()) << report.Text();
    const HiveStats& stats = report.stats;
    EXPECT_EQ(stats.fileSize, hive.FileSize());
    EXPECT_EQ(stats.reachableBytes, stats.usedBytes);   // nothing leaked
    EXPECT_EQ(stats.hiveBinsBytes, hive.FileSize() - 4096);
    EXPECT_GT(stats.usedBytes, 0u);
    EXPECT_NEAR(stats.FragmentationPercent(),
                100.0 * (stats.hiveBinsBytes - stats.reachableBytes) / stats.hiveBinsBytes, 1e-9);

    CompactStats compactStats;
    HiveFile compacted = Open(CompactBytes(hive, &compactStats).value());
    CheckReport after = Check(compacted);
    EXPECT_TRUE(after.sound) << after.Text();
    EXPECT_EQ(after.stats.reachableBytes, compactStats.reachableBytes);
    // The bins hold their headers and cells, nothing else.
    EXPECT_EQ(after.stats.freeBytes + after.stats.usedBytes + 32 * ImplOf(compacted).cells.Bins().size(),
              after.stats.hiveBinsBytes);
    if (c.fragmentation > 0) {
        EXPECT_GT(stats.FragmentationPercent(), 100 * c.fragmentation * 0.8);
        EXPECT_LT(after.stats.FragmentationPercent(), 5.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, CheckSound,
                         ::testing::Values(testing::LayoutCase{"v1_3", 3, false, 0, 0.0}, testing::LayoutCase{"v1_5", 5, false, 0, 0.0},
                                           testing::LayoutCase{"v1_5_li_ri", 5, true, 2, 0.0},
                                           testing::LayoutCase{"v1_3_ri_fragmented", 3, false, 2, 0.3},
                                           testing::LayoutCase{"v1_6_fragmented", 6, false, 0, 0.45}),
                         [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------------------------------------

using Damage = std::function<void(std::vector<std::uint8_t>&)>;

struct DamageCase {
    const char* label;
    Damage damage;
    const char* expected;   // part of one problem line
    bool dirty = false;
};

std::uint32_t SecurityCell(const std::vector<std::uint8_t>& bytes, const std::string& path) {
    return Get32(bytes, FieldAt(KeyCell(bytes, path), offsetof(KeyNodeHeader, key_security_offset)));
}

std::uint32_t CellSize(const std::vector<std::uint8_t>& bytes, std::uint32_t cell) {
    return 0u - Get32(bytes, 4096 + cell);
}

// The value of the root named `name`.
std::uint32_t RootValueCell(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    HiveFile hive = Open(bytes);
    const auto& cells = ImplOf(hive).cells;
    auto root = ReadKeyNode(cells, hive.Root()->CellOffset()).value();
    for (std::uint32_t i = 0; i < root.header.number_of_key_values; ++i) {
        std::uint32_t offset = Get32(bytes, FieldAt(root.header.key_values_list_offset, 4 * i));
        auto value = ReadKeyValue(cells, offset).value();
        if (Utf16ToUtf8(value.Name()) == name) return offset;
    }
    throw std::runtime_error("no value " + name);
}

std::uint32_t RootSubkeyList(const std::vector<std::uint8_t>& bytes, const std::string& path) {
    return Get32(bytes, FieldAt(KeyCell(bytes, path), offsetof(KeyNodeHeader, subkeys_list_offset)));
}

const DamageCase kDamage[] = {
    {"bad_checksum", [](auto& b) { b[200] ^= 0x55; }, "checksum", true},
    {"sequence_numbers_differ", [](auto& b) { Put32(b, 8, Get32(b, 4) + 1); testing::Reseal(b); }, "sequence numbers differ", true},
    {"bad_signature", [](auto& b) { b[0] = 'x'; testing::Reseal(b); }, "\"regf\""},
    {"bad_bin_signature", [](auto& b) { b[4096] = 'x'; }, "\"hbin\""},
    {"bin_size_not_4096_multiple", [](auto& b) { Put32(b, 4096 + 8, 4000); }, "hive bin"},
    {"root_offset_out_of_range", [](auto& b) { Put32(b, 36, 0x7FFFFFF8); testing::Reseal(b); }, "root cell offset"},
    {"cell_offset_out_of_range",
     [](auto& b) { Put32(b, FieldAt(KeyCell(b, ""), offsetof(KeyNodeHeader, key_values_list_offset)), 0x7FFFFFF8); },
     "outside the hive bins"},
    {"cell_size_zero", [](auto& b) { Put32(b, 4096 + 32, 0); }, "cell: size"},
    {"overlapping_cells",
     [](auto& b) {
         // The root's cell swallows the cell after it (its security descriptor).
         std::uint32_t root = KeyCell(b, "");
         std::uint32_t next = root + CellSize(b, root);
         Put32(b, 4096 + root, 0u - (CellSize(b, root) + CellSize(b, next)));
     },
     "not the start of a cell"},
    {"wrong_subkey_count",
     [](auto& b) {
         auto field = FieldAt(KeyCell(b, "Software"), offsetof(KeyNodeHeader, number_of_subkeys));
         Put32(b, field, Get32(b, field) + 1);
     },
     "number of subkeys is 7, its subkey list holds 6"},
    {"broken_security_list",
     [](auto& b) {
         std::uint32_t sk = SecurityCell(b, "SYSTEM");
         Put32(b, FieldAt(sk, offsetof(KeySecurityHeader, flink)), sk);
     },
     "blink is"},
    {"wrong_security_reference_count",
     [](auto& b) { Put32(b, FieldAt(SecurityCell(b, "SYSTEM"), offsetof(KeySecurityHeader, reference_count)), 1); },
     "reference count is 1, but 22 keys use it"},
    // One short is as dangerous as far short: the last key to go would free it under another.
    {"security_reference_count_one_short",
     [](auto& b) { Put32(b, FieldAt(SecurityCell(b, "SYSTEM"), offsetof(KeySecurityHeader, reference_count)), 21); },
     "reference count is 21, but 22 keys use it"},
    {"wrong_parent", [](auto& b) { Put32(b, FieldAt(KeyCell(b, "Software\\Zeta"), offsetof(KeyNodeHeader, parent)), 0); }, "parent is 0x0"},
    {"wrong_hash",
     [](auto& b) { Put32(b, FieldAt(RootSubkeyList(b, "Software"), 4 + 4), 0x12345678); },
     "hash of \"alpha\" is 0x12345678"},
    {"out_of_order",
     [](auto& b) {
         // Swap the first two elements of Software's hash leaf, hashes and all.
         auto first = FieldAt(RootSubkeyList(b, "Software"), 4);
         for (int i = 0; i < 8; ++i) std::swap(b[first + i], b[first + 8 + i]);
     },
     "out of order"},
    {"value_listed_twice",
     [](auto& b) {
         auto list = Get32(b, FieldAt(KeyCell(b, ""), offsetof(KeyNodeHeader, key_values_list_offset)));
         Put32(b, FieldAt(list, 4), Get32(b, FieldAt(list, 0)));
     },
     "reached a second time"},
    {"value_data_longer_than_its_cell",
     [](auto& b) { Put32(b, FieldAt(RootValueCell(b, "Five"), offsetof(KeyValueHeader, data_size)), 400); },
     "expected 400 bytes"},
    {"big_data_segment_count",
     [](auto& b) {
         std::uint32_t db = Get32(b, FieldAt(RootValueCell(b, "Big"), offsetof(KeyValueHeader, data_offset)));
         Put16(b, FieldAt(db, offsetof(BigDataHeader, number_of_segments)), 2);
     },
     "segments"},
    {"duplicate_value_name",
     [](auto& b) {
         // "Five" becomes "path", which the value "Path" already is, ignoring case.
         auto name = FieldAt(RootValueCell(b, "Five"), sizeof(KeyValueHeader));
         for (int i = 0; i < 4; ++i) b[name + i] = static_cast<std::uint8_t>("path"[i]);
     },
     "a second value named \"Path\""},
    {"bad_key_signature", [](auto& b) { b[FieldAt(KeyCell(b, "SYSTEM"), 0)] = 'x'; }, "expected signature \"nk\""},
};

// The rich tree with some free space, as `change` leaves it, written to `file`.
void WriteChangedHive(const std::string& file, const Damage& change) {
    BuildOptions options;
    options.fragmentation = 0.1;
    auto bytes = Build(testing::RichTree(), options);
    change(bytes);
    testing::WriteFileBytes(file, bytes);
}

class CheckDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(CheckDamage, IsReportedWithItsOffsetAndRefusedByTheCompactor) {
    const auto& c = GetParam();
    testing::TempDir dir;
    WriteChangedHive(dir.File("hive"), c.damage);
    CheckReport report = CheckFile(dir.File("hive"));
    EXPECT_FALSE(report.sound);
    EXPECT_EQ(report.dirty, c.dirty);
    EXPECT_NE(Problems(report).find(c.expected), std::string::npos) << report.Text();
    EXPECT_NE(Problems(report).find("offset 0x"), std::string::npos) << report.Text();
    EXPECT_NE(report.Text().find(c.dirty ? "Hive is dirty" : "Hive is damaged"), std::string::npos);

    auto compacted = Compact(dir.File("hive"), dir.File("out"));
    // Damage the checker only notes in passing (an out-of-order list or a wrong hash) is
    // repaired by compaction; everything else is refused.
    std::string label = c.label;
    if (label == "out_of_order" || label == "wrong_hash" || label == "wrong_security_reference_count" ||
        label == "security_reference_count_one_short" || label == "broken_security_list") {
        ASSERT_TRUE(compacted.ok()) << compacted.error().ToString();
        EXPECT_TRUE(CheckFile(dir.File("out")).sound) << CheckFile(dir.File("out")).Text();
    } else {
        EXPECT_FALSE(compacted.ok()) << label;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, CheckDamage, ::testing::ValuesIn(kDamage),
                         [](const auto& info) { return std::string(info.param.label); });

// What Windows itself leaves in hives it writes and loads without complaint: seen in a hive that
// Windows 10 wrote when it recovered a dirty hive (an allocated cell nothing references) and in
// one left by its self-healing (four such cells and an over-counted security descriptor). The
// hive stays sound, the report names each finding under its own heading, and compaction drops it.
struct UntidyCase {
    const char* label;
    Damage untidy;
    const char* expected;   // part of one untidiness line
};

std::uint32_t LastFreeCell(const std::vector<std::uint8_t>& b) {
    HiveFile hive = Open(b);
    std::uint32_t freeCell = kNoCell;
    ImplOf(hive).cells.ForEachCell([&](const Cell& cell) {
        if (!cell.allocated) freeCell = cell.offset;
    });
    return freeCell;
}

const UntidyCase kUntidy[] = {
    {"unreferenced_cell",
     [](auto& b) {
         std::uint32_t freeCell = LastFreeCell(b);
         Put32(b, 4096 + freeCell, 0u - Get32(b, 4096 + freeCell));
     },
     "bytes that nothing references"},
    {"security_counted_too_often",
     [](auto& b) { Put32(b, FieldAt(SecurityCell(b, "SYSTEM"), offsetof(KeySecurityHeader, reference_count)), 30); },
     "reference count is 30, 22 keys in the file use it"},
};

class CheckUntidy : public ::testing::TestWithParam<UntidyCase> {};

TEST_P(CheckUntidy, IsReportedApartFromDamageAndDroppedByCompaction) {
    const auto& c = GetParam();
    testing::TempDir dir;
    WriteChangedHive(dir.File("hive"), c.untidy);
    CheckReport report = CheckFile(dir.File("hive"));
    EXPECT_TRUE(report.sound) << report.Text();
    EXPECT_TRUE(report.problems.empty()) << report.Text();
    ASSERT_EQ(report.untidiness.size(), 1u) << report.Text();
    EXPECT_NE(report.untidiness[0].find(c.expected), std::string::npos) << report.Text();
    EXPECT_NE(report.untidiness[0].find("offset 0x"), std::string::npos) << report.Text();
    const std::string text = report.Text();
    EXPECT_EQ(text.rfind("Hive is sound", 0), 0u) << text;
    EXPECT_NE(text.find("Untidiness (1)"), std::string::npos) << text;
    EXPECT_EQ(text.find("Problems"), std::string::npos) << text;

    ASSERT_TRUE(Compact(dir.File("hive"), dir.File("out")).ok());
    CheckReport after = CheckFile(dir.File("out"));
    EXPECT_TRUE(after.sound) << after.Text();
    EXPECT_TRUE(after.untidiness.empty()) << after.Text();
}

INSTANTIATE_TEST_SUITE_P(Kinds, CheckUntidy, ::testing::ValuesIn(kUntidy),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(CheckFile, UnreadableFileIsAReport) {
    testing::TempDir dir;
    CheckReport missing = CheckFile(dir.File("none"));
    EXPECT_FALSE(missing.sound);
    ASSERT_EQ(missing.problems.size(), 1u);
    EXPECT_NE(missing.problems[0].find("none"), std::string::npos);
    testing::WriteFileBytes(dir.File("short"), {'r', 'e', 'g', 'f'});
    CheckReport truncated = CheckFile(dir.File("short"));
    EXPECT_FALSE(truncated.sound);
    EXPECT_EQ(truncated.stats.fileSize, 4u);
}

TEST(CheckReport, TextShowsFiguresAndProblems) {
    HiveFile hive = Open(Build(testing::RichTree(), testing::Fragmented(0.25)));
    CheckReport report = Check(hive);
    std::string text = report.Text();
    EXPECT_NE(text.find("Hive is sound"), std::string::npos);
    EXPECT_NE(text.find("file size:      " + std::to_string(hive.FileSize()) + " bytes"), std::string::npos) << text;
    EXPECT_NE(text.find("fragmentation:"), std::string::npos);
    EXPECT_EQ(text.find("Problems"), std::string::npos);
}

}  // namespace
}  // namespace kelvara::regf

namespace kelvara::regf {
namespace {

// A big value whose last segment sits in a short cell is sound, but hivex, reglookup, libregf
// and Parse::Win32Registry read it short or empty: the checker warns, naming key, value and
// offset, and the hive stays sound. Windows' own layout draws no warning.
TEST(CheckWarnings, NameShortBigDataSegmentsAndLeaveTheHiveSound) {
    struct Case {
        const char* label;
        std::uint32_t minorVersion;
        bool shortened;
        std::size_t warnings;
    } cases[] = {
        {"full segments", 5, false, 0},
        {"short last segment", 5, true, 1},
        {"one cell in format 1.3", 3, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        BuildOptions options;
        options.minorVersion = c.minorVersion;
        auto bytes = Build(testing::RichTree(), options);
        std::uint32_t segment = 0;
        if (c.shortened) segment = testing::ShortenLastSegment(bytes, "", "Big");
        CheckReport report = Check(Open(bytes));
        EXPECT_TRUE(report.sound) << Problems(report);
        ASSERT_EQ(report.warnings.size(), c.warnings) << report.Text();
        if (c.warnings == 0) continue;
        const std::string& line = report.warnings[0];
        EXPECT_NE(line.find("root key: value \"Big\" (100000 bytes): big data segment 7 of 7 has a cell of 1940 data bytes"),
                  std::string::npos) << line;
        EXPECT_NE(line.find("at offset " + Hex(4096 + segment)), std::string::npos) << line;
        EXPECT_NE(report.Text().find("warning: root key: value \"Big\""), std::string::npos);
        // A copy lays the value out as Windows does again.
        auto copy = CompactBytes(Open(bytes));
        ASSERT_TRUE(copy.ok()) << copy.error().ToString();
        EXPECT_TRUE(Check(Open(*copy)).warnings.empty());
    }
}

}  // namespace
}  // namespace kelvara::regf

namespace kelvara::regf {
namespace {

// Subkey lists are strictly ordered by upper-case name: two names alike but for case are in no
// order, and Windows' search of the list would find only one of them.
TEST(CheckOrder, TwoSubkeysAlikeButForCaseAreDamage) {
    KeySpec root{"ROOT", "", 1, {}, {}, {}};
    root.subkeys.push_back({"Same", "", 2, {}, {}, {}});
    root.subkeys.push_back({"Samf", "", 3, {}, {}, {}});
    auto bytes = Build(root);
    // "Samf" becomes "SAME", with the hash of "Same" (the first element's): only the order is wrong.
    const std::uint32_t samf = KeyCell(bytes, "Samf");
    const auto name = FieldAt(samf, sizeof(KeyNodeHeader));
    for (int i = 0; i < 4; ++i) bytes[name + i] = static_cast<std::uint8_t>("SAME"[i]);
    const std::uint32_t list = Get32(bytes, FieldAt(KeyCell(bytes, ""), offsetof(KeyNodeHeader, subkeys_list_offset)));
    Put32(bytes, FieldAt(list, 4 + 8 + 4), Get32(bytes, FieldAt(list, 4 + 4)));

    CheckReport report = Check(Open(bytes));
    EXPECT_FALSE(report.sound);
    EXPECT_NE(Problems(report).find("\"SAME\" is out of order after \"Same\""), std::string::npos) << report.Text();
}

}  // namespace
}  // namespace kelvara::regf

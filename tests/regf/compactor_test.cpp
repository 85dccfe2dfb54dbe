// Compaction keeps exactly the reachable content, drops every free byte, is deterministic,
// and refuses what it must not touch.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "hive_fixtures.h"

namespace kelvara::regf {
namespace {

using testing::Build;
using testing::Dump;
using testing::Normalized;
using testing::Open;
using testing::ReadBack;

std::vector<std::uint8_t> CompactOrFail(const HiveFile& hive, CompactStats* stats = nullptr) {
    auto bytes = CompactBytes(hive, stats);
    EXPECT_TRUE(bytes.ok()) << bytes.error().ToString();
    return bytes ? *bytes : std::vector<std::uint8_t>();
}

class CompactRoundTrip : public ::testing::TestWithParam<testing::LayoutCase> {};

TEST_P(CompactRoundTrip, KeepsContentDropsFreeSpaceAndIsAFixedPoint) {
    const auto& c = GetParam();
    BuildOptions options = testing::OptionsFor(c);
    options.fileName = "config\\SOFTWARE";
    auto tree = testing::RichTree();
    auto input = Build(tree, options);

    CompactStats stats;
    auto once = CompactOrFail(Open(input), &stats);
    HiveFile compacted = Open(once);
    EXPECT_EQ(Dump(ReadBack(compacted)), Dump(Normalized(tree)));
    EXPECT_FALSE(compacted.IsDirty());
    EXPECT_EQ(compacted.MinorVersion(), c.minorVersion);
    EXPECT_EQ(stats.inputSize, input.size());
    EXPECT_EQ(stats.outputSize, once.size());
    EXPECT_EQ(stats.keys, 29u);
    EXPECT_EQ(stats.values, 17u);
    EXPECT_EQ(stats.securityDescriptors, 2u);
    EXPECT_LE(once.size(), input.size());

    // Compacting again changes nothing, byte for byte.
    EXPECT_EQ(CompactOrFail(compacted), once);

    // Without the free space the builder left, the layout is the one a packed build has, in
    // the list forms the registry uses for the version.
    BuildOptions packed = options;
    packed.fragmentation = 0;
    packed.indexLeaves = false;
    packed.maxLeafElements = 0;
    EXPECT_EQ(once, Build(tree, packed));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, CompactRoundTrip,
    ::testing::Values(testing::LayoutCase{"v1_3", 3, false, 0, 0.0}, testing::LayoutCase{"v1_5", 5, false, 0, 0.0},
                      testing::LayoutCase{"v1_6", 6, false, 0, 0.0}, testing::LayoutCase{"v1_3_fragmented", 3, false, 0, 0.3},
                      testing::LayoutCase{"v1_5_fragmented", 5, false, 0, 0.5},
                      testing::LayoutCase{"v1_5_li_and_ri_input", 5, true, 2, 0.2},
                      testing::LayoutCase{"v1_4_ri_of_lf_input", 4, false, 3, 0.1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CompactSize, IsTheReachableContentPacked) {
    auto tree = testing::WideTree(4000);
    for (auto& key : tree.subkeys) {
        key.className = "c";
        key.values.push_back({"text", 1, Utf16z("a value of some length " + key.name)});
    }
    BuildOptions options;
    options.fragmentation = 0.35;
    auto input = Build(tree, options);
    CompactStats stats;
    auto output = CompactOrFail(Open(input), &stats);
    // Within one bin of the ideal: the tails left free are a few bytes each.
    EXPECT_GE(output.size(), PackedHiveSize(stats.reachableBytes));
    EXPECT_LE(output.size(), PackedHiveSize(stats.reachableBytes) + 4096);
    EXPECT_LT(output.size(), input.size() * 0.7);
}

TEST(CompactSize, PackedHiveSizeCountsBinHeaders) {
    EXPECT_EQ(PackedHiveSize(0), 4096u);
    EXPECT_EQ(PackedHiveSize(4064), 8192u);
    EXPECT_EQ(PackedHiveSize(4065), 12288u);
}

TEST(CompactFile, WritesTheOutputAndReplacesAnOldOne) {
    testing::TempDir dir;
    testing::WriteFileBytes(dir.File("in"), Build(testing::RichTree(), testing::Fragmented(0.3)));
    testing::WriteFileBytes(dir.File("out"), {1, 2, 3});
    auto stats = Compact(dir.File("in"), dir.File("out"));
    ASSERT_TRUE(stats.ok()) << stats.error().ToString();
    auto written = testing::ReadFileBytes(dir.File("out"));
    EXPECT_EQ(written.size(), stats->outputSize);
    EXPECT_EQ(Dump(ReadBack(Open(written))), Dump(Normalized(testing::RichTree())));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.kvtmp")));
}

TEST(CompactFile, RefusesADirtyHiveAndWritesNothing) {
    testing::TempDir dir;
    BuildOptions options;
    options.dirty = true;
    testing::WriteFileBytes(dir.File("in"), Build(testing::RichTree(), options));
    auto result = Compact(dir.File("in"), dir.File("out"));
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().message.find("dirty"), std::string::npos) << result.error().message;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
    EXPECT_FALSE(CompactBytes(Open(Build(testing::RichTree(), options))).ok());
}

TEST(CompactFile, ReportsUnreadableInputAndUnwritableOutput) {
    testing::TempDir dir;
    auto missing = Compact(dir.File("nothing"), dir.File("out"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().message.find("nothing"), std::string::npos);

    testing::WriteFileBytes(dir.File("in"), Build(testing::RichTree()));
    auto noFolder = Compact(dir.File("in"), dir.File("no-such-folder/out"));
    ASSERT_FALSE(noFolder.ok());
    EXPECT_NE(noFolder.error().message.find("no-such-folder"), std::string::npos);

    testing::WriteFileBytes(dir.File("junk"), std::vector<std::uint8_t>(8192, 0x41));
    auto junk = Compact(dir.File("junk"), dir.File("out"));
    ASSERT_FALSE(junk.ok());
    EXPECT_NE(junk.error().message.find("regf"), std::string::npos) << junk.error().message;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
}

TEST(CompactFile, CancelStopsAndLeavesNoFiles) {
    testing::TempDir dir;
    auto tree = testing::WideTree(20000);
    for (auto& key : tree.subkeys) key.values.push_back({"v", 3, std::vector<std::uint8_t>(200, 7)});
    testing::WriteFileBytes(dir.File("in"), Build(tree));

    std::atomic<bool> cancel{false};
    CompactOptions options;
    options.cancel = &cancel;
    int callsAfterCancel = 0;
    options.progress = [&](std::uint64_t, std::uint64_t) {
        if (cancel) ++callsAfterCancel;
        cancel = true;   // the first report asks to stop
    };
    auto result = Compact(dir.File("in"), dir.File("out"), options);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error().message.find("cancelled"), std::string::npos);
    EXPECT_LE(callsAfterCancel, 1);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"in"});

    cancel = true;   // already set before the start
    options.progress = nullptr;
    EXPECT_FALSE(Compact(dir.File("in"), dir.File("out"), options).ok());
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
}

TEST(CompactFile, ReportsProgressInBytesUpToTheTotal) {
    testing::TempDir dir;
    auto tree = testing::WideTree(20000);
    for (auto& key : tree.subkeys) key.values.push_back({"v", 3, std::vector<std::uint8_t>(100, 7)});
    auto input = Build(tree, testing::Fragmented(0.2));
    testing::WriteFileBytes(dir.File("in"), input);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> reports;
    CompactOptions options;
    options.progress = [&](std::uint64_t done, std::uint64_t total) { reports.emplace_back(done, total); };
    ASSERT_TRUE(Compact(dir.File("in"), dir.File("out"), options).ok());
    ASSERT_GE(reports.size(), 3u);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].second, input.size());
        EXPECT_LE(reports[i].first, reports[i].second);
        if (i > 0) {
            EXPECT_GE(reports[i].first, reports[i - 1].first);
        }
    }
    EXPECT_EQ(reports.back().first, input.size());
}

}  // namespace
}  // namespace kelvara::regf

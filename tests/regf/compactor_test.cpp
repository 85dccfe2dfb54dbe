// Compaction keeps exactly the reachable content, drops every free byte, is deterministic,
// and refuses what it must not touch.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>

#include "hive_fixtures.h"
#include "regf/compactor.h"
#include "regf/default_security.h"
#include "regf/errors.h"
#include "regf/key_tree_writer.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

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

// A sink that keeps the streamed file in memory and counts the corrections it was sent.
class MemorySink : public HiveSink {
public:
    Status Append(std::span<const std::uint8_t> bytes) override {
        file.insert(file.end(), bytes.begin(), bytes.end());
        ++appends;
        return Done{};
    }
    Status Patch(std::uint64_t at, std::span<const std::uint8_t> bytes) override {
        EXPECT_LE(at + bytes.size(), file.size()) << "a patch past the end";
        if (at + bytes.size() > file.size()) return MakeError(at, "past the end");
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
        ++patches;
        return Done{};
    }
    std::vector<std::uint8_t> file;
    int appends = 0;
    int patches = 0;
};

// A tree whose keys own subtrees of every size, so the window closes over keys at every depth.
KeySpec NestedTree(int depth, int fanOut, const std::string& name) {
    KeySpec key;
    key.name = name;
    key.className = depth % 2 ? "odd" : "";
    key.values.push_back({"data", 3, std::vector<std::uint8_t>(40 + 13 * static_cast<std::size_t>(depth), 0xA5)});
    if (depth > 0)
        for (int i = 0; i < fanOut; ++i) key.subkeys.push_back(NestedTree(depth - 1, fanOut, name + "_" + std::to_string(i)));
    return key;
}

struct StreamCase {
    const char* label;
    KeySpec tree;
    std::uint32_t minorVersion;
    std::size_t window;
    bool streams;   // more bins than the window and the bins kept open hold
};

// "Key12" and the like; appended, as GCC 12 for i686 wrongly warns about "Key" + to_string(12).
std::string Numbered(const char* prefix, std::uint32_t n) {
    std::string name = prefix;
    name += std::to_string(n);
    return name;
}

// Keys with values of every size from empty to big data, drawn from a fixed sequence.
KeySpec MixedSizes(std::uint32_t keys) {
    KeySpec root;
    root.name = "Mixed";
    std::uint32_t state = 12345;
    auto next = [&](std::uint32_t bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % bound;
    };
    for (std::uint32_t k = 0; k < keys; ++k) {
        KeySpec key;
        key.name = Numbered("Key", k);
        if (next(3) == 0) key.className = std::string(next(40), 'c');
        const std::uint32_t values = next(6);
        for (std::uint32_t v = 0; v < values; ++v) {
            // Mostly small, some of a few kilobytes, a few past the 16 KB of a data cell.
            const std::uint32_t kind = next(20);
            const std::uint32_t size = kind < 14 ? next(64) : kind < 19 ? next(4000) : 16400 + next(20000);
            key.values.push_back({Numbered("v", v), 3, std::vector<std::uint8_t>(size, static_cast<std::uint8_t>(v))});
        }
        root.subkeys.push_back(std::move(key));
    }
    return root;
}

TEST(CompactSize, IsTheReachableContentPackedIntoWholeBins) {
    struct Case {
        const char* label;
        KeySpec tree;
    };
    auto classedWide = testing::WideTree(4000);
    for (auto& key : classedWide.subkeys) {
        key.className = "c";
        key.values.push_back({"text", 1, Utf16z("a value of some length " + key.name)});
    }
    const Case cases[] = {
        {"wide_with_classes", std::move(classedWide)},
        {"nested", NestedTree(5, 5, "N")},
        {"mixed_value_sizes", MixedSizes(3000)},
        {"rich", testing::RichTree()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto input = Build(c.tree, testing::Fragmented(0.35));
        CompactStats stats;
        auto output = CompactOrFail(Open(input), &stats);
        // No more bins than the reachable cells fill; a bin of several pages has one header
        // for all of them, so it can come out below that.
        EXPECT_LE(output.size(), PackedHiveSize(stats.reachableBytes));
        EXPECT_GE(output.size(), 4096 + stats.reachableBytes);
        EXPECT_LT(output.size(), input.size());
    }
}

TEST(CompactStreamed, GivesTheBytesOfTheCompactionInMemoryWhateverTheWindow) {
    const StreamCase cases[] = {
        {"rich_tiny_window", testing::RichTree(), 5, 4096, true},
        {"rich_v1_3", testing::RichTree(), 3, 8192, false},
        {"wide_tiny_window", testing::WideTree(3000), 5, 8192, true},
        {"nested_small_window", NestedTree(5, 5, "N"), 5, 16384, true},
        {"nested_large_window", NestedTree(5, 5, "N"), 5, 256 << 10, true},
        {"nested_window_larger_than_the_hive", NestedTree(3, 3, "N"), 6, 64 << 20, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        BuildOptions options;
        options.minorVersion = c.minorVersion;
        options.fragmentation = 0.2;
        HiveFile input = Open(Build(c.tree, options));
        CompactStats inMemory;
        const auto expected = CompactOrFail(input, &inMemory);
        MemorySink sink;
        CompactStats streamed;
        auto done = CompactHiveTo(input, {}, &streamed, sink, c.window);
        ASSERT_TRUE(done.ok()) << done.error().ToString();
        EXPECT_EQ(sink.file, expected);
        EXPECT_EQ(streamed.outputSize, expected.size());
        EXPECT_EQ(streamed.reachableBytes, inMemory.reachableBytes);
        if (c.streams) {
            // It really streamed, and keys finished after their node had gone out were patched.
            EXPECT_GE(sink.appends, 2);   // the last append is the finish
            EXPECT_GT(sink.patches, 1);
        } else {
            EXPECT_EQ(sink.patches, 1);   // the base block only
        }
    }
}

// A streamed hive is sent up to multiples of 64 KB of the file, which can fall inside a bin of
// several pages and inside a cell. A cell changed after part of it went out still comes out
// whole, as the same writer in memory lays it out.
TEST(CompactStreamed, ACellCutByASendTakesLaterChanges) {
    struct Placed {
        std::uint32_t offset;
        std::uint32_t dataSize;
    };
    MemorySink sink;
    HiveWriter streamed(sink, 192 << 10);
    HiveWriter inMemory;
    std::vector<Placed> cells;
    // Sizes from a few bytes to several pages, so bins of several pages come up often.
    std::uint32_t state = 7;
    for (std::uint32_t i = 0; i < 400; ++i) {
        state = state * 1103515245u + 12345u;
        const std::uint32_t size = 8 + (state >> 8) % (i % 3 == 0 ? 14000 : 600);
        const std::uint32_t a = streamed.Allocate(size).value(), b = inMemory.Allocate(size).value();
        ASSERT_EQ(a, b);
        std::memset(streamed.Data(a), static_cast<int>(i), size);
        std::memset(inMemory.Data(b), static_cast<int>(i), size);
        cells.push_back({a, size});
    }
    // Then every cell's last four bytes change, most of them long sent.
    const std::uint64_t run = HiveWriter::kSendAlignment;
    int cut = 0;
    for (const Placed& cell : cells) {
        const std::uint64_t start = 4096 + cell.offset, end = start + 4 + cell.dataSize;
        cut += start / run != (end - 1) / run;
        streamed.Put32(cell.offset, cell.dataSize - 4, 0xC0FFEE00 + cell.offset);
        inMemory.Put32(cell.offset, cell.dataSize - 4, 0xC0FFEE00 + cell.offset);
    }
    EXPECT_GT(cut, 0) << "some cell lies across a multiple of the run";
    BaseBlockFields fields;
    fields.rootCellOffset = cells.front().offset;
    ASSERT_TRUE(streamed.FinishStream(fields).ok());
    EXPECT_EQ(sink.file, inMemory.Finish(fields));
    EXPECT_GT(sink.appends, 3);
}

TEST(CompactOverlapped, ReadingAndWritingOnTwoThreadsGiveTheSameBytes) {
    const std::pair<const char*, KeySpec> trees[] = {
        {"rich", testing::RichTree()}, {"wide", testing::WideTree(5000)}, {"nested", NestedTree(5, 6, "N")}};
    for (const auto& [label, tree] : trees) {
        SCOPED_TRACE(label);
        HiveFile input = Open(Build(tree, testing::Fragmented(0.25)));
        CompactStats together, overlapped;
        auto one = CompactHive(input, {}, &together, Overlap::Never);
        auto two = CompactHive(input, {}, &overlapped, Overlap::Always);
        ASSERT_TRUE(one.ok()) << one.error().ToString();
        ASSERT_TRUE(two.ok()) << two.error().ToString();
        EXPECT_EQ(*one, *two);
        EXPECT_EQ(together.keys, overlapped.keys);
        EXPECT_EQ(together.values, overlapped.values);
    }
}

// Fails every append after the first `allowed` ones.
class FailingSink : public MemorySink {
public:
    explicit FailingSink(int allowed) : allowed_(allowed) {}
    Status Append(std::span<const std::uint8_t> bytes) override {
        if (appends >= allowed_) return MakeError(0, "the disk is full");
        return MemorySink::Append(bytes);
    }

private:
    int allowed_;
};

TEST(CompactOverlapped, AFailureOfEitherHalfStopsBoth) {
    for (Overlap overlap : {Overlap::Never, Overlap::Always}) {
        // The reading half finds damage deep in the walk, after many batches went out.
        KeySpec tree = NestedTree(5, 6, "N");
        KeySpec* deep = &tree;
        while (!deep->subkeys.empty()) deep = &deep->subkeys.back();
        deep->values.push_back({"twice", 4, Dword(1)});
        deep->values.push_back({"other", 4, Dword(2)});
        auto bytes = Build(tree);
        HiveFile clean = Open(bytes);
        // Rename "other" to "TWICE", the same name ignoring case.
        std::uint32_t cell = 0;
        for (std::size_t at = 4096; at + 25 < bytes.size(); at += 8)
            if (std::memcmp(&bytes[at + 4], "vk", 2) == 0 && std::memcmp(&bytes[at + 4 + 20], "other", 5) == 0)
                cell = static_cast<std::uint32_t>(at - 4096);
        ASSERT_NE(cell, 0u);
        std::memcpy(&bytes[4096 + cell + 4 + 20], "TWICE", 5);
        auto damaged = CompactHive(Open(bytes), {}, nullptr, overlap);
        ASSERT_FALSE(damaged.ok());
        EXPECT_NE(damaged.error().message.find("a second value named \"TWICE\""), std::string::npos)
            << damaged.error().ToString();

        // The writing half's sink fails part way.
        FailingSink sink(3);
        auto failed = CompactHiveTo(clean, {}, nullptr, sink, 8192, overlap);
        ASSERT_FALSE(failed.ok());
        EXPECT_EQ(failed.error().message, "the disk is full");
    }
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

// A large hive's copy has room set aside on disk for the input's size before it is written;
// what the smaller copy does not use is given back, and the file holds exactly the copy.
TEST(CompactFile, ALargeHiveGivesBackTheRoomSetAsideForItsCopy) {
    testing::TempDir dir;
    const auto input = Build(MixedSizes(1200), testing::Fragmented(0.35));
    ASSERT_GE(input.size(), 4u << 20) << "large enough for room to be set aside";
    testing::WriteFileBytes(dir.File("in"), input);
    auto stats = Compact(dir.File("in"), dir.File("out"));
    ASSERT_TRUE(stats.ok()) << stats.error().ToString();
    EXPECT_EQ(testing::ReadFileBytes(dir.File("out")), CompactBytes(Open(input)).value());
    ASSERT_LT(stats->outputSize + (1u << 20), input.size());
#if !defined(_WIN32)
    struct stat written {};
    ASSERT_EQ(stat(dir.File("out").c_str(), &written), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(written.st_size), stats->outputSize);
    // Blocks in use: the copy's, not the input's worth that was set aside.
    EXPECT_LT(static_cast<std::uint64_t>(written.st_blocks) * 512, stats->outputSize + (512u << 10));
#endif
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

// Another process changes the input half way through (from the progress report, which comes
// while the walk is under way): the copy is refused and nothing is left behind.
TEST(CompactFile, RefusesAnInputThatChangesWhileItIsCompacted) {
    const std::pair<const char*, std::function<void(const std::string&)>> changes[] = {
        {"shrunk", [](const std::string& path) { std::filesystem::resize_file(path, 8192); }},
        {"touched",
         [](const std::string& path) {
             std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
         }},
    };
    auto tree = testing::WideTree(20000);
    for (auto& key : tree.subkeys) key.values.push_back({"v", 3, std::vector<std::uint8_t>(100, 7)});
    const auto input = Build(tree, testing::Fragmented(0.2));
    for (const auto& [label, change] : changes) {
        SCOPED_TRACE(label);
#if defined(_WIN32)
        // Windows refuses to cut a file while a view of it is mapped (input_file_test).
        if (std::string(label) == "shrunk") continue;
#endif
        testing::TempDir dir;
        testing::WriteFileBytes(dir.File("in"), input);
        bool changed = false;
        CompactOptions options;
        options.progress = [&](std::uint64_t done, std::uint64_t total) {
            if (!changed && done > 0 && done < total) {
                change(dir.File("in"));
                changed = true;
            }
        };
        auto compacted = Compact(dir.File("in"), dir.File("out"), options);
        ASSERT_TRUE(changed);
        ASSERT_FALSE(compacted.ok());
        EXPECT_NE(compacted.error().message.find("changed while it was being compacted"), std::string::npos)
            << compacted.error().ToString();
        EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.kvtmp")));
    }
}

TEST(KeyTreeWriter, RefusesToFinishAKeyItDidNotWrite) {
    HiveWriter writer;
    KeyTreeWriter tree(writer, 5, SubkeyListLayout{LeafForm::HashLeaf, 0});
    const std::string name = EncodeName(u"K", false);
    KeyRecord record;
    record.name = Utf16View(name);
    const auto security = DefaultKeySecurity();
    record.security = security;
    const std::uint32_t key = tree.WriteKey(record, 0).value();
    EXPECT_TRUE(tree.FinishKey(key, {}).ok());
    auto twice = tree.FinishKey(key, {});
    ASSERT_FALSE(twice.ok());
    EXPECT_NE(twice.error().message.find("finished twice"), std::string::npos);
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

// The replacement journal's text, and value data as the ANSI calls return it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "installation_builder.h"
#include "platform/offline/open_keys.h"
#include "platform/offline/replacement_journal.h"

namespace kelvara::platform::offline::testing {
namespace {
namespace fs = std::filesystem;

TEST(Journal, RoundTripsWithPathsInsideTheFolderInTheirDriveCForm) {
    TempFolder root;
    fs::create_directories(root.Path() / "Windows/System32/config");
    InstallationPaths paths(root.Path());
    ReplacementJournal journal;
    journal.restarting = true;
    journal.entries.push_back({PendingReplacement::State::Swapping, root.Path() / "Windows/System32/config/SAM",
                               root.Path() / "Windows/System32/config/SAM.kvf", "/elsewhere/SAM backup.bak",
                               FileMark{262144, 567, 566, 0x01DA6F0012345678ull}, std::nullopt});
    journal.entries.push_back({PendingReplacement::State::Pending, root.Path() / "Users/a b/NTUSER.DAT",
                               root.Path() / "Users/a b/NTUSER.DAT.kvf", root.Path() / "Users/a b/NTUSER.DAT.bak"});

    std::string text = FormatJournal(journal, paths);
    EXPECT_NE(text.find("swapping\tC:\\Windows\\System32\\config\\SAM\tC:\\Windows\\System32\\config\\SAM.kvf\t"
                        "/elsewhere/SAM backup.bak\t262144:567:566:133541185056953976\t-\n"),
              std::string::npos)
        << text;

    // The folder may be mounted elsewhere by the next start.
    TempFolder moved;
    CopyContents(root.Path(), moved.Path());
    std::string error;
    auto parsed = ParseJournal(text, InstallationPaths(moved.Path()), error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_TRUE(parsed->restarting);
    ASSERT_EQ(parsed->entries.size(), 2u);
    EXPECT_EQ(parsed->entries[0].state, PendingReplacement::State::Swapping);
    EXPECT_EQ(parsed->entries[0].hive, moved.Path() / "Windows/System32/config/SAM");
    EXPECT_EQ(parsed->entries[0].backup, fs::path("/elsewhere/SAM backup.bak"));
    EXPECT_EQ(parsed->entries[0].oldMark, (FileMark{262144, 567, 566, 0x01DA6F0012345678ull}));
    EXPECT_FALSE(parsed->entries[0].newMark.has_value());
    EXPECT_EQ(parsed->entries[1].state, PendingReplacement::State::Pending);
    EXPECT_EQ(parsed->entries[1].replacement, moved.Path() / "Users/a b/NTUSER.DAT.kvf");
}

TEST(Journal, DamagedTextIsRejectedWithTheLineAtFault) {
    InstallationPaths paths("/srv/win");
    struct Case {
        std::string text;
        std::string errorMentions;
    };
    const Case cases[] = {
        {"", "first line"},
        {"Kelvara hive replacements 3\nrestarting 0\n", "first line"},
        {"Kelvara hive replacements 1\n", "line 2"},
        // A line must have exactly the fields of its form: five is neither.
        {"Kelvara hive replacements 1\nrestarting 0\npending\tC:\\a\tC:\\b\tC:\\c\t-\n", "line 3"},
        {"Kelvara hive replacements 2\nrestarting 0\npending\tC:\\a\tC:\\b\tC:\\c\t-\n", "line 3"},
        {"Kelvara hive replacements 2\nrestarting 0\npending\tC:\\a\tC:\\b\tC:\\c\t-\t-\t-\n", "line 3"},
        {"Kelvara hive replacements 2\nrestarting 0\npending\tC:\\a\tC:\\b\tC:\\c\t1:2:3\t-\n", "line 3"},
        {"Kelvara hive replacements 2\nrestarting 0\npending\tC:\\a\tC:\\b\tC:\\c\t1:2:4294967296:0\t-\n", "line 3"},
        {"Kelvara hive replacements 2\nrestarting 0\npending\tC:\\a\tC:\\b\tC:\\c\t-\t1:-2:3:4\n", "line 3"},
        {"Kelvara hive replacements 1\nrestarting yes\n", "line 2"},
        {"Kelvara hive replacements 1\nrestarting 0\ndone\tC:\\a\tC:\\b\tC:\\c\n", "line 3"},
        {"Kelvara hive replacements 1\nrestarting 0\npending\tC:\\a\tC:\\b\n", "line 3"},
#ifndef _WIN32
        {"Kelvara hive replacements 1\nrestarting 1\n\npending\tC:\\a\tE:\\b\tC:\\c\n", "line 4"},
#endif
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseJournal(c.text, paths, error)) << c.text;
        EXPECT_NE(error.find(c.errorMentions), std::string::npos) << error;
    }
}

// A file's mark is its size and its base block's sequence numbers and timestamp, read where the
// format description puts them: the real user hive from Windows 10 in the shared test data is at
// 567/566 (its log holds entries 566 to 588).
TEST(Journal, AMarkIsTheSizeAndTheBaseBlocksNumbersAndTime) {
    TempFolder root;
#ifndef _WIN32   // xz is a tool of the Linux machine
    const fs::path shared = fs::path(KV_SOURCE_DIR).parent_path() / "shared" / "real-hives" / "NTUSER.DAT.xz";
    const fs::path hive = root.Path() / "NTUSER.DAT";
    if (fs::exists(shared)) {
        ASSERT_EQ(std::system(("xz --decompress --stdout '" + shared.string() + "' > '" + hive.string() + "'").c_str()), 0);
        const auto mark = MarkOf(hive);
        ASSERT_TRUE(mark.has_value());
        EXPECT_EQ(mark->size, fs::file_size(hive));
        EXPECT_EQ(mark->primary, 567u);
        EXPECT_EQ(mark->secondary, 566u);
    }
#endif
    // The timestamp: eight bytes at offset 12, little-endian (that real hive keeps zero there).
    WriteBytes(root.Path() / "stamped", {'r', 'e', 'g', 'f', 1, 0, 0, 0, 2, 0, 0, 0, 0x78, 0x56, 0x34, 0x12, 0x00, 0x6F, 0xDA, 0x01});
    EXPECT_EQ(MarkOf(root.Path() / "stamped"), (FileMark{20, 1, 2, 0x01DA6F0012345678ull}));
    WriteBytes(root.Path() / "short", {'r', 'e', 'g', 'f'});
    const auto shortMark = MarkOf(root.Path() / "short");
    ASSERT_TRUE(shortMark.has_value());
    EXPECT_EQ(*shortMark, (FileMark{4, 0, 0, 0}));
    EXPECT_FALSE(MarkOf(root.Path() / "missing").has_value());
}

TEST(Journal, AnEmptyJournalLeavesNoFile) {
    TempFolder root;
    InstallationPaths paths(root.Path());
    std::string error;
    ReplacementJournal journal;
    journal.entries.push_back({PendingReplacement::State::Pending, root.Path() / "a", root.Path() / "b",
                               root.Path() / "c"});
    ASSERT_TRUE(StoreJournal(journal, paths, nullptr, error)) << error;
    EXPECT_TRUE(fs::exists(JournalFile(paths)));
    auto loaded = LoadJournal(paths, error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->entries.size(), 1u);

    journal.entries.clear();
    ASSERT_TRUE(StoreJournal(journal, paths, nullptr, error)) << error;
    EXPECT_FALSE(fs::exists(JournalFile(paths)));
    loaded = LoadJournal(paths, error);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->entries.empty());
}

// A journal of requests is written without waiting for the disk; a power cut can leave it
// empty or zero-filled, and then the requests are forgotten, as Windows forgets its own.
TEST(Journal, AnEmptyOrZeroFilledFileIsAnEmptyJournalAndAnythingElseDamagedIsNot) {
    TempFolder root;
    InstallationPaths paths(root.Path());
    struct Case {
        std::string bytes;
        bool readable;
    };
    const Case cases[] = {
        {"", true},
        {std::string(300, '\0'), true},
        {"Kelvara hive replacements 1\nrestarting 0\n", true},
        {std::string("Kelvara hive replacements 1\n") + std::string(40, '\0'), false},
        {std::string(1, '\0') + "x", false},
    };
    for (const Case& c : cases) {
        WriteBytes(JournalFile(paths), std::vector<std::uint8_t>(c.bytes.begin(), c.bytes.end()));
        std::string error;
        auto journal = LoadJournal(paths, error);
        EXPECT_EQ(journal.has_value(), c.readable) << c.bytes.size() << " bytes: " << error;
        if (journal) {
            EXPECT_TRUE(journal->entries.empty());
        }
    }
}

TEST(AnsiValues, StringsBecomeEightBitTextWithTheirZeros) {
    auto bytes = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
    struct Case {
        std::uint32_t type;
        std::vector<std::uint8_t> stored;
        std::vector<std::uint8_t> expected;
    };
    const Case cases[] = {
        {1, regf::Utf16z("abc"), bytes(std::string("abc\0", 4))},
        {2, regf::Utf16z("%SystemRoot%"), bytes(std::string("%SystemRoot%\0", 13))},
        {1, regf::Utf16z(""), {0}},
        {1, {}, {0}},
        {1, {'a', 0, 'b', 0}, bytes(std::string("ab\0", 3))},   // stored without its zero
        {7, regf::MultiSz({"one", "two"}), bytes(std::string("one\0two\0\0", 9))},
        {4, regf::Dword(0x01020304), {4, 3, 2, 1}},
        {3, {0, 0, 0xFF}, {0, 0, 0xFF}},
    };
    for (const Case& c : cases) EXPECT_EQ(AnsiValueData(c.type, c.stored), c.expected) << c.type;
}

}  // namespace
}  // namespace kelvara::platform::offline::testing

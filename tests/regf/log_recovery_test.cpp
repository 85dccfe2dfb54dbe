// Dirty hives and their transaction logs, all written here: a recovery must give the very hive
// a plain write of the same changes gives, or refuse with the reason.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <algorithm>
#include <filesystem>
#include <optional>

#include "hive_fixtures.h"
#include "regf/marvin32.h"

namespace kelvara::regf {
namespace {

using testing::Build;
using testing::Dump;
using testing::Get32;
using testing::Put32;
using testing::ReadBack;
using testing::Reseal;

constexpr std::uint32_t kSequence = 40;   // the hive's sequence number before the lost writes
constexpr std::uint32_t REG_BINARY = 3, REG_DWORD = 4;
constexpr std::size_t kPrimarySeq = 4, kSecondarySeq = 8, kTimestamp = 12, kFileType = 28, kBinsSize = 40,
                      kFlags = 144, kChecksum = 508;

void Stamp(std::vector<std::uint8_t>& hive, std::uint32_t sequence) {
    Put32(hive, kPrimarySeq, sequence);
    Put32(hive, kSecondarySeq, sequence);
    Reseal(hive);
}

// The hive after `step` writes, each adding to the tree; the third grows it by a big value.
std::vector<std::uint8_t> State(int step) {
    KeySpec tree = testing::RichTree();
    for (int i = 1; i <= step; ++i) {
        KeySpec added{"Added" + std::to_string(i), "", 0x01D9000000000100ull + i, {}, {}, {}};
        added.values.push_back({"n", REG_DWORD, Dword(static_cast<std::uint32_t>(i))});
        if (i == 3) added.values.push_back({"grown", REG_BINARY, std::vector<std::uint8_t>(40000, 0x5A)});
        tree.subkeys.push_back(added);
        tree.values[2].data = Dword(0x1000 + i);
    }
    auto hive = Build(tree);
    Stamp(hive, step == 0 ? kSequence : kSequence + step - 1);
    return hive;
}

// The hive file as a crash leaves it: the bins of `onDisk`, a base block that says a write
// began (primary sequence number one up) and, when torn, every block the write changes
// half-written: the first sector of the new bytes, the rest garbage.
std::vector<std::uint8_t> CrashedPrimary(const std::vector<std::uint8_t>& onDisk, const std::vector<std::uint8_t>& baseOf,
                                         bool tornBlocks) {
    std::vector<std::uint8_t> primary = onDisk;
    std::memcpy(primary.data(), baseOf.data(), 4096);
    Put32(primary, kBinsSize, Get32(onDisk, kBinsSize));
    Put32(primary, kSecondarySeq, kSequence);
    Put32(primary, kPrimarySeq, kSequence + 1);
    Reseal(primary);
    if (tornBlocks) {
        int torn = 0;
        for (std::size_t at = 4096; at + 4096 <= std::min(primary.size(), baseOf.size()); at += 4096) {
            if (std::memcmp(primary.data() + at, baseOf.data() + at, 4096) == 0) continue;
            std::memcpy(primary.data() + at, baseOf.data() + at, 512);
            std::memset(primary.data() + at + 512, 0xCC, 4096 - 512);
            ++torn;
        }
        EXPECT_GT(torn, 0);
    }
    return primary;
}

// What the recovery must equal: the state's bins byte for byte, its keys, a clean base block.
void ExpectPlainWrite(const Recovery& recovery, const std::vector<std::uint8_t>& state, const std::string& label) {
    ASSERT_EQ(recovery.bytes.size(), state.size()) << label;
    EXPECT_TRUE(std::equal(recovery.bytes.begin() + 4096, recovery.bytes.end(), state.begin() + 4096)) << label;
    EXPECT_EQ(Get32(recovery.bytes, kPrimarySeq), Get32(state, kPrimarySeq)) << label;
    EXPECT_EQ(Get32(recovery.bytes, kSecondarySeq), Get32(state, kPrimarySeq)) << label;
    EXPECT_EQ(Get32(recovery.bytes, kFileType), 0u) << label;
    EXPECT_EQ(Get32(recovery.bytes, kBinsSize), Get32(state, kBinsSize)) << label;
    auto hive = HiveFile::FromBytes(recovery.bytes);
    ASSERT_TRUE(hive.ok()) << label << ": " << hive.error().ToString();
    EXPECT_FALSE(hive->IsDirty()) << label;
    EXPECT_TRUE(Check(*hive).sound) << label << Check(*hive).Text();
    EXPECT_TRUE(Dump(ReadBack(*hive)) == Dump(ReadBack(testing::Open(state)))) << label;
}

std::string Refusal(const Result<Recovery>& result) { return result ? std::string("(recovered)") : result.error().message; }

// Offsets of the entries of an entry log, and the end of the last.
std::vector<std::size_t> EntryBounds(const std::vector<std::uint8_t>& log) {
    std::vector<std::size_t> bounds{512};
    while (bounds.back() < log.size()) bounds.push_back(bounds.back() + Get32(log, bounds.back() + 4));
    return bounds;
}

TEST(Marvin32, KnownVectors) {
    // The test vectors published with .NET's Marvin implementation (MarvinTests.cs): the seeds
    // 0x004FB61A001BDBCC and 0x804FB61A001BDBCC over 0 to 7 bytes, every tail length.
    const std::uint8_t data[] = {0xAB, 0x42, 0x7E, 0xA8, 0xD1, 0x0F, 0xC7};
    struct Case {
        std::uint64_t seed;
        std::vector<std::uint8_t> bytes;
        std::uint64_t hash;
    } cases[] = {
        {0x004FB61A001BDBCCull, {}, 0x30ED35C100CD3C7Dull},
        {0x004FB61A001BDBCCull, {0xAF}, 0x48E73FC77D75DDC1ull},
        {0x004FB61A001BDBCCull, {0xE7, 0x0F}, 0xB5F6E1FC485DBFF8ull},
        {0x004FB61A001BDBCCull, {0x37, 0xF4, 0x95}, 0xF0B07C789B8CF7E8ull},
        {0x004FB61A001BDBCCull, {0x86, 0x42, 0xDC, 0x59}, 0x7008F2E87E9CF556ull},
        {0x004FB61A001BDBCCull, {0x15, 0x3F, 0xB7, 0x98, 0x26}, 0xE6C08C6DA2AFA997ull},
        {0x004FB61A001BDBCCull, {0x09, 0x32, 0xE6, 0x24, 0x6C, 0x47}, 0x6F04BF1A5EA24060ull},
        {0x004FB61A001BDBCCull, {data, data + 7}, 0xE11847E4F0678C41ull},
        {0x804FB61A001BDBCCull, {}, 0x10A9D5D3996FD65Dull},
        {0x804FB61A001BDBCCull, {0xAF}, 0x68201F91960EBF91ull},
        {0x804FB61A001BDBCCull, {0x86, 0x42, 0xDC, 0x59}, 0x36289D9654FB49F6ull},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Marvin32(c.bytes.data(), c.bytes.size(), c.seed), c.hash) << c.bytes.size() << " bytes";
}

TEST(Marvin32, LogEntryHeadersThatWindowsWrote) {
    // The first 32 bytes of the first entry of two logs that Windows 10 wrote for a user's
    // NTUSER.DAT (the real-hives test data: ntuser.dat.log1 and ntuser.dat.log2 at offset
    // 0x200), and the Hash-2 that Windows stored after them at offset 32 of the entry. The seed
    // is the one the public format description gives, 0x82EF4D887A4E55C5, taken as a number.
    struct Case {
        const char* log;
        std::uint8_t header[32];
        std::uint64_t hash2;
    } cases[] = {
        {"ntuser.dat.log1",
         {0x48, 0x76, 0x4C, 0x45, 0x00, 0xAE, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x02, 0x00, 0x00,
          0x00, 0xE0, 0x0B, 0x00, 0x18, 0x00, 0x00, 0x00, 0xCD, 0xC9, 0x8B, 0x95, 0xD9, 0xA7, 0x67, 0x75},
         0x3A7721D280253D1Cull},
        {"ntuser.dat.log2",
         {0x48, 0x76, 0x4C, 0x45, 0x00, 0xFE, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x32, 0x02, 0x00, 0x00,
          0x00, 0xA0, 0x0B, 0x00, 0x09, 0x00, 0x00, 0x00, 0xB7, 0x8E, 0xBA, 0x71, 0x04, 0x63, 0xBA, 0x7A},
         0xB08BEB408879C7DFull},
    };
    for (const auto& c : cases) EXPECT_EQ(Marvin32(c.header, 32, kLogEntryHashSeed), c.hash2) << c.log;
}

TEST(LogRecovery, CleanHiveIsReturnedAsItIs) {
    auto hive = State(0);
    auto result = RecoverHive(hive, {{"junk", std::vector<std::uint8_t>(700, 0x11)}});
    ASSERT_TRUE(result.ok()) << Refusal(result);
    EXPECT_FALSE(result->wasDirty);
    EXPECT_EQ(result->bytes, hive);
}

TEST(LogRecovery, DirtyVectorLog) {
    const auto before = State(0);
    auto after = State(3);   // grown
    Stamp(after, kSequence + 1);   // one write
    ASSERT_GT(after.size(), before.size());
    const auto log = WriteDirtyVectorLog(before, after);
    struct Case {
        const char* label;
        bool tornBlocks;
        bool tornBaseBlock;
        std::function<void(std::vector<std::uint8_t>&)> spoilLog;
        const char* refusal;   // nullptr: recovers to `after`
    } cases[] = {
        {"clean blocks", false, false, nullptr, nullptr},
        {"half-written blocks", true, false, nullptr, nullptr},
        {"torn base block", true, true, nullptr, nullptr},
        {"log of another write", false, false,
         [](auto& l) { Put32(l, kTimestamp, 77), Reseal(l); }, "belongs to another write"},
        {"log not written completely", false, false,
         [](auto& l) { Put32(l, kSecondarySeq, kSequence), Reseal(l); }, "not written completely"},
        {"log cut short", false, false, [](auto& l) { l.resize(l.size() - 4096); }, "ends before dirty page"},
        {"log's base block torn", false, false, [](auto& l) { l[100] ^= 1; }, "checksum"},
        {"no DIRT", false, false, [](auto& l) { l[512] = 'd'; }, "DIRT"},
        {"bin at the wrong offset", false, false,
         [](auto& l) {
             // The first dirty page that starts a bin claims another offset.
             for (std::size_t at = 1024; at + 512 <= l.size(); at += 512)
                 if (std::memcmp(l.data() + at, "hbin", 4) == 0) {
                     Put32(l, at + 4, Get32(l, at + 4) + 4096);
                     return;
                 }
         },
         "dirty hive bin"},
    };
    for (const auto& c : cases) {
        auto primary = CrashedPrimary(before, after, c.tornBlocks);
        if (c.tornBaseBlock) Put32(primary, kChecksum, Get32(primary, kChecksum) ^ 0x100);
        auto changedLog = log;
        if (c.spoilLog) c.spoilLog(changedLog);
        auto result = RecoverHive(primary, {{"H.LOG", changedLog}});
        if (!c.refusal) {
            ASSERT_TRUE(result.ok()) << c.label << ": " << Refusal(result);
            EXPECT_TRUE(result->wasDirty);
            EXPECT_EQ(result->logsUsed, std::vector<std::string>{"H.LOG"});
            ExpectPlainWrite(*result, after, c.label);
        } else {
            ASSERT_FALSE(result.ok()) << c.label;
            EXPECT_NE(Refusal(result).find(c.refusal), std::string::npos) << c.label << ": " << Refusal(result);
            EXPECT_NE(Refusal(result).find("H.LOG"), std::string::npos) << c.label << ": " << Refusal(result);
        }
    }
}

class EntryLogs : public ::testing::Test {
protected:
    void SetUp() override {
        for (int step = 0; step <= 3; ++step) states.push_back(State(step));
        log = WriteLogEntries(states);
        bounds = EntryBounds(log);
        ASSERT_EQ(bounds.size(), 4u);
        ASSERT_EQ(bounds.back(), log.size());
        primary = CrashedPrimary(states[0], states[0], false);
    }
    std::vector<std::vector<std::uint8_t>> states;
    std::vector<std::uint8_t> log;
    std::vector<std::size_t> bounds;
    std::vector<std::uint8_t> primary;
};

TEST_F(EntryLogs, CutAtEveryEntryAppliesTheWholeEntriesBeforeTheCut) {
    for (std::size_t cut = 512; cut <= log.size(); cut += 512) {
        std::size_t whole = 0;
        while (whole + 1 < bounds.size() && bounds[whole + 1] <= cut) ++whole;
        auto result = RecoverHive(primary, {{"H.LOG1", {log.begin(), log.begin() + cut}}});
        const std::string label = "cut at " + std::to_string(cut);
        if (whole == 0) {
            ASSERT_FALSE(result.ok()) << label;
            EXPECT_NE(Refusal(result).find("no log entry follows"), std::string::npos) << Refusal(result);
            continue;
        }
        ASSERT_TRUE(result.ok()) << label << ": " << Refusal(result);
        EXPECT_EQ(result->entriesApplied, whole) << label;
        ExpectPlainWrite(*result, states[whole], label);
    }
}

TEST_F(EntryLogs, ABadEntryEndsTheRecoveryBeforeIt) {
    struct Case {
        const char* label;
        std::size_t field;   // within the second entry
        std::uint32_t flip;
        const char* note;
    } cases[] = {
        {"page bytes", 1000, 1, "page hash"},
        {"header hash", 36, 1, "header hash"},
        {"sequence number", 12, 1, "header hash"},
        {"signature", 0, 1, "no further entry"},
    };
    for (const auto& c : cases) {
        auto spoiled = log;
        spoiled[bounds[1] + c.field] ^= static_cast<std::uint8_t>(c.flip);
        auto result = RecoverHive(primary, {{"H.LOG1", spoiled}});
        ASSERT_TRUE(result.ok()) << c.label << ": " << Refusal(result);
        EXPECT_EQ(result->entriesApplied, 1u) << c.label;
        ExpectPlainWrite(*result, states[1], c.label);
        ASSERT_FALSE(result->notes.empty()) << c.label;
        EXPECT_NE(result->notes.back().find(c.note), std::string::npos) << c.label << ": " << result->notes.back();
    }
}

TEST_F(EntryLogs, TwoLogs) {
    // LOG1 took the first two writes, then the system switched to LOG2 for the third.
    auto first = WriteLogEntries({states[0], states[1], states[2]});
    auto secondStates = std::vector<std::vector<std::uint8_t>>{states[2], states[3]};
    Put32(secondStates[0], kSecondarySeq, kSequence + 2);
    Reseal(secondStates[0]);
    auto second = WriteLogEntries(secondStates);
    // An older log: entries of earlier writes, all before the hive's sequence number.
    auto olderStates = std::vector<std::vector<std::uint8_t>>{states[0], states[1]};
    Put32(olderStates[0], kSecondarySeq, kSequence - 5);
    Reseal(olderStates[0]);
    auto older = WriteLogEntries(olderStates);
    // A log whose numbers lie far above this hive's (written after the other log turned over).
    auto otherStates = olderStates;
    Put32(otherStates[0], kSecondarySeq, kSequence + 100);
    Reseal(otherStates[0]);
    auto other = WriteLogEntries(otherStates);

    struct Case {
        const char* label;
        std::vector<LogFile> logs;
        int state;   // -1: refused
        std::vector<std::string> used;
    } cases[] = {
        {"chain runs from LOG1 into LOG2", {{"H.LOG1", first}, {"H.LOG2", second}}, 3, {"H.LOG1", "H.LOG2"}},
        {"chain runs from LOG2 into LOG1", {{"H.LOG1", second}, {"H.LOG2", first}}, 3, {"H.LOG2", "H.LOG1"}},
        {"LOG1 older, LOG2 current", {{"H.LOG1", older}, {"H.LOG2", log}}, 3, {"H.LOG2"}},
        {"only the older log", {{"H.LOG1", older}}, -1, {}},
        {"a log far ahead beside ours: no 42 follows", {{"H.LOG1", other}, {"H.LOG2", first}}, 2, {"H.LOG2"}},
        {"an empty .LOG beside them", {{"H.LOG", {}}, {"H.LOG1", log}}, 3, {"H.LOG1"}},
    };
    for (const auto& c : cases) {
        auto result = RecoverHive(primary, c.logs);
        if (c.state < 0) {
            ASSERT_FALSE(result.ok()) << c.label;
            EXPECT_NE(Refusal(result).find("no log entry follows the hive's last write (sequence number 40)"),
                      std::string::npos)
                << c.label << ": " << Refusal(result);
            EXPECT_NE(Refusal(result).find("begins at sequence number 35, before the hive's last write"),
                      std::string::npos)
                << c.label << ": " << Refusal(result);
            continue;
        }
        ASSERT_TRUE(result.ok()) << c.label << ": " << Refusal(result);
        EXPECT_EQ(result->logsUsed, c.used) << c.label;
        ExpectPlainWrite(*result, states[c.state], c.label);
    }
}

TEST_F(EntryLogs, TornBaseBlockIsTakenFromTheLog) {
    auto torn = primary;
    Put32(torn, kChecksum, Get32(torn, kChecksum) ^ 0x100);
    auto result = RecoverHive(torn, {{"H.LOG1", log}});
    ASSERT_TRUE(result.ok()) << Refusal(result);
    ExpectPlainWrite(*result, states[3], "torn base block");

    auto tornLog = log;
    tornLog[100] ^= 1;
    auto refused = RecoverHive(torn, {{"H.LOG1", tornLog}});
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(Refusal(refused).find("no log holds a sound copy"), std::string::npos) << Refusal(refused);
}

// `state` with the sequence number a recovery that ends at entry `sequence` leaves.
std::vector<std::uint8_t> Sequenced(std::vector<std::uint8_t> state, std::uint32_t sequence) {
    Stamp(state, sequence);
    return state;
}

// An entry log whose base block copy and first entry carry `start`, with one entry per step.
std::vector<std::uint8_t> LogFrom(std::uint32_t start, std::vector<std::vector<std::uint8_t>> states) {
    Put32(states[0], kSecondarySeq, start);
    Reseal(states[0]);
    return WriteLogEntries(states);
}

// Recomputes both hashes of the entry at `at` after a change to it.
void Rehash(std::vector<std::uint8_t>& log, std::size_t at) {
    const std::uint32_t size = Get32(log, at + 4);
    const std::uint64_t hash1 = Marvin32(log.data() + at + 40, size - 40, kLogEntryHashSeed);
    for (int i = 0; i < 8; ++i) log[at + 24 + i] = static_cast<std::uint8_t>(hash1 >> (8 * i));
    const std::uint64_t hash2 = Marvin32(log.data() + at, 32, kLogEntryHashSeed);
    for (int i = 0; i < 8; ++i) log[at + 32 + i] = static_cast<std::uint8_t>(hash2 >> (8 * i));
}

TEST_F(EntryLogs, EntriesBeginAtTheNumberOfTheLogsOwnBaseBlock) {
    // The hive's last complete write is 40 (41 began). A log that Windows started afresh at 45
    // holds the writes since: the hive's bins already have 40 to 44 from a partial reconcile,
    // which leaves the base block's numbers alone.
    const auto turnedOver = LogFrom(45, states);
    const auto olderOnly = LogFrom(38, {states[0], states[1]});
    // Begins below the hive's number, though it holds 40 and 41 further on.
    const auto beginsBefore = LogFrom(39, {states[0], states[0], states[1], states[2]});
    struct Case {
        const char* label;
        std::vector<LogFile> logs;
        std::optional<std::vector<std::uint8_t>> expected;   // none: refused
        std::vector<std::string> used;
    } cases[] = {
        {"turned over", {{"H.LOG1", turnedOver}}, Sequenced(states[3], 47), {"H.LOG1"}},
        {"turned over, beside an older log", {{"H.LOG1", olderOnly}, {"H.LOG2", turnedOver}},
         Sequenced(states[3], 47), {"H.LOG2"}},
        {"begins before the hive's last write", {{"H.LOG1", beginsBefore}}, std::nullopt, {}},
        {"the same log from the hive's own number", {{"H.LOG1", log}}, states[3], {"H.LOG1"}},
    };
    for (const auto& c : cases) {
        auto result = RecoverHive(primary, c.logs);
        if (!c.expected) {
            ASSERT_FALSE(result.ok()) << c.label;
            EXPECT_NE(Refusal(result).find("begins at sequence number 39"), std::string::npos) << Refusal(result);
            continue;
        }
        ASSERT_TRUE(result.ok()) << c.label << ": " << Refusal(result);
        EXPECT_EQ(result->logsUsed, c.used) << c.label;
        ExpectPlainWrite(*result, *c.expected, c.label);
    }
}

TEST_F(EntryLogs, OnlyTheFlagALogKeepsIsRestored) {
    // A log entry keeps the base block's flag 0x1 alone, and recovery sets or clears only that
    // bit (0x2, a hive with layered keys, stays as the hive has it).
    struct Case {
        std::uint32_t hiveFlags, entryFlags, expected;
    } cases[] = {
        {0x0, 0x1, 0x1}, {0x1, 0x0, 0x0}, {0x2, 0x0, 0x2}, {0x2, 0x1, 0x3}, {0x0, 0x3, 0x1}, {0x3, 0x2, 0x2},
    };
    for (const auto& c : cases) {
        auto flagged = primary;
        Put32(flagged, kFlags, c.hiveFlags);
        Reseal(flagged);
        auto changed = log;
        Put32(changed, bounds[2] + 8, c.entryFlags);   // the last entry's
        Rehash(changed, bounds[2]);
        auto result = RecoverHive(flagged, {{"H.LOG1", changed}});
        ASSERT_TRUE(result.ok()) << Refusal(result);
        EXPECT_EQ(Get32(result->bytes, kFlags), c.expected) << c.hiveFlags << " with " << c.entryFlags;
        auto hive = HiveFile::FromBytes(result->bytes);
        ASSERT_TRUE(hive.ok()) << hive.error().ToString();
        EXPECT_FALSE(hive->IsDirty()) << "the flags were written without resealing the base block";
    }
}

TEST_F(EntryLogs, ATornBaseBlockTakesOnlyTheLatestLog) {
    // .LOG1 began at 40 and holds 40 to 42; .LOG2 began later, at 41, with one entry for the
    // same two writes. With the hive's base block torn only the log with the latest entries
    // counts: 41 from .LOG2 and nothing after it, though .LOG1 holds a 42.
    const auto later = LogFrom(41, {states[0], states[2]});
    // Two logs that both begin at 40, with different writes: .LOG1 comes first.
    const auto sameStart = LogFrom(40, {states[0], states[2]});
    auto tornUnequal = primary;
    Put32(tornUnequal, kChecksum, Get32(tornUnequal, kChecksum) ^ 0x100);
    // Equal sequence numbers do not make a hive clean when its checksum is wrong.
    auto tornEqual = primary;
    Put32(tornEqual, kPrimarySeq, kSequence);
    Put32(tornEqual, kChecksum, Get32(tornEqual, kChecksum) ^ 0x100);
    struct Case {
        const char* label;
        const std::vector<std::uint8_t>& hive;
        std::vector<LogFile> logs;
        std::vector<std::uint8_t> expected;
        std::vector<std::string> used;
    } cases[] = {
        {"torn, two logs", tornUnequal, {{"H.LOG1", log}, {"H.LOG2", later}}, Sequenced(states[2], 41), {"H.LOG2"}},
        {"torn, two logs the other way", tornUnequal, {{"H.LOG1", later}, {"H.LOG2", log}}, Sequenced(states[2], 41),
         {"H.LOG1"}},
        {"torn with equal numbers", tornEqual, {{"H.LOG1", log}}, states[3], {"H.LOG1"}},
        {"torn, the same start", tornUnequal, {{"H.LOG1", sameStart}, {"H.LOG2", log}}, Sequenced(states[2], 40),
         {"H.LOG1"}},
        // .LOG1's 40 first, then .LOG2 goes on with 41 and 42.
        {"sound, the same start", primary, {{"H.LOG1", sameStart}, {"H.LOG2", log}}, states[3], {"H.LOG1", "H.LOG2"}},
        {"sound, two logs: both chained", primary, {{"H.LOG1", log}, {"H.LOG2", later}}, states[3], {"H.LOG1"}},
    };
    for (const auto& c : cases) {
        auto result = RecoverHive(c.hive, c.logs);
        ASSERT_TRUE(result.ok()) << c.label << ": " << Refusal(result);
        EXPECT_TRUE(result->wasDirty) << c.label;
        EXPECT_EQ(result->logsUsed, c.used) << c.label;
        ExpectPlainWrite(*result, c.expected, c.label);
    }
}

TEST(LogRecovery, DirtyVectorLogPairAsWindows8Chooses) {
    // A write that fails on the hive switches from .LOG1 to .LOG2 and logs there every page
    // dirtied since the last good write. Windows 8 and later take .LOG2 when .LOG1 does not
    // apply and .LOG2 is the later of the two; .LOG1 when it applies.
    const auto before = State(0);
    auto middle = State(1);
    Stamp(middle, kSequence + 1);
    auto after = State(3);
    Stamp(after, kSequence + 1);
    auto primary = CrashedPrimary(before, middle, false);
    Put32(primary, kTimestamp, 1000);
    Reseal(primary);
    auto logAt = [&](const std::vector<std::uint8_t>& state, std::uint64_t timestamp) {
        auto log = WriteDirtyVectorLog(before, state);
        Put32(log, kTimestamp, static_cast<std::uint32_t>(timestamp));
        Reseal(log);
        return log;
    };
    auto torn = logAt(middle, 900);
    torn[100] ^= 1;
    auto unfinished = logAt(after, 1200);
    Put32(unfinished, kSecondarySeq, kSequence);
    Reseal(unfinished);
    struct Case {
        const char* label;
        std::vector<LogFile> logs;
        int state;   // 1 or 3, -1: refused
        const char* used;
    } cases[] = {
        {".LOG1 applies, .LOG2 later", {{"H.LOG1", logAt(middle, 1000)}, {"H.LOG2", logAt(after, 1200)}}, 1, "H.LOG1"},
        {".LOG1 of an earlier write, .LOG2 later", {{"H.LOG1", logAt(middle, 900)}, {"H.LOG2", logAt(after, 1200)}}, 3, "H.LOG2"},
        {".LOG1 torn, .LOG2 of another write", {{"h.log1", torn}, {"h.log2", logAt(after, 800)}}, 3, "h.log2"},
        {".LOG1 later than .LOG2, neither applies", {{"H.LOG1", logAt(middle, 1300)}, {"H.LOG2", logAt(after, 1200)}}, -1, ""},
        {"both of the same other write", {{"H.LOG1", logAt(middle, 1200)}, {"H.LOG2", logAt(after, 1200)}}, -1, ""},
        {".LOG2 later but unfinished", {{"H.LOG1", logAt(middle, 900)}, {"H.LOG2", unfinished}}, -1, ""},
        {"a single .LOG of another write", {{"H.LOG", logAt(after, 1200)}}, -1, ""},
    };
    for (const auto& c : cases) {
        auto result = RecoverHive(primary, c.logs);
        if (c.state < 0) {
            EXPECT_FALSE(result.ok()) << c.label;
            continue;
        }
        ASSERT_TRUE(result.ok()) << c.label << ": " << Refusal(result);
        EXPECT_EQ(result->logsUsed, std::vector<std::string>{c.used}) << c.label;
        ExpectPlainWrite(*result, c.state == 1 ? middle : after, c.label);
    }
}

TEST(LogRecovery, DamagedOrMissingLogsAreRefusedWithTheReason) {
    auto primary = CrashedPrimary(State(0), State(0), false);
    std::vector<std::uint8_t> noise(9000);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 131 + 7);
    auto entryHeaderOnly = WriteLogEntries({State(0)});
    auto hugeEntry = WriteLogEntries({State(0), State(1)});
    Put32(hugeEntry, 512 + 4, 0xFFFFFE00);   // an entry size far past the end
    // An entry, hashed as it should be, that grows the hive to nearly 4 GB: no hive and log
    // hold that much, and recovery must not try to make room for it.
    auto greedy = WriteLogEntries({State(0), State(1)});
    Put32(greedy, 512 + 16, 0xFFFF0000);
    const std::uint32_t greedySize = Get32(greedy, 512 + 4);
    const std::uint64_t hash1 = Marvin32(greedy.data() + 512 + 40, greedySize - 40, kLogEntryHashSeed);
    for (int i = 0; i < 8; ++i) greedy[512 + 24 + i] = static_cast<std::uint8_t>(hash1 >> (8 * i));
    const std::uint64_t hash2 = Marvin32(greedy.data() + 512, 32, kLogEntryHashSeed);
    for (int i = 0; i < 8; ++i) greedy[512 + 32 + i] = static_cast<std::uint8_t>(hash2 >> (8 * i));
    struct Case {
        const char* label;
        std::vector<LogFile> logs;
        const char* refusal;
    } cases[] = {
        {"no logs", {}, "has no transaction log"},
        {"empty log only", {{"H.LOG", {}}}, "has no transaction log"},
        {"short log", {{"H.LOG", std::vector<std::uint8_t>(100, 1)}}, "too few for a log's base block"},
        {"noise", {{"H.LOG", noise}}, "no \"regf\" signature"},
        {"entry log without entries", {{"H.LOG1", entryHeaderOnly}}, "no log entry follows"},
        {"entry larger than the log", {{"H.LOG1", hugeEntry}}, "cut short by the end of the log"},
        {"entry growing the hive to 4 GB", {{"H.LOG1", greedy}}, "more than the hive and its logs hold"},
    };
    for (const auto& c : cases) {
        auto result = RecoverHive(primary, c.logs);
        ASSERT_FALSE(result.ok()) << c.label;
        EXPECT_NE(Refusal(result).find(c.refusal), std::string::npos) << c.label << ": " << Refusal(result);
        EXPECT_NE(Refusal(result).find("dirty"), std::string::npos) << c.label << ": " << Refusal(result);
    }
}

// Every byte of the logs' headers, vectors, entry headers and page references spoiled in turn:
// a recovery either gives a hive that reads as a hive, or refuses naming the log; it never
// crashes, and never reads or allocates past what the files hold.
TEST(LogRecovery, SpoiledLogsNeverCrashTheRecovery) {
    const auto before = State(0);
    auto after = State(1);
    Stamp(after, kSequence + 1);
    const auto vectorLog = WriteDirtyVectorLog(before, after);
    const auto entryLog = WriteLogEntries({before, State(1), State(2)});
    struct Case {
        const char* name;
        std::vector<std::uint8_t> log;
        std::vector<std::uint8_t> primary;
    } cases[] = {
        {"H.LOG", vectorLog, CrashedPrimary(before, after, true)},
        {"H.LOG1", entryLog, CrashedPrimary(before, before, false)},
    };
    for (const auto& c : cases) {
        int recovered = 0, refused = 0;
        const std::size_t end = std::min<std::size_t>(c.log.size(), 512 + 1024);
        for (std::size_t at = 0; at < end; ++at) {
            for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
                auto spoiled = c.log;
                spoiled[at] ^= flip;
                // A spoiled field of the base block copy under a sound checksum, so that the
                // recovery reads the value rather than only noticing the checksum.
                if (at < kChecksum && at % 2 == 0) Reseal(spoiled);
                auto result = RecoverHive(c.primary, {{c.name, spoiled}});
                if (result) {
                    ++recovered;
                    ASSERT_EQ(result->bytes.size(), 4096u + Get32(result->bytes, kBinsSize)) << c.name << " at " << at;
                    (void)HiveFile::FromBytes(result->bytes);   // may be damaged; must not crash
                } else {
                    ++refused;
                    EXPECT_NE(result.error().message.find(c.name), std::string::npos)
                        << c.name << " at " << at << ": " << result.error().message;
                }
            }
        }
        EXPECT_GT(recovered, 0) << c.name;
        EXPECT_GT(refused, 0) << c.name;
    }
}

TEST(LogRecovery, LogsAreFoundBesideTheHiveInAnyLetterCase) {
    testing::TempDir dir;
    for (const char* name : {"system", "SYSTEM.log", "system.LOG1", "System.Log2", "system.LOG3", "systemx.LOG", "sam.LOG1"})
        testing::WriteFileBytes(dir.File(name), {1});
    std::vector<std::string> found;
    for (const auto& path : FindLogFiles(dir.File("system")))
        found.push_back(std::filesystem::path(path).filename().string());
    EXPECT_EQ(found, (std::vector<std::string>{"SYSTEM.log", "system.LOG1", "System.Log2"}));
    EXPECT_TRUE(FindLogFiles(dir.File("software")).empty());
}

TEST(LogRecovery, FilesAreRecoveredAndCompactedWithoutWritingThem) {
    testing::TempDir dir;
    std::vector<std::vector<std::uint8_t>> states;
    for (int step = 0; step <= 3; ++step) states.push_back(State(step));
    auto primary = CrashedPrimary(states[0], states[0], false);
    auto log = WriteLogEntries(states);
    testing::WriteFileBytes(dir.File("NTUSER.DAT"), primary);
    testing::WriteFileBytes(dir.File("ntuser.dat.LOG1"), log);
    testing::WriteFileBytes(dir.File("ntuser.dat.LOG2"), {});
    auto written = [&] {
        std::vector<std::filesystem::file_time_type> times;
        for (const char* name : {"NTUSER.DAT", "ntuser.dat.LOG1", "ntuser.dat.LOG2"})
            times.push_back(std::filesystem::last_write_time(dir.File(name)));
        return times;
    };
    const auto timesBefore = written();

    // The file name matched case-insensitively only on the log side: the hive is NTUSER.DAT.
    auto recovered = RecoverHiveFile(dir.File("NTUSER.DAT"));
    ASSERT_TRUE(recovered.ok()) << Refusal(recovered);
    ExpectPlainWrite(*recovered, states[3], "file");

    CompactOptions refuse;
    auto refused = Compact(dir.File("NTUSER.DAT"), dir.File("refused.dat"), refuse);
    EXPECT_FALSE(refused.ok());
    EXPECT_FALSE(std::filesystem::exists(dir.File("refused.dat")));

    CompactOptions options;
    options.recoverFromLogs = true;
    Recovery told;
    options.recovery = &told;
    auto compacted = Compact(dir.File("NTUSER.DAT"), dir.File("compact.dat"), options);
    ASSERT_TRUE(compacted.ok()) << compacted.error().ToString();
    EXPECT_EQ(told.entriesApplied, 3u);
    auto plain = CompactBytes(testing::Open(states[3]));
    ASSERT_TRUE(plain.ok());
    auto output = testing::ReadFileBytes(dir.File("compact.dat"));
    auto outputHive = testing::Open(output);
    EXPECT_FALSE(outputHive.IsDirty());
    EXPECT_TRUE(Check(outputHive).sound);
    EXPECT_EQ(Dump(ReadBack(outputHive)), Dump(ReadBack(testing::Open(states[3]))));
    // Only the sequence numbers tell the copy of the recovered hive from the copy of a plain write.
    EXPECT_TRUE(std::equal(output.begin() + 512, output.end(), plain->begin() + 512, plain->end()));

    auto report = CheckFileWithLogs(dir.File("NTUSER.DAT"));
    EXPECT_TRUE(report.sound) << report.Text();
    EXPECT_NE(report.Text().find("recovered in memory from"), std::string::npos) << report.Text();
    EXPECT_FALSE(CheckFile(dir.File("NTUSER.DAT")).sound);

    EXPECT_EQ(written(), timesBefore);
    EXPECT_EQ(testing::ReadFileBytes(dir.File("NTUSER.DAT")), primary);
    EXPECT_EQ(testing::ReadFileBytes(dir.File("ntuser.dat.LOG1")), log);
}

}  // namespace
}  // namespace kelvara::regf

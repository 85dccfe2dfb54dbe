// A real dirty hive that Windows 10 left with its last writes only in its two logs (the newer
// form, entries with hashes): the hive as another reader recovered it, exported by hivexregedit,
// is the expected answer. Our recovery and our compacted copy must export exactly that, and
// neither may touch the hive or its logs.
//
// The files live beside the project in ../shared/real-hives, never in it. A clone without
// ../shared (outside our machines) skips with the reason; ../shared without real-hives fails,
// since there the test would otherwise pass by seeing nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "hive_command.h"
#include "regf/base_block.h"
#include "regf/security_descriptor.h"
#include "regf/regf.h"
#include "regf/crosscheck/external_tool.h"
#include "regf/crosscheck/sample_copies.h"

namespace fs = std::filesystem;
using namespace kelvara;
using crosscheck::RunTool;

namespace {

// The hive and its logs keep the letter case they came with: the logs are found whatever it is.
const char* const kDirtyFiles[] = {"NTUSER.DAT", "ntuser.dat.log1", "ntuser.dat.log2"};
constexpr const char* kExpectedExport = "NTUSER.DAT.recovered.reg";

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct CommandRun {
    int code;
    std::string out;
    std::string err;
};

CommandRun HiveCommand(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = tools::RunHiveCommand(args, out, err);
    return {code, out.str(), err.str()};
}

class RealDirtyHive : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path shared = fs::path(KV_SOURCE_DIR).parent_path() / "shared";
        if (!fs::is_directory(shared)) GTEST_SKIP() << shared << " is absent (a clone outside our machines): no real hive to test with";
        const fs::path source = shared / "real-hives";
        ASSERT_TRUE(fs::is_directory(source)) << shared << " exists but holds no real-hives/";
        for (const char* name : kDirtyFiles) Unpack(source, name);
        Unpack(source, kExpectedExport);
        expected_ = ReadText(dir_.Path() / kExpectedExport);
        ASSERT_NE(expected_.find("[\\Control Panel]"), std::string::npos) << "the expected export is not the hive's";
        for (const char* name : kDirtyFiles) before_.push_back(ReadText(dir_.Path() / name));
    }

    void TearDown() override {
        if (before_.empty()) return;
        for (std::size_t i = 0; i < before_.size(); ++i)
            EXPECT_TRUE(ReadText(dir_.Path() / kDirtyFiles[i]) == before_[i]) << kDirtyFiles[i] << " was changed";
    }

    void Unpack(const fs::path& source, const std::string& name) {
        const fs::path packed = source / (name + ".xz");
        ASSERT_TRUE(fs::is_regular_file(packed)) << packed << " is missing";
        const auto unpacked = RunTool({"xz", "--decompress", "--stdout", packed.string()});
        ASSERT_EQ(unpacked.exitCode, 0) << "xz: " << unpacked.err;
        std::ofstream(dir_.Path() / name, std::ios::binary) << unpacked.out;
    }

    std::string Hive() const { return (dir_.Path() / "NTUSER.DAT").string(); }
    std::string Export(const std::string& hive) const {
        const auto exported = RunTool({"hivexregedit", "--export", hive, "\\"});
        EXPECT_EQ(exported.exitCode, 0) << exported.err;
        return exported.out;
    }

    crosscheck::TempFolder dir_;
    std::string expected_;
    std::vector<std::string> before_;
};

TEST_F(RealDirtyHive, IsDirtyAndItsLogsAreWhatMakesItWhole) {
    // Without the logs the hive is older than the expected export: a recovery that ignored
    // them could not pass the tests below.
    const regf::CheckReport plain = regf::CheckFile(Hive());
    EXPECT_TRUE(plain.dirty) << plain.Text();
    const CommandRun noLogs = HiveCommand({"check", "--no-logs", Hive()});
    EXPECT_EQ(noLogs.code, 1) << noLogs.out;
}

TEST_F(RealDirtyHive, RecoverBringsItToTheExportOfAnotherReader) {
    const std::string recovered = (dir_.Path() / "recovered").string();
    const CommandRun run = HiveCommand({"recover", Hive(), recovered});
    ASSERT_EQ(run.code, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("ntuser.dat.log1: 23 log entries"), std::string::npos) << run.out;
    EXPECT_TRUE(Export(recovered) == expected_) << "the recovered hive exports otherwise than the reference";
}

TEST_F(RealDirtyHive, CompactedCopyExportsTheSameAndPassesTheCheck) {
    const CommandRun check = HiveCommand({"check", Hive()});
    EXPECT_EQ(check.code, 0) << check.out;
    EXPECT_NE(check.out.find("Hive is sound"), std::string::npos) << check.out;

    const std::string copy = (dir_.Path() / "NTUSER.DAT.kvf").string();
    const CommandRun compact = HiveCommand({"compact", Hive(), copy});
    ASSERT_EQ(compact.code, 0) << compact.out << compact.err;
    EXPECT_TRUE(Export(copy) == expected_) << "the compacted copy exports otherwise than the reference";
    const CommandRun copyCheck = HiveCommand({"check", copy});
    EXPECT_EQ(copyCheck.code, 0) << copyCheck.out;
    EXPECT_EQ(copyCheck.out.find("Untidiness"), std::string::npos) << copyCheck.out;
    EXPECT_LT(fs::file_size(copy), fs::file_size(Hive()));
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Every allocated key security cell of a hive image, found by walking its bins as the format
// lays them out: the descriptor's offset in the image and its bytes.
std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> SecurityCells(const std::vector<std::uint8_t>& image) {
    auto le32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(image[at] | image[at + 1] << 8 | image[at + 2] << 16 |
                                          static_cast<std::uint32_t>(image[at + 3]) << 24);
    };
    std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> found;
    for (std::size_t bin = 4096; bin + 32 <= image.size() && std::memcmp(&image[bin], "hbin", 4) == 0;) {
        const std::size_t binEnd = bin + le32(bin + 8);
        for (std::size_t cell = bin + 32; cell + 4 <= binEnd && cell + 4 <= image.size();) {
            const auto size = static_cast<std::int32_t>(le32(cell));
            const std::size_t length = static_cast<std::size_t>(size < 0 ? -static_cast<std::int64_t>(size) : size);
            if (length < 8) break;
            if (size < 0 && std::memcmp(&image[cell + 4], "sk", 2) == 0) {
                const std::size_t descriptor = cell + 4 + 20;
                const std::size_t bytes = std::min<std::size_t>(le32(cell + 4 + 16), cell + length - descriptor);
                found.push_back({descriptor, {image.begin() + descriptor, image.begin() + descriptor + bytes}});
            }
            cell += length;
        }
        if (binEnd <= bin) break;
        bin = binEnd;
    }
    return found;
}

TEST_F(RealDirtyHive, EveryDescriptorWindowsWroteIsValid) {
    auto recovered = regf::RecoverHive(Bytes(before_[0]), {{"ntuser.dat.log1", Bytes(before_[1])},
                                                           {"ntuser.dat.log2", Bytes(before_[2])}});
    ASSERT_TRUE(recovered.ok()) << recovered.error().message;
    auto unrecovered = Bytes(before_[0]);
    for (const std::vector<std::uint8_t>* image : {&recovered->bytes, &unrecovered}) {
        const auto cells = SecurityCells(*image);
        EXPECT_GE(cells.size(), 5u);
        for (const auto& [at, bytes] : cells)
            EXPECT_EQ(regf::SecurityDescriptorProblem(regf::ByteSpan(bytes.data(), bytes.size(), at)), "")
                << "descriptor at " << at;
    }
}

TEST_F(RealDirtyHive, LogsThatTurnedOverRecoverFromTheFirstLogsOwnNumber) {
    // ntuser.dat.log1 began at 566 (its base block copy) and holds 566 to 588; ntuser.dat.log2
    // holds 562 alone. A hive whose last complete write is numbered 563 to 565 looks as one
    // whose logs turned over since: the writes 563 to 565 reached its bins by a partial
    // reconcile, and recovery starts at 566 all the same, to the reference export. At 562,
    // ntuser.dat.log2 starts the chain and no 563 follows it.
    const std::vector<regf::LogFile> logs = {{"ntuser.dat.log1", Bytes(before_[1])}, {"ntuser.dat.log2", Bytes(before_[2])}};
    struct Case {
        std::uint32_t secondary;
        std::uint32_t entries;
        const char* log;
        bool reference;
    } cases[] = {
        {563, 23, "ntuser.dat.log1", true},
        {564, 23, "ntuser.dat.log1", true},
        {565, 23, "ntuser.dat.log1", true},
        {562, 1, "ntuser.dat.log2", false},
    };
    for (const auto& c : cases) {
        auto hive = Bytes(before_[0]);
        regf::BaseBlockHeader header;
        std::memcpy(&header, hive.data(), sizeof header);
        ASSERT_EQ(static_cast<std::uint32_t>(header.primary_sequence_number), 567u);
        header.secondary_sequence_number = c.secondary;
        header.checksum = regf::BaseBlockChecksum(header);
        std::memcpy(hive.data(), &header, sizeof header);
        auto recovered = regf::RecoverHive(hive, logs);
        ASSERT_TRUE(recovered.ok()) << c.secondary << ": " << recovered.error().message;
        EXPECT_EQ(recovered->entriesApplied, c.entries) << c.secondary;
        EXPECT_EQ(recovered->logsUsed, std::vector<std::string>{c.log}) << c.secondary;
        if (!c.reference) continue;   // an old write laid over newer bins: not a hive to export
        const fs::path file = dir_.Path() / ("recovered-" + std::to_string(c.secondary));
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(recovered->bytes.data()),
                                                    static_cast<std::streamsize>(recovered->bytes.size()));
        EXPECT_TRUE(Export(file.string()) == expected_) << c.secondary << ": exports otherwise than the reference";
    }
}

}  // namespace

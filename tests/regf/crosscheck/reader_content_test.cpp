// Every independent reader must show what a hive we write really holds: every key, every
// value with its type and its raw bytes, as far as the reader prints them. Comparing a copy
// with its original is not enough: both come from our writer, and a layout a reader misreads
// is misread in both alike.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "regf/regf.h"
#include "regf/crosscheck/external_tool.h"
#include "regf/crosscheck/reader_views.h"
#include "regf/crosscheck/sample_copies.h"

namespace fs = std::filesystem;
using namespace kelvara;
using crosscheck::Differences;
using crosscheck::ReaderView;
using crosscheck::RunTool;
using crosscheck::SeenKeys;

namespace {

std::string SafeName(std::string name) {
    for (auto& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

// What `reader` shows of the hive file, or a failed test.
SeenKeys Read(const ReaderView& reader, const std::string& hive, std::string& err) {
    const auto run = RunTool(reader.command(hive));
    EXPECT_EQ(run.exitCode, 0) << reader.name << " failed on " << hive << ": " << run.err;
    err = run.err;
    return reader.parse(run.out);
}

// ---- the sample installation's hives and their compacted copies --------------------------

using SampleCase = std::tuple<const char*, ReaderView>;
class ReaderShowsWhatIsStored : public testing::TestWithParam<SampleCase> {};

TEST_P(ReaderShowsWhatIsStored, InTheSampleHiveAndItsCompactedCopy) {
    const auto& [relative, reader] = GetParam();
    const std::string sample = crosscheck::SampleFolder() + "/" + relative;
    ASSERT_TRUE(fs::exists(sample)) << sample << " is missing: build the sample_installation target";
    std::string unreadable;
    const std::string& original = crosscheck::ReadableSampleHive(relative, unreadable);
    ASSERT_FALSE(original.empty()) << sample << ": " << unreadable;
    std::string error;
    const std::string& compacted = crosscheck::CompactedCopyOf(relative, error);
    ASSERT_FALSE(compacted.empty()) << "compacting " << original << " failed: " << error;

    auto hive = regf::HiveFile::Open(compacted);
    ASSERT_TRUE(hive.ok()) << hive.error().ToString();
    const SeenKeys stored = crosscheck::StoredContent(*hive);
    ASSERT_GT(stored.size(), 5u);
    std::string errors[2];
    const std::string files[2] = {original, compacted};
    for (int i = 0; i < 2; ++i) {
        const SeenKeys seen = Read(reader, files[i], errors[i]);
        EXPECT_EQ(Differences(stored, seen), "") << reader.name << " reads " << files[i] << " wrongly";
    }
    // reglookup warns about the sample's values of types it cannot decode: the same warnings,
    // and no more, for the copy.
    EXPECT_EQ(errors[1], errors[0]) << reader.name << " complains differently about the copy";
}

INSTANTIATE_TEST_SUITE_P(SampleHives, ReaderShowsWhatIsStored,
                         testing::Combine(testing::ValuesIn(crosscheck::kSampleHivePaths),
                                          testing::ValuesIn(crosscheck::Readers())),
                         [](const testing::TestParamInfo<SampleCase>& info) {
                             return SafeName(fs::path(std::get<0>(info.param)).filename().string() + "_" +
                                             std::get<1>(info.param).name);
                         });

// ---- big values on both sides of every segment boundary -----------------------------------

constexpr std::uint32_t kSegment = 16344;   // the data a big value's segment holds

// Lengths around the big data threshold (data up to one segment stays in one cell) and
// lengths that leave the last segment 1 byte, half a segment, a segment less one, and full.
const std::uint32_t kBigLengths[] = {
    kSegment - 1,          kSegment,           kSegment + 1,           kSegment + kSegment / 2,
    2 * kSegment - 1,      2 * kSegment,       2 * kSegment + 1,       3 * kSegment,
    3 * kSegment + kSegment / 2, 5 * kSegment + 7,
};

std::vector<std::uint8_t> Pattern(std::uint32_t length) {
    std::vector<std::uint8_t> data(length);
    std::uint32_t state = length * 2654435761u + 1;
    for (auto& byte : data) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return data;
}

// A key "Big" holding one REG_BINARY value per length, named after it.
regf::KeySpec BigValues() {
    regf::KeySpec root;
    root.name = "ROOT";
    root.lastWritten = 0x01D9000000000000ull;
    regf::KeySpec big;
    big.name = "Big";
    big.lastWritten = root.lastWritten;
    for (std::uint32_t length : kBigLengths) big.values.push_back({"len" + std::to_string(length), 3, Pattern(length)});
    root.subkeys.push_back(big);
    return root;
}

// The same as the readers show it, made from the description and not from any hive.
SeenKeys Expected(const regf::KeySpec& root) {
    SeenKeys keys;
    keys[""];
    for (const auto& subkey : root.subkeys) {
        auto& values = keys["\\" + subkey.name];
        for (const auto& v : subkey.values) values[v.name] = {v.type, v.data.size(), v.data};
    }
    return keys;
}

// No reader needs an exception here: laid out as Windows lays them out (full segments in
// format 1.5, one cell in 1.3) every length reads right in each. With a short last segment
// hivex, reglookup and libregf read the value up to 4 bytes short and Parse::Win32Registry
// reads it empty, which is what this table caught.
using BigCase = std::tuple<std::uint32_t, ReaderView>;   // format minor version, reader
class BigValuesReadBack : public testing::TestWithParam<BigCase> {};

TEST_P(BigValuesReadBack, ByteForByteFromTheBuiltHiveAndItsCopy) {
    const auto& [minorVersion, reader] = GetParam();
    const regf::KeySpec tree = BigValues();
    regf::BuildOptions options;
    options.minorVersion = minorVersion;
    options.fragmentation = 0.2;   // so the copy really moves cells
    auto built = regf::BuildBytes(tree, options);
    ASSERT_TRUE(built.ok()) << built.error().ToString();
    auto hive = regf::HiveFile::FromBytes(*built);
    ASSERT_TRUE(hive.ok()) << hive.error().ToString();
    auto copy = regf::CompactBytes(*hive);
    ASSERT_TRUE(copy.ok()) << copy.error().ToString();

    crosscheck::TempFolder folder;
    const std::string builtFile = folder.Write("built.hive", *built);
    const std::string copyFile = folder.Write("compacted.hive", *copy);
    // Our own checker sees nothing another reader would stumble on.
    EXPECT_TRUE(regf::CheckFile(copyFile).warnings.empty());

    const SeenKeys expected = Expected(tree);
    for (const std::string& file : {builtFile, copyFile}) {
        std::string err;
        const SeenKeys seen = Read(reader, file, err);
        EXPECT_EQ(Differences(expected, seen), "") << reader.name << " reads " << file << " (format 1."
                                                   << minorVersion << ") wrongly";
        EXPECT_EQ(err, "") << reader.name << " complains about " << file;
    }
}

INSTANTIATE_TEST_SUITE_P(FormatVersions, BigValuesReadBack,
                         testing::Combine(testing::Values(3u, 5u), testing::ValuesIn(crosscheck::Readers())),
                         [](const testing::TestParamInfo<BigCase>& info) {
                             return SafeName("v1_" + std::to_string(std::get<0>(info.param)) + "_" +
                                             std::get<1>(info.param).name);
                         });

}  // namespace

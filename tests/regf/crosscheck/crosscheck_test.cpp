// What each independent reader exports from a compacted copy of each sample hive must be what
// it exports from the original: the compactor may move every cell, but no key, value, class
// name, time stamp or security descriptor may change. (reader_content_test.cpp holds the
// readers against what is stored.)
#include <gtest/gtest.h>


#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "regf/regf.h"
#include "regf/crosscheck/external_tool.h"
#include "regf/crosscheck/sample_copies.h"

namespace fs = std::filesystem;
using namespace kelvara;
using crosscheck::Lines;
using crosscheck::RunTool;

namespace {

struct SampleHive {
    const char* path;    // in the sample installation
    const char* probe;   // a key name the export must mention, so an empty export cannot pass
};

const SampleHive kHives[] = {
    {"Windows/System32/config/SYSTEM", "MountedDevices"},
    {"Windows/System32/config/SOFTWARE", "ProfileList"},
    {"Windows/System32/config/SAM", "Domains"},
    {"Windows/System32/config/SECURITY", "Policy"},
    {"Windows/System32/config/DEFAULT", "Control Panel"},
    {"Users/Alex/NTUSER.DAT", "Control Panel"},
    {"Users/Alex/AppData/Local/Microsoft/Windows/UsrClass.dat", "BagMRU"},
};

struct Reader {
    const char* name;
    std::vector<std::string> (*command)(const std::string& hive);
    // Removes from an export what may rightly differ between two files with the same content.
    std::string (*normalise)(std::string text);
};

std::string Unchanged(std::string text) { return text; }

// hivexml lists the file offsets and lengths of the cells behind each key and value
// (<byte_runs>). Moving cells and trimming oversized ones is what compaction does, so those
// are the one thing taken out before comparing.
std::string WithoutByteRuns(std::string text) {
    static const std::string open = "<byte_runs>", close = "</byte_runs>";
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    for (std::size_t start; (start = text.find(open, at)) != std::string::npos;) {
        const std::size_t end = text.find(close, start);
        if (end == std::string::npos) break;
        out.append(text, at, start - at);
        at = end + close.size();
    }
    out.append(text, at, std::string::npos);
    return out;
}

const Reader kReaders[] = {
    // hivexml: every key with its name, last-written time and class, every value with its type
    // and data.
    {"hivexml", [](const std::string& hive) { return std::vector<std::string>{"hivexml", hive}; },
     WithoutByteRuns},
    // reglookup: every key and value by full path, with the security descriptors (owner,
    // group, SACL, DACL) and key times; -i gives each value its key's time too.
    {"reglookup",
     [](const std::string& hive) { return std::vector<std::string>{"reglookup", "-s", "-i", hive}; },
     Unchanged},
    // regfexport: libregf's own walk of keys and values with their data.
    {"regfexport", [](const std::string& hive) { return std::vector<std::string>{"regfexport", hive}; },
     Unchanged},
    // hivexregedit: a .reg export, every value's data as hex.
    {"hivexregedit",
     [](const std::string& hive) { return std::vector<std::string>{"hivexregedit", "--export", hive, "\\"}; },
     Unchanged},
    // Parse::Win32Registry through our dump script: classes, times, owners and groups, raw data.
    {"win32registry",
     [](const std::string& hive) {
         return std::vector<std::string>{"perl", KV_SOURCE_DIR "/tests/regf/crosscheck/win32registry_dump.pl", hive};
     },
     Unchanged},
};

// The first line where the two exports part, with its neighbours, for the failure message.
std::string FirstDifference(const std::string& original, const std::string& compacted) {
    const auto a = Lines(original);
    const auto b = Lines(compacted);
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    std::string text = "first difference at line " + std::to_string(i + 1) + " of " +
                       std::to_string(a.size()) + " (original) / " + std::to_string(b.size()) +
                       " (compacted)\n";
    text += "  original:  " + (i < a.size() ? a[i].substr(0, 300) : std::string("<end>")) + "\n";
    text += "  compacted: " + (i < b.size() ? b[i].substr(0, 300) : std::string("<end>")) + "\n";
    return text;
}

using Case = std::tuple<SampleHive, Reader>;

class CrossCheck : public testing::TestWithParam<Case> {};

TEST_P(CrossCheck, CompactedCopyExportsTheSame) {
    const auto& [hive, reader] = GetParam();
    ASSERT_TRUE(crosscheck::OnPath(reader.command("x")[0]))
        << reader.name << " is not installed (tools/setup.sh installs it)";
    const std::string sample = crosscheck::SampleFolder() + "/" + hive.path;
    ASSERT_TRUE(fs::exists(sample)) << sample << " is missing: build the sample_installation target";
    std::string unreadable;
    const std::string& original = crosscheck::ReadableSampleHive(hive.path, unreadable);
    ASSERT_FALSE(original.empty()) << sample << ": " << unreadable;

    std::string error;
    const std::string& compacted = crosscheck::CompactedCopyOf(hive.path, error);
    ASSERT_FALSE(compacted.empty()) << "compacting " << original << " failed: " << error;
    EXPECT_LE(fs::file_size(compacted), fs::file_size(original));

    const auto before = RunTool(reader.command(original));
    const auto after = RunTool(reader.command(compacted));
    ASSERT_EQ(before.exitCode, 0) << reader.name << " failed on the original: " << before.err;
    ASSERT_EQ(after.exitCode, 0) << reader.name << " failed on the compacted copy: " << after.err;
    // An export that lost the tree could still match another that lost it too.
    EXPECT_NE(before.out.find(hive.probe), std::string::npos)
        << reader.name << " does not show " << hive.probe << " in " << original;
    EXPECT_GT(Lines(before.out).size(), 20u);

    const std::string a = reader.normalise(before.out);
    const std::string b = reader.normalise(after.out);
    EXPECT_TRUE(a == b) << reader.name << " exports " << hive.path << " differently after compaction:\n"
                        << FirstDifference(a, b);
    // Whatever the reader complained about in the original it may complain about again, but
    // the compactor must not give it anything new to complain about.
    EXPECT_EQ(after.err, before.err) << reader.name << " warns differently about the compacted copy";
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
    std::string name = fs::path(std::get<0>(info.param).path).filename().string() + "_" +
                       std::get<1>(info.param).name;
    for (auto& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(SampleHives, CrossCheck,
                         testing::Combine(testing::ValuesIn(kHives), testing::ValuesIn(kReaders)),
                         CaseName);

}  // namespace

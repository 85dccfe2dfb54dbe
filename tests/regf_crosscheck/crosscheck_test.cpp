// What three independent readers export from a compacted copy of each sample hive must be
// what they export from the original: the compactor may move every cell, but no key, value,
// class name, time stamp or security descriptor may change.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "regf/regf.h"
#include "regf_crosscheck/external_tool.h"

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
};

std::string SampleFolder() { return std::string(KV_BINARY_DIR) + "/sample"; }

// Compacted copies, made once for the whole suite in a folder of its own.
class Compacted {
public:
    static Compacted& Instance() {
        static Compacted instance;
        return instance;
    }
    // The copy of `relative`, or an error message.
    const std::string& Of(const std::string& relative, std::string& error) {
        auto found = copies_.find(relative);
        if (found != copies_.end()) return found->second;
        const fs::path output = folder_ / fs::path(relative).filename();
        const auto result = regf::Compact(SampleFolder() + "/" + relative, output.string());
        if (!result) {
            error = result.error().ToString();
            static const std::string none;
            return none;
        }
        return copies_[relative] = output.string();
    }
    ~Compacted() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

private:
    Compacted() {
        folder_ = fs::temp_directory_path() / ("kv-crosscheck-" + std::to_string(getpid()));
        fs::create_directories(folder_);
    }
    fs::path folder_;
    std::map<std::string, std::string> copies_;
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
    const std::string original = SampleFolder() + "/" + hive.path;
    ASSERT_TRUE(fs::exists(original)) << original << " is missing: build the sample_installation target";

    std::string error;
    const std::string& compacted = Compacted::Instance().Of(hive.path, error);
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

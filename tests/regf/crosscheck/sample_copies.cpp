#include "regf/crosscheck/sample_copies.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <map>

#include "regf/regf.h"

namespace fs = std::filesystem;

namespace kelvara::crosscheck {

std::string SampleFolder() { return std::string(KV_BINARY_DIR) + "/sample"; }

const std::string& CompactedCopyOf(const std::string& relative, std::string& error) {
    // One folder for the whole run, removed when the suite ends.
    static TempFolder folder;
    static std::map<std::string, std::string> copies;
    static const std::string none;
    auto found = copies.find(relative);
    if (found != copies.end()) return found->second;
    const fs::path output = folder.Path() / fs::path(relative).filename();
    regf::CompactOptions options;
    options.recoverFromLogs = true;
    const auto result = regf::Compact(SampleFolder() + "/" + relative, output.string(), options);
    if (!result) {
        error = result.error().ToString();
        return none;
    }
    return copies[relative] = output.string();
}

const std::string& ReadableSampleHive(const std::string& relative, std::string& error) {
    static TempFolder folder;
    static std::map<std::string, std::string> readable;
    static const std::string none;
    auto found = readable.find(relative);
    if (found != readable.end()) return found->second;
    const std::string sample = SampleFolder() + "/" + relative;
    auto recovered = regf::RecoverHiveFile(sample);
    if (!recovered) {
        error = recovered.error().ToString();
        return none;
    }
    if (!recovered->wasDirty) return readable[relative] = sample;
    return readable[relative] = folder.Write(fs::path(relative).filename().string() + ".recovered", recovered->bytes);
}

TempFolder::TempFolder() {
    static std::atomic<int> made{0};
    path_ = fs::temp_directory_path() / ("kv-crosscheck-" + std::to_string(getpid()) + "-" + std::to_string(made++));
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempFolder::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const fs::path file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file.string();
}

}  // namespace kelvara::crosscheck

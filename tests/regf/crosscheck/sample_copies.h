// The sample installation's hives, their compacted copies (made once per run of the suite),
// and files in a temporary folder, for the cross-checks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kelvara::crosscheck {

// Every hive of the sample installation, relative to its folder.
inline constexpr const char* kSampleHivePaths[] = {
    "Windows/System32/config/SYSTEM",   "Windows/System32/config/SOFTWARE", "Windows/System32/config/SAM",
    "Windows/System32/config/SECURITY", "Windows/System32/config/DEFAULT",  "Users/Alex/NTUSER.DAT",
    "Users/Alex/AppData/Local/Microsoft/Windows/UsrClass.dat",
};

std::string SampleFolder();

// The compacted copy of the sample hive `relative` (recovered from its logs first when it is
// dirty), made the first time it is asked for; "" with `error` set when compacting failed.
const std::string& CompactedCopyOf(const std::string& relative, std::string& error);

// The sample hive `relative` as a reader that ignores logs should see it: the file itself, or
// for the sample's dirty hive the hive as its logs recover it (that recovery is held against a
// real Windows hive in real_hive_test.cpp); "" with `error` set when recovery failed.
const std::string& ReadableSampleHive(const std::string& relative, std::string& error);

// A folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // Writes `bytes` to the file `name` in the folder; its path.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace kelvara::crosscheck

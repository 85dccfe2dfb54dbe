#include "settings/options_setting.h"

#include <vector>

#include "common/ini_file.h"

namespace kelvara::settings {

TOptionsSetting OptionsSetting;

namespace {

constexpr const char* Section = "Options";

bool ReadBool(const common::IniFile& file, const char* key, bool defaultValue) {
    return file.ReadInteger(Section, key, defaultValue ? 1 : 0) != 0;
}

struct OptionEntry {
    const char* key;
    std::string value;
};

// The keys in the order they are written; a value the file cannot hold stops the save there.
std::vector<OptionEntry> EntriesToWrite() {
    return {{"RestorePoint", OptionsSetting.RestorePoint ? "1" : "0"},
            {"IsAskBeforeDefrag", OptionsSetting.IsAskBeforeDefrag ? "1" : "0"},
            {"IsShowLine", OptionsSetting.IsShowLine ? "1" : "0"},
            {"Lan", OptionsSetting.Lan}};
}

// The keys are set one by one in the file's text and the file is replaced once: one flush per
// save instead of one per key. The keys before a refused one are still saved, as a writer going
// key by key would have left them, and none after it.
void WriteOptions(const std::string& path) {
    // A file that exists but cannot be read loads as empty here; WriteIniFile refuses to replace
    // such a file, so its content is never lost to an empty one.
    common::IniFile file = common::LoadIniFile(path);
    std::size_t set = 0;
    const std::vector<OptionEntry> entries = EntriesToWrite();
    for (const OptionEntry& entry : entries) {
        if (!file.SetString(Section, entry.key, entry.value)) break;
        ++set;
    }
    if (set > 0 && !common::WriteIniFile(path, file)) throw WriteError(path);
    if (set < entries.size()) throw WriteError(path);
}

}  // namespace

std::string OptionsFilePath(const std::string& programFolder) {
    return programFolder + "options.ini";
}

void ReadWriteOptions(bool isRead, const std::string& programFolder) {
    const std::string path = OptionsFilePath(programFolder);
    if (isRead) {
        const common::IniFile file = common::LoadIniFile(path);
        OptionsSetting.RestorePoint = ReadBool(file, "RestorePoint", false);
        OptionsSetting.IsAskBeforeDefrag = ReadBool(file, "IsAskBeforeDefrag", true);
        OptionsSetting.IsShowLine = ReadBool(file, "IsShowLine", true);
        OptionsSetting.Lan = file.ReadString(Section, "Lan", "English");
        OptionsSetting.Scheme = file.ReadString(Section, "Scheme", "");
        return;
    }
    WriteOptions(path);
}

}  // namespace kelvara::settings

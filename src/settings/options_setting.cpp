#include "settings/options_setting.h"

#include "common/ini_file.h"

namespace kelvara::settings {

TOptionsSetting OptionsSetting;

namespace {

constexpr const char* Section = "Options";

bool ReadBool(const common::IniFile& file, const char* key, bool defaultValue) {
    return file.ReadInteger(Section, key, defaultValue ? 1 : 0) != 0;
}

void WriteBool(const std::string& path, const char* key, bool value) {
    WriteIniStringOrRaise(path, Section, key, value ? "1" : "0");
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
    WriteBool(path, "RestorePoint", OptionsSetting.RestorePoint);
    WriteBool(path, "IsAskBeforeDefrag", OptionsSetting.IsAskBeforeDefrag);
    WriteBool(path, "IsShowLine", OptionsSetting.IsShowLine);
    WriteIniStringOrRaise(path, Section, "Lan", OptionsSetting.Lan);
}

}  // namespace kelvara::settings

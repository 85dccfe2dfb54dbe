#include "settings/language_file.h"

#include <sys/stat.h>

#include "common/ascii_text.h"
#include "settings/options_setting.h"

namespace kelvara::settings {
namespace {

std::string& ProgramFolderSetting() {
    static std::string folder;
    return folder;
}

LanguageTextDecoder& DecoderSetting() {
    static LanguageTextDecoder decoder;
    return decoder;
}

}  // namespace

void SetLanguageProgramFolder(std::string programFolder) { ProgramFolderSetting() = std::move(programFolder); }

const std::string& LanguageProgramFolder() { return ProgramFolderSetting(); }

bool LanguageFileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == S_IFREG;
}

std::string LanguageFilePath(const std::string& programFolder, const std::string& language) {
    const std::string fileName = "DLan_" + language + ".ini";
    const std::string beside = programFolder + fileName;
    if (LanguageFileExists(beside)) return beside;
    const char separator = !programFolder.empty() && programFolder.back() == '/' ? '/' : '\\';
    return programFolder + "Languages" + separator + fileName;
}

std::string LanguageFilePath(const std::string& language) {
    return LanguageFilePath(LanguageProgramFolder(), language);
}

bool IsBuiltInLanguage(std::string_view language) { return common::AsciiEqualNoCase(language, "English"); }

void SetLanguageTextDecoder(LanguageTextDecoder decoder) { DecoderSetting() = std::move(decoder); }

LanguageSource::LanguageSource(const std::string& path) : file_(common::LoadIniFile(path)) {}

std::string LanguageSource::Read(std::string_view section, std::string_view key,
                                 const std::string& defaultText) const {
    std::optional<std::string> value = file_.Find(section, key);
    if (!value) return defaultText;
    const LanguageTextDecoder& decoder = DecoderSetting();
    return decoder ? decoder(*value) : *value;
}

std::string LoadLanguageString(std::string_view ident, std::string_view builtInText) {
    if (IsBuiltInLanguage(OptionsSetting.Lan)) return std::string(builtInText);
    const std::string path = LanguageFilePath(OptionsSetting.Lan);
    if (!LanguageFileExists(path)) return std::string(builtInText);
    return LanguageSource(path).Read("ResourceString", ident, std::string(builtInText));
}

}  // namespace kelvara::settings

#include "installation.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "dirty_hive.h"
#include "hives.h"
#include "key_tree.h"

namespace kelvara::sample {

namespace fs = std::filesystem;

namespace {

regf::Status WriteBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return regf::Error{"cannot write " + file.string()};
    return regf::Done{};
}

// The hive and its two logs, named as Windows names them beside it.
regf::Status WriteDirtyHive(const regf::KeySpec& root, const regf::BuildOptions& options, const fs::path& target) {
    auto files = MakeDirtyHive(root, options);
    if (!files) return files.error();
    for (const auto& [suffix, bytes] : {std::pair{"", &files->hive}, std::pair{".LOG1", &files->log1},
                                        std::pair{".LOG2", &files->log2}}) {
        const regf::Status written = WriteBytes(target.string() + suffix, *bytes);
        if (!written) return written;
    }
    return regf::Done{};
}

}  // namespace

const std::vector<HivePlan>& SampleHives() {
    static const std::vector<HivePlan> plans = {
        {"Windows/System32/config/SYSTEM", "\\SystemRoot\\System32\\Config\\SYSTEM", 0.22, 101, MakeSystemHive},
        {"Windows/System32/config/SOFTWARE", "\\SystemRoot\\System32\\Config\\SOFTWARE", 0.18, 102, MakeSoftwareHive},
        {"Windows/System32/config/SAM", "\\SystemRoot\\System32\\Config\\SAM", 0.12, 103, MakeSamHive},
        {"Windows/System32/config/SECURITY", "\\SystemRoot\\System32\\Config\\SECURITY", 0.15, 104, MakeSecurityHive},
        {"Windows/System32/config/DEFAULT", "\\SystemRoot\\System32\\Config\\DEFAULT", 0.30, 105, MakeDefaultHive},
        {"Users/Alex/NTUSER.DAT", "\\??\\C:\\Users\\Alex\\ntuser.dat", 0.33, 106, MakeUserHive, true},
        {"Users/Alex/AppData/Local/Microsoft/Windows/UsrClass.dat",
         "\\??\\C:\\Users\\Alex\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat", 0.27, 107,
         MakeUserClassesHive},
    };
    return plans;
}

regf::Status WriteInstallation(const std::string& folder,
                               const std::function<void(const WrittenHive&)>& report) {
    for (const auto& plan : SampleHives()) {
        const fs::path target = fs::path(folder) / plan.path;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        if (ec) {
            return regf::Error{"cannot create folder " + target.parent_path().string() + ": " + ec.message()};
        }
        const regf::KeySpec root = plan.make(plan.seed);
        regf::BuildOptions options;
        options.minorVersion = 5;
        options.fileName = plan.baseBlockName;
        options.fragmentation = plan.fragmentation;
        options.seed = static_cast<std::uint32_t>(plan.seed);
        const regf::Status written = plan.dirty ? WriteDirtyHive(root, options, target)
                                                : regf::BuildFile(root, options, target.string());
        if (!written) {
            return regf::Error{"writing " + target.string() + ": " + written.error().ToString()};
        }
        const TreeCounts counts = Count(root);
        WrittenHive hive;
        hive.path = target.string();
        hive.size = fs::file_size(target, ec);
        hive.keys = counts.keys;
        hive.values = counts.values;
        hive.fragmentation = plan.fragmentation;
        if (report) report(hive);
    }
    return regf::Done{};
}

}  // namespace kelvara::sample

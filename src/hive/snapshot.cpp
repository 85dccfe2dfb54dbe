#include "hive/snapshot.h"

#include <optional>

#include "common/hive_path.h"

namespace kelvara::hive {
namespace {

// FILE_ATTRIBUTE_READONLY | HIDDEN | SYSTEM | volume label | DIRECTORY | ARCHIVE: a search
// that admits every kind of entry.
constexpr std::uint32_t AnyAttribute = 0x3F;

platform::RootKey ToRootKey(common::HiveRoot root) {
    return root == common::HiveRoot::LocalMachine ? platform::RootKey::LocalMachine
                                                  : platform::RootKey::Users;
}

// Opens the hive's root key; none, with the reason in `status`, when the path names no hive or
// the open fails.
std::optional<platform::KeyHandle> OpenHiveKey(platform::System& system, const std::string& hivePath,
                                               bool use64BitView, long& status) {
    status = platform::status::FileNotFound;
    const auto parsed = common::ParseHivePath(hivePath);
    if (!parsed) return std::nullopt;

    platform::KeyHandle key = 0;
    // Every hive in the 64-bit view: SOFTWARE's 32-bit part is only a part, and up to Vista and
    // Server 2008 a user's classes hive is shown to 32-bit programs redirected, so a copy of that
    // view would lose the user's class registrations once it took the hive's place.
    if (use64BitView)
        status = system.RegOpenKeyEx(ToRootKey(parsed->root), parsed->subKey,
                                     platform::access::KeyQueryValue | platform::access::KeyWow64_64Key,
                                     key);
    else
        status = system.RegOpenKey(ToRootKey(parsed->root), parsed->subKey, key);
    if (status != platform::status::Success) return std::nullopt;
    return key;
}

}  // namespace

void EnableBackupPrivilege(platform::System& system) {
    system.EnablePrivilege("SeBackupPrivilege", platform::access::TokenAdjustPrivilegesQuery);
}

void EnableRestorePrivilege(platform::System& system) {
    system.EnablePrivilege("SeRestorePrivilege", platform::access::TokenAllAccess);
}

bool SaveHiveCopy(platform::System& system, const std::string& hivePath, const std::string& target,
                  bool use64BitView) {
    return SaveHiveCopyStatus(system, hivePath, target, use64BitView) == platform::status::Success;
}

long SaveHiveCopyStatus(platform::System& system, const std::string& hivePath, const std::string& target,
                        bool use64BitView) {
    long status = platform::status::Success;
    const auto key = OpenHiveKey(system, hivePath, use64BitView, status);

    // The registry's save refuses to overwrite a file, and an old copy must never pass for a
    // new one.
    if (system.FileExists(target)) system.DeleteFile(target);

    if (!key) return status;
    status = system.RegSaveKey(*key, target);
    system.RegCloseKey(*key);
    return status;
}

std::int64_t QueryFileSize(platform::System& system, const std::string& fileName) {
    if (!system.FileExists(fileName)) return 0;
    std::int64_t size = 0;
    if (!system.FindFirstFileSize(system.ExpandFileName(fileName), AnyAttribute, size)) return -1;
    return size;
}

bool IsFileLocked(platform::System& system, const std::string& fileName) {
    if (!system.FileExists(fileName)) return false;
    return !system.OpenExclusive(fileName);
}

}  // namespace kelvara::hive

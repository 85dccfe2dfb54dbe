#include "platform/offline/hive_as_loaded.h"

namespace kelvara::platform::offline {

regf::Result<regf::HiveFile> OpenHiveAsLoaded(const std::filesystem::path& file) {
    auto hive = regf::HiveFile::Open(file.string());
    if (!hive.ok() || !hive->IsDirty()) return hive;
    auto recovered = regf::RecoverHiveFile(file.string());
    if (!recovered.ok()) return hive;
    auto loaded = regf::HiveFile::FromBytes(std::move(recovered->bytes));
    if (!loaded.ok()) return hive;
    return loaded;
}

}  // namespace kelvara::platform::offline

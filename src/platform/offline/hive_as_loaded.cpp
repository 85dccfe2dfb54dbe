#include "platform/offline/hive_as_loaded.h"

#include "platform/system.h"
#include "regf/native_path.h"

namespace kelvara::platform::offline {

regf::Result<regf::HiveFile> OpenHiveAsLoaded(const std::filesystem::path& file) {
    auto hive = regf::HiveFile::Open(regf::NarrowPath(file));
    if (!hive.ok() || !hive->IsDirty()) return hive;
    auto recovered = regf::RecoverHiveFile(regf::NarrowPath(file));
    if (!recovered.ok()) return hive;
    auto loaded = regf::HiveFile::FromBytes(std::move(recovered->bytes));
    if (!loaded.ok()) return hive;
    return loaded;
}

std::optional<std::string> StringValue(const regf::KeyView& key, const std::string& name) {
    auto value = key.Value(name);
    if (!value.ok() || !value.value()) return std::nullopt;
    const std::uint32_t type = value.value()->type;
    if (type != regtype::Sz && type != regtype::ExpandSz) return std::nullopt;
    return regf::FromUtf16(value.value()->data);
}

}  // namespace kelvara::platform::offline

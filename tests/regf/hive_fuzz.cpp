// libFuzzer target for the hive engine: any bytes may be handed to the reader, the checker and
// the compactor; whatever the compactor accepts must come out as a sound hive.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "regf/regf.h"

using namespace kelvara::regf;

namespace {

void ReadAll(const KeyView& key) {
    (void)key.Name();
    (void)key.ClassName();
    (void)key.SecurityDescriptor();
    (void)key.Values();
    auto subkeys = key.Subkeys();
    if (!subkeys) return;
    for (const auto& subkey : *subkeys) ReadAll(subkey);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto hive = HiveFile::FromBytes(std::vector<std::uint8_t>(data, data + size));
    if (!hive) return 0;
    if (auto root = hive->Root()) ReadAll(*root);
    (void)Check(*hive);
    auto compacted = CompactBytes(*hive);
    if (!compacted) return 0;
    auto again = HiveFile::FromBytes(*compacted);
    if (!again || !Check(*again).sound) std::abort();
    return 0;
}

// The registry keys the program holds open, by handle. Handles are never reused, so a closed
// or made-up handle is always recognised as invalid.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/offline/loaded_hives.h"
#include "platform/system.h"
#include "regf/regf.h"

namespace kelvara::platform::offline {

struct OpenKey {
    enum class Kind { HiveList, HiveRoot };
    Kind kind = Kind::HiveList;
    LoadedHive hive;   // the hive whose root this is (HiveRoot)

    // The key's values as the ANSI calls return them: strings converted from UTF-16 with
    // their terminating zero. The hive list's are made when it is opened, a hive root's are
    // read from its file on first use.
    std::mutex valuesMutex;
    bool valuesRead = false;
    std::vector<regf::ValueData> values;
};

class OpenKeys {
public:
    KeyHandle Add(std::shared_ptr<OpenKey> key);
    std::shared_ptr<OpenKey> Find(KeyHandle handle) const;   // null when not open
    bool Remove(KeyHandle handle);

private:
    mutable std::mutex mutex_;
    std::map<KeyHandle, std::shared_ptr<OpenKey>> keys_;
    KeyHandle next_ = 0x100;
};

// A stored value's data as RegQueryValueExA gives it: REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ
// turned from UTF-16 into 8-bit text (UTF-8 here) with their zeros; other types unchanged.
std::vector<std::uint8_t> AnsiValueData(std::uint32_t type, const std::vector<std::uint8_t>& stored);

}  // namespace kelvara::platform::offline

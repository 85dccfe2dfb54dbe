// libFuzzer target: the transaction logs beside a dirty hive are whatever the input says. The
// first byte chooses how they are named (one .LOG, one .LOG1, or the rest cut in two as .LOG1
// and .LOG2). A recovery either refuses with a reason or gives a hive whose base block is clean;
// whatever it gives, the reader and the checker take it without a fault.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/dirty_hive.h"
#include "regf/regf.h"

namespace {

void Require(bool holds, const std::string& what) {
    if (holds) return;
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvara;
    static const std::vector<std::uint8_t> crashed = fuzzing::CrashedHive();
    if (size == 0) return 0;
    const std::vector<std::uint8_t> rest(data + 1, data + size);
    std::vector<regf::LogFile> logs;
    switch (data[0] % 3) {
    case 0: logs.push_back({"H.LOG", rest}); break;
    case 1: logs.push_back({"H.LOG1", rest}); break;
    default: {
        const std::size_t half = rest.size() / 2;
        logs.push_back({"H.LOG1", {rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(half)}});
        logs.push_back({"H.LOG2", {rest.begin() + static_cast<std::ptrdiff_t>(half), rest.end()}});
    }
    }

    auto recovered = regf::RecoverHive(crashed, logs);
    if (!recovered) {
        Require(!recovered.error().message.empty(), "a refusal without a reason");
        return 0;
    }
    Require(recovered->wasDirty, "the crashed hive was taken as clean");
    auto hive = regf::HiveFile::FromBytes(recovered->bytes);
    if (!hive) return 0;   // pages the log put there may be anything; the reader said why
    Require(!hive->IsDirty(), "a recovered hive still dirty");
    regf::Check(*hive);
    return 0;
}

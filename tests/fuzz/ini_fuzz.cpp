// libFuzzer target: arbitrary bytes as an INI file must parse, print back unchanged, and keep
// the editing properties. The first byte picks the names and value used for the edits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/ini/ini_invariants.h"

namespace {

void Require(const std::string& failure) {
    if (failure.empty()) return;
    std::fprintf(stderr, "%s\n", failure.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const char* const sections[] = {"a", "Options", "Scan Result", "x y"};
    static const char* const keys[] = {"k", "Lan", "Time", "a b"};
    static const char* const values[] = {"1", "", " padded ", "\"q\""};
    const unsigned pick = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    using namespace kelvara::testing;
    Require(CheckRoundTrip(text));
    Require(CheckSetString(text, sections[pick & 3], keys[(pick >> 2) & 3], values[(pick >> 4) & 3]));
    Require(CheckRemoveSection(text, sections[(pick >> 6) & 3]));
    return 0;
}

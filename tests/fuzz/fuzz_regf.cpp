// libFuzzer entry: any broken promise of the engine is a crash for the fuzzer to keep.
#include <cstdio>
#include <cstdlib>

#include "hive_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string broken = kelvara::fuzz::ExerciseHive(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "hive engine: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}

// Asking the processor to start loading a line that will be read soon, so that scattered reads
// overlap their cache misses. Only a hint: nothing is read or checked.
#pragma once

namespace kelvara::regf {

inline void Prefetch(const void* at) {
#if defined(__GNUC__)
    __builtin_prefetch(at);
#else
    (void)at;
#endif
}

}  // namespace kelvara::regf

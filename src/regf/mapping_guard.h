// Keeps a shrinking file from killing the process that has it mapped. Reading a page of a
// mapped file that another process has cut away raises SIGBUS; for a guarded mapping the
// handler puts a page of zeros in its place, notes it, and lets the read go on. Faults anywhere
// else go to whatever handled SIGBUS before. POSIX systems only.
#pragma once

#include <cstddef>

namespace kelvara::regf {

// Guards [begin, begin + size); the guard's slot, or -1 when every slot is taken (the caller
// then reads the file instead of mapping it).
int GuardMapping(const void* begin, std::size_t size);
// Whether a page of the guarded mapping was replaced by zeros.
bool MappingLostPages(int slot);
// Ends the guard; call before unmapping.
void UnguardMapping(int slot);

}  // namespace kelvara::regf

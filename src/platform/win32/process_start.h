// What the Windows program sets up for its whole process before anything else runs: where DLLs
// may come from, and COM with the security System Restore needs.
#pragma once

#include <cstdint>
#include <vector>

namespace kelvara::platform::win32 {

// The program runs as administrator and is often started from a downloads folder, where a DLL
// planted beside it must never be loaded: libraries loaded from now on come from the system
// folder only, where the loader can be told so (Windows 8 on, Vista and 7 with their loader
// update). The executable's own imports are all DLLs that Windows takes from the system folder
// anyway.
//
// Then COM on this, the user-interface thread, and the process's COM security, once, before any
// shell call: System Restore's service calls back into the process as Local System, Local
// Service or Network Service, and is refused unless the process lets them. Security set
// already (RPC_E_TOO_LATE) is no failure; nothing here stops the program from starting.
void PrepareProcess();

// The access list COM's security grants: execute rights (COM_RIGHTS_EXECUTE and its local form)
// to the administrators, Principal Self, Local System, Local Service and Network Service, as
// Microsoft's System Restore sample grants them. An ACL in a DWORD-aligned buffer; empty when it
// could not be built.
std::vector<std::uint8_t> ComCallersAccessList();

}  // namespace kelvara::platform::win32

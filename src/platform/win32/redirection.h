// The WOW64 file-system redirector of 64-bit Windows, as the program meets it. A 32-bit program
// reaches the real system folder under the alias "sysnative", which only the redirector knows:
// the kernel, and 64-bit XP and Server 2003, know the folder only as "System32", with the
// redirector turned off. So the calls that must name the real files take them in that form,
// with the redirector off for exactly the one call.
#pragma once

#include <string>

#include "platform/win32/win32_api.h"

namespace kelvara::platform::win32 {

// The path with a folder named "sysnative" (any letter case) renamed "System32"; any other path
// as it is.
std::string TrueSystemPath(const std::string& path);

// Runs call(off) with the redirector turned off just before and back on just after, on this
// thread, with nothing in between; `off` says whether it was off. Where the functions are
// missing or refuse, there is no redirector (32-bit Windows) and the call runs as it is. False
// only when the redirector could not be turned back on.
template <typename Call>
bool CallUnredirected(const Win32Api& api, Call&& call)
{
    PVOID previous = nullptr;
    const bool off = api.Wow64DisableWow64FsRedirection != nullptr && api.Wow64RevertWow64FsRedirection != nullptr &&
                     api.Wow64DisableWow64FsRedirection(&previous) != FALSE;
    call(off);
    return !off || api.Wow64RevertWow64FsRedirection(previous) != FALSE;
}

// A file call on `path`: a path through "sysnative" goes in its true form with the redirector
// off for the call (so that 64-bit XP and Server 2003, which know no such alias, reach the same
// file), any other as it is. call(name) gets the name to use. False only when the redirector
// could not be turned back on.
template <typename Call>
bool CallOnFile(const Win32Api& api, const std::string& path, Call&& call)
{
    const std::string trueName = TrueSystemPath(path);
    if (trueName == path) {
        call(path.c_str());
        return true;
    }
    return CallUnredirected(api, [&](bool off) { call((off ? trueName : path).c_str()); });
}

}  // namespace kelvara::platform::win32

// The executable's load configuration: the one field the program needs is DependentLoadFlags,
// which tells the loader where the DLLs that load before main may come from. The shell's and the
// common controls' own imports (uxtheme, and msimg32 through it) load before our first line runs,
// so SetDefaultDllDirectories comes too late for them: a copy planted in the program's folder (a
// downloads folder, for a program that runs as administrator) would be loaded. Windows reads the
// field from Windows 10 version 1607 on; older Windows ignore it.
//
// GNU ld does not point the image's load configuration entry at this structure; the build's
// post-link step (tools/set-load-config.py) does, by the symbol's address.
#include "platform/win32/windows_api.h"

#include <cstddef>
#include <cstdint>

namespace {

// The leading part of IMAGE_LOAD_CONFIG_DIRECTORY32 as Microsoft's PE format describes it,
// through SecurityCookie. The fields after it (the SafeSEH table and later ones) are left out on
// purpose: an image that declares a SafeSEH table with no entries would have every exception
// handler refused.
#pragma pack(push, 1)
struct LoadConfigDirectory32 {
    std::uint32_t Size;
    std::uint32_t TimeDateStamp;
    std::uint16_t MajorVersion;
    std::uint16_t MinorVersion;
    std::uint32_t GlobalFlagsClear;
    std::uint32_t GlobalFlagsSet;
    std::uint32_t CriticalSectionDefaultTimeout;
    std::uint32_t DeCommitFreeBlockThreshold;
    std::uint32_t DeCommitTotalFreeThreshold;
    std::uint32_t LockPrefixTable;
    std::uint32_t MaximumAllocationSize;
    std::uint32_t VirtualMemoryThreshold;
    std::uint32_t ProcessAffinityMask;
    std::uint32_t ProcessHeapFlags;
    std::uint16_t CSDVersion;
    std::uint16_t DependentLoadFlags;
    std::uint32_t EditList;
    std::uint32_t SecurityCookie;
};
#pragma pack(pop)

static_assert(offsetof(LoadConfigDirectory32, DependentLoadFlags) == 54, "the PE format's offset");
static_assert(sizeof(LoadConfigDirectory32) == 64, "64 bytes, the size Windows XP also accepts");

// LOAD_LIBRARY_SEARCH_SYSTEM32: the DLLs the executable's imports pull in come from System32 only.
constexpr std::uint16_t kLoadLibrarySearchSystem32 = 0x0800;

}  // namespace

// The name Microsoft's tools give the structure (with the C prefix "_" on x86); kept by the
// linker because the platform library asks for it (--require-defined).
extern "C" __attribute__((used)) const LoadConfigDirectory32 _load_config_used = {
    sizeof(LoadConfigDirectory32), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kLoadLibrarySearchSystem32, 0, 0,
};

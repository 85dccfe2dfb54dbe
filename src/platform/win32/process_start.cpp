#include "platform/win32/process_start.h"

#include "platform/win32/windows_api.h"

#include <objbase.h>

namespace kelvara::platform::win32 {
namespace {

constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;   // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD kComRightsExecute = 1 | 2;                  // COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL

void LoadLibrariesFromSystemFolderOnly()
{
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories) setDefaultDllDirectories(kLoadLibrarySearchSystem32);
}

// A well-known account of the NT authority: one RID, or the built-in domain and a second RID.
struct Sid {
    PSID sid = nullptr;
    Sid(DWORD first, DWORD second, BYTE count)
    {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        if (!::AllocateAndInitializeSid(&nt, count, first, second, 0, 0, 0, 0, 0, 0, &sid)) sid = nullptr;
    }
    ~Sid() { if (sid) ::FreeSid(sid); }
    Sid(const Sid&) = delete;
    Sid& operator=(const Sid&) = delete;
};

}  // namespace

std::vector<std::uint8_t> ComCallersAccessList()
{
    const Sid administrators(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2);
    const Sid principalSelf(SECURITY_PRINCIPAL_SELF_RID, 0, 1);
    const Sid localSystem(SECURITY_LOCAL_SYSTEM_RID, 0, 1);
    const Sid localService(SECURITY_LOCAL_SERVICE_RID, 0, 1);
    const Sid networkService(SECURITY_NETWORK_SERVICE_RID, 0, 1);
    const PSID callers[] = {administrators.sid, principalSelf.sid, localSystem.sid, localService.sid,
                            networkService.sid};
    DWORD aclSize = sizeof(ACL);
    for (PSID sid : callers) {
        if (!sid) return {};
        aclSize += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(sid);
    }
    // DWORD-aligned, as an ACL must be.
    std::vector<std::uint8_t> buffer((aclSize + sizeof(DWORD) - 1) / sizeof(DWORD) * sizeof(DWORD));
    auto* acl = reinterpret_cast<PACL>(buffer.data());
    if (!::InitializeAcl(acl, aclSize, ACL_REVISION)) return {};
    for (PSID sid : callers)
        if (!::AddAccessAllowedAce(acl, ACL_REVISION, kComRightsExecute, sid)) return {};
    return buffer;
}

namespace {

// COM's security for the process: calls from the administrators, from the process's own
// account (Principal Self) and from System Restore's service accounts, privately authenticated.
// CoInitializeSecurity takes only an absolute security descriptor with an owner and a group.
void SetComSecurity()
{
    std::vector<std::uint8_t> acl = ComCallersAccessList();
    const Sid administrators(SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2);
    if (acl.empty() || !administrators.sid) return;

    SECURITY_DESCRIPTOR descriptor;
    if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorOwner(&descriptor, administrators.sid, FALSE) ||
        !::SetSecurityDescriptorGroup(&descriptor, administrators.sid, FALSE) ||
        !::SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE))
        return;
    // RPC_E_TOO_LATE: something set it first; the program goes on either way.
    ::CoInitializeSecurity(&descriptor, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY, RPC_C_IMP_LEVEL_IDENTIFY,
                           nullptr, EOAC_NONE, nullptr);
}

}  // namespace

void PrepareProcess()
{
    LoadLibrariesFromSystemFolderOnly();
    // The shell asks for an apartment on the user-interface thread.
    if (SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) SetComSecurity();
}

}  // namespace kelvara::platform::win32

#include "base/system.h"

#include <windows.h>

namespace qm {

bool IsAdmin() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    &admins))
        return false;
    BOOL member = FALSE;
    if (!::CheckTokenMembership(nullptr, admins, &member)) member = FALSE;
    ::FreeSid(admins);
    return member != FALSE;
}

bool IsWow64() {
    static const bool wow64 = [] {
        using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
        auto fn = reinterpret_cast<Fn>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
        BOOL result = FALSE;
        return fn && fn(::GetCurrentProcess(), &result) && result;
    }();
    return wow64;
}

}  // namespace qm

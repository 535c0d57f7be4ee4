#include "base/winversion.h"

#include <windows.h>

#include "base/strings.h"

namespace qm {

std::wstring WindowsVersionWord(unsigned platformId, unsigned major, unsigned minor) {
    // Compared as numbers, so no decimal separator of any locale takes part.
    switch (platformId) {
        case VER_PLATFORM_WIN32s: return L"32";
        case VER_PLATFORM_WIN32_WINDOWS:
            if (major == 4 && minor == 0) return L"95";
            if (major == 4 && minor == 10) return L"98";
            if (major == 4 && minor == 90) return L"Me";
            return L"9x";
        case VER_PLATFORM_WIN32_NT:
            if (major == 3 && minor == 51) return L"NT 3.51";
            if (major == 4 && minor == 0) return L"NT 4.0";
            if (major == 5 && minor == 0) return L"2000";
            if (major == 5 && minor == 1) return L"XP";
            if (major == 5 && minor == 2) return L"2003";
            if (major == 6 && minor == 0) return L"Vista";
            if (major == 6 && minor == 1) return L"7";
            return L"";
        default: return L"unknow";
    }
}

std::wstring WindowsVersionName(unsigned platformId, unsigned major, unsigned minor) {
    return ToLower(Trim(L"Windows " + WindowsVersionWord(platformId, major, minor)));
}

std::wstring CurrentWindowsVersionName() {
    // RtlGetVersion reports the real version; GetVersionEx is shimmed by manifests.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    auto fn = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (!fn || fn(&info) != 0) return WindowsVersionName(0xFFFF, 0, 0);
    return WindowsVersionName(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

}  // namespace qm

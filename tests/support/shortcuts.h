// Real shortcut files for tests.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>

namespace qm::test {

// Saves a shortcut at linkPath that points to target (which need not exist).
inline bool MakeShortcut(const std::wstring& linkPath, const std::wstring& target) {
    HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool ok = false;
    {
        Microsoft::WRL::ComPtr<IShellLinkW> link;
        Microsoft::WRL::ComPtr<IPersistFile> file;
        ok = SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) &&
             SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link.As(&file)) &&
             SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    return ok;
}

// Sets a file's last-write time to the given number of days before now.
inline bool AgeFile(const std::wstring& path, double days) {
    HANDLE h = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULONGLONG t = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    t -= static_cast<ULONGLONG>(days * 864000000000.0);
    FILETIME ft{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
    bool ok = ::SetFileTime(h, nullptr, nullptr, &ft) != FALSE;
    ::CloseHandle(h);
    return ok;
}

}  // namespace qm::test

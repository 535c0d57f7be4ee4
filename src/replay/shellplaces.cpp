#include "replay/shellplaces.h"

#include <shlobj.h>
#include <wrl/client.h>

#include "base/com.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/system.h"
#include "base/unique_any.h"
#include "capture/pathutil.h"
#include "capture/specialwindow.h"
#include "records/model.h"

using Microsoft::WRL::ComPtr;

namespace qm {

namespace {

constexpr wchar_t kCaption[] = L"QuilMar";

// What each place starts: a shell folder by CSIDL, or a control-panel page by
// its WinExec command line.
struct TPlaceEntry {
    TShellPlace place;
    int csidl;            // -1: not a shell folder
    const char* command;  // nullptr: not a command line
};

constexpr TPlaceEntry kPlaces[] = {
    {TShellPlace::MyComputer, CSIDL_DRIVES, nullptr},
    {TShellPlace::MyDocuments, CSIDL_PERSONAL, nullptr},
    {TShellPlace::DesktopFolder, CSIDL_DESKTOPDIRECTORY, nullptr},
    {TShellPlace::RecycleBin, CSIDL_BITBUCKET, nullptr},
    {TShellPlace::ControlPanel, CSIDL_CONTROLS, nullptr},
    {TShellPlace::NetworkPlaces, CSIDL_NETWORK, nullptr},
    {TShellPlace::History, CSIDL_HISTORY, nullptr},
    {TShellPlace::RecentDocuments, CSIDL_RECENT, nullptr},
    {TShellPlace::AddRemovePrograms, -1, "RunDLL32.exe Shell32.dll,Control_RunDLL AppWiz.cpl,,0"},
    {TShellPlace::SystemProperties, -1, "RunDLL32.exe Shell32.dll,Control_RunDLL SysDm.cpl,,0"},
    {TShellPlace::SystemHardware, -1, "RunDLL32.exe Shell32.dll,Control_RunDLL SysDm.cpl,,2"},
    {TShellPlace::SystemAdvanced, -1, "RunDLL32.exe Shell32.dll,Control_RunDLL SysDm.cpl,,3"},
    {TShellPlace::DisplayDesktop, -1, "RunDLL32.exe Shell32.dll,Control_RunDLL desk.cpl,,0"},
    {TShellPlace::DisplaySettings, -1, "RunDLL32.exe Shell32.dll,Control_RunDLL desk.cpl,,3"},
    {TShellPlace::DisplayScreenSaver, -1, "RunDLL32.exe Shell32.dll,Control_RunDLL desk.cpl,,1"},
};

struct TExitEntry {
    TSystemExit what;
    UINT flags;
    bool needsPrivilege;
    const wchar_t* question;
    const wchar_t* verb;  // for the refusal: "Windows refused to log off."
};

constexpr TExitEntry kExits[] = {
    {TSystemExit::LogOff, EWX_LOGOFF | EWX_FORCE, false,
     L"Are you sure you want to quick log off computer without save the change?", L"log off"},
    {TSystemExit::Restart, EWX_REBOOT | EWX_FORCE, true,
     L"Are you sure you want to quick restart computer without save the change?", L"restart"},
    {TSystemExit::ShutDown, EWX_POWEROFF | EWX_FORCE, true,
     L"Are you sure you want to quick shut down computer without save the change?", L"shut down"},
};

const TExitEntry& ExitEntry(TSystemExit what) {
    for (const TExitEntry& e : kExits)
        if (e.what == what) return e;
    return kExits[0];
}

// Empties the user's list of recent documents. Where the shell leaves the
// shortcuts of the Recent folder in place (Wine does), they are deleted here.
void ClearRecentDocumentsList() {
    ::SHAddToRecentDocs(SHARD_PATHW, nullptr);
    std::wstring recent = SpecialFolder(CSIDL_RECENT);
    if (recent.empty()) return;
    WIN32_FIND_DATAW fd;
    unique_hfind find(::FindFirstFileW(JoinPath(recent, L"*.lnk").c_str(), &fd));
    if (!find) return;
    int seen = 0;
    do {
        if (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        ::DeleteFileW(JoinPath(recent, fd.cFileName).c_str());
    } while (++seen < kWalkLimit && ::FindNextFileW(find.get(), &fd));
}

void EnableShutdownPrivilege() {
    unique_handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return;
    TOKEN_PRIVILEGES privileges{};
    if (!::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) return;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
}

}  // namespace

TShellPlaceSeams TShellPlaceSeams::Real() {
    TShellPlaceSeams s;
    s.toggleDesktop = [] { CallShellApplication(L"ToggleDesktop"); };
    s.folderPath = [](int csidl) { return SpecialFolder(csidl); };
    s.clearRecentDocuments = &ClearRecentDocumentsList;
    s.enableShutdownPrivilege = &EnableShutdownPrivilege;
    s.exitWindows = [](UINT flags) -> unsigned long {
        if (::ExitWindowsEx(flags, 0)) return 0;
        DWORD error = ::GetLastError();
        return error ? error : ERROR_GEN_FAILURE;
    };
    return s;
}

bool CallShellApplication(const wchar_t* method) {
    TComApartment com;
    CLSID clsid{};
    ComPtr<IDispatch> shell;
    if (FAILED(::CLSIDFromProgID(L"Shell.Application", &clsid)) ||
        FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&shell))))
        return false;
    LPOLESTR name = const_cast<LPOLESTR>(method);
    DISPID id = 0;
    if (FAILED(shell->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return false;
    DISPPARAMS none{};
    return SUCCEEDED(
        shell->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
}

void OpenShellPlace(TShellPlace place, HWND owner, const TShellPlaceSeams& seams) {
    switch (place) {
        case TShellPlace::ToggleDesktop:
            if (seams.toggleDesktop) seams.toggleDesktop();
            return;
        case TShellPlace::TaskManager: Effects().shellExecute(nullptr, L"open", L"taskmgr", L"", SW_SHOWNORMAL); return;
        case TShellPlace::Favorites: {
            // The folder view of Explorer ("explore"), not the shell place.
            std::wstring favorites = seams.folderPath ? seams.folderPath(CSIDL_FAVORITES) : std::wstring();
            if (!favorites.empty()) Explore(favorites, owner);
            return;
        }
        default: break;
    }
    for (const TPlaceEntry& e : kPlaces) {
        if (e.place != place) continue;
        if (e.csidl >= 0)
            SpecialActions().openSpecialFolder(e.csidl);
        else
            Effects().winExec(e.command, SW_SHOWNORMAL);
        return;
    }
}

bool ClearRecentDocuments(HWND owner, const TShellPlaceSeams& seams) {
    if (!AskOkCancel(owner, L"Are you sure you want to clear My Recent Documents?", kCaption, TDefaultAnswer::Cancel))
        return false;
    if (seams.clearRecentDocuments) seams.clearRecentDocuments();
    return true;
}

UINT SystemExitFlags(TSystemExit what) { return ExitEntry(what).flags; }

bool ExitSystem(TSystemExit what, HWND owner, const TShellPlaceSeams& seams) {
    const TExitEntry& e = ExitEntry(what);
    if (!AskOkCancel(owner, e.question, kCaption, TDefaultAnswer::Cancel)) return false;
    if (e.needsPrivilege && seams.enableShutdownPrivilege) seams.enableShutdownPrivilege();
    unsigned long error = seams.exitWindows ? seams.exitWindows(e.flags) : ERROR_NOT_SUPPORTED;
    if (error == 0) return true;
    std::wstring text = std::wstring(L"Windows refused to ") + e.verb + L".";
    std::wstring reason = SystemErrorText(error);
    if (!reason.empty()) text += L"\n\n" + reason;
    Effects().messageBox(owner, text, kCaption, MB_OK | MB_ICONWARNING);
    return false;
}

}  // namespace qm

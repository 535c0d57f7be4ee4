#include "capture/specialwindow.h"

#include <shellapi.h>
#include <shlobj.h>

#include <array>

#include "base/effects.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "capture/pathutil.h"

namespace qm {

namespace {

// The control-panel applets whose windows are recorded under their own title.
constexpr std::array<const wchar_t*, 6> kApplets = {
    L"system",        L"windows update",        L"windows firewall",
    L"user accounts", L"programs and features", L"network and sharing center"};

bool IsAppletName(const std::wstring& lowered) {
    for (const wchar_t* name : kApplets)
        if (lowered == name) return true;
    return false;
}

// The text after the last "\" or ":".
std::wstring FileNamePart(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\:");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

// The shell places the Explorer-family windows stand for, by lower-cased title.
struct TShellPlace {
    const wchar_t* title;
    int csidl;
};
constexpr TShellPlace kShellPlaces[] = {
    {L"my computer", CSIDL_DRIVES},      {L"computer", CSIDL_DRIVES},
    {L"windows explorer", CSIDL_DRIVES}, {L"control panel", CSIDL_CONTROLS},
    {L"recycle bin", CSIDL_BITBUCKET},   {L"my network places", CSIDL_NETWORK},
    {L"network", CSIDL_NETWORK},         {L"printers and faxes", CSIDL_PRINTERS},
};

void RunApplet(const std::wstring& title) { SpecialActions().runCommand(ControlPanelAppletCommand(title)); }

// Windows of explorer.exe, rundll32.exe and dllhost.exe.
int RecogniseShellHostWindow(const std::wstring& n, std::wstring& title, std::wstring& path, bool launch) {
    for (const TShellPlace& place : kShellPlaces) {
        if (n != place.title) continue;
        if (launch) SpecialActions().openSpecialFolder(place.csidl);
        return 1;
    }
    if (n.find(L"photo viewer") != std::wstring::npos || n.find(L"picture and fax viewer") != std::wstring::npos) {
        title = path = L"Windows Photo Viewer";
        if (launch) SpecialActions().startPhotoViewer(L"Windows Photo Viewer");
        return 2;
    }
    if (IsPhotoViewer(path)) {
        if (launch) SpecialActions().startPhotoViewer(path);
        return 1;
    }
    if (IsAppletName(n)) {
        if (launch) RunApplet(title);
        path = title;
        return 2;
    }
    return 0;
}

}  // namespace

TSpecialActions& SpecialActions() {
    static TSpecialActions actions{
        [](int csidl) { OpenSpecialFolder(csidl); },
        [](const std::wstring& argument) { StartPhotoViewer(argument); },
        [](const std::wstring& command) { Effects().winExec(WideToAnsi(command), SW_SHOWNORMAL); },
    };
    return actions;
}

int RecogniseSpecialWindow(std::wstring& title, std::wstring& path, bool launch) {
    std::wstring n = ToLower(Trim(title));
    std::wstring p = ToLower(Trim(path));
    std::wstring f = FileNamePart(p);
    if (StartsWith(f, L"explorer.exe") || StartsWith(f, L"rundll32.exe") || StartsWith(f, L"dllhost.exe"))
        return RecogniseShellHostWindow(n, title, path, launch);
    if (p.find(L"\\windows\\system32\\mmc.exe") != std::wstring::npos) {
        if (launch) RunApplet(title);
        return 1;
    }
    if (n == p && IsAppletName(n)) {
        if (launch) RunApplet(title);
        path = title;
        return 1;
    }
    return 0;
}

void OpenSpecialFolder(int csidl) {
    unique_pidl items;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, items.put())) || !items) return;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_IDLIST | SEE_MASK_FLAG_DDEWAIT;  // 0x104
    info.lpVerb = L"open";
    info.lpIDList = items.get();
    info.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExW(&info);
}

void StartPhotoViewer(const std::wstring& argument, HWND owner) {
    std::wstring command = ExpandFirstEnvironmentVariable(
        L"rundll32.exe %SystemRoot%\\system32\\shimgvw.dll,ImageView_Fullscreen "
        L"%1");
    size_t first = command.find(L' ');
    if (first == std::wstring::npos) return;
    size_t second = command.find(L' ', first + 1);
    std::wstring program = command.substr(0, first);
    std::wstring entry = command.substr(first + 1, second == std::wstring::npos ? second : second - first - 1);
    Effects().shellExecute(owner, L"open", program, entry + L" " + argument, SW_SHOWNORMAL);
}

std::wstring ControlPanelAppletCommand(const std::wstring& title) {
    wchar_t system[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    std::wstring folder = n && n < MAX_PATH ? std::wstring(system, n) : std::wstring();
    return folder + L"\\control.exe /name Microsoft." + ReplaceAll(title, L" ", L"");
}

}  // namespace qm

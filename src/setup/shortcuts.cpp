#include "setup/shortcuts.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "base/com.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "setup/installrecord.h"

using Microsoft::WRL::ComPtr;

namespace qm {

std::wstring CommonLocationFolder(int location) {
    switch (location) {
        case kLocationCommonDesktop: return SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
        case kLocationCommonStartMenu: return SpecialFolder(CSIDL_COMMON_STARTMENU);
        case kLocationCommonPrograms: return SpecialFolder(CSIDL_COMMON_PROGRAMS);
        case kLocationCommonStartup: return SpecialFolder(CSIDL_COMMON_STARTUP);
        case kLocationCommonQuickLaunch: {
            std::wstring appData = SpecialFolder(CSIDL_COMMON_APPDATA);
            return appData.empty() ? appData : JoinPath(appData, L"Microsoft\\Internet Explorer\\Quick Launch");
        }
        default: return {};
    }
}

std::wstring ShortcutDisplayName(const std::wstring& target, const std::wstring& linkName) {
    if (target.empty()) return L"My Computer";
    if (!linkName.empty()) return linkName;
    return FileNameOf(target);
}

std::wstring ShortcutFileName(const std::wstring& displayName) {
    size_t dot = displayName.rfind(L'.');
    return (dot == std::wstring::npos ? displayName : displayName.substr(0, dot)) + L".lnk";
}

bool SaveShellLink(const std::wstring& linkPath, const std::wstring& target, const std::wstring& description,
                   const std::wstring& workingFolder, bool remember) {
    TComApartment com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
        FAILED(link->SetPath(target.c_str())))
        return false;
    if (!description.empty()) link->SetDescription(description.c_str());
    if (!workingFolder.empty()) link->SetWorkingDirectory(workingFolder.c_str());
    return SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Save(linkPath.c_str(), remember ? TRUE : FALSE));
}

TShellLinkInfo ReadShellLink(const std::wstring& linkPath) {
    TShellLinkInfo info;
    TComApartment com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
        FAILED(link.As(&file)) || FAILED(file->Load(linkPath.c_str(), STGM_READ)))
        return info;
    wchar_t text[MAX_PATH * 2] = {};
    if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH * 2))) info.workingFolder = text;
    if (SUCCEEDED(link->GetDescription(text, MAX_PATH * 2))) info.description = text;
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items)) && items) {
        unique_pidl owner(items);
        if (::SHGetPathFromIDListW(items, text)) info.target = text;
    }
    if (info.target.empty() && SUCCEEDED(link->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH))) info.target = text;
    return info;
}

std::wstring ShortcutTargetOf(const std::wstring& linkPath) { return ReadShellLink(linkPath).target; }

bool CreateCommonShortcut(const std::wstring& target, const std::wstring& linkName, int location,
                          const std::wstring& subfolder, TInstallRecord* record, const TLocationFolderFn& folders) {
    std::wstring display = ShortcutDisplayName(target, linkName);
    std::wstring folder = folders ? folders(location) : std::wstring();
    if (Trim(folder).empty()) return false;
    if (!subfolder.empty()) {
        folder = JoinPath(folder, subfolder);
        if (!IsExistingFolder(folder)) {
            if (!::CreateDirectoryW(LongPathForm(folder).c_str(), nullptr)) return false;
            if (record) record->AddFolder(folder);
        }
    }
    std::wstring path = JoinPath(folder, ShortcutFileName(display));
    if (!SaveShellLink(path, target, display, {}, true)) return false;
    if (record) record->AddFile(path);
    return true;
}

bool CreateFolderShortcut(const std::wstring& target, const std::wstring& folder, const std::wstring& linkName,
                          TInstallRecord* record) {
    std::wstring path = JoinPath(folder, linkName + L".lnk");
    if (!SaveShellLink(path, target, {}, FolderOf(target), false)) return false;
    if (record) record->AddFile(path);
    return true;
}

bool PinToTaskbarAndStart(HWND owner, const std::wstring& shortcutPath) {
    bool taskbar = ShellOpen(owner, L"TaskbarPin", shortcutPath, {}, SW_SHOW);
    bool start = ShellOpen(owner, L"StartPin", shortcutPath, {}, SW_SHOW);
    return taskbar && start;
}

bool UnpinFromTaskbarAndStart(HWND owner, const std::wstring& shortcutPath) {
    bool taskbar = ShellOpen(owner, L"TaskbarUnpin", shortcutPath, {}, SW_HIDE);
    bool start = ShellOpen(owner, L"StartUnpin", shortcutPath, {}, SW_HIDE);
    return taskbar && start;
}

}  // namespace qm

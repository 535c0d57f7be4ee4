// Shortcuts the setup program creates: in the all-users shell folders, in a
// folder of its choosing, and the pins to the taskbar and the Start menu.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace qm {

class TInstallRecord;

// The all-users folders by location: 0 desktop, 1 Start menu, 2 Programs,
// 3 Startup, 4 the Quick Launch folder of the common application data.
inline constexpr int kLocationCommonDesktop = 0;
inline constexpr int kLocationCommonStartMenu = 1;
inline constexpr int kLocationCommonPrograms = 2;
inline constexpr int kLocationCommonStartup = 3;
inline constexpr int kLocationCommonQuickLaunch = 4;

// The folder of a location; empty for an unknown location or when the shell has none.
using TLocationFolderFn = std::function<std::wstring(int location)>;
std::wstring CommonLocationFolder(int location);

// The shortcut's name: "My Computer" for an empty target, else the link name,
// else the target's file name.
std::wstring ShortcutDisplayName(const std::wstring& target, const std::wstring& linkName);
// The name with its extension (from its last dot) replaced by ".lnk".
std::wstring ShortcutFileName(const std::wstring& displayName);

// Saves a shell link at linkPath to target with the description and, when not
// empty, the working folder. True when it was saved.
bool SaveShellLink(const std::wstring& linkPath, const std::wstring& target, const std::wstring& description,
                   const std::wstring& workingFolder, bool remember);

// What a saved shortcut holds; the target from its item list first (Wine
// keeps the path text of a link in the ANSI code page, which may not spell
// it). Empty when the link cannot be read.
struct TShellLinkInfo {
    std::wstring target, workingFolder, description;
};
TShellLinkInfo ReadShellLink(const std::wstring& linkPath);
std::wstring ShortcutTargetOf(const std::wstring& linkPath);

// A shortcut in an all-users folder, in subfolder (one level, created when
// missing; its parent must exist) when that is not empty. The link's
// description is its display name. True when the shortcut was saved; the
// shortcut and a subfolder it created are noted in the record.
bool CreateCommonShortcut(const std::wstring& target, const std::wstring& linkName, int location,
                          const std::wstring& subfolder, TInstallRecord* record,
                          const TLocationFolderFn& folders = CommonLocationFolder);

// folder + "\" + linkName + ".lnk" to target, working in the target's folder.
// True when it was saved (noted in the record).
bool CreateFolderShortcut(const std::wstring& target, const std::wstring& folder, const std::wstring& linkName,
                          TInstallRecord* record);

// The shell verbs "TaskbarPin" and then "StartPin" on the shortcut (Windows 7
// has them). True when the shell took both.
bool PinToTaskbarAndStart(HWND owner, const std::wstring& shortcutPath);
// "TaskbarUnpin" and "StartUnpin"; true when the shell took both.
bool UnpinFromTaskbarAndStart(HWND owner, const std::wstring& shortcutPath);

}  // namespace qm

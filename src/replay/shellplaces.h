// The places and settings pages of Windows that the "&Windows" menus open,
// clearing the Recent documents, and log off, restart and shut down. Each is
// one call to Windows: ShellExecute and WinExec go through Effects(), shell
// places by CSIDL through the special-window actions (SpecialActions()), the
// rest through TShellPlaceSeams, so tests record instead of leaving the session.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace qm {

enum class TShellPlace {
    MyComputer,
    MyDocuments,
    ToggleDesktop,
    DesktopFolder,
    RecycleBin,
    ControlPanel,
    AddRemovePrograms,
    TaskManager,
    NetworkPlaces,
    History,
    Favorites,
    RecentDocuments,
    SystemProperties,
    SystemHardware,
    SystemAdvanced,
    DisplayDesktop,
    DisplaySettings,
    DisplayScreenSaver,
};

enum class TSystemExit { LogOff, Restart, ShutDown };

struct TShellPlaceSeams {
    // "Shell.Application" ToggleDesktop: shows the desktop, or the windows again.
    std::function<void()> toggleDesktop;
    // The path of a shell folder (empty when it has none).
    std::function<std::wstring(int csidl)> folderPath;
    // Empties the user's list of recent documents.
    std::function<void()> clearRecentDocuments;
    // Enables SeShutdownPrivilege in the process token (failures ignored).
    std::function<void()> enableShutdownPrivilege;
    // ExitWindowsEx with the flags: 0 when Windows agreed, otherwise its error.
    std::function<unsigned long(UINT flags)> exitWindows;

    static TShellPlaceSeams Real();
};

// Calls a method without arguments of the shell's automation object
// "Shell.Application" (ToggleDesktop, MinimizeAll); false when it cannot.
bool CallShellApplication(const wchar_t* method);

// Opens the place or settings page. Failures are not reported: Windows shows
// what it shows.
void OpenShellPlace(TShellPlace place, HWND owner, const TShellPlaceSeams& seams);

// "Clear My Recent Documents": asks first; true when the list was emptied.
bool ClearRecentDocuments(HWND owner, const TShellPlaceSeams& seams);

// The ExitWindowsEx flags of each exit: every one forces programs to close.
UINT SystemExitFlags(TSystemExit what);
// Log off, restart or shut down after the question (Cancel the default
// button: programs are closed without saving). A refusal by Windows is told.
// True when Windows agreed.
bool ExitSystem(TSystemExit what, HWND owner, const TShellPlaceSeams& seams);

}  // namespace qm

// Windows that stand for shell places rather than programs: the special-window
// recogniser (classify and launch modes), the photo viewer, control-panel
// applets and shell places opened by CSIDL.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace qm {

// Classify mode (launch false) only decides and rewrites; launch mode also opens
// the place. 0: an ordinary window/item; 1: handled (a shell place); 2: title and
// path were rewritten (photo viewer, control-panel applet).
int RecogniseSpecialWindow(std::wstring& title, std::wstring& path, bool launch);

// What launch mode opens, as the recogniser calls it; tests replace the members
// to record what would be opened.
struct TSpecialActions {
    std::function<void(int csidl)> openSpecialFolder;
    std::function<void(const std::wstring& argument)> startPhotoViewer;
    // Runs a command line with WinExec.
    std::function<void(const std::wstring& command)> runCommand;
};
TSpecialActions& SpecialActions();

// Opens a shell place (My Computer, Control Panel, ...) in Explorer.
void OpenSpecialFolder(int csidl);

// Opens the system picture viewer on the argument (through Effects()).
void StartPhotoViewer(const std::wstring& argument, HWND owner = nullptr);

// The command that opens the control-panel applet named by the title:
// system folder + "\control.exe /name Microsoft." + the title without spaces.
std::wstring ControlPanelAppletCommand(const std::wstring& title);

}  // namespace qm

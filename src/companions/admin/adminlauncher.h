// The elevation launcher's decision: from its arguments, whether it starts the
// main program beside it (elevated where needed, with the switch the main
// program understands), the system's Open With dialog for a file, or nothing.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qm {

// The switch handed to the main program for the launcher's first argument:
// "/run" → "/run_admin" (started at Windows start, no relaunch),
// "/ctmenu_admin" → "/ctmenu /runasadmin" (read the context-menu file, started
// elevated), anything else → "/runasadmin".
std::wstring MainProgramParameter(const std::vector<std::wstring>& args);

// The caption of the launcher's label.
std::wstring LauncherLabel(const std::vector<std::wstring>& args);

struct TAdminLaunchSeams {
    std::wstring programFolder;  // the launcher's own folder, with a trailing "\"
    std::wstring osName;         // "windows 7", "windows vista", "windows", ...
    // The process runs with the Administrators group enabled.
    std::function<bool()> isAdmin;
    std::function<bool(const std::wstring& path)> fileExists;
    // Starts a file elevated; true when it started.
    std::function<bool(HWND owner, const std::wstring& file, const std::wstring& parameters)> runAs;

    static TAdminLaunchSeams Real();
};

// What the launcher does when its timer fires. The shell goes through Effects().
void RunAdminLauncher(const std::vector<std::wstring>& args, HWND owner, const TAdminLaunchSeams& seams);

}  // namespace qm

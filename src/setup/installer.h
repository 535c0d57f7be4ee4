// The install step of the setup program, in its order: ends running copies of
// the product (after asking), unpacks the payload into the install folder,
// creates the shortcuts, registers the product with Windows (product key,
// uninstall entry, context menu, Run value) and starts the main program. The
// window drives it through IInstallHost; everything outside the process goes
// through TInstallSeams, so tests install into a folder and a registry key of
// their own.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/registry.h"
#include "setup/allusers.h"
#include "setup/steps.h"

namespace qm {

// Trims; empty stays empty; otherwise one "\" is appended and every "\\\" and
// then every "\\" collapses to "\" (a network path "\\server\..." keeps its
// start and gets its one trailing "\").
std::wstring NormaliseInstallFolder(const std::wstring& text);

// The start must restart the program elevated: no "/runasadmin" as the first
// argument, an OS name other than "windows 7", "windows vista" and "windows
// unknow" (there the manifest elevates), and no administrator rights.
bool NeedsElevatedRestart(const std::wstring& firstArgument, const std::wstring& osName, bool isAdmin);

struct TInstallOptions {
    std::wstring folder;  // the text of the folder field
    bool desktopIcon = true;
    bool runAtStartup = true;
    bool runNow = true;
    bool contextMenu = true;
    bool quickLaunch = true;
};

// What the window does for the step, besides a step's usual (steps.h).
class IInstallHost : public IStepHost {
public:
    virtual void SetProgress(int position) = 0;
    virtual void SetHint(const std::wstring& text) = 0;
    // Disables the folder field and the options.
    virtual void DisableOptions() = 0;
};

struct TInstallSeams {
    HKEY machineRoot = HKEY_LOCAL_MACHINE;
    std::wstring osName;  // "windows 7", "windows vista", "windows", ...
    // A resource of the setup program (type, name); nothing when it has none.
    std::function<std::optional<std::string_view>(const wchar_t* type, const wchar_t* name)> resource;
    // The setup program's own folder (a leftover "quilmar.7z" there goes).
    std::wstring setupFolder;
    // The shell folders the shortcuts go to (see CommonLocationFolder).
    std::function<std::wstring(int location)> commonFolder;
    std::function<std::wstring()> sendToFolder;
    std::function<std::wstring()> quickLaunchFolder;
    std::function<TAllUserControl()> users;
    // The running copies of the product in the folder (and help viewers of its help).
    TRunningCopySeams runningCopies;
    // Windows is 64-bit (the 64-bit context-menu DLL is written too).
    bool windows64 = false;
    // Milliseconds to wait between the progress steps.
    std::function<void(DWORD ms)> wait;

    static TInstallSeams Real();
};

enum class TInstallOutcome {
    Installed,     // every step done
    WithProblems,  // installed, but some steps failed (listed)
    Declined,      // the user did not let the running copies end; nothing changed
    InUse,         // old program files could not be replaced
    Failed,        // a step the install cannot do without failed (listed)
};

struct TInstallResult {
    TInstallOutcome outcome = TInstallOutcome::Installed;
    std::wstring folder;                 // the install folder, with its trailing "\"
    std::vector<std::wstring> problems;  // one line a failed step
};

TInstallResult RunInstall(const TInstallOptions& options, IInstallHost& host, const TInstallSeams& seams);

}  // namespace qm

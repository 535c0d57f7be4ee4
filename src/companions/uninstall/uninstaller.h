// The removal of an installation, in the order of the uninstaller's steps:
// running copies end (after the user agrees), the pins, shortcuts, Run value,
// Start-menu folders, product key, uninstall entry, programs, every user's
// Send To shortcut and the context-menu registration go, and, as chosen, the
// settings files or the whole user data folder. Only what the setup program
// wrote is removed (its install record and the names it uses), never other
// files of the install folder. Each step goes on when one entry fails; what
// could not be removed is listed. The uninstaller's own file and the folders
// it stands in are left for the self-deletion after it has ended.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "setup/allusers.h"
#include "setup/steps.h"

namespace qm {

struct TUninstallOptions {
    bool clearDefaultSettings = true;  // "Clear Default Settings"
    bool deleteAllRecords = false;     // "Delete All Records"
    bool deletePrograms = true;        // "Delete Programs"
};

// The window's side of the removal: a step's usual (steps.h).
class IUninstallHost : public IStepHost {};

struct TUninstallSeams {
    HKEY machineRoot = HKEY_LOCAL_MACHINE;
    std::wstring installFolder;  // the uninstaller's folder, with a trailing "\"
    std::wstring selfPath;       // the running uninstaller
    std::wstring osName;
    bool windows64 = false;
    std::function<std::wstring(int location)> commonFolder;
    std::function<std::wstring()> sendToFolder;
    std::function<std::wstring()> quickLaunchFolder;
    std::function<TAllUserControl()> users;
    std::function<std::wstring()> userDataFolder;
    std::function<std::wstring()> commonDataFolder;
    TRunningCopySeams runningCopies;
    // Sends a folder with everything in it to the recycle bin; true when it is gone.
    std::function<bool(const std::wstring& folder)> recycleFolder;
    // A file that cannot be deleted now is deleted when Windows restarts.
    std::function<bool(const std::wstring& path)> deleteAtRestart;
    std::function<void(DWORD ms)> wait;

    static TUninstallSeams Real();
};

struct TUninstallResult {
    bool declined = false;               // the user kept the running copies: nothing was removed
    std::vector<std::wstring> problems;  // what could not be removed
    bool entryRemoved = false;           // the uninstall entry is gone (the uninstaller may go too)
    // For the self-deletion: the uninstaller's file and the folders to remove
    // once it is gone (the install folder and the parents the setup created),
    // innermost first.
    std::wstring selfFile;
    std::vector<std::wstring> foldersAfterSelf;
};

TUninstallResult RunUninstall(const TUninstallOptions& options, IUninstallHost& host, const TUninstallSeams& seams);

}  // namespace qm

// The running-application scan: one (executable, title) pair per program with a
// visible main window, startup programs set aside, shell windows recognised;
// and the rows the add-items dialog lists for the running applications.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "capture/sources.h"

namespace qm {

// A visible unowned top-level window, in the order the system enumerates them
// (topmost first).
struct TWindowEntry {
    std::wstring title;
    HWND handle = nullptr;
    bool titleUnanswered = false;  // the window did not answer in time (busy)
};

// The executable of a window's process; empty when the process cannot be opened
// or its path cannot be read.
using TWindowPathFn = std::function<std::wstring(HWND window)>;

// Turns the window list into running-application pairs. apps is cleared first;
// startup programs go to filterRows (once per path) while filterStartup is on.
// ownPath is the program's own executable, whose windows are never listed.
class TRunningApplicationRules {
public:
    TRunningApplicationRules(IStartupFilter& filter, std::wstring ownPath);
    void Collect(const std::vector<TWindowEntry>& windows, const TWindowPathFn& pathOf, bool filterStartup,
                 std::vector<TAppPair>& apps, std::vector<TFilterRow>& filterRows, const TPumpFn& pump = {});

    // Where a listed window is; without it pairs carry no placement.
    std::function<std::optional<TWindowPlace>(HWND)> placeOf;

private:
    bool HandleWindow(const TWindowEntry& window, const TWindowPathFn& pathOf, bool filterStartup,
                      std::vector<TAppPair>& apps, std::vector<TFilterRow>& filterRows);
    bool SetAsideStartupProgram(const std::wstring& title, const std::wstring& path,
                                std::vector<TFilterRow>& filterRows);

    IStartupFilter& filter_;
    std::wstring ownPath_;
};

// The scan on the live desktop.
class TRunningApplicationScan : public IRunningApplications {
public:
    explicit TRunningApplicationScan(IStartupFilter& filter);
    void Scan(bool filterStartup, std::vector<TAppPair>& apps, std::vector<TFilterRow>& filterRows,
              const TPumpFn& pump) override;

private:
    IStartupFilter& filter_;
};

// A filter that leaves nothing out (for scans that look at every program).
class TNoStartupFilter : public IStartupFilter {
public:
    bool IsStartupProgram(const std::wstring&) override { return false; }
};

// Visible top-level windows without an owner, with their titles (at most 128
// characters). Titles are asked within about a second for the whole list; a
// window that does not answer in time has the title the system keeps for it.
std::vector<TWindowEntry> EnumerateTopLevelWindows();

// The executable path of the window's process, empty when it cannot be read.
std::wstring ExecutableOfWindow(HWND window);

// The device name of a drive ("c:" gives "\Device\HarddiskVolume1"); empty when none.
using TQueryDosDeviceFn = std::function<std::wstring(const std::wstring& drive)>;
std::wstring QueryDosDeviceName(const std::wstring& drive);

// "\Device\HarddiskVolume1\Windows\notepad.exe" gives "c:\Windows\notepad.exe"
// when drive C: is that device; empty when no drive letter is.
std::wstring DevicePathToDrivePath(const std::wstring& devicePath,
                                   const TQueryDosDeviceFn& queryDevice = QueryDosDeviceName);

// A row of the add-items dialog's list of running applications.
struct TAddItemRow {
    std::wstring caption;
    std::wstring path;  // first sub-item
    int image = -1;
};

// What the listing needs from the dialog: the icon of a path in the tree's image
// list, the last recorded path, and a step of the gauge with a message pump.
struct TAddItemListingHooks {
    std::function<int(const std::wstring& path)> iconOf;
    std::function<void(const std::wstring& path)> setLastRecordedPath;
    TPumpFn step;
};

// Appends a row for every running application not already listed, not a startup
// program of filterRows and not this program.
void AppendRunningApplicationRows(const std::vector<TAppPair>& apps, const std::vector<TFilterRow>& filterRows,
                                  std::vector<TAddItemRow>& rows, const TAddItemListingHooks& hooks);

// Appends a row for every open location not already listed (the open-location
// list's part of the add-items dialog): pages get the page image, existing files
// their icon, folders the folder image.
void AppendOpenLocationRows(const std::vector<TLocationPair>& locations, std::vector<TAddItemRow>& rows,
                            const TAddItemListingHooks& hooks);

}  // namespace qm

// The desktop as the record operation sees it: the running applications with
// their windows, the locations open in Explorer and browser windows, and the
// startup-program decision. Each is a narrow interface with one real
// implementation; the record operation is tested against fakes of them.
#pragma once
#include <string>
#include <vector>

#include "records/model.h"

namespace qm {

// One running application: its executable path (or a rewritten value such as
// "Windows Photo Viewer") and its title.
struct TAppPair {
    std::wstring path;
    std::wstring title;
};

// One open location: a folder path or web address, and its title.
struct TLocationPair {
    std::wstring location;
    std::wstring title;
};

// A row of the startup filter list: the window title and the executable path.
struct TFilterRow {
    std::wstring title;
    std::wstring location;
};

// Whether a program starts with Windows (the Run keys and Startup folders).
class IStartupFilter {
public:
    virtual ~IStartupFilter() = default;
    virtual bool IsStartupProgram(const std::wstring& path) = 0;
};

// The running-application scan: fills apps (cleared first) and, when
// filterStartup is on, adds the startup programs it meets to filterRows
// (rows already there stay).
class IRunningApplications {
public:
    virtual ~IRunningApplications() = default;
    virtual void Scan(bool filterStartup, std::vector<TAppPair>& apps, std::vector<TFilterRow>& filterRows,
                      const TPumpFn& pump) = 0;
};

// The open-location scan and the browser-page query.
class IOpenLocations {
public:
    virtual ~IOpenLocations() = default;
    // Fills locations (cleared first); web pages only when wanted.
    virtual void Scan(bool wantWebPages, std::vector<TLocationPair>& locations, const TPumpFn& pump) = 0;
    // The pages the browsers show: the DDE browsers' pages, then the first
    // Chrome-family or Firefox window's page.
    virtual std::vector<TLocationPair> BrowserPages() = 0;
};

}  // namespace qm

// The desktop as the record operation sees it: the running applications with
// their windows, the locations open in Explorer and browser windows (the
// shell's window collection and the browsers' pages), and the startup-program
// decision. Each is a narrow interface with one real
// implementation; the record operation is tested against fakes of them.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "records/model.h"

namespace qm {

// One running application: its executable path (or a rewritten value such as
// "Windows Photo Viewer") and its title.
struct TAppPair {
    std::wstring path;
    std::wstring title;
    std::optional<TWindowPlace> place = std::nullopt;  // where its window was
};

// One open location: a folder path or web address, and its title.
struct TLocationPair {
    std::wstring location;
    std::wstring title;
    std::optional<TWindowPlace> place = std::nullopt;  // where a folder's window was
    std::optional<TBrowserTab> tab = std::nullopt;     // a page of a browser's session
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

// One window of the shell's window collection as the open-location scan sees it.
struct TShellWindow {
    std::wstring locationUrl;
    bool hasDocument = false;
    // The result of calling "title" on the document; nothing when the call failed.
    std::optional<std::wstring> documentTitle;
    HWND window = nullptr;  // the window's top-level window, where it tells
};

// The shell's window collection (Explorer and Internet Explorer windows).
class IShellWindowList {
public:
    virtual ~IShellWindowList() = default;
    // Takes a fresh look at the collection and tells how many windows it has.
    virtual int Count() = 0;
    // Nothing when the item is missing, is no web browser object or fails.
    virtual std::optional<TShellWindow> Item(int index) = 0;
};

// The pages the browsers show, as the open-location scan asks for them: the
// DDE browsers' pages, then the page of the first browser window that shows one.
class IBrowserPages {
public:
    virtual ~IBrowserPages() = default;
    virtual std::vector<TLocationPair> Query() = 0;
};

// The open-location scan and the browser-page query.
class IOpenLocations {
public:
    virtual ~IOpenLocations() = default;
    // Fills locations (cleared first); web pages only when wanted.
    virtual void Scan(bool wantWebPages, std::vector<TLocationPair>& locations, const TPumpFn& pump) = 0;
    // The pages the browsers show (the browser-page query).
    virtual std::vector<TLocationPair> BrowserPages() = 0;
};

}  // namespace qm

// Replay with the desktop in view: an item whose window is already open is
// brought to the front instead of being opened again; a window opened for an
// item with a recorded placement is put back where it was; and the tabs a
// record took from a browser's session are opened in that browser, one new
// window per recorded window with its tabs in order. Each follows its option.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "capture/placement.h"
#include "records/settings.h"
#include "replay/replaydriver.h"

namespace qm {

// A visible unowned top-level window with its program.
struct TDesktopWindow {
    HWND handle = nullptr;
    std::wstring title;
    std::wstring program;  // the executable of its process
};

// An Explorer window with the folder it shows.
struct TFolderWindow {
    HWND handle = nullptr;
    std::wstring folder;
};

// The outside world of this unit.
struct TReplayDesktopSeams {
    std::function<std::vector<TDesktopWindow>()> windows;
    std::function<std::vector<TFolderWindow>()> folderWindows;
    std::function<void(HWND)> bringToFront;
    // The program that opens a document (association lookup, reduced to its path).
    std::function<std::wstring(const std::wstring& path)> programOf;
    std::function<std::vector<TMonitor>()> monitors;
    std::function<bool(HWND, const TWindowPlace&, const std::vector<TMonitor>&)> putPlace;
    // Starts a program with parameters (the browsers for their windows of tabs).
    std::function<void(const std::wstring& program, const std::wstring& parameters)> start;
    std::function<bool(const std::wstring& program)> programExists;
    // Runs tick every interval until stopTicks (a thread timer in the program,
    // so it runs in any message loop, a modal one too).
    std::function<void(UINT intervalMs, std::function<void()> tick)> startTicks;
    std::function<void()> stopTicks;
    std::function<ULONGLONG()> now;

    static TReplayDesktopSeams Real();
};

// How long a launched program has to show its window, and how often it is looked for.
constexpr ULONGLONG kPlacementWatchMs = 5000;
constexpr UINT kPlacementTickMs = 100;

// The program whose window an item opens: the item itself when it is a
// program, the application of its group for a document in one, else the
// program its file type names. Empty for folders, addresses, shell places.
std::wstring ProgramOfItem(const TReplayItem& item, const std::function<std::wstring(const std::wstring&)>& programOf);

// The open window that already shows the item, by the rules capture records
// windows by: an Explorer window on the same folder; a window of the same
// program (Explorer windows aside, which stand for places); for a document, a
// window of its program whose title names the document. None for web pages.
HWND FindOpenWindow(const TReplayItem& item, const std::vector<TDesktopWindow>& windows,
                    const std::vector<TFolderWindow>& folders,
                    const std::function<std::wstring(const std::wstring&)>& programOf);

// The command line that opens the tabs in a new window of the browser, in order.
std::wstring NewWindowParameters(const std::wstring& browser, const std::vector<std::wstring>& addresses);

class TReplayDesktop : public IReplayExtras {
public:
    TReplayDesktop(const TRecordOptions& options, TReplayDesktopSeams seams);
    ~TReplayDesktop() override;
    TReplayDesktop(const TReplayDesktop&) = delete;
    TReplayDesktop& operator=(const TReplayDesktop&) = delete;

    bool BeforeOpen(const TReplayItem& item) override;
    void AfterOpen(const TReplayItem& item) override;
    void AfterWalk() override;

    // One look for the windows being waited for; ends the ticks when none is left.
    void Tick();
    size_t Watching() const { return watches_.size(); }

private:
    struct TWatch {
        std::wstring program;  // lower-cased
        TWindowPlace place;
        std::set<HWND> before;  // the program's windows before it was started
        ULONGLONG until = 0;
    };
    std::set<HWND> WindowsOf(const std::wstring& program);

    const TRecordOptions& options_;
    TReplayDesktopSeams seams_;
    std::optional<TWatch> pending_;  // taken before the launcher starts the item
    std::vector<TWatch> watches_;
    std::set<HWND> placed_;
    bool ticking_ = false;
    // The tabs of each recorded browser window, by (browser lower-cased, window).
    struct TTabWindow {
        std::wstring browser;
        std::vector<std::pair<int, std::wstring>> tabs;  // (place in the strip, address)
    };
    std::map<std::pair<std::wstring, int>, TTabWindow> tabs_;
};

}  // namespace qm

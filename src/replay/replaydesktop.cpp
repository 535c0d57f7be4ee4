#include "replay/replaydesktop.h"

#include <algorithm>
#include <memory>

#include "base/effects.h"
#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "capture/links.h"
#include "capture/openlocations.h"
#include "capture/pathutil.h"
#include "capture/runningapps.h"

namespace qm {

namespace {

std::wstring Lt(const std::wstring& s) { return ToLower(Trim(s)); }

bool IsWeb(const std::wstring& path) {
    std::wstring p = Lt(path);
    return p.rfind(L"http://", 0) == 0 || p.rfind(L"https://", 0) == 0;
}

std::wstring FolderKey(const std::wstring& path) {
    std::wstring p = Lt(ReplaceAll(path, L"/", L"\\"));
    while (p.size() > 3 && p.back() == L'\\') p.pop_back();
    return p;
}

// "report.txt - Notepad", "*report.txt - Notepad" and "report - Editor" name
// the document report.txt: its name (or its name without extension) first,
// then the end of the title or a separator.
bool TitleNamesDocument(const std::wstring& rawTitle, const std::wstring& document) {
    std::wstring title = Lt(rawTitle);
    if (!title.empty() && title[0] == L'*') title.erase(0, 1);
    std::wstring name = Lt(FileNameOf(document));
    std::wstring stem = name.substr(0, name.rfind(L'.'));
    for (const std::wstring& n : {name, stem}) {
        if (n.empty() || title.rfind(n, 0) != 0) continue;
        if (title.size() == n.size()) return true;
        wchar_t next = title[n.size()];
        if (next == L' ' || next == L'-' || next == L'[' || next == L'(' || next == L'*') return true;
    }
    return false;
}

bool IsShellHost(const std::wstring& path) {
    std::wstring f = Lt(FileNameOf(path));
    return f == L"explorer.exe" || IsPhotoViewer(path);
}

bool IsFirefoxLike(const std::wstring& browser) {
    std::wstring f = Lt(FileNameOf(browser));
    return f == L"firefox.exe" || f == L"waterfox.exe" || f == L"librewolf.exe";
}

std::wstring Quoted(const std::wstring& address) { return L"\"" + ReplaceAll(address, L"\"", L"%22") + L"\""; }

}  // namespace

std::wstring ProgramOfItem(const TReplayItem& item, const std::function<std::wstring(const std::wstring&)>& programOf) {
    const std::wstring& path = item.path;
    if (Trim(path).empty() || IsWeb(path) || item.docType == kDocWebPage || item.docType == kDocFolder) return {};
    if (IsShellHost(path)) return {};
    if (Lt(ExtensionOf(path)) == L".exe") return Trim(path);
    if (Lt(ExtensionOf(item.groupPath)) == L".exe" && !IsShellHost(item.groupPath)) return Trim(item.groupPath);
    if (!programOf) return {};
    std::wstring program = Trim(programOf(path));
    return IsShellHost(program) ? std::wstring() : program;
}

HWND FindOpenWindow(const TReplayItem& item, const std::vector<TDesktopWindow>& windows,
                    const std::vector<TFolderWindow>& folders,
                    const std::function<std::wstring(const std::wstring&)>& programOf) {
    if (IsWeb(item.path)) return nullptr;
    if (item.docType == kDocFolder) {
        std::wstring key = FolderKey(item.path);
        for (const TFolderWindow& f : folders)
            if (FolderKey(f.folder) == key) return f.handle;
        return nullptr;
    }
    std::wstring program = Lt(ProgramOfItem(item, programOf));
    if (program.empty()) return nullptr;
    bool itemIsProgram = Lt(item.path) == program;
    for (const TDesktopWindow& w : windows) {
        if (Lt(w.program) != program) continue;
        if (itemIsProgram || TitleNamesDocument(w.title, item.path)) return w.handle;
    }
    return nullptr;
}

std::wstring NewWindowParameters(const std::wstring& browser, const std::vector<std::wstring>& addresses) {
    std::wstring out;
    bool firefox = IsFirefoxLike(browser);
    for (size_t i = 0; i < addresses.size(); ++i) {
        if (!out.empty()) out += L' ';
        if (firefox)
            out += (i == 0 ? L"-new-window " : L"-new-tab ") + Quoted(addresses[i]);
        else
            out += (i == 0 ? L"--new-window " : L"") + Quoted(addresses[i]);
    }
    return out;
}

TReplayDesktop::TReplayDesktop(const TRecordOptions& options, TReplayDesktopSeams seams)
    : options_(options), seams_(std::move(seams)) {}

TReplayDesktop::~TReplayDesktop() {
    if (ticking_ && seams_.stopTicks) seams_.stopTicks();
}

std::set<HWND> TReplayDesktop::WindowsOf(const std::wstring& program) {
    std::set<HWND> out;
    for (const TDesktopWindow& w : seams_.windows())
        if (Lt(w.program) == program) out.insert(w.handle);
    return out;
}

bool TReplayDesktop::BeforeOpen(const TReplayItem& item) {
    pending_.reset();
    // A tab of a browser session opens with its window after the walk.
    if (options_.recordAllTabs && item.extras.tab && seams_.programExists &&
        seams_.programExists(item.extras.tab->browser)) {
        const TBrowserTab& tab = *item.extras.tab;
        TTabWindow& window = tabs_[{Lt(tab.browser), tab.window}];
        if (window.browser.empty()) window.browser = tab.browser;
        window.tabs.emplace_back(tab.index, item.path);
        return true;
    }
    if (options_.donotReopenOpen && seams_.windows) {
        std::vector<TFolderWindow> folders;
        if (item.docType == kDocFolder && seams_.folderWindows) folders = seams_.folderWindows();
        if (HWND open = FindOpenWindow(item, seams_.windows(), folders, seams_.programOf)) {
            if (seams_.bringToFront) seams_.bringToFront(open);
            return true;
        }
    }
    const std::optional<TWindowPlace>& place = item.extras.place ? item.extras.place : item.groupExtras.place;
    if (options_.restorePlacement && place && seams_.windows) {
        std::wstring program = Lt(ProgramOfItem(item, seams_.programOf));
        if (!program.empty()) pending_ = TWatch{program, *place, WindowsOf(program), 0};
    }
    return false;
}

void TReplayDesktop::AfterOpen(const TReplayItem&) {
    if (!pending_) return;
    pending_->until = (seams_.now ? seams_.now() : ::GetTickCount64()) + kPlacementWatchMs;
    watches_.push_back(std::move(*pending_));
    pending_.reset();
    if (!ticking_ && seams_.startTicks) {
        ticking_ = true;
        seams_.startTicks(kPlacementTickMs, [this] { Tick(); });
    }
}

void TReplayDesktop::Tick() {
    ULONGLONG now = seams_.now ? seams_.now() : ::GetTickCount64();
    std::vector<TDesktopWindow> windows = seams_.windows ? seams_.windows() : std::vector<TDesktopWindow>();
    std::vector<TMonitor> monitors;
    bool monitorsRead = false;
    for (auto it = watches_.begin(); it != watches_.end();) {
        HWND found = nullptr;
        for (const TDesktopWindow& w : windows)
            if (Lt(w.program) == it->program && !it->before.count(w.handle) && !placed_.count(w.handle)) {
                found = w.handle;
                break;
            }
        if (found) {
            if (!monitorsRead && seams_.monitors) monitors = seams_.monitors();
            monitorsRead = true;
            if (seams_.putPlace) seams_.putPlace(found, it->place, monitors);
            placed_.insert(found);
            it = watches_.erase(it);
        } else if (now >= it->until) {
            it = watches_.erase(it);  // the program showed no window in time: it is left where it is
        } else {
            ++it;
        }
    }
    if (watches_.empty() && ticking_) {
        ticking_ = false;
        placed_.clear();
        if (seams_.stopTicks) seams_.stopTicks();
    }
}

void TReplayDesktop::AfterWalk() {
    pending_.reset();
    for (auto& [key, window] : tabs_) {
        std::stable_sort(window.tabs.begin(), window.tabs.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::wstring> addresses;
        for (const auto& tab : window.tabs) addresses.push_back(tab.second);
        if (seams_.start) seams_.start(window.browser, NewWindowParameters(window.browser, addresses));
    }
    tabs_.clear();
}

// ---- The real desktop ----

namespace {

std::map<UINT_PTR, std::function<void()>>& Ticks() {
    static std::map<UINT_PTR, std::function<void()>> ticks;
    return ticks;
}

void CALLBACK TickProc(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Ticks().find(id);
    if (it != Ticks().end()) {
        std::function<void()> tick = it->second;  // the tick may end the timer
        tick();
    }
}

std::vector<TFolderWindow> ShellFolderWindows() {
    std::vector<TFolderWindow> out;
    TShellWindowList list;
    int count = list.Count();
    for (int i = 0; i < count; ++i) {
        std::optional<TShellWindow> w = list.Item(i);
        if (!w) continue;
        if (std::optional<std::wstring> folder = ShellWindowFolder(w->locationUrl)) out.push_back({w->window, *folder});
    }
    return out;
}

}  // namespace

TReplayDesktopSeams TReplayDesktopSeams::Real() {
    TReplayDesktopSeams s;
    s.windows = [] {
        std::vector<TDesktopWindow> out;
        for (const TWindowEntry& e : EnumerateTopLevelWindows())
            out.push_back({e.handle, e.title, ExecutableOfWindow(e.handle)});
        return out;
    };
    s.folderWindows = ShellFolderWindows;
    s.bringToFront = [](HWND w) {
        if (::IsIconic(w)) ::ShowWindow(w, SW_RESTORE);
        ::SetForegroundWindow(w);
        ::BringWindowToTop(w);
    };
    s.programOf = [](const std::wstring& path) { return NormaliseLocation(AssociationLookup(path)); };
    s.monitors = AttachedMonitors;
    s.putPlace = PutWindowPlace;
    s.start = [](const std::wstring& program, const std::wstring& parameters) {
        ShellOpen(nullptr, L"open", program, parameters);
    };
    s.programExists = [](const std::wstring& program) { return FileExists(program); };
    auto id = std::make_shared<UINT_PTR>(0);
    s.startTicks = [id](UINT ms, std::function<void()> tick) {
        *id = ::SetTimer(nullptr, 0, ms, TickProc);
        if (*id) Ticks()[*id] = std::move(tick);
    };
    s.stopTicks = [id] {
        if (!*id) return;
        ::KillTimer(nullptr, *id);
        Ticks().erase(*id);
        *id = 0;
    };
    s.now = [] { return ::GetTickCount64(); };
    return s;
}

}  // namespace qm

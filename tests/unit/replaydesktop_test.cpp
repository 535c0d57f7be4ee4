// Replay with the desktop in view, against fake windows: what is already open
// is brought forward, a launched program's window is put where it was, a
// browser's recorded tabs open in new windows of that browser; and a record
// without those attributes replays as before.
#include "replay/replaydesktop.h"

#include <gtest/gtest.h>

#include <map>

// For the test's comparisons (found by argument lookup, as RECT is global).
inline bool operator==(const RECT& a, const RECT& b) { return qm::operator==(a, b); }

namespace qm {
namespace {

HWND H(int n) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(n)); }

const std::wstring kNotepad = L"C:\\windows\\system32\\notepad.exe";
const std::wstring kBrowser = L"C:\\Browsers\\chrome.exe";
const std::wstring kFirefox = L"C:\\Browsers\\firefox.exe";

std::wstring ProgramOf(const std::wstring& path) { return path.ends_with(L".txt") ? kNotepad : std::wstring(); }

TReplayItem Item(const std::wstring& path, int32_t docType = kDocAppOrFile, const std::wstring& group = {}) {
    TReplayItem item;
    item.path = path;
    item.title = path;
    item.docType = docType;
    item.groupPath = group;
    return item;
}

TEST(ReplayDesktop, OpenWindowsAreFoundByTheRulesCaptureUses) {
    const std::vector<TDesktopWindow> windows = {
        {H(1), L"report.txt - Notepad", kNotepad},
        {H(2), L"*draft - Notepad", L"C:\\WINDOWS\\System32\\NOTEPAD.EXE"},
        {H(3), L"Editor", L"C:\\Tools\\editor.exe"},
        {H(4), L"Recycle Bin", L"C:\\windows\\explorer.exe"},
    };
    const std::vector<TFolderWindow> folders = {{H(5), L"C:\\Users\\me\\Projects"}};
    struct Case {
        const char* name;
        TReplayItem item;
        HWND found;
    };
    const Case cases[] = {
        {"a document open in its program", Item(L"D:\\docs\\report.txt"), H(1)},
        {"a document named without its extension, case aside", Item(L"D:\\docs\\DRAFT.txt"), H(2)},
        {"a document of a group's program", Item(L"D:\\docs\\report.txt", kDocAppOrFile, kNotepad), H(1)},
        {"another document of the program", Item(L"D:\\docs\\other.txt"), nullptr},
        {"a document whose name only begins the title", Item(L"D:\\docs\\rep.txt"), nullptr},
        {"the program itself", Item(L"c:\\tools\\EDITOR.exe"), H(3)},
        {"a program that is not running", Item(L"C:\\Tools\\other.exe"), nullptr},
        {"Explorer stands for places, not a program", Item(L"C:\\windows\\explorer.exe"), nullptr},
        {"a folder shown in Explorer", Item(L"c:\\users\\me\\projects\\", kDocFolder), H(5)},
        {"another folder", Item(L"C:\\Users\\me", kDocFolder), nullptr},
        {"a web page", Item(L"https://example.org/report.txt", kDocWebPage), nullptr},
    };
    for (const Case& c : cases) EXPECT_EQ(FindOpenWindow(c.item, windows, folders, ProgramOf), c.found) << c.name;
}

TEST(ReplayDesktop, BrowserCommandLinesKeepTheTabOrder) {
    EXPECT_EQ(NewWindowParameters(kBrowser, {L"https://a/", L"https://b/?q=\"x\""}),
              L"--new-window \"https://a/\" \"https://b/?q=%22x%22\"");
    EXPECT_EQ(NewWindowParameters(kFirefox, {L"https://a/", L"https://b/", L"https://c/"}),
              L"-new-window \"https://a/\" -new-tab \"https://b/\" -new-tab \"https://c/\"");
}

TEST(ReplayDesktop, PlacementGoesOntoTheMonitorsThereAreNow) {
    TWindowPlace place;
    place.normal = RECT{1400, 100, 2000, 500};
    place.monitor = L"\\\\.\\DISPLAY2";
    place.workArea = RECT{1280, 0, 2560, 1024};
    const TMonitor primary{L"\\\\.\\DISPLAY1", RECT{0, 0, 1280, 1024}};
    const TMonitor second{L"\\\\.\\DISPLAY2", RECT{1280, 0, 2560, 1024}};
    const TMonitor movedSecond{L"\\\\.\\DISPLAY2", RECT{-1280, 0, 0, 1024}};
    const TMonitor small{L"\\\\.\\DISPLAY1", RECT{0, 0, 400, 300}};
    struct Case {
        const char* name;
        std::vector<TMonitor> monitors;
        RECT expected;
    };
    const Case cases[] = {
        {"the monitor is there", {primary, second}, RECT{1400, 100, 2000, 500}},
        {"the monitor moved to the left", {primary, movedSecond}, RECT{-1160, 100, -560, 500}},
        {"the monitor is gone: onto the nearest, same offset", {primary}, RECT{120, 100, 720, 500}},
        {"too big for what is left: shrunk to fit", {small}, RECT{0, 0, 400, 300}},
        {"no monitors known: as recorded", {}, RECT{1400, 100, 2000, 500}},
    };
    for (const Case& c : cases) EXPECT_EQ(RectOnMonitors(place, c.monitors), c.expected) << c.name;
}

// The desktop as the fake seams show it, and what replay did to it.
struct FakeDesktop {
    std::vector<TDesktopWindow> windows;
    std::vector<TFolderWindow> folders;
    std::vector<HWND> broughtForward;
    std::vector<std::pair<HWND, RECT>> placed;
    std::vector<std::wstring> started;
    std::function<void()> tick;
    bool ticking = false;
    ULONGLONG now = 1000;

    TReplayDesktopSeams Seams() {
        TReplayDesktopSeams s;
        s.windows = [this] { return windows; };
        s.folderWindows = [this] { return folders; };
        s.bringToFront = [this](HWND w) { broughtForward.push_back(w); };
        s.programOf = ProgramOf;
        s.monitors = [] { return std::vector<TMonitor>{{L"\\\\.\\DISPLAY1", RECT{0, 0, 1280, 1024}}}; };
        s.putPlace = [this](HWND w, const TWindowPlace& p, const std::vector<TMonitor>& m) {
            placed.emplace_back(w, RectOnMonitors(p, m));
            return true;
        };
        s.start = [this](const std::wstring& program, const std::wstring& parameters) {
            started.push_back(program + L" " + parameters);
        };
        s.programExists = [](const std::wstring& program) { return program != L"C:\\gone\\browser.exe"; };
        s.startTicks = [this](UINT, std::function<void()> t) {
            tick = std::move(t);
            ticking = true;
        };
        s.stopTicks = [this] { ticking = false; };
        s.now = [this] { return now; };
        return s;
    }
};

class FakeOpener : public IItemOpener {
public:
    std::vector<std::wstring> opened;
    std::function<void(const std::wstring&)> onOpen;  // the program shows its window
    int RecogniseAndLaunch(std::wstring&, std::wstring&) override { return 0; }
    void OpenItemPath(const std::wstring& path, bool) override {
        opened.push_back(path);
        if (onOpen) onOpen(path);
    }
};

class FakeHost : public IReplayHost, public IProgress {
public:
    bool HasRecords() override { return true; }
    void EnsureRecordSelected() override {}
    void Wait(int) override {}
    void ShowReplayMessage(const std::wstring&) override {}
    void StartFinishTimer() override {}
    void Pump() override {}
    void SetCaption(const std::wstring&) override {}
    void ShowProgress(bool) override {}
    void SetGauge(int, int) override {}
    void SetHint(const std::wstring&) override {}
    bool StopRequested() const override { return false; }
    void ClearStopRequest() override {}
};

// A record: the texts keep the order the items are given in.
struct TNode {
    std::wstring path;
    TItemExtras extras = {};
    std::vector<TNode> children = {};
    int32_t docType = kDocAppOrFile;
};

class DesktopReplay : public ::testing::Test {
protected:
    void Build(const std::vector<TNode>& nodes, TTreeNode* parent = nullptr) {
        for (const TNode& n : nodes) {
            int index = model.items.Append();
            model.items.At(index).path = n.path;
            model.items.At(index).docType = n.docType;
            model.items.At(index).extras = n.extras;
            std::wstring text = std::to_wstring(++count_);
            text.insert(0, 6 - text.size(), L'0');
            Build(n.children, model.all.Add(parent, text, index));
        }
    }
    void Run(bool withExtras, bool allDocs = true) {
        TReplayDriver driver(opener, host, host);
        if (withExtras) driver.SetExtras(&extras);
        driver.ReplayRecord(model.all, model.items, allDocs, CountReplayItems(model.all));
    }

    TRecordModel model;
    TRecordOptions options;
    FakeDesktop desktop;
    TReplayDesktop extras{options, desktop.Seams()};
    FakeOpener opener;
    FakeHost host;
    int count_ = 0;
};

TEST_F(DesktopReplay, RecordWithoutTheNewAttributesReplaysAsBefore) {
    Build({{L"C:\\Tools\\editor.exe", {}, {{L"D:\\a.txt"}, {L"D:\\b.txt"}}},
           {L"C:\\Data", {}, {{L"C:\\Data\\Sub", {}, {}, kDocFolder}}, kDocFolder},
           {L"example.org", {}, {{L"https://example.org/a", {}, {}, kDocWebPage}}, kDocWebPage}});
    // Windows are open on some of it: with the default options they do not matter.
    desktop.windows = {{H(1), L"a.txt - Notepad", kNotepad}, {H(2), L"Editor", L"C:\\Tools\\editor.exe"}};
    desktop.folders = {{H(3), L"C:\\Data\\Sub"}};
    Run(false);
    std::vector<std::wstring> before = opener.opened;
    opener.opened.clear();
    Run(true);
    EXPECT_EQ(opener.opened, before);
    EXPECT_EQ(before.size(), 4u);
    EXPECT_TRUE(desktop.broughtForward.empty());
    EXPECT_TRUE(desktop.started.empty());
    EXPECT_FALSE(desktop.ticking);
}

TEST_F(DesktopReplay, WhatIsOpenIsBroughtForwardWhenAsked) {
    options.donotReopenOpen = true;
    Build({{L"C:\\Tools\\editor.exe"},
           {kNotepad, {}, {{L"D:\\a.txt"}, {L"D:\\b.txt"}}},
           {L"C:\\Data", {}, {{L"C:\\Data\\Sub", {}, {}, kDocFolder}}, kDocFolder}});
    desktop.windows = {{H(1), L"a.txt - Notepad", kNotepad}, {H(2), L"Editor", L"C:\\Tools\\editor.exe"}};
    desktop.folders = {{H(3), L"C:\\Data\\Sub\\"}};
    Run(true);
    EXPECT_EQ(opener.opened, std::vector<std::wstring>{L"D:\\b.txt"});
    EXPECT_EQ(desktop.broughtForward, (std::vector<HWND>{H(2), H(1), H(3)}));
    // Turned off, everything is opened again.
    options.donotReopenOpen = false;
    opener.opened.clear();
    Run(true);
    EXPECT_EQ(opener.opened.size(), 4u);
}

TEST_F(DesktopReplay, LaunchedProgramsWindowGoesWhereItWas) {
    TWindowPlace place;
    place.state = TShowState::Maximised;
    place.normal = RECT{100, 50, 700, 450};
    place.monitor = L"\\\\.\\DISPLAY1";
    place.workArea = RECT{0, 0, 1280, 1024};
    // The program has a window open already; the replay's new one appears later.
    desktop.windows = {{H(7), L"Old", L"C:\\Tools\\app.exe"}};
    Build({{L"C:\\Tools\\app.exe", {place, {}}},
           {L"C:\\Tools\\slow.exe", {place, {}}},
           // A document's window takes its application's placement.
           {kNotepad, {place, {}}, {{L"D:\\a.txt"}}}});
    opener.onOpen = [&](const std::wstring& path) {
        if (path == L"C:\\Tools\\app.exe") desktop.windows.push_back({H(8), L"Second", L"C:\\Tools\\app.exe"});
    };
    Run(true);
    ASSERT_TRUE(desktop.ticking);
    EXPECT_EQ(extras.Watching(), 3u);
    desktop.tick();
    ASSERT_EQ(desktop.placed.size(), 1u);  // only the new window, never the one open before
    EXPECT_EQ(desktop.placed[0].first, H(8));
    EXPECT_EQ(desktop.placed[0].second, (RECT{100, 50, 700, 450}));
    desktop.windows.push_back({H(9), L"a.txt - Notepad", kNotepad});
    desktop.now += 1000;
    desktop.tick();
    ASSERT_EQ(desktop.placed.size(), 2u);
    EXPECT_EQ(desktop.placed[1].first, H(9));
    // The program that never shows a window is given up after a few seconds.
    desktop.now += kPlacementWatchMs;
    desktop.tick();
    EXPECT_EQ(extras.Watching(), 0u);
    EXPECT_FALSE(desktop.ticking);

    // Off: nothing is watched.
    options.restorePlacement = false;
    desktop.placed.clear();
    Run(true);
    EXPECT_EQ(extras.Watching(), 0u);
    EXPECT_FALSE(desktop.ticking);
}

TEST_F(DesktopReplay, BrowserTabsOpenInTheirBrowserOneWindowEach) {
    auto tab = [](const std::wstring& browser, int window, int index) {
        return TItemExtras{std::nullopt, TBrowserTab{browser, window, index}};
    };
    // The tree sorts pages by host; the tab strips keep their own order.
    Build({{L"a.example",
            {},
            {{L"https://a.example/2", tab(kBrowser, 1, 2), {}, kDocWebPage},
             {L"https://a.example/0", tab(kBrowser, 2, 0), {}, kDocWebPage}},
            kDocWebPage},
           {L"b.example",
            {},
            {{L"https://b.example/", tab(kBrowser, 1, 0), {}, kDocWebPage},
             {L"https://b.example/f", tab(kFirefox, 1, 0), {}, kDocWebPage},
             {L"https://b.example/g", tab(L"C:\\gone\\browser.exe", 1, 1), {}, kDocWebPage}},
            kDocWebPage},
           {L"https://c.example/", {}, {}, kDocWebPage}});
    Run(true);
    // A page without a session, and one whose browser is gone, open as before.
    EXPECT_EQ(opener.opened, (std::vector<std::wstring>{L"https://b.example/g", L"https://c.example/"}));
    EXPECT_EQ(desktop.started,
              (std::vector<std::wstring>{
                  L"C:\\Browsers\\chrome.exe --new-window \"https://b.example/\" \"https://a.example/2\"",
                  L"C:\\Browsers\\chrome.exe --new-window \"https://a.example/0\"",
                  L"C:\\Browsers\\firefox.exe -new-window \"https://b.example/f\""}));
    // With the option off every page opens on its own.
    options.recordAllTabs = false;
    desktop.started.clear();
    opener.opened.clear();
    Run(true);
    EXPECT_TRUE(desktop.started.empty());
    EXPECT_EQ(opener.opened.size(), 6u);
}

}  // namespace
}  // namespace qm

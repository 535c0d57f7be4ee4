// The real sources of the open-location scan under Wine: the shell's window
// collection (Wine's own, and the test server's that answers), DDE browsers in
// another process, and browser windows read through the test prefix's UI
// Automation server.
#include <gtest/gtest.h>
#include <ole2.h>

#include <map>

#include "base/files.h"
#include "base/strings.h"
#include "capture/browserpages.h"
#include "capture/openlocations.h"
#include "support/fakebrowser.h"
#include "support/process.h"
#include "support/testservers.h"

namespace qm {
namespace {

using TPair = std::pair<std::wstring, std::wstring>;

std::optional<TPair> P(const std::optional<TLocationPair>& p) {
    if (!p) return std::nullopt;
    return TPair{p->location, p->title};
}

std::vector<TPair> Pairs(const std::vector<TLocationPair>& pages) {
    std::vector<TPair> pairs;
    for (const auto& p : pages) pairs.emplace_back(p.location, p.title);
    return pairs;
}

using test::RunningUnderWine;

// Every window of this test process passes for a window of Chrome.
std::wstring ChromeImage(HWND) { return L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe"; }

class OleSession {
public:
    OleSession() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~OleSession() {
        if (ok_) ::OleUninitialize();
    }

private:
    bool ok_;
};

class NoBrowserPages : public IBrowserPages {
public:
    std::vector<TLocationPair> Query() override { return {}; }
};

using test::StartFakeBrowser;

TEST(OpenLocationsDesktop, ShellWindowsFailSoftUnderWine) {
    if (!RunningUnderWine()) GTEST_SKIP() << "only Wine lacks the shell's window collection";
    test::TRegisteredTestServer::RemoveLeftover(test::kShellWindowsClass);
    OleSession ole;
    // Wine does not implement the ShellWindows collection: the real list finds
    // no window and the scan carries on without one.
    TShellWindowList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Item(0).has_value());
    TOpenLocationScan scan(std::make_unique<TShellWindowList>(), std::make_unique<NoBrowserPages>(), SystemDriveType);
    std::vector<TLocationPair> locations = {{L"stale", L"stale"}};
    int pumps = 0;
    scan.Scan(true, locations, [&] { ++pumps; });
    EXPECT_TRUE(locations.empty());
    EXPECT_EQ(pumps, 0);
    // The program's own scan, with every real source behind it, on a desktop
    // without browsers.
    TOpenLocationScan real;
    real.Scan(true, locations, {});
    EXPECT_TRUE(locations.empty());
    real.Scan(false, locations, {});
    EXPECT_TRUE(locations.empty());
}

// "file:///C:/a%20b/100%25" for "C:\a b\100%", as the shell writes a folder's address.
std::wstring FileUrl(const std::wstring& path) {
    return L"file:///" + ReplaceAll(ReplaceAll(ReplaceAll(path, L"\\", L"/"), L"%", L"%25"), L" ", L"%20");
}

// The share the test script makes in the prefix (dosdevices\unc\quilmartest\share).
const wchar_t kTestShare[] = L"\\\\quilmartest\\share";

TEST(OpenLocationsDesktop, ShellWindowsOfTheTestServerGiveFoldersAndPages) {
    if (!RunningUnderWine()) GTEST_SKIP() << "the test server stands in for the shell's collection under Wine only";
    OleSession ole;
    test::TempDir dir;
    std::wstring foreign = dir / L"\u00C4rger Ordner \u4E2D\u6587", projects = dir / L"My Projects 100%";
    std::wstring share = JoinPath(kTestShare, L"Team Folder");
    ASSERT_TRUE(CreateFolderTree(foreign));
    ASSERT_TRUE(CreateFolderTree(projects));
    ASSERT_TRUE(CreateFolderTree(share)) << "scripts/test makes the share " << WideToUtf8(kTestShare);
    using W = test::TFakeShellWindow;
    const std::vector<W> windows = {
        {W::Folder, FileUrl(foreign), L""},
        {W::Folder, FileUrl(projects), L""},
        {W::Folder, L"file://quilmartest/share/Team%20Folder", L""},
        {W::Page, L"http://example.test/news/today.html", L"Today's News & Views"},
        {W::Page, L"about:blank", L"Blank"},
        {W::NoDocument, L"file:///C:/still/loading", L""},
        {W::Folder, FileUrl(foreign), L""},  // the same folder in a second window
        {W::Page, L"http://example.test/untitled", L""},
    };
    test::TRegisteredTestServer server(test::kShellWindowsClass);
    ASSERT_TRUE(server.Ok());
    test::TFakeShellWindows fake(windows);

    // The real collection, read through the shell's interfaces.
    TShellWindowList list;
    ASSERT_EQ(list.Count(), 8);
    std::optional<TShellWindow> folder = list.Item(0), page = list.Item(3), loading = list.Item(5);
    ASSERT_TRUE(folder && page && loading);
    EXPECT_EQ(folder->locationUrl, FileUrl(foreign));
    EXPECT_TRUE(folder->hasDocument);
    EXPECT_EQ(folder->documentTitle, std::nullopt);  // a folder view has no "title"
    EXPECT_EQ(page->documentTitle, L"Today's News & Views");
    EXPECT_FALSE(loading->hasDocument);
    EXPECT_FALSE(list.Item(8).has_value());
    EXPECT_FALSE(list.Item(-1).has_value());

    // The scan over it.
    TOpenLocationScan scan(std::make_unique<TShellWindowList>(), std::make_unique<NoBrowserPages>(), SystemDriveType);
    std::vector<TLocationPair> locations;
    int pumps = 0;
    scan.Scan(true, locations, [&] { ++pumps; });
    const std::vector<TPair> folders = {
        {foreign, L"\u00C4rger Ordner \u4E2D\u6587"},
        {projects, L"My Projects 100%"},
        {share, share},
    };
    std::vector<TPair> all = folders;
    all.push_back({L"http://example.test/news/today.html", L"Today's News & Views"});
    all.push_back({L"http://example.test/untitled", L"http://example.test/untitled"});
    EXPECT_EQ(Pairs(locations), all);
    EXPECT_EQ(pumps, 8);
    scan.Scan(false, locations, {});
    EXPECT_EQ(Pairs(locations), folders);

    // A collection that fails as Wine's own does gives nothing.
    test::TFakeShellWindows failing(windows, true);
    EXPECT_EQ(list.Count(), 0);
    scan.Scan(true, locations, {});
    EXPECT_TRUE(locations.empty());
}

TEST(OpenLocationsDesktop, DdeBrowserInAnotherProcess) {
    test::Process server = StartFakeBrowser(L"dde");
    ASSERT_TRUE(server.Started());
    TWebbrowserActiveUrl dde;
    EXPECT_TRUE(test::WaitUntil([&] { return !dde.Query().empty(); }, 15000));
    EXPECT_EQ(Pairs(dde.Pages()), (std::vector<TPair>{{L"http://a/b", L"Page B"}}));
    // Each query asks again; the pages of the last one are kept.
    EXPECT_EQ(Pairs(dde.Query()), (std::vector<TPair>{{L"http://a/b", L"Page B"}}));
    // The browser-page query puts the DDE pages first.
    OleSession ole;
    TBrowserPageQuery query;
    std::vector<TLocationPair> pages = query.Query();
    ASSERT_FALSE(pages.empty());
    EXPECT_EQ(TPair(pages[0].location, pages[0].title), TPair(L"http://a/b", L"Page B"));
    server.Kill();
    EXPECT_TRUE(test::WaitUntil([&] { return dde.Query().empty(); }, 15000));
}

TEST(OpenLocationsDesktop, NoDdeBrowserGivesNothing) {
    TWebbrowserActiveUrl dde;
    EXPECT_TRUE(dde.Query().empty());
    EXPECT_TRUE(dde.Pages().empty());
}

TEST(OpenLocationsDesktop, HungDdeBrowserDoesNotHoldTheQuery) {
    {
        test::Process hung = StartFakeBrowser(L"dde-hang");
        ASSERT_TRUE(hung.Started());
        // The queries return although the server never answers, and the client
        // ends without waiting for it.
        TWebbrowserActiveUrl dde(300);
        EXPECT_TRUE(dde.Query().empty());
        EXPECT_TRUE(dde.Query().empty());
    }
    // Once a hung browser is gone, a browser answering under the same name is read.
    TWebbrowserActiveUrl dde(300);
    {
        test::Process hung = StartFakeBrowser(L"dde-hang");
        ASSERT_TRUE(hung.Started());
        EXPECT_TRUE(dde.Query().empty());
    }
    test::Process server = StartFakeBrowser(L"dde");
    ASSERT_TRUE(server.Started());
    EXPECT_TRUE(test::WaitUntil([&] { return !dde.Query().empty(); }, 15000));
    EXPECT_EQ(Pairs(dde.Pages()), (std::vector<TPair>{{L"http://a/b", L"Page B"}}));
}

// Window classes of our own that behave like any plain window.
void RegisterPlainClass(const wchar_t* name) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
}

// Top-level windows only carry the visible style, which is what the readers
// check, and are never shown: Wine without a window manager waits two seconds
// for every shown top-level window that is destroyed.
class Window {
public:
    Window(const wchar_t* cls, const std::wstring& text, HWND parent, bool visible = true) {
        RegisterPlainClass(cls);
        DWORD style = parent ? WS_CHILD | (visible ? WS_VISIBLE : 0) : WS_OVERLAPPEDWINDOW;
        hwnd_ = ::CreateWindowExW(0, cls, text.c_str(), style, 0, 0, 200, 100, parent, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
        if (hwnd_ && !parent && visible) SetVisibleStyle(true);
    }
    ~Window() {
        if (!hwnd_ || !::IsWindow(hwnd_)) return;
        if (!::GetParent(hwnd_)) SetVisibleStyle(false);
        ::DestroyWindow(hwnd_);
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    HWND get() const { return hwnd_; }

private:
    void SetVisibleStyle(bool on) {
        LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
        ::SetWindowLongPtrW(hwnd_, GWL_STYLE, on ? style | WS_VISIBLE : style & ~static_cast<LONG_PTR>(WS_VISIBLE));
    }

    HWND hwnd_ = nullptr;
};

TEST(OpenLocationsDesktop, OldChromeWindowTexts) {
    struct Child {
        const wchar_t* cls;
        const wchar_t* text;
        bool nestedInPrevious;
    };
    struct Case {
        const char* name;
        std::vector<Child> children;
        std::optional<TPair> expected;
    };
    const Case cases[] = {
        {"title, address, stop",
         {{L"QmTitle", L"Example Page", false},
          {L"QmPanel", L"", false},
          {L"Chrome_OmniboxView", L"host.example/path", false},
          {L"QmAfter", L"after the stop mark", false}},
         TPair{L"http://host.example/path", L"Example Page"}},
        {"text that is no address",
         {{L"QmTitle", L"Search", false}, {L"Chrome_OmniboxView", L"two words", false}},
         std::nullopt},
        {"address with scheme",
         {{L"QmTitle", L"Secure", false}, {L"Chrome_OmniboxView", L"https://secure/x", false}},
         TPair{L"https://secure/x", L"Secure"}},
        {"blank texts are no lines",
         {{L"QmTitle", L"   ", false},
          {L"QmOther", L"Real Title", false},
          {L"Chrome_OmniboxView", L" host.example/x ", false}},
         TPair{L"http://host.example/x", L"Real Title"}},
        {"nothing read after the stop mark",
         {{L"Chrome_OmniboxView", L"host.example/path", false}, {L"QmAfter", L"after", false}},
         std::nullopt},
        {"ignorable address",
         {{L"QmTitle", L"T", false}, {L"Chrome_OmniboxView", L"about:blank", false}},
         std::nullopt},
        {"nested descendants are read through the direct child of their class",
         {{L"QmTitle", L"Direct Title", false},
          {L"QmPanel", L"", false},
          {L"Chrome_OmniboxView", L"nested.example/x", true},
          {L"Chrome_OmniboxView", L"direct.example/y", false}},
         TPair{L"http://direct.example/y", L"Direct Title"}},
    };
    EXPECT_FALSE(OldChromePage(ChromeImage).has_value());  // no Chrome window at all
    for (const Case& c : cases) {
        Window chrome(L"Chrome_WidgetWin_0", L"Chrome", nullptr, false);
        ASSERT_TRUE(chrome.get()) << c.name;
        std::vector<std::unique_ptr<Window>> children;
        for (const Child& child : c.children) {
            HWND parent = child.nestedInPrevious ? children.back()->get() : chrome.get();
            children.push_back(std::make_unique<Window>(child.cls, child.text, parent));
        }
        EXPECT_EQ(P(OldChromePage(ChromeImage)), c.expected) << c.name;
        // The same window of another program built on the engine is not read.
        EXPECT_EQ(P(OldChromePage([](HWND) { return std::wstring(L"C:\\Apps\\Editor\\Code.exe"); })), std::nullopt)
            << c.name;
    }
}

// Answers from a table by window and records which windows were asked.
class FakeAddressBox : public IAddressBoxReader {
public:
    std::optional<std::wstring> Address(HWND w) override {
        asked.push_back(w);
        auto it = answers.find(w);
        return it == answers.end() ? std::nullopt : it->second;
    }
    std::map<HWND, std::optional<std::wstring>> answers;
    std::vector<HWND> asked;
};

// The program of each window, chrome.exe unless the table says otherwise.
struct FakeImages {
    std::map<HWND, std::wstring> programs;
    TWindowPathFn Fn() const {
        return [this](HWND w) {
            auto it = programs.find(w);
            return it == programs.end() ? ChromeImage(w) : it->second;
        };
    }
};

TEST(OpenLocationsDesktop, CurrentBrowserWindows) {
    // Windows made later come first (the top of the Z order).
    {
        Window chrome(L"Chrome_WidgetWin_1", L"Example Domain - Google Chrome", nullptr);
        Window hidden(L"Chrome_WidgetWin_1", L"Hidden - Google Chrome", nullptr, false);
        Window untitled(L"Chrome_WidgetWin_1", L"", nullptr);
        Window other(L"QmNotABrowser", L"Other - Google Chrome", nullptr);
        // A code editor on the same engine, with an address-like text in its box.
        Window editor(L"Chrome_WidgetWin_1", L"main.cpp - Visual Studio Code", nullptr);
        FakeAddressBox reader;
        FakeImages images;
        images.programs[editor.get()] = L"C:\\Users\\me\\AppData\\Local\\Programs\\Microsoft VS Code\\Code.exe";
        reader.answers[chrome.get()] = L"example.org/path";
        reader.answers[hidden.get()] = L"hidden.example/";
        reader.answers[untitled.get()] = L"untitled.example/";
        reader.answers[other.get()] = L"other.example/";
        reader.answers[editor.get()] = L"editor.example/x";
        EXPECT_EQ(P(CurrentBrowserPage(reader, images.Fn())), TPair(L"https://example.org/path", L"Example Domain"));
        EXPECT_EQ(reader.asked, std::vector<HWND>{chrome.get()});
        // An old Chrome window goes first, its address completed as old Chrome hid it.
        Window old(L"Chrome_WidgetWin_0", L"Chrome", nullptr, false);
        Window title(L"QmTitle", L"Old Page", old.get());
        Window omnibox(L"Chrome_OmniboxView", L"old.example/", old.get());
        EXPECT_EQ(P(BrowserWindowPage(reader, images.Fn())), TPair(L"http://old.example/", L"Old Page"));
    }
    {
        Window firefox(L"MozillaWindowClass", L"Mozilla Page \u2014 Mozilla Firefox", nullptr);
        Window edge(L"Chrome_WidgetWin_1", L"Edge Page - Microsoft\u200B Edge", nullptr);
        // A mail program on the Mozilla engine, in front of both.
        Window mail(L"MozillaWindowClass", L"Inbox - Mozilla Thunderbird", nullptr);
        FakeAddressBox reader;
        FakeImages images;
        images.programs[mail.get()] = L"C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe";
        images.programs[firefox.get()] = L"C:\\Program Files\\Mozilla Firefox\\firefox.exe";
        images.programs[edge.get()] = L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";
        reader.answers[mail.get()] = L"mail.example/inbox";
        reader.answers[firefox.get()] = L"https://mozilla.example/";
        // A window that gives nothing gives way to the next: no readable box, an
        // empty box, or text that is no address.
        for (std::optional<std::wstring> edgeBox : {std::optional<std::wstring>(), std::optional<std::wstring>(L""),
                                                    std::optional<std::wstring>(L"search words")}) {
            reader.answers[edge.get()] = edgeBox;
            reader.asked.clear();
            EXPECT_EQ(P(CurrentBrowserPage(reader, images.Fn())), TPair(L"https://mozilla.example/", L"Mozilla Page"))
                << testing::PrintToString(edgeBox);
            EXPECT_EQ(reader.asked, (std::vector<HWND>{edge.get(), firefox.get()}));
        }
        reader.answers[firefox.get()] = L"";
        EXPECT_EQ(P(CurrentBrowserPage(reader, images.Fn())), std::nullopt);
    }
    {
        // Private windows are passed over without their address box being read.
        Window normal(L"Chrome_WidgetWin_1", L"Private browsing explained - Google Chrome", nullptr);
        Window incognito(L"Chrome_WidgetWin_1", L"Bank - Google Chrome (Incognito)", nullptr);
        Window inPrivate(L"Chrome_WidgetWin_1", L"Mail - [InPrivate] - Microsoft\u200B Edge", nullptr);
        Window privateFox(L"MozillaWindowClass", L"Shop \u2014 Mozilla Firefox Private Browsing", nullptr);
        FakeAddressBox reader;
        FakeImages images;
        images.programs[privateFox.get()] = L"C:\\Program Files\\Mozilla Firefox\\firefox.exe";
        for (HWND w : {normal.get(), incognito.get(), inPrivate.get(), privateFox.get()})
            reader.answers[w] = L"https://page.example/";
        EXPECT_EQ(P(CurrentBrowserPage(reader, images.Fn())),
                  TPair(L"https://page.example/", L"Private browsing explained"));
        EXPECT_EQ(reader.asked, std::vector<HWND>{normal.get()});
    }
    {
        // At most four browser windows are asked.
        std::vector<std::unique_ptr<Window>> windows;
        FakeAddressBox reader;
        for (int i = 0; i < 6; ++i) {
            windows.push_back(std::make_unique<Window>(L"Chrome_WidgetWin_1", L"Blank - Google Chrome", nullptr));
            reader.answers[windows.back()->get()] = L"";
        }
        EXPECT_EQ(P(CurrentBrowserPage(reader, ChromeImage)), std::nullopt);
        EXPECT_EQ(reader.asked.size(), 4u);
    }
}

TEST(OpenLocationsDesktop, UiAutomationReadsAddressBoxOfAnotherProcess) {
    OleSession ole;
    test::Process browser = StartFakeBrowser(L"window");
    ASSERT_TRUE(browser.Started());
    HWND window = test::WaitForWindow(L"Chrome_WidgetWin_1", browser.Id(), 15000);
    ASSERT_TRUE(window);
    if (!RunningUnderWine()) {
        TUiaAddressBoxReader reader;
        EXPECT_EQ(reader.Address(window), L"example.org/path");
        return;
    }
    {
        // Wine 8 registers no UI Automation client object: the reader gives
        // nothing, and the query goes on without a browser-window page instead
        // of failing or hanging.
        test::TRegisteredTestServer::RemoveLeftover(test::kUiAutomationClass);
        TUiaAddressBoxReader reader;
        EXPECT_EQ(reader.Address(window), std::nullopt);
        EXPECT_EQ(P(CurrentBrowserPage(reader, ChromeImage)), std::nullopt);
    }
    // With the test prefix's automation server the same reader finds the
    // address box below the window's panel and reads it.
    test::TRegisteredTestServer server(test::kUiAutomationClass);
    ASSERT_TRUE(server.Ok());
    TUiaAddressBoxReader reader;
    EXPECT_EQ(reader.Address(window), L"example.org/path");
    EXPECT_EQ(test::TestUiaTimeouts(), std::make_pair(DWORD{1000}, DWORD{1000}));
    auto image = [&](HWND w) { return w == window ? ChromeImage(w) : std::wstring(L"C:\\other.exe"); };
    EXPECT_EQ(P(CurrentBrowserPage(reader, image)), TPair(L"https://example.org/path", L"Example Domain"));
    // A window that is gone gives nothing.
    browser.Kill();
    EXPECT_TRUE(test::WaitUntil([&] { return !::IsWindow(window); }, 5000));
    EXPECT_EQ(reader.Address(window), std::nullopt);
}

}  // namespace
}  // namespace qm

// The real sources of the open-location scan under Wine: the shell's window
// collection, DDE browsers in another process, and browser windows.
#include <gtest/gtest.h>
#include <ole2.h>

#include <map>

#include "capture/browserpages.h"
#include "capture/openlocations.h"
#include "support/process.h"

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

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

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

// Starts the stand-in browser and waits until it says it is ready.
test::Process StartFakeBrowser(const std::wstring& mode) {
    test::Process p = test::Process::Start(L"test_fakebrowser.exe", mode + L" 90");
    if (!p.Started()) return p;
    std::wstring name = L"qmtest-fakebrowser-" + std::to_wstring(p.Id());
    HANDLE ready = nullptr;
    test::WaitUntil([&] { return (ready = ::OpenEventW(SYNCHRONIZE, FALSE, name.c_str())) != nullptr; }, 15000);
    if (ready) {
        ::WaitForSingleObject(ready, 15000);
        ::CloseHandle(ready);
    }
    return p;
}

TEST(OpenLocationsDesktop, ShellWindowsFailSoftUnderWine) {
    if (!RunningUnderWine()) GTEST_SKIP() << "only Wine lacks the shell's window collection";
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
          {L"Chrome_OmniboxView", L"host/path", false},
          {L"QmAfter", L"after the stop mark", false}},
         TPair{L"http://host/path", L"Example Page"}},
        {"address with scheme",
         {{L"QmTitle", L"Secure", false}, {L"Chrome_OmniboxView", L"https://secure/x", false}},
         TPair{L"https://secure/x", L"Secure"}},
        {"blank texts are no lines",
         {{L"QmTitle", L"   ", false}, {L"QmOther", L"Real Title", false}, {L"Chrome_OmniboxView", L" host/x ", false}},
         TPair{L"http://host/x", L"Real Title"}},
        {"nothing read after the stop mark",
         {{L"Chrome_OmniboxView", L"host/path", false}, {L"QmAfter", L"after", false}},
         std::nullopt},
        {"ignorable address",
         {{L"QmTitle", L"T", false}, {L"Chrome_OmniboxView", L"about:blank", false}},
         std::nullopt},
        {"nested descendants are read through the direct child of their class",
         {{L"QmTitle", L"Direct Title", false},
          {L"QmPanel", L"", false},
          {L"Chrome_OmniboxView", L"nested/x", true},
          {L"Chrome_OmniboxView", L"direct/y", false}},
         TPair{L"http://direct/y", L"Direct Title"}},
    };
    EXPECT_FALSE(OldChromePage().has_value());  // no Chrome window at all
    for (const Case& c : cases) {
        Window chrome(L"Chrome_WidgetWin_0", L"Chrome", nullptr, false);
        ASSERT_TRUE(chrome.get()) << c.name;
        std::vector<std::unique_ptr<Window>> children;
        for (const Child& child : c.children) {
            HWND parent = child.nestedInPrevious ? children.back()->get() : chrome.get();
            children.push_back(std::make_unique<Window>(child.cls, child.text, parent));
        }
        EXPECT_EQ(P(OldChromePage()), c.expected) << c.name;
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

TEST(OpenLocationsDesktop, CurrentBrowserWindows) {
    {
        Window chrome(L"Chrome_WidgetWin_1", L"Example Domain - Google Chrome", nullptr);
        Window hidden(L"Chrome_WidgetWin_1", L"Hidden - Google Chrome", nullptr, false);
        Window untitled(L"Chrome_WidgetWin_1", L"", nullptr);
        Window other(L"QmNotABrowser", L"Other - Google Chrome", nullptr);
        FakeAddressBox reader;
        reader.answers[chrome.get()] = L"example.org/path";
        reader.answers[hidden.get()] = L"hidden.example/";
        reader.answers[untitled.get()] = L"untitled.example/";
        reader.answers[other.get()] = L"other.example/";
        EXPECT_EQ(P(CurrentBrowserPage(reader)), TPair(L"http://example.org/path", L"Example Domain"));
        EXPECT_EQ(reader.asked, std::vector<HWND>{chrome.get()});
        // An old Chrome window goes first.
        Window old(L"Chrome_WidgetWin_0", L"Chrome", nullptr, false);
        Window title(L"QmTitle", L"Old Page", old.get());
        Window omnibox(L"Chrome_OmniboxView", L"old.example/", old.get());
        EXPECT_EQ(P(BrowserWindowPage(reader)), TPair(L"http://old.example/", L"Old Page"));
    }
    {
        // A window whose address box cannot be read gives way to the next one.
        Window firefox(L"MozillaWindowClass", L"Mozilla Page \u2014 Mozilla Firefox", nullptr);
        Window edge(L"Chrome_WidgetWin_1", L"Edge Page - Microsoft\u200B Edge", nullptr);
        FakeAddressBox reader;
        reader.answers[firefox.get()] = L"https://mozilla.example/";
        EXPECT_EQ(P(CurrentBrowserPage(reader)), TPair(L"https://mozilla.example/", L"Mozilla Page"));
        // The first readable window decides: an empty address box gives nothing.
        reader.answers[edge.get()] = L"";
        reader.answers[firefox.get()] = L"";
        EXPECT_EQ(P(CurrentBrowserPage(reader)), std::nullopt);
    }
}

TEST(OpenLocationsDesktop, UiAutomationReadsAddressBoxOfAnotherProcess) {
    OleSession ole;
    test::Process browser = StartFakeBrowser(L"window");
    ASSERT_TRUE(browser.Started());
    HWND window = test::WaitForWindow(L"Chrome_WidgetWin_1", browser.Id(), 15000);
    ASSERT_TRUE(window);
    TUiaAddressBoxReader reader;
    std::optional<std::wstring> address = reader.Address(window);
    std::optional<TLocationPair> page = CurrentBrowserPage(reader);
    if (RunningUnderWine()) {
        // Wine 8 registers no UI Automation client object (the object cannot be
        // created): the reader gives nothing, and the query goes on without a
        // browser-window page instead of failing or hanging.
        EXPECT_EQ(address, std::nullopt);
        EXPECT_EQ(P(page), std::nullopt);
    } else {
        EXPECT_EQ(address, L"example.org/path");
        EXPECT_EQ(P(page), TPair(L"http://example.org/path", L"Example Domain"));
    }
}

}  // namespace
}  // namespace qm

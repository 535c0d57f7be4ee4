// The browsers' session files: Chromium's command log and Firefox's mozLz4
// JSON, written here by the test writers; damaged files; where they are found;
// and the record the tabs make.
#include "capture/browsersessions.h"

#include <gtest/gtest.h>

#include <random>

#include "base/files.h"
#include "capture/recorder.h"
#include "support/fakecapture.h"
#include "support/sessionwriters.h"
#include "support/tempdir.h"

namespace qm {
namespace {

using Tabs = std::vector<std::pair<std::wstring, std::wstring>>;

std::vector<Tabs> Flat(const TSessionWindows& windows) {
    std::vector<Tabs> out;
    for (const auto& w : windows) {
        out.emplace_back();
        for (const TSessionTab& t : w) out.back().emplace_back(t.url, t.title);
    }
    return out;
}

// Two windows with three tabs, written the way a browser appends to its log:
// out of order, with a tab moved and one gone back in its history; and what a
// session also holds but must not be recorded.
std::string TwoWindowsThreeTabs() {
    test::SnssWriter w;
    w.TabWindow(1, 10)
        .TabIndex(10, 1)
        .Navigation(10, 0, "https://b.example/old", L"Old B")
        .Navigation(10, 1, "https://b.example/", L"B \u00E9t\u00E9")
        .SelectedNavigation(10, 1);
    w.TabWindow(1, 11)
        .TabIndex(11, 0)
        .Navigation(11, 0, "https://a.example/", L"A")
        .Navigation(11, 1, "https://a.example/next", L"Next")
        .SelectedNavigation(11, 0);
    w.TabWindow(2, 20).TabIndex(20, 0).Navigation(20, 0, "http://c.example/page", L"");
    // A closed tab, a tab that shows no web page, a pop-up window, a closed window.
    w.TabWindow(1, 12).TabIndex(12, 2).Navigation(12, 0, "https://closed.example/", L"Closed").TabClosed(12);
    w.TabWindow(1, 13).TabIndex(13, 3).Navigation(13, 0, "chrome://newtab/", L"New Tab");
    w.TabWindow(3, 30).WindowType(3, 1).Navigation(30, 0, "https://popup.example/", L"Pop-up");
    w.TabWindow(4, 40).Navigation(40, 0, "https://gone.example/", L"Gone").WindowClosed(4);
    w.Command(21, std::string(5, 'x'));  // a command this reader does not know
    return w.Bytes();
}

TEST(BrowserSessions, ChromiumSessionGivesEveryOpenTabInOrder) {
    auto windows = ParseSnss(TwoWindowsThreeTabs());
    ASSERT_TRUE(windows);
    EXPECT_EQ(Flat(*windows),
              (std::vector<Tabs>{{{L"https://a.example/", L"A"}, {L"https://b.example/", L"B \u00E9t\u00E9"}},
                                 {{L"http://c.example/page", L"http://c.example/page"}}}));
    EXPECT_TRUE(ParseSnss(test::SnssWriter(1).Bytes()));  // the older version, empty
}

TEST(BrowserSessions, FirefoxSessionLeavesPrivateWindowsOut) {
    std::string file = test::MozLz4(
        test::FirefoxSessionJson({{{{"https://one.example/", "One"}, {"https://two.example/x?q=1", "Two"}}, false},
                                  {{{"https://secret.example/", "Secret"}}, true},
                                  {{{"about:preferences", "Settings"}, {"https://three.example/", ""}}, false}}));
    std::optional<std::string> json = DecodeMozLz4(file);
    ASSERT_TRUE(json);
    auto windows = ParseFirefoxSession(*json);
    ASSERT_TRUE(windows);
    EXPECT_EQ(Flat(*windows),
              (std::vector<Tabs>{{{L"https://one.example/", L"One"}, {L"https://two.example/x?q=1", L"Two"}},
                                 {{L"https://three.example/", L"https://three.example/"}}}));
}

TEST(BrowserSessions, DamagedFilesGiveNothing) {
    std::string snss = TwoWindowsThreeTabs();
    std::string moz = test::MozLz4(test::FirefoxSessionJson({{{{"https://one.example/", "One"}}, false}}));
    struct Case {
        const char* name;
        bool firefox;
        std::string bytes;
    };
    std::string badSize = moz;
    badSize[8] = static_cast<char>(badSize[8] + 1);  // the header's size disagrees with the block
    const Case cases[] = {
        {"empty", false, ""},
        {"another mark", false, "SNSX" + snss.substr(4)},
        {"an unknown version", false, snss.substr(0, 4) + std::string("\x07\0\0\0", 4) + snss.substr(8)},
        {"cut inside a command", false, snss.substr(0, snss.size() - 3)},
        {"cut inside a command's size", false, snss.substr(0, 9)},
        {"a command of no size", false, snss.substr(0, 8) + std::string(2, '\0')},
        {"a navigation whose address runs past its end", false,
         test::SnssWriter().Command(6, std::string("\x10\0\0\0\x01\0\0\0\0\0\0\0\xFF\xFF\0\0", 16)).Bytes()},
        {"no mozLz4 mark", true, "mozLz41" + moz.substr(7)},
        {"mozLz4 cut short", true, moz.substr(0, moz.size() - 4)},
        {"mozLz4 with a wrong size", true, badSize},
        {"mozLz4 of no JSON", true, test::MozLz4("{\"windows\": [")},
        {"mozLz4 of JSON without windows", true, test::MozLz4("[1,2]")},
    };
    for (const Case& c : cases) {
        if (c.firefox) {
            std::optional<std::string> json = DecodeMozLz4(c.bytes);
            EXPECT_FALSE(json && ParseFirefoxSession(*json)) << c.name;
        } else {
            EXPECT_FALSE(ParseSnss(c.bytes)) << c.name;
        }
    }
}

// A few thousand damaged copies of each file: none crashes the reader or
// gives anything but web pages.
TEST(BrowserSessions, MutatedFilesNeverCrash) {
    std::mt19937 random(22);
    const std::string files[] = {
        TwoWindowsThreeTabs(),
        test::MozLz4(
            test::FirefoxSessionJson({{{{"https://one.example/", "One"}, {"https://two.example/", "Two"}}, false},
                                      {{{"https://s/", "S"}}, true}})),
    };
    int parsed = 0;
    for (int f = 0; f < 2; ++f) {
        for (int round = 0; round < 2500; ++round) {
            std::string bytes = files[f];
            int edits = 1 + static_cast<int>(random() % 4);
            for (int e = 0; e < edits && !bytes.empty(); ++e) {
                size_t at = random() % bytes.size();
                switch (random() % 4) {
                    case 0: bytes[at] = static_cast<char>(random()); break;
                    case 1: bytes.resize(at); break;
                    case 2: bytes.insert(at, 1, static_cast<char>(random())); break;
                    default: bytes.erase(at, 1 + random() % 8); break;
                }
            }
            std::optional<TSessionWindows> windows;
            if (f == 0) {
                windows = ParseSnss(bytes);
            } else if (std::optional<std::string> json = DecodeMozLz4(bytes)) {
                windows = ParseFirefoxSession(*json);
            }
            if (!windows) continue;
            ++parsed;
            for (const auto& w : *windows)
                for (const TSessionTab& t : w) EXPECT_TRUE(t.url.rfind(L"http", 0) == 0);
        }
    }
    EXPECT_GT(parsed, 0);  // some mutations leave a readable file (a changed title)
}

// The profiles of the browsers as they lie on disk.
class SessionFolders : public ::testing::Test {
protected:
    test::TempDir local, roaming;
    std::wstring Write(const std::wstring& path, const std::string& bytes) {
        CreateFolderTree(path.substr(0, path.rfind(L'\\')));
        test::WriteBytes(path, bytes);
        return path;
    }
    static std::wstring Installed(const std::wstring& program) {
        return program == L"vivaldi.exe" ? std::wstring() : L"C:\\Browsers\\" + program;
    }
};

TEST_F(SessionFolders, NewestSessionOfEveryProfileAndTheFirefoxRecoveryFile) {
    std::string snss = TwoWindowsThreeTabs();
    std::wstring chrome = local / L"Google\\Chrome\\User Data";
    Write(chrome + L"\\Default\\Sessions\\Session_100", snss);
    std::wstring newest = Write(chrome + L"\\Default\\Sessions\\Session_200", snss);
    FILETIME later{};
    later.dwHighDateTime = 0x7FFFFFF;
    {
        HANDLE h = ::CreateFileW(newest.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ::SetFileTime(h, nullptr, nullptr, &later);
        ::CloseHandle(h);
    }
    Write(chrome + L"\\Default\\Sessions\\Tabs_200", snss);
    std::wstring old = Write(chrome + L"\\Profile 2\\Current Session", snss);
    Write(chrome + L"\\System Profile\\Current Session", snss);  // no profile of a user
    std::wstring vivaldi = Write(local / L"Vivaldi\\User Data\\Default\\Sessions\\Session_1", snss);
    std::wstring opera = Write(roaming / L"Opera Software\\Opera Stable\\Sessions\\Session_5", snss);
    std::wstring fox =
        Write(roaming / L"Mozilla\\Firefox\\Profiles\\ab.default\\sessionstore-backups\\recovery.jsonlz4",
              test::MozLz4(test::FirefoxSessionJson({{{{"https://one.example/", "One"}}, false}})));
    std::vector<TSessionSource> sources = FindSessionSources(local.Path(), roaming.Path(), Installed);
    ASSERT_EQ(sources.size(), 5u);
    EXPECT_EQ(sources[0].file, newest);
    EXPECT_EQ(sources[0].browser, L"C:\\Browsers\\chrome.exe");
    EXPECT_EQ(sources[1].file, old);
    EXPECT_EQ(sources[2].file, vivaldi);
    EXPECT_EQ(sources[2].browser, L"");  // not installed
    EXPECT_EQ(sources[3].file, opera);
    EXPECT_EQ(sources[4].file, fox);
    EXPECT_TRUE(sources[4].firefox);

    // Windows count on per browser; each tab knows its window and place.
    std::vector<TLocationPair> pages = SessionPages({sources[0], sources[1], sources[4]});
    ASSERT_EQ(pages.size(), 7u);
    EXPECT_EQ(pages[0].location, L"https://a.example/");
    EXPECT_EQ(pages[0].tab, (TBrowserTab{L"C:\\Browsers\\chrome.exe", 1, 0}));
    EXPECT_EQ(pages[1].tab, (TBrowserTab{L"C:\\Browsers\\chrome.exe", 1, 1}));
    EXPECT_EQ(pages[2].tab, (TBrowserTab{L"C:\\Browsers\\chrome.exe", 2, 0}));
    EXPECT_EQ(pages[3].tab, (TBrowserTab{L"C:\\Browsers\\chrome.exe", 3, 0}));  // the second profile
    EXPECT_EQ(pages[6].tab, (TBrowserTab{L"C:\\Browsers\\firefox.exe", 1, 0}));
    EXPECT_FALSE(SessionPages({sources[2]})[0].tab);  // no browser to open it in: a plain page
}

TEST_F(SessionFolders, RecordHoldsEveryTabWithItsPlace) {
    TRecordModel model;
    TRecordOptions options;
    options.webpage = true;
    options.filterPCStart = false;
    test::FakeImages images;
    test::FakeApps apps;
    test::FakeLocations locations;
    test::FakeRecordHost host;
    TRecorder recorder(model, options, images, L"C:\\no-documents-here");
    recorder.SetHost(&host, &host);
    recorder.SetSources(&apps, &locations, local.Path(), roaming / L"links");
    recorder.classify = [](std::wstring&, std::wstring&) { return 0; };
    std::wstring file = Write(local / L"s\\Session_1", TwoWindowsThreeTabs());
    locations.pages = SessionPages({{L"C:\\Browsers\\chrome.exe", file, false}});
    recorder.Record({});
    std::vector<std::tuple<std::wstring, std::wstring, int, int>> tabs;  // address, title, window, place
    model.all.ForEachNode([&](const TTreeNode* n) {
        const TMyDoc& d = model.items.At(n->Index());
        if (d.extras.tab) tabs.emplace_back(d.path, d.title, d.extras.tab->window, d.extras.tab->index);
    });
    std::sort(tabs.begin(), tabs.end(), [](const auto& a, const auto& b) {
        return std::make_pair(std::get<2>(a), std::get<3>(a)) < std::make_pair(std::get<2>(b), std::get<3>(b));
    });
    using T = std::tuple<std::wstring, std::wstring, int, int>;
    EXPECT_EQ(tabs,
              (std::vector<T>{T{L"https://a.example/", L"A", 1, 0}, T{L"https://b.example/", L"B \u00E9t\u00E9", 1, 1},
                              T{L"http://c.example/page", L"http://c.example/page", 2, 0}}));
    // Turned off, the pages are recorded without their browser and place.
    options.recordAllTabs = false;
    recorder.Record({});
    model.all.ForEachNode([&](const TTreeNode* n) { EXPECT_FALSE(model.items.At(n->Index()).extras.tab); });
}

}  // namespace
}  // namespace qm

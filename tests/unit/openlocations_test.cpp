#include "capture/openlocations.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include "capture/browserpages.h"

namespace qm {
namespace {

using TPair = std::pair<std::wstring, std::wstring>;
TPair P(const TLocationPair& p) { return {p.location, p.title}; }

// E: and G: are removable, C: is fixed, nothing else exists.
UINT FakeDriveType(const std::wstring& root) {
    if (root == L"E:\\" || root == L"G:\\") return DRIVE_REMOVABLE;
    if (root == L"C:\\") return DRIVE_FIXED;
    return DRIVE_NO_ROOT_DIR;
}

class FakeShellWindows : public IShellWindowList {
public:
    explicit FakeShellWindows(std::vector<std::optional<TShellWindow>> windows) : windows_(std::move(windows)) {}
    int Count() override { return static_cast<int>(windows_.size()); }
    std::optional<TShellWindow> Item(int index) override { return windows_.at(static_cast<size_t>(index)); }

private:
    std::vector<std::optional<TShellWindow>> windows_;
};

class FakeBrowserPages : public IBrowserPages {
public:
    explicit FakeBrowserPages(std::vector<TLocationPair> pages) : pages_(std::move(pages)) {}
    std::vector<TLocationPair> Query() override {
        ++queries;
        return pages_;
    }
    int queries = 0;

private:
    std::vector<TLocationPair> pages_;
};

TShellWindow Folder(const std::wstring& url) { return {url, true, std::nullopt}; }
TShellWindow Page(const std::wstring& url, std::optional<std::wstring> title) { return {url, true, std::move(title)}; }

struct ScanRun {
    std::vector<TLocationPair> locations;
    int browserQueries = 0;
    int pumps = 0;
};

ScanRun RunScan(std::vector<std::optional<TShellWindow>> windows, bool wantWebPages,
                std::vector<TLocationPair> browserPages = {}) {
    auto browser = std::make_unique<FakeBrowserPages>(std::move(browserPages));
    FakeBrowserPages* seen = browser.get();
    TOpenLocationScan scan(std::make_unique<FakeShellWindows>(std::move(windows)), std::move(browser), FakeDriveType);
    ScanRun run;
    run.locations.push_back({L"stale", L"from before"});  // the scan starts from an empty list
    scan.Scan(wantWebPages, run.locations, [&] { ++run.pumps; });
    run.browserQueries = seen->queries;
    return run;
}

TEST(OpenLocations, OneShellWindowGivesOnePair) {
    struct Case {
        std::wstring url;
        std::optional<std::wstring> documentTitle;
        TLocationPair expected;
    };
    const Case cases[] = {
        {L"file:///C:/Users/me/My%20Projects", {}, {L"C:\\Users\\me\\My Projects", L"My Projects"}},
        {L"FILE:///C:/Data/report%20x", {}, {L"C:\\Data\\report x", L"report x"}},
        // "%25" is the percent sign itself and is decoded first.
        {L"file:///C:/a%2520b", {}, {L"C:\\a b", L"a b"}},
        {L"file:///C:/100%25", {}, {L"C:\\100%", L"100%"}},
        {L"  file:///C:/Padded  ", {}, {L"C:\\Padded", L"Padded"}},
        // A root: the display name of the folder path, labelled when removable.
        {L"file:///E:/", {}, {L"E:\\", L"Removable Disk (E:)"}},
        {L"file:///C:/", {}, {L"C:\\", L"C:"}},
        // Network folders keep the whole path as their title.
        {L"file://host/share/dir", {}, {L"\\\\host\\share\\dir", L"\\\\host\\share\\dir"}},
        {L"file://host/share/my%20dir", {}, {L"\\\\host\\share\\my dir", L"\\\\host\\share\\my dir"}},
        // Web pages: the document's title, or the address when there is none.
        {L"http://example.com/a", L"Example A", {L"http://example.com/a", L"Example A"}},
        {L"http://example.com/b", std::nullopt, {L"http://example.com/b", L"http://example.com/b"}},
        {L"http://example.com/c", L"", {L"http://example.com/c", L"http://example.com/c"}},
        {L"http://example.com/?q=100%25", L"Q", {L"http://example.com/?q=100%", L"Q"}},
        // A page titled like a drive root is not taken for the drive.
        {L"http://example.com/e", L"E: news", {L"http://example.com/e", L"E: news"}},
    };
    for (const Case& c : cases) {
        ScanRun run = RunScan({Page(c.url, c.documentTitle)}, true);
        ASSERT_EQ(run.locations.size(), 1u) << testing::PrintToString(c.url);
        EXPECT_EQ(P(run.locations[0]), P(c.expected)) << testing::PrintToString(c.url);
    }
}

TEST(OpenLocations, WindowsThatShowNothingWorthRecordingAreLeftOut) {
    const std::optional<TShellWindow> cases[] = {
        std::nullopt,                                  // no web browser object
        TShellWindow{L"", true, L"empty address"},     // nothing loaded
        TShellWindow{L"file:///C:/Data", false, {}},   // no document yet
        TShellWindow{L"about:blank", true, L"Blank"},  // ignorable pages
        TShellWindow{L"  ABOUT:Tabs ", true, L"Tabs"},
        TShellWindow{L"about:home", true, L"Home"},
        TShellWindow{L"http://", true, L"Nothing"},
        TShellWindow{L"https://", true, L"Nothing"},
    };
    for (const auto& window : cases) {
        ScanRun run = RunScan({window}, true);
        EXPECT_TRUE(run.locations.empty()) << (window ? testing::PrintToString(window->locationUrl) : "no item");
        EXPECT_EQ(run.pumps, 1);
    }
}

TEST(OpenLocations, SameFolderInTwoWindowsGivesOnePair) {
    ScanRun run = RunScan({Folder(L"file:///C:/Data/Work"), Folder(L"file:///c:/data/WORK"), Page(L"http://x/", L"X"),
                           Page(L"HTTP://X/", L"X again")},
                          true);
    ASSERT_EQ(run.locations.size(), 2u);
    EXPECT_EQ(P(run.locations[0]), TPair(L"C:\\Data\\Work", L"Work"));
    EXPECT_EQ(P(run.locations[1]), TPair(L"http://x/", L"X"));
    EXPECT_EQ(run.pumps, 4);  // once per window, also for the ones left out
}

TEST(OpenLocations, WithoutWebPagesOnlyFoldersAndNoBrowserQuery) {
    std::vector<std::optional<TShellWindow>> windows = {Page(L"http://example.com/", L"Example"),
                                                        Folder(L"file:///C:/Data"), Folder(L"file://host/share")};
    ScanRun run = RunScan(windows, false, {{L"http://browser/", L"Browser"}});
    ASSERT_EQ(run.locations.size(), 2u);
    EXPECT_EQ(run.locations[0].location, L"C:\\Data");
    EXPECT_EQ(run.locations[1].location, L"\\\\host\\share");
    EXPECT_EQ(run.browserQueries, 0);
}

TEST(OpenLocations, BrowserPagesAreAppendedAsTheyAre) {
    // The browser's pairs are not tested again: an ignorable address or a
    // location the shell windows gave already stays.
    std::vector<TLocationPair> browser = {
        {L"http://a/b", L"Page B"}, {L"about:blank", L"Blank"}, {L"C:\\Data", L"Dup"}};
    ScanRun run = RunScan({Folder(L"file:///C:/Data")}, true, browser);
    ASSERT_EQ(run.locations.size(), 4u);
    EXPECT_EQ(P(run.locations[0]), TPair(L"C:\\Data", L"Data"));
    for (size_t i = 0; i < browser.size(); ++i) EXPECT_EQ(P(run.locations[i + 1]), P(browser[i]));
    EXPECT_EQ(run.browserQueries, 1);
}

TEST(OpenLocations, IgnorableAddresses) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"", true},
        {L"   ", true},
        {L"http://", true},
        {L"https://", true},
        {L"about:blank", true},
        {L" About:Blank ", true},
        {L"ABOUT:TABS", true},
        {L"about:home", true},
        {L"http://a", false},
        {L"https://a/", false},
        {L"about:config", false},
        {L"about:blank#x", false},
        {L"example.org", false},
    };
    for (auto [address, ignorable] : cases) EXPECT_EQ(IsIgnorableAddress(address), ignorable) << address;
}

TEST(OpenLocations, RemovableDiskLabels) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"E:", L"Removable Disk (E:)"},
        {L"E:\\", L"Removable Disk (E:)"},
        {L"e:", L"Removable Disk (e:)"},
        {L"G:", L"Removable Disk (G:)"},
        {L"C:", L"C:"},  // a fixed drive
        {L"F:", L"F:"},  // no drive
        {L"E: news", L"E: news"},
        {L"E:\\Photos", L"E:\\Photos"},
        {L"E", L"E"},
        {L"", L""},
        {L"My Projects", L"My Projects"},
    };
    for (auto [title, label] : cases) EXPECT_EQ(RemovableDiskLabel(title, FakeDriveType), label) << title;
}

TEST(OpenLocations, RemovableDriveRootsFromBToZ) {
    std::vector<std::wstring> asked;
    auto types = [&](const std::wstring& root) -> UINT {
        asked.push_back(root);
        return root == L"A:\\" || root == L"D:\\" || root == L"Z:\\" ? DRIVE_REMOVABLE : FakeDriveType(root);
    };
    EXPECT_EQ(RemovableDriveRoots(types), (std::vector<std::wstring>{L"D:\\", L"E:\\", L"G:\\", L"Z:\\"}));
    ASSERT_EQ(asked.size(), 25u);
    EXPECT_EQ(asked.front(), L"B:\\");
    EXPECT_EQ(asked.back(), L"Z:\\");
}

// A document object answering "title" as a method, as a property only, or not at all.
class FakeDocument : public IDispatch {
public:
    enum Kind { Method, PropertyOnly, NoTitle, Failing, Number };
    explicit FakeDocument(Kind kind) : kind_(kind) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (kind_ == NoTitle || count != 1 || lstrcmpiW(names[0], L"title") != 0) return DISP_E_UNKNOWNNAME;
        ids[0] = 42;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (id != 42 || !params || params->cArgs != 0 || !result) return DISP_E_MEMBERNOTFOUND;
        if (kind_ == Failing) return E_FAIL;
        if (kind_ == PropertyOnly && !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (kind_ == Number) {
            result->vt = VT_I4;
            result->lVal = 7;
            return S_OK;
        }
        result->vt = VT_BSTR;
        result->bstrVal = ::SysAllocString(L"Page \u00E4");
        return S_OK;
    }

private:
    Kind kind_;
};

TEST(OpenLocations, DocumentTitleCall) {
    const std::pair<FakeDocument::Kind, std::optional<std::wstring>> cases[] = {
        {FakeDocument::Method, L"Page \u00E4"}, {FakeDocument::PropertyOnly, L"Page \u00E4"},
        {FakeDocument::Number, L"7"},           {FakeDocument::NoTitle, std::nullopt},
        {FakeDocument::Failing, std::nullopt},
    };
    for (const auto& [kind, expected] : cases) {
        FakeDocument document(kind);
        EXPECT_EQ(DocumentTitle(&document), expected) << kind;
    }
    EXPECT_EQ(DocumentTitle(nullptr), std::nullopt);
}

}  // namespace
}  // namespace qm

// The main window created in the test process, with a settings store and a
// record folder of its own.
#include "app/mainwindow.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

#include "app/commands.h"
#include "app/menus.h"
#include "app/product.h"
#include <dbt.h>
#include "base/files.h"
#include "base/listfile.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "capture/openlocations.h"
#include "records/treefile.h"
#include "support/fakebrowser.h"
#include "support/fakecapture.h"
#include "support/tempdir.h"
#include "support/testservers.h"
#include "gui/mainwindowfixture.h"
#include "ui/window.h"

namespace qm {
namespace {

using namespace test;
using MainWindowTest = TMainWindowFixture;

// A tree item's text, with "+" after it when markExpanded and it is expanded.
std::wstring ItemText(HWND tv, HTREEITEM it, bool markExpanded = false) {
    wchar_t text[64] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_STATE;
    item.hItem = it;
    item.pszText = text;
    item.cchTextMax = 64;
    item.stateMask = TVIS_EXPANDED;
    TreeView_GetItem(tv, &item);
    return std::wstring(text) + (markExpanded && (item.state & TVIS_EXPANDED) ? L"+" : L"");
}

std::vector<std::wstring> TopTexts(HWND tv, bool markExpanded = false) {
    std::vector<std::wstring> out;
    for (HTREEITEM it = TreeView_GetRoot(tv); it; it = TreeView_GetNextSibling(tv, it))
        out.push_back(ItemText(tv, it, markExpanded));
    return out;
}

// A click on the record at index, as the list tells the window of it.
void ClickRecord(TQuilmarWindow& window, int index) {
    HWND list = window.RecordList().Handle();
    ::SendMessageW(list, LB_SETSEL, FALSE, -1);
    ::SendMessageW(list, LB_SETSEL, TRUE, index);
    ::SendMessageW(list, LB_SETCARETINDEX, index, FALSE);
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list));
}

TEST_F(MainWindowTest, FreshStartUsesTheDefaultBoundsAndLayout) {
    Open();
    int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    RECT r = Bounds();
    EXPECT_EQ(r.right - r.left, 520);
    EXPECT_EQ(r.bottom - r.top, sh - 60);
    EXPECT_EQ(r.left, sw - 520 - 15);
    EXPECT_EQ(r.top, sh - (sh - 60) - 40);
    EXPECT_FALSE(window->MenuBarShown());
    EXPECT_EQ(::GetMenu(window->Handle()), nullptr);
    EXPECT_FALSE(window->StatusBarShown());
    EXPECT_TRUE(window->RecordListShown());
    RECT list{};
    ::GetWindowRect(window->RecordList().Handle(), &list);
    EXPECT_EQ(list.right - list.left, 120);
    EXPECT_EQ(window->StatusText(0), L"No Items Selected.");
    wchar_t caption[32] = {};
    ::GetWindowTextW(window->Handle(), caption, 32);
    EXPECT_STREQ(caption, L"QuilMar 3.0");
}

TEST_F(MainWindowTest, StoredBoundsStickingOutAreShrunkNotMoved) {
    int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    store->User().WriteInteger(keys::kSectionDefault, keys::Left, sw - 300);
    store->User().WriteInteger(keys::kSectionDefault, keys::Top, sh - 200);
    store->User().WriteInteger(keys::kSectionDefault, keys::Width, 700);
    store->User().WriteInteger(keys::kSectionDefault, keys::Height, 900);
    Open();
    RECT r = Bounds();
    EXPECT_EQ(r.left, sw - 300);
    EXPECT_EQ(r.top, sh - 200);
    EXPECT_EQ(r.right, sw);
    EXPECT_EQ(r.bottom, sh);
}

TEST_F(MainWindowTest, MaximisedAtCloseOpensMaximised) {
    Open();
    ::SendMessageW(window->Handle(), WM_EXITSIZEMOVE, 0, 0);  // the end of a move stores the normal bounds
    ::ShowWindow(window->Handle(), SW_MAXIMIZE);
    // The close comes once the window shows maximised, as a user's would: the
    // display driver is not asked to take a window away while it maps it.
    for (int i = 0; i < 100 && !(::IsZoomed(window->Handle()) && ::IsWindowVisible(window->Handle())); ++i) {
        PumpPendingMessages();
        ::Sleep(10);
    }
    PumpPendingMessages();
    ::SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(store->User().ReadInteger(keys::kSectionDefault, keys::WindStateInd, 1), 0);
    EXPECT_EQ(store->User().ReadInteger(keys::kSectionDefault, keys::Width, 0), 520);  // the last normal bounds stay
    window.reset();
    Open();
    EXPECT_TRUE(::IsZoomed(window->Handle()));
}

TEST_F(MainWindowTest, StoredRecordIndexSelectsAndLoadsThatRecord) {
    WriteRecord(L"Dec 01,2026_001", Item("first", "C:\\first", 2));
    WriteRecord(L"Dec 02,2026_001", Item("second", "C:\\second", 2) + Item("third", "C:\\third", 3));
    struct Case {
        int stored;
        int cursor;
        int nodes;
    };
    for (Case c : {Case{1, 1, 2}, Case{0, 0, 1}, Case{5, -1, 0}, Case{-1, -1, 0}}) {
        store->User().WriteInteger(keys::kSectionDefault, keys::LbRECs, c.stored);
        Open();
        EXPECT_EQ(window->RecordList().Count(), 2);
        EXPECT_EQ(window->RecordList().Cursor(), c.cursor) << c.stored;
        EXPECT_EQ(window->Model().all.TopCount(), c.nodes) << c.stored;
        EXPECT_EQ(TreeView_GetCount(window->TreeView(0).Handle()), static_cast<UINT>(c.nodes));
        window.reset();
    }
}

TEST_F(MainWindowTest, TreesMirrorTheModelInOrderWithExpansionAndCategories) {
    WriteRecord(L"Dec 01,2026_001",
                Item("notepad", "C:\\windows\\notepad.exe", 2,
                     (Item("b.txt", "C:\\b.txt", 2) + Item("a.txt", "C:\\a.txt", 2)).c_str()) +
                    Item("Docs", "C:\\Docs", 3) +
                    Item("example.com", "example.com", 1, Item("Page", "http://example.com/", 1).c_str()));
    ASSERT_TRUE(WriteListFile(JoinPath(records, L"Dec 01,2026_001.quilmartreesel"), {L"0", L"1", L"0"}));
    Open();
    HWND tv = window->TreeView(0).Handle();
    EXPECT_EQ(TopTexts(tv, true), (std::vector<std::wstring>{L"Docs", L"example.com+", L"notepad"}));
    HTREEITEM notepad = TreeView_GetNextSibling(tv, TreeView_GetNextSibling(tv, TreeView_GetRoot(tv)));
    // A collapsed node's children go on screen when it is first expanded.
    EXPECT_EQ(TreeView_GetChild(tv, notepad), nullptr);
    window->TreeView(0).Expand(window->Model().all.Top(2), true);
    EXPECT_EQ(ItemText(tv, TreeView_GetChild(tv, notepad)), L"a.txt");
    window->TreeView(0).Expand(window->Model().all.Top(2), false);
    // A category tree is built when it is first needed.
    for (int tab : {1, 2, 3}) window->TreeView(tab).ExpandAll(true);
    EXPECT_EQ(TreeView_GetCount(window->TreeView(1).Handle()), 3u);
    EXPECT_EQ(TreeView_GetCount(window->TreeView(2).Handle()), 1u);
    EXPECT_EQ(TreeView_GetCount(window->TreeView(3).Handle()), 2u);
    EXPECT_TRUE(window->Model().WebPageTabVisible());

    // Collapsing by hand writes the expansion file.
    TreeView_Expand(tv, TreeView_GetNextSibling(tv, TreeView_GetRoot(tv)), TVE_COLLAPSE);
    TDocTree& all = window->Model().all;
    window->Records().NodeExpansionChanged(all.Top(1), false);
    EXPECT_EQ(ReadListFile(JoinPath(records, L"Dec 01,2026_001.quilmartreesel")).value(),
              (std::vector<std::wstring>{L"0", L"0", L"0"}));
}

// Each tab's tree shows the record loaded last once it is shown, whichever tab
// was shown at the load; the shown tab's tree follows adds while the window is
// hidden too.
TEST_F(MainWindowTest, EveryTabShowsTheRecordLoadedLast) {
    WriteRecord(L"Dec 01,2026_001", Item("alpha", "C:\\apps\\alpha.exe", 2));
    WriteRecord(L"Dec 02,2026_001", Item("beta", "C:\\apps\\beta.exe", 2) + Item("gamma", "C:\\apps\\gamma.exe", 2));
    Open();
    auto tops = [&](int tab) { return TopTexts(window->TreeView(tab).Handle()); };
    auto click = [&](int index) {
        ClickRecord(*window, index);
        Settle();
    };
    const std::vector<std::wstring> first{L"alpha"}, second{L"beta", L"gamma"};
    EXPECT_EQ(tops(0), first);
    window->SelectTab(1);
    EXPECT_EQ(tops(1), first);
    click(1);
    EXPECT_EQ(tops(1), second);
    window->SelectTab(0);
    EXPECT_EQ(tops(0), second);
    click(0);
    EXPECT_EQ(tops(0), first);
    window->SelectTab(1);
    EXPECT_EQ(tops(1), first);
    window->SelectTab(0);

    ::ShowWindow(window->Handle(), SW_HIDE);
    std::wstring file = dir / L"added while hidden.exe";
    ASSERT_TRUE(WriteFileReplacing(file, "MZ"));
    ::SendMessageW(window->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({file})), 0);
    EXPECT_EQ(tops(0).size(), 2u);
    EXPECT_EQ(static_cast<size_t>(window->Model().all.TopCount()), 2u);
}

TEST_F(MainWindowTest, MultipleSelectionWithCtrlAndShiftEscapeAndCtrlA) {
    WriteRecord(L"Dec 01,2026_001", Item("a", "C:\\a", 2) + Item("b", "C:\\b", 2, Item("b1", "C:\\b1", 2).c_str()) +
                                        Item("c", "C:\\c", 2) + Item("d", "C:\\d", 2));
    Open();
    TDocTreeView& view = window->TreeView(0);
    TDocTree& all = window->Model().all;
    auto texts = [&] {
        std::vector<std::wstring> out;
        for (TTreeNode* n : all.SelectedNodes()) out.push_back(n->Text());
        return out;
    };
    auto shownSelected = [&](TTreeNode* n) {
        return (TreeView_GetItemState(view.Handle(), static_cast<HTREEITEM>(n->viewItem), TVIS_SELECTED) &
                TVIS_SELECTED) != 0;
    };
    view.ClickSelect(all.Top(2), false, false);
    view.ClickSelect(all.Top(0), true, false);
    EXPECT_EQ(texts(), (std::vector<std::wstring>{L"c", L"a"}));  // in the order chosen
    EXPECT_TRUE(shownSelected(all.Top(2)));
    EXPECT_TRUE(shownSelected(all.Top(0)));
    view.ClickSelect(all.Top(0), true, false);  // Ctrl toggles
    EXPECT_EQ(texts(), std::vector<std::wstring>{L"c"});
    view.ClickSelect(all.Top(3), false, true);  // Shift takes the range from the anchor (the last Ctrl click)
    EXPECT_EQ(texts(), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
    view.ClickSelect(all.Top(2), false, false);
    view.ClickSelect(all.Top(3), false, true);
    EXPECT_EQ(texts(), (std::vector<std::wstring>{L"c", L"d"}));
    ::SendMessageW(view.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(texts().empty());
    EXPECT_FALSE(shownSelected(all.Top(2)));
    view.SelectTopLevelAndChildren();
    EXPECT_EQ(texts().size(), 5u);
}

TEST_F(MainWindowTest, ViewTogglesKeepBothMenusInStepAndStoreTheirKeys) {
    Open();
    struct Case {
        unsigned command;
        const wchar_t* key;
        bool (TQuilmarWindow::*shown)() const;
    };
    const Case cases[] = {{CmMenuBar, keys::MenuBar1, &TQuilmarWindow::MenuBarShown},
                          {CmStatusBar, keys::StatusBar1, &TQuilmarWindow::StatusBarShown},
                          {CmRecordList, keys::RecordList1, &TQuilmarWindow::RecordListShown}};
    for (const auto& c : cases) {
        bool before = (window.get()->*c.shown)();
        window->RunCommand(c.command);
        bool after = (window.get()->*c.shown)();
        EXPECT_NE(before, after);
        EXPECT_EQ(store->User().ReadBool(keys::kSectionDefault, c.key, before), after);
        EXPECT_EQ(MenuChecked(window->MainMenu(), c.command), after);
    }
    EXPECT_EQ(::GetMenu(window->Handle()), window->MainMenu());  // the menu bar is on now
    EXPECT_FALSE(::IsWindowVisible(window->RecordList().Handle()));
    EXPECT_EQ(MenuCaption(window->MainMenu(), CmRecordList), L"Record List");
}

TEST_F(MainWindowTest, TextSizeIsStoredAndReselectsTheRecord) {
    WriteRecord(L"Dec 01,2026_001", Item("a", "C:\\a", 2) + Item("b", "C:\\b", 2));
    Open();
    TDocTree& all = window->Model().all;
    all.Remove(all.Top(0));
    ASSERT_EQ(all.TopCount(), 1);
    window->RunCommand(CmTextLarger);
    EXPECT_EQ(window->TextSize(), 12);
    EXPECT_EQ(store->User().ReadInteger(keys::kSectionDefault, keys::curTextSize, 0), 12);
    EXPECT_EQ(all.TopCount(), 2);  // loaded again from the record file
    EXPECT_TRUE(MenuChecked(window->MainMenu(), CmTextLarger));
    EXPECT_FALSE(MenuChecked(window->MainMenu(), CmTextSmaller));
}

TEST_F(MainWindowTest, RunValueFollowsTheSetting) {
    Open();
    auto present = [&] {
        return ::RegQueryValueExW(runKey, L"QuilMar", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    };
    window->Settings().record.runWhenWindowsStarts = true;
    window->ApplySettings();
    ASSERT_TRUE(present());
    wchar_t data[512] = {};
    DWORD size = sizeof(data);
    ::RegQueryValueExW(runKey, L"QuilMar", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    EXPECT_EQ(std::wstring(data), L"\"" + ModuleFolder() + L"quilmar.exe\" /run");
    window->Settings().record.runWhenWindowsStarts = false;
    window->ApplySettings();
    EXPECT_FALSE(present());
}

// Clicks a check box of the settings dialog and confirms it, from a timer that
// runs inside the dialog's modal loop.
struct SettingsDriver {
    static inline int clickId = 0;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND dlg = ::FindWindowW(L"#32770", L"Settings");
        if (!dlg) return;
        ::KillTimer(nullptr, id);
        ::SendMessageW(::GetDlgItem(dlg, clickId), BM_CLICK, 0, 0);
        ::PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    }
};

TEST_F(MainWindowTest, SettingsDialogWritesAndDeletesTheRunValue) {
    Open();
    auto present = [&] {
        return ::RegQueryValueExW(runKey, L"QuilMar", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    };
    SettingsDriver::clickId = TFrmMySettings::kIdCbRunWhenWS;
    for (bool expected : {true, false}) {
        ::SetTimer(nullptr, 0, 100, &SettingsDriver::Tick);
        EXPECT_TRUE(window->RunSettingsCommand());
        EXPECT_EQ(present(), expected);
        EXPECT_EQ(store->User().ReadBool(keys::kSectionDefault, keys::CbRunWhenWS, !expected), expected);
    }
}

TEST_F(MainWindowTest, SettingsDialogAlwaysOnTopIsTakenAndStored) {
    Open();
    SettingsDriver::clickId = TFrmMySettings::kIdAlwaysontop1;
    ::SetTimer(nullptr, 0, 100, &SettingsDriver::Tick);
    ASSERT_TRUE(window->RunSettingsCommand());
    // (Wine without a window manager keeps no top-most state to read back.)
    EXPECT_TRUE(window->Settings().record.alwaysOnTop);
    EXPECT_TRUE(store->User().ReadBool(keys::kSectionDefault, keys::Alwaysontop1, false));
}

TEST_F(MainWindowTest, RecordListKeysAndMenuEntries) {
    WriteRecord(L"Dec 01,2026_001", Item("a", "C:\\a", 2));
    WriteRecord(L"Dec 02,2026_001", Item("b", "C:\\b", 2));
    Open();
    HWND list = window->RecordList().Handle();
    ::SendMessageW(list, LB_SETSEL, FALSE, -1);
    // Ctrl+A in the list selects every entry.
    BYTE keysState[256] = {};
    ::GetKeyboardState(keysState);
    keysState[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keysState);
    ::SendMessageW(window->Handle(), WM_VKEYTOITEM, MAKEWPARAM('A', 0), reinterpret_cast<LPARAM>(list));
    keysState[VK_CONTROL] = 0;
    ::SetKeyboardState(keysState);
    EXPECT_EQ(window->RecordList().Selected().size(), 2u);
    // A third record appears after F5.
    WriteRecord(L"Dec 03,2026_001", Item("c", "C:\\c", 2));
    ::SendMessageW(window->Handle(), WM_VKEYTOITEM, MAKEWPARAM(VK_F5, 0), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(window->RecordList().Count(), 3);
    // "Replay all when windows start" stores its key.
    window->RunCommand(CmReplayAtStart);
    EXPECT_TRUE(store->User().ReadBool(keys::kSectionDefault, keys::MnRunSelectedRecs, false));
    EXPECT_TRUE(window->Settings().record.runSelectedRecs);
}

TEST_F(MainWindowTest, HoverShowsTitleAndLocationInTheStatusBar) {
    WriteRecord(L"Dec 01,2026_001", Item("notepad", "C:\\windows\\notepad.exe", 2));
    Open();
    HWND tv = window->TreeView(0).Handle();
    RECT r{};
    TreeView_GetItemRect(tv, TreeView_GetRoot(tv), &r, TRUE);
    ::SendMessageW(tv, WM_MOUSEMOVE, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    EXPECT_EQ(window->StatusText(0), L"   Title : notepad");
    EXPECT_EQ(window->StatusText(1), L" Location : C:\\windows\\notepad.exe");
}

// ---- Recording through the window -----------------------------------------------

void ClickRecordButton(HWND window) {
    HWND button = ::FindWindowExW(window, nullptr, L"Button", L"&Record");
    ASSERT_NE(button, nullptr);
    ::SendMessageW(button, BM_CLICK, 0, 0);
}

TEST_F(MainWindowTest, FirstStartRecordsAndScanAndAddRecordsTheDesktop) {
    Open();
    EXPECT_EQ(RecordNames(records).size(), 1u);  // the first record of an empty folder
    std::wstring editor = dir / L"editor \u00E9.exe";
    ASSERT_TRUE(WriteFileReplacing(editor, "MZ"));
    apps.apps = {{editor, L"Editor"}};
    ClickRecordButton(window->Handle());
    PumpPendingMessages();
    ASSERT_EQ(RecordNames(records).size(), 2u);
    TRecordModel saved;
    ReadTreeFile(JoinPath(records, RecordNames(records).back() + L".quilmar"), saved);
    EXPECT_TRUE(TreeHasPath(saved, editor));
    // The window shows the new record with the recorded program selected.
    ASSERT_EQ(window->Model().all.TopCount(), 1);
    EXPECT_EQ(window->Model().all.Top(0)->Text(), L"Editor");
    EXPECT_TRUE(window->Model().all.Top(0)->Selected());
    EXPECT_EQ(window->Recorder().LastRecordedPath(), editor);
}

// "file:///C:/a%20b" for "C:\a b", as the shell writes a folder's address.
std::wstring FileUrl(const std::wstring& path) {
    return L"file:///" + ReplaceAll(ReplaceAll(path, L"\\", L"/"), L" ", L"%20");
}

// The item of a node of the record with that path, ignoring case and a trailing "\".
const TMyDoc* ItemWithPath(const TRecordModel& model, const std::wstring& path) {
    auto key = [](const std::wstring& p) {
        return ToLower(p.size() > 3 && p.back() == L'\\' ? p.substr(0, p.size() - 1) : p);
    };
    const TMyDoc* found = nullptr;
    model.all.ForEachNode([&](TTreeNode* n) {
        if (!found && key(model.items.At(n->Index()).path) == key(path)) found = &model.items.At(n->Index());
    });
    return found;
}

TEST_F(MainWindowTest, RecordOfTheRealDesktopSourcesThroughTheTestServers) {
    if (!test::RunningUnderWine()) GTEST_SKIP() << "the test servers stand in for what Wine lacks";
    HRESULT ole = ::OleInitialize(nullptr);
    // Five windows of the shell's collection.
    std::wstring foreign = dir / L"\u00DCbersicht \u65E5\u672C", projects = dir / L"My Projects";
    std::wstring share = L"\\\\quilmartest\\share\\Record Team";
    ASSERT_TRUE(CreateFolderTree(foreign));
    ASSERT_TRUE(CreateFolderTree(projects));
    ASSERT_TRUE(CreateFolderTree(share)) << "scripts/test makes the share \\\\quilmartest\\share";
    using W = test::TFakeShellWindow;
    test::TRegisteredTestServer shellWindows(test::kShellWindowsClass), automation(test::kUiAutomationClass);
    ASSERT_TRUE(shellWindows.Ok() && automation.Ok());
    test::TFakeShellWindows fake({{W::Folder, FileUrl(foreign), L""},
                                  {W::Folder, FileUrl(projects), L""},
                                  {W::Folder, L"file://quilmartest/share/Record%20Team", L""},
                                  {W::Page, L"http://example.test/news/today.html", L"Today's News"},
                                  {W::Page, L"about:blank", L"Blank"}});
    // A browser, and in front of it a code editor and a mail program built on
    // the browser engines, each with an address-like text in its edit field.
    const test::TFakeWindowShape chromeShape{L"Chrome_WidgetWin_1", L"Example Domain - Google Chrome",
                                             L"example.org/path"};
    const test::TFakeWindowShape editorShape{L"Chrome_WidgetWin_1", L"main.cpp - Visual Studio Code",
                                             L"editor.example/src/main.cpp"};
    const test::TFakeWindowShape mailShape{L"MozillaWindowClass", L"Inbox - Mozilla Thunderbird",
                                           L"mail.example/inbox"};
    test::Process chrome = test::StartFakeBrowser(L"window", dir / L"Chrome\\chrome.exe", &chromeShape);
    test::Process editor = test::StartFakeBrowser(L"window", dir / L"Code\\Code.exe", &editorShape);
    test::Process mail = test::StartFakeBrowser(L"window", dir / L"Thunderbird\\thunderbird.exe", &mailShape);
    ASSERT_TRUE(chrome.Started() && editor.Started() && mail.Started());
    ASSERT_TRUE(test::WaitForWindow(L"Chrome_WidgetWin_1", chrome.Id(), 15000));
    ASSERT_TRUE(test::WaitForWindow(L"Chrome_WidgetWin_1", editor.Id(), 15000));
    ASSERT_TRUE(test::WaitForWindow(L"MozillaWindowClass", mail.Id(), 15000));

    store->User().WriteBool(keys::kSectionDefault, keys::CbWebpage, true);
    Open();
    TOpenLocationScan realLocations;  // the real shell collection and browser query
    window->SetCaptureSources(&apps, &realLocations, recent.Path());
    ClickRecordButton(window->Handle());
    PumpPendingMessages();
    ASSERT_EQ(RecordNames(records).size(), 2u);

    const TRecordModel& shown = window->Model();
    const std::pair<std::wstring, std::wstring> expected[] = {
        {foreign, L"\u00DCbersicht \u65E5\u672C"},
        {projects, L"My Projects"},
        {share, share},
        {L"http://example.test/news/today.html", L"Today's News"},
        {L"https://example.org/path", L"Example Domain"},
    };
    TRecordModel saved;
    ASSERT_EQ(ReadTreeFile(JoinPath(records, RecordNames(records).back() + L".quilmar"), saved), TTreeLoad::Loaded);
    for (const auto& [path, title] : expected) {
        const TMyDoc* item = ItemWithPath(shown, path);
        ASSERT_NE(item, nullptr) << WideToUtf8(path);
        EXPECT_EQ(item->title, title) << WideToUtf8(path);
        EXPECT_NE(ItemWithPath(saved, path), nullptr) << WideToUtf8(path);
    }
    // Nothing else: not the blank page, nor the editor's or the mail program's text.
    std::vector<std::wstring> paths;
    saved.all.ForEachNode([&](TTreeNode* n) { paths.push_back(ToLower(saved.items.At(n->Index()).path)); });
    for (const std::wstring& p : paths) {
        EXPECT_EQ(p.find(L"about:"), std::wstring::npos);
        EXPECT_EQ(p.find(L"editor.example"), std::wstring::npos);
        EXPECT_EQ(p.find(L"mail.example"), std::wstring::npos);
    }
    // Both pages are on the "Web Page" tab, grouped by their hosts.
    std::vector<std::wstring> hosts;
    for (const auto& n : shown.doc.TopNodes()) hosts.push_back(n->Text());
    EXPECT_EQ(hosts, (std::vector<std::wstring>{L"example.org", L"example.test"}));
    window.reset();
    if (SUCCEEDED(ole)) ::OleUninitialize();
}

// Answers the record-type dialog from inside its modal loop.
struct RecordTypeDriver {
    static inline std::wstring name;  // empty: cancel
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND dlg = ::FindWindowW(L"#32770", L"Running Record Action");
        if (!dlg) return;
        ::KillTimer(nullptr, id);
        if (name.empty()) {
            ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        ::SetWindowTextW(::GetDlgItem(dlg, TFrmRecordType::kIdEdtRename), name.c_str());
        ::SendMessageW(::GetDlgItem(dlg, TFrmRecordType::kIdCbWebpage), BM_CLICK, 0, 0);
        ::PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    }
};

TEST_F(MainWindowTest, RecordTypeDialogNamesTheRecordOrCancelsIt) {
    Open();
    window->Settings().record.showSettingsWhenRecord = true;
    size_t before = RecordNames(records).size();
    apps.apps = {{dir / L"tool.exe", L"Tool"}};
    WriteFileReplacing(dir / L"tool.exe", "MZ");

    RecordTypeDriver::name.clear();
    ::SetTimer(nullptr, 0, 100, &RecordTypeDriver::Tick);
    ClickRecordButton(window->Handle());
    EXPECT_EQ(RecordNames(records).size(), before);  // cancelled: nothing recorded

    bool webpage = window->Settings().record.webpage;
    RecordTypeDriver::name = L"Chosen \u4E2D";
    ::SetTimer(nullptr, 0, 100, &RecordTypeDriver::Tick);
    ClickRecordButton(window->Handle());
    std::vector<std::wstring> names = RecordNames(records);
    EXPECT_NE(std::find(names.begin(), names.end(), L"Chosen \u4E2D"), names.end());
    // The dialog's values are the settings now, and stored.
    EXPECT_EQ(window->Settings().record.webpage, !webpage);
    EXPECT_EQ(store->User().ReadBool(keys::kSectionDefault, keys::CbWebpage, webpage), !webpage);
    for (const wchar_t* key : {keys::CbRecrodRecentDocument, keys::tbRecRecentDoc, keys::CbFilterPCStart,
                               keys::cbDisplayPCStartFilterList, keys::CbShowSettingsWhenRecord, keys::RgRecordType})
        EXPECT_NE(store->User().ReadString(keys::kSectionDefault, key, L"missing"), L"missing") << key;
}

TEST_F(MainWindowTest, DroppedFilesAreAddedOnceAndSaved) {
    WriteRecord(L"Dec 01,2026_001", Item("notepad", "C:\\windows\\notepad.exe", 2));
    Open();
    std::wstring file = dir / L"dropped \u00FC.bin";
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    ::SendMessageW(window->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({file})), 0);
    EXPECT_TRUE(TreeHasPath(window->Model(), file));
    TRecordModel saved;
    ReadTreeFile(JoinPath(records, L"Dec 01,2026_001.quilmar"), saved);
    EXPECT_TRUE(TreeHasPath(saved, file));
    int nodes = window->Model().all.NodeCount();
    // Dropped again: only selected.
    window->TreeView(0).DeselectAll();
    ::SendMessageW(window->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({file})), 0);
    EXPECT_EQ(window->Model().all.NodeCount(), nodes);
    auto selected = window->Model().all.SelectedNodes();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_TRUE(EqualsNoCase(window->Model().items.At(selected[0]->Index()).path, file));
}

// ---- The busy guard: input that arrives while a record operation runs -------------

TEST_F(MainWindowTest, InputDuringARecordRunIsTakenAfterItAndNeverWritesTheOldRecord) {
    WriteRecord(L"Dec 01,2026_001", Item("notepad", "C:\\windows\\notepad.exe", 2));
    Open();
    const std::wstring old = JoinPath(records, L"Dec 01,2026_001.quilmar");
    const std::string before = ReadFileBytes(old).value();
    std::wstring dropped = dir / L"dropped \u00FC.bin";
    std::wstring handed = dir / L"handed \u4E2D.bin";
    ASSERT_TRUE(WriteFileReplacing(dropped, "x"));
    ASSERT_TRUE(WriteFileReplacing(handed, "y"));
    std::wstring editor = dir / L"editor.exe";
    ASSERT_TRUE(WriteFileReplacing(editor, "MZ"));
    apps.apps = {{editor, L"Editor"}};
    bool busyDuringScan = false;
    apps.duringScan = [&] {
        busyDuringScan = window->Busy().Busy();
        HWND w = window->Handle();
        ::SendMessageW(w, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({dropped})), 0);
        ::SendMessageW(w, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
        ASSERT_TRUE(WriteListFile(HandoffFilePath(), {handed}));
        COPYDATASTRUCT cds{0, sizeof(kHandoffPayload), const_cast<char*>(kHandoffPayload)};
        EXPECT_EQ(::SendMessageW(w, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 1);
        // The hand-off file is read before the answer: a third copy may replace it now.
        ASSERT_TRUE(WriteListFile(HandoffFilePath(), {L"C:\\not\\handed.txt"}));
        // Nothing of it reached the model while the run rebuilds it.
        EXPECT_FALSE(TreeHasPath(window->Model(), dropped));
    };
    window->RunCommand(CmRecord);
    apps.duringScan = nullptr;
    Settle();
    EXPECT_TRUE(busyDuringScan);
    EXPECT_EQ(ReadFileBytes(old).value(), before);
    ASSERT_EQ(RecordNames(records).size(), 2u);
    TRecordModel saved;
    ReadTreeFile(NewestRecord(records), saved);
    EXPECT_TRUE(TreeHasPath(saved, editor));
    EXPECT_TRUE(TreeHasPath(saved, dropped));
    EXPECT_TRUE(TreeHasPath(saved, handed));
    EXPECT_FALSE(TreeHasPath(saved, L"C:\\not\\handed.txt"));
}

TEST_F(MainWindowTest, ARecordListClickDuringARunIsTakenAfterIt) {
    WriteRecord(L"Dec 01,2026_001", Item("old one", "C:\\old\\one.exe", 2));
    WriteRecord(L"Dec 02,2026_001", Item("old two", "C:\\old\\two.exe", 2));
    store->User().WriteInteger(keys::kSectionDefault, keys::LbRECs, 1);
    Open();
    const std::string first = ReadFileBytes(JoinPath(records, L"Dec 01,2026_001.quilmar")).value();
    std::wstring editor = dir / L"editor.exe";
    ASSERT_TRUE(WriteFileReplacing(editor, "MZ"));
    apps.apps = {{editor, L"Editor"}};
    // The user clicks the first record while the run goes on.
    apps.duringScan = [&] { ClickRecord(*window, 0); };
    window->RunCommand(CmRecord);
    apps.duringScan = nullptr;
    // The run saved its new record, not the clicked one.
    EXPECT_EQ(ReadFileBytes(JoinPath(records, L"Dec 01,2026_001.quilmar")).value(), first);
    ASSERT_EQ(RecordNames(records).size(), 3u);
    Settle();
    // Then the click is taken: the first record is selected and shown.
    ASSERT_GE(window->RecordList().Cursor(), 0);
    EXPECT_EQ(window->RecordList().Text(window->RecordList().Cursor()), L"Dec 01,2026_001");
    ASSERT_EQ(window->Model().all.TopCount(), 1);
    EXPECT_EQ(window->Model().all.Top(0)->Text(), L"old one");
}

TEST_F(MainWindowTest, ASecondRecordOrReplayDuringARunIsRefused) {
    Open();
    int runs = 0;
    apps.duringScan = [&] {
        ++runs;
        window->RunCommand(CmRecord);  // refused: the run is under way
    };
    size_t before = RecordNames(records).size();
    window->RunCommand(CmRecord);
    apps.duringScan = nullptr;
    Settle();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(RecordNames(records).size(), before + 1);
}

// A settings file that refuses every write (a folder stands in its place) does
// not keep the window open, and the settings command still applies.
TEST_F(MainWindowTest, RefusedSettingsWritesNeverKeepTheWindowOpen) {
    for (bool viaExit : {false, true}) {
        Open();
        std::wstring ini = store->User().Path();
        ASSERT_TRUE(::DeleteFileW(ini.c_str()));
        ASSERT_TRUE(CreateFolderTree(ini));
        HWND hwnd = window->Handle();
        if (viaExit) {
            window->RunCommand(CmExit);
            Settle();
        } else {
            ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
        }
        EXPECT_FALSE(::IsWindow(hwnd)) << viaExit;
        window.reset();
        ::RemoveDirectoryW(ini.c_str());
        // The next window starts as on a fresh machine.
        store->User().WriteString(keys::kSectionDefault, keys::EdtRECPath, records);
        store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenRecord, false);
        MSG m;
        while (::PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
}

TEST_F(MainWindowTest, RefusedCommonSettingsStillShowAndApplyTheSettingsDialog) {
    Open();
    std::wstring common = store->Common().Path();
    ::DeleteFileW(common.c_str());
    ASSERT_TRUE(CreateFolderTree(common));
    auto present = [&] {
        return ::RegQueryValueExW(runKey, L"QuilMar", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    };
    SettingsDriver::clickId = TFrmMySettings::kIdCbRunWhenWS;
    ::SetTimer(nullptr, 0, 100, &SettingsDriver::Tick);
    EXPECT_TRUE(window->RunSettingsCommand());
    EXPECT_TRUE(present());  // applied although the "openwindow" write was refused
    EXPECT_EQ(window->StatusText(0), L"Unable to write to " + common);
    ::RemoveDirectoryW(common.c_str());
}

// Types a folder into the settings dialog's path field (when given), leaves
// the field and cancels, from inside the dialog's modal loop.
struct CancelDriver {
    static inline std::wstring typed;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND dlg = ::FindWindowW(L"#32770", L"Settings");
        if (!dlg || !::IsWindowVisible(dlg)) return;
        ::KillTimer(nullptr, id);
        HWND edit = ::GetDlgItem(dlg, TFrmMySettings::kIdEdtRecordPath);
        if (!typed.empty()) {
            ::SendMessageW(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
            ::SetWindowTextW(edit, typed.c_str());
            ::SendMessageW(dlg, WM_NEXTDLGCTL, 0, FALSE);  // leaves the field
        }
        ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    }
};

// Cancelling a folder change and closing the dialog again leaves the list and
// the store naming the same folder.
TEST_F(MainWindowTest, SettingsDialogLeavesListAndStoreOnOneFolder) {
    WriteRecord(L"Dec 01,2026_001", Item("a", "C:\\a", 2));
    Open();
    test::TempDir other;
    ASSERT_TRUE(WriteFileReplacing(other / L"elsewhere.quilmar", "<quilmartree/>"));
    CancelDriver::typed = other.Path();
    ::SetTimer(nullptr, 0, 100, &CancelDriver::Tick);
    EXPECT_FALSE(window->RunSettingsCommand());
    EXPECT_EQ(window->RecordList().Count(), 1);  // the other folder is listed while in use
    CancelDriver::typed.clear();
    ::SetTimer(nullptr, 0, 100, &CancelDriver::Tick);
    EXPECT_FALSE(window->RunSettingsCommand());
    std::vector<std::wstring> listed;
    for (int i = 0; i < window->RecordList().Count(); ++i) listed.push_back(window->RecordList().Text(i));
    std::vector<std::wstring> inFolder = RecordNames(window->Records().RecordFolder());
    EXPECT_EQ(listed, inFolder) << WideToUtf8(window->Records().RecordFolder());
    EXPECT_TRUE(EqualsNoCase(window->Records().RecordFolder(), records));
}

TEST_F(MainWindowTest, TheWindowHasTheProgramIcon) {
    Open();
    EXPECT_NE(::GetClassLongPtrW(window->Handle(), GCLP_HICON), 0);
    EXPECT_NE(::SendMessageW(window->Handle(), WM_GETICON, ICON_SMALL, 0), 0);
}

}  // namespace
}  // namespace qm

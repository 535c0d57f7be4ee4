// The startup filter and Smart Record through the real main window: helper
// programs of the test's own started by a Run value and a Startup shortcut of
// the test's own keys and folders; Smart Record's ticks on the fake desktop of
// the fixture, through the window's own timer and message handler.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/commands.h"
#include "base/effects.h"
#include "base/files.h"
#include "capture/runningapps.h"
#include "gui/dialogscript.h"
#include "gui/mainwindowfixture.h"
#include "support/fakebrowser.h"
#include "support/shortcuts.h"
#include "support/startkeys.h"

namespace qm {
namespace {

using test::TMainWindowFixture;

// The helpers stand-in windows: the stand-in browser copied under names of their own.
test::Process StartHelper(const std::wstring& path, const wchar_t* cls) {
    test::TFakeWindowShape shape{cls, std::wstring(cls) + L" Window", L""};
    if (IsExistingFile(path)) {
        // A second window of the same program: the copy is running already.
        test::Process p = test::Process::Start(path, L"window 90 \"" + shape.cls + L"\" \"" + shape.title + L"\" \"\"");
        test::WaitForWindow(cls, p.Id(), 15000);
        return p;
    }
    return test::StartFakeBrowser(L"window", path, &shape);
}

std::vector<std::wstring> RowLocations(TFilterList& list) {
    std::vector<std::wstring> rows;
    for (int i = 0; i < list.List().Count(); ++i) rows.push_back(ToLower(list.List().Text(i, 1)));
    return rows;
}

bool FileHolds(const std::wstring& file, const std::wstring& text) {
    std::optional<std::string> bytes = ReadFileBytes(file);
    return bytes && ToLower(Utf8ToWide(*bytes)).find(ToLower(text)) != std::wstring::npos;
}

class StartupFilterTest : public TMainWindowFixture {
protected:
    test::TStartKeys keys;
    test::TempDir progs;
    std::wstring runner = progs / L"qmhelperrun.exe", linked = progs / L"qmhelperlink.exe";
    std::unique_ptr<TRunningApplicationScan> scan;

    // The window records the live desktop, with the test's startup entries.
    void OpenOnTheDesktop() {
        store->User().WriteBool(keys::kSectionDefault, keys::cbDisplayPCStartFilterList, true);
        Open();
        window->StartupPrograms().SetPlaces(keys.Places());
        scan = std::make_unique<TRunningApplicationScan>(window->StartupPrograms());
        window->SetCaptureSources(scan.get(), &locations, recent.Path());
    }
    void TearDown() override {
        window.reset();
        TMainWindowFixture::TearDown();
    }
};

TEST_F(StartupFilterTest, StartupProgramsAreLeftOutListedOnceAndRecordedWithTheFilterOff) {
    test::Process run1 = StartHelper(runner, L"QmHelperRun");
    test::Process run2 = StartHelper(runner, L"QmHelperRun");  // one program, two windows
    test::Process link = StartHelper(linked, L"QmHelperLink");
    ASSERT_TRUE(run1.Started() && run2.Started() && link.Started());
    keys.WriteString(TStartScope::User, L"Helper", L"\"" + runner + L"\" -minimized");
    ASSERT_TRUE(test::MakeShortcut(keys.userFolder / L"Helper Link.lnk", linked));
    OpenOnTheDesktop();

    window->RecordOperation(true);
    EXPECT_FALSE(test::TreeHasPath(window->Model(), runner));
    EXPECT_FALSE(test::TreeHasPath(window->Model(), linked));
    std::vector<std::wstring> rows = RowLocations(window->FilterList());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::wstring>{ToLower(linked), ToLower(runner)}));
    EXPECT_TRUE(window->FilterList().Shown());
    EXPECT_EQ(window->FilterList().List().ColumnCaption(0), L"Title");
    EXPECT_EQ(window->FilterList().List().ColumnCaption(1), L"Location");

    window->Settings().record.filterPCStart = false;
    window->RecordOperation(true);
    EXPECT_TRUE(test::TreeHasPath(window->Model(), runner));
    EXPECT_TRUE(test::TreeHasPath(window->Model(), linked));
    EXPECT_EQ(window->FilterList().List().Count(), 0);  // a new recording empties the list
}

TEST_F(StartupFilterTest, AddToRecordAndADropOnTheAllTreeRecordTheRowsAndSave) {
    {
        test::Process run = StartHelper(runner, L"QmHelperRun");
        test::Process link = StartHelper(linked, L"QmHelperLink");
        keys.WriteString(TStartScope::User, L"Helper", L"\"" + runner + L"\" -minimized");
        ASSERT_TRUE(test::MakeShortcut(keys.userFolder / L"Helper Link.lnk", linked));
        OpenOnTheDesktop();
        window->RecordOperation(true);
        ASSERT_EQ(window->FilterList().List().Count(), 2);
    }  // the helpers end; their rows stay
    std::wstring record = test::NewestRecord(records);
    TReportList& list = window->FilterList().List();
    std::wstring first = list.Text(0, 1), second = list.Text(1, 1);

    list.SelectOnly(0);
    window->RunCommand(CmAddToRecord);
    test::Settle();
    EXPECT_TRUE(test::TreeHasPath(window->Model(), first));
    EXPECT_FALSE(test::TreeHasPath(window->Model(), second));
    EXPECT_TRUE(FileHolds(record, first));

    // The second row dragged onto the All tree.
    list.SelectOnly(1);
    window->SelectTab(0);
    RECT tree{};
    ::GetWindowRect(window->TreeView(0).Handle(), &tree);
    POINT at{(tree.left + tree.right) / 2, (tree.top + tree.bottom) / 2};
    ASSERT_EQ(::WindowFromPoint(at), window->TreeView(0).Handle());
    ::ScreenToClient(window->Handle(), &at);
    list.onBeginDrag();
    ::SendMessageW(window->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    test::Settle();
    EXPECT_TRUE(test::TreeHasPath(window->Model(), second));
    EXPECT_TRUE(FileHolds(record, second));
}

TEST_F(StartupFilterTest, TheListsMenuOpensWhatItListsAndItsCloseButtonHidesIt) {
    size_t count = 0;
    const TMenuEntry* entries = MenuTable(TMenuTable::FilterStartup, count);
    std::vector<std::wstring> captions;
    for (size_t i = 0; i < count; ++i) captions.push_back(entries[i].caption ? entries[i].caption : L"-");
    EXPECT_EQ(captions,
              (std::vector<std::wstring>{L"Add to Record", L"Open", L"Open container Folder", L"-", L"Settings..."}));

    ASSERT_TRUE(WriteFileReplacing(linked, "x"));
    test::FakeApps startup;
    startup.startupRows = {{L"Helper Link", linked}};
    store->User().WriteBool(keys::kSectionDefault, keys::cbDisplayPCStartFilterList, true);
    Open();
    window->SetCaptureSources(&startup, &locations, recent.Path());
    window->RecordOperation(true);
    ASSERT_EQ(window->FilterList().List().Count(), 1);
    window->FilterList().List().SelectOnly(0);
    std::vector<std::wstring> calls;
    TEffectsOverride effects({[&](HWND, const std::wstring& verb, const std::wstring& file, const std::wstring&, int) {
                                  calls.push_back(verb + L" " + ToLower(file));
                                  return reinterpret_cast<HINSTANCE>(42);
                              },
                              [](const std::string&, UINT) { return 33u; },
                              [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDOK; }});
    window->RunCommand(CmFilterOpenFolder);
    window->RunCommand(CmFilterOpen);
    test::Settle();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_NE(calls[0].find(ToLower(FolderOf(linked))), std::wstring::npos) << WideToUtf8(calls[0]);
    EXPECT_NE(calls.back().find(ToLower(linked)), std::wstring::npos) << WideToUtf8(calls.back());

    HWND close = ::GetDlgItem(window->Handle(), TFilterList::kIdClose);
    ASSERT_TRUE(test::Visible(close));
    ::SendMessageW(close, BM_CLICK, 0, 0);
    EXPECT_FALSE(window->FilterList().Shown());
    EXPECT_FALSE(test::Visible(close));
}

// ---- Smart Record -------------------------------------------------------------------------

class SmartRecordTest : public TMainWindowFixture {
protected:
    void OpenAsking(bool ask, int interval = 3) {
        store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenRecordSmart, ask);
        store->User().WriteInteger(keys::kSectionDefault, keys::tbRecordInterval, interval);
        apps.apps = {{L"C:\\windows\\system32\\notepad.exe", L"Notepad"}};
        Open();
        record = test::NewestRecord(records);
    }
    void ClickSmartRecord() {
        ::SendMessageW(window->CommandBar().SmartRecordBox(), BM_CLICK, 0, 0);
        test::Settle();
    }
    void Tick() { ::SendMessageW(window->Handle(), WM_TIMER, TQuilmarWindow::kTimerContinueRecord, 0); }
    bool StoredOn() { return store->User().ReadBool(keys::kSectionDefault, keys::cbSmartRecord, false); }
    HTREEITEM ShownRoot() { return TreeView_GetRoot(window->TreeView(0).Handle()); }
    struct TFileState {
        std::optional<std::string> bytes;
        FILETIME written{};
        bool operator==(const TFileState& o) const {
            return bytes == o.bytes && ::CompareFileTime(&written, &o.written) == 0;
        }
    };
    TFileState FileState() {
        TFileState s;
        s.bytes = ReadFileBytes(record);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (::GetFileAttributesExW(record.c_str(), GetFileExInfoStandard, &data)) s.written = data.ftLastWriteTime;
        return s;
    }
    std::wstring record;
};

TEST_F(SmartRecordTest, ANewProgramIsSavedAsOneNewNodeWithinTwoTicksOfTheTimer) {
    OpenAsking(false, 3);
    int before = window->Model().all.TopCount();
    ClickSmartRecord();
    ASSERT_TRUE(window->SmartRecord().On());
    EXPECT_TRUE(StoredOn());
    EXPECT_EQ(window->SmartRecord().TimerMilliseconds(), 3000u);
    EXPECT_TRUE(window->CommandBar().IntervalPanelShown());
    EXPECT_EQ(window->CommandBar().IntervalCaption(), L"Record Every 3 seconds");
    EXPECT_TRUE(MenuChecked(window->MainMenu(), CmSmartRecord));
    EXPECT_EQ(window->Model().all.TopCount(), before);

    apps.apps.push_back({L"C:\\windows\\system32\\winemine.exe", L"WineMine"});
    int runs = window->SmartRecord().Runs();
    // The window's own timer: at most two ticks of 3 seconds.
    ULONGLONG deadline = ::GetTickCount64() + 6500;
    while (window->Model().all.TopCount() == before && ::GetTickCount64() < deadline) {
        PumpPendingMessages();
        ::Sleep(20);
    }
    EXPECT_LE(window->SmartRecord().Runs() - runs, 2);
    EXPECT_EQ(window->Model().all.TopCount(), before + 1);
    EXPECT_TRUE(FileHolds(record, L"winemine.exe"));
    Tick();  // nothing more is new
    EXPECT_EQ(window->Model().all.TopCount(), before + 1);

    // The trackbar moved to 60: the label, the running timer and the stored value follow.
    HWND bar = ::GetDlgItem(window->Handle(), TCommandBar::kIdInterval);
    ::SendMessageW(bar, TBM_SETPOS, TRUE, 60);
    ::SendMessageW(window->Handle(), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(window->CommandBar().IntervalCaption(), L"Record Every 60 seconds");
    EXPECT_TRUE(window->SmartRecord().TimerRunning());
    EXPECT_EQ(window->SmartRecord().TimerMilliseconds(), 60000u);
    EXPECT_EQ(store->User().ReadInteger(keys::kSectionDefault, keys::tbRecordInterval, 0), 60);
}

TEST_F(SmartRecordTest, AnIdleTickWritesNothingAndKeepsTheTrees) {
    OpenAsking(false);
    locations.pages = {{L"http://example.com/page", L"Example"}};
    window->Settings().record.webpage = true;
    ClickSmartRecord();  // the first run records the page
    ASSERT_TRUE(FileHolds(record, L"http://example.com/page"));
    TFileState saved = FileState();
    HTREEITEM root = ShownRoot();
    int runs = window->SmartRecord().Runs();
    for (int i = 0; i < 5; ++i) {
        ::Sleep(20);  // a rewrite would show in the file's time
        Tick();
    }
    EXPECT_EQ(window->SmartRecord().Runs(), runs + 5);
    EXPECT_GE(locations.pageQueries, 6);  // the browser was asked every time and answered the same page
    EXPECT_TRUE(FileState() == saved);
    EXPECT_EQ(ShownRoot(), root);
}

TEST_F(SmartRecordTest, ATickDuringALongOperationDoesNothing) {
    OpenAsking(false);
    ClickSmartRecord();
    apps.apps.push_back({L"C:\\windows\\system32\\winemine.exe", L"WineMine"});
    TFileState saved = FileState();
    for (const wchar_t* operation : {L"record load", L"deletion", L"replay", L"add items", L"search"}) {
        std::optional<TBusyGuard::TScope> busy = window->Busy().TryEnter(operation);
        ASSERT_TRUE(busy);
        int skipped = window->SmartRecord().SkippedTicks();
        Tick();
        EXPECT_EQ(window->SmartRecord().SkippedTicks(), skipped + 1) << WideToUtf8(operation);
    }
    // A real deletion of the record: its question comes while it holds the window.
    int skipped = window->SmartRecord().SkippedTicks();
    TEffectsOverride effects({{}, {}, [&](HWND, const std::wstring&, const std::wstring&, UINT) {
                                  Tick();
                                  return IDCANCEL;
                              }});
    window->RunCommand(CmRecDelete);
    test::Settle();
    EXPECT_EQ(window->SmartRecord().SkippedTicks(), skipped + 1);
    EXPECT_FALSE(test::TreeHasPath(window->Model(), L"C:\\windows\\system32\\winemine.exe"));
    EXPECT_TRUE(FileState() == saved);
    Tick();  // free again: the tick runs
    EXPECT_TRUE(test::TreeHasPath(window->Model(), L"C:\\windows\\system32\\winemine.exe"));
}

TEST_F(SmartRecordTest, TheDialogsCancelLeavesItOffAndItsConfirmStoresEveryValue) {
    OpenAsking(true, 7);
    using T = TFrmSmartRecordSettings;
    auto dialog = [this] { return window->SmartRecordDialog() ? window->SmartRecordDialog()->Handle() : nullptr; };
    test::TDialogScript::Start(dialog, {[&] {
                                   HWND d = dialog();
                                   EXPECT_EQ(test::WindowText(d), L"Smart Record Settings");
                                   EXPECT_EQ(test::WindowText(::GetDlgItem(d, T::kIdIntervalLabel)),
                                             L"Record Every 7 seconds");
                                   ::PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
                                   return true;
                               }});
    ClickSmartRecord();
    EXPECT_TRUE(test::TDialogScript::Completed());
    EXPECT_FALSE(window->SmartRecord().On());
    EXPECT_FALSE(::SendMessageW(window->CommandBar().SmartRecordBox(), BM_GETCHECK, 0, 0) == BST_CHECKED);
    EXPECT_FALSE(StoredOn());
    EXPECT_FALSE(window->CommandBar().IntervalPanelShown());

    test::TDialogScript::Start(dialog, {[&] {
                                   HWND d = dialog();
                                   ::SendMessageW(::GetDlgItem(d, T::kIdTbRecordInterval), TBM_SETPOS, TRUE, 12);
                                   ::SendMessageW(::GetDlgItem(d, T::kIdTbRecRecentDoc), TBM_SETPOS, TRUE, 9);
                                   ::SendMessageW(::GetDlgItem(d, T::kIdCbDisplayPCStartFilterList), BM_CLICK, 0, 0);
                                   ::SendMessageW(::GetDlgItem(d, T::kIdCbDoNotShowSmartSetting), BM_CLICK, 0, 0);
                                   EXPECT_TRUE(test::Visible(::GetDlgItem(d, T::kIdDonotshowHint)));
                                   ::PostMessageW(d, WM_COMMAND, IDOK, 0);
                                   return true;
                               }});
    window->RunCommand(CmSmartRecord);  // the menu item
    test::Settle();
    EXPECT_TRUE(test::TDialogScript::Completed());
    EXPECT_TRUE(window->SmartRecord().On());
    EXPECT_TRUE(StoredOn());
    EXPECT_EQ(window->SmartRecord().TimerMilliseconds(), 12000u);
    EXPECT_EQ(window->CommandBar().Interval(), 12);
    TIniFile& ini = store->User();
    EXPECT_EQ(ini.ReadInteger(keys::kSectionDefault, keys::tbRecordInterval, 0), 12);
    EXPECT_EQ(ini.ReadInteger(keys::kSectionDefault, keys::tbRecRecentDoc, 0), 9);
    EXPECT_TRUE(ini.ReadBool(keys::kSectionDefault, keys::cbDisplayPCStartFilterList, false));
    EXPECT_FALSE(ini.ReadBool(keys::kSectionDefault, keys::CbShowSettingsWhenRecordSmart, true));

    // The record command switches it off first.
    window->RunCommand(CmRecord);
    test::Settle();
    EXPECT_FALSE(window->SmartRecord().On());
    EXPECT_FALSE(StoredOn());
    EXPECT_FALSE(MenuChecked(window->MainMenu(), CmSmartRecord));
}

TEST_F(SmartRecordTest, ANormalStartLeavesItOffWhileARelaunchAndAContextMenuStartRestoreItSilently) {
    store->User().WriteBool(keys::kSectionDefault, keys::cbSmartRecord, true);
    OpenAsking(true);
    EXPECT_FALSE(window->SmartRecord().On());
    window.reset();

    store->Common().WriteInteger(keys::kSectionStatus, keys::openwindow, static_cast<int>(TReopen::SmartRecordOn));
    Open();
    EXPECT_TRUE(window->SmartRecord().On());  // no dialog although it is asked for
    EXPECT_EQ(window->SmartRecordDialog(), nullptr);
    window.reset();

    // After a "/ctmenu" hand-over the stored state comes back.
    store->Common().WriteInteger(keys::kSectionStatus, keys::openwindow, 0);
    store->User().WriteBool(keys::kSectionDefault, keys::cbSmartRecord, true);
    Open({L"/ctmenu"});
    EXPECT_TRUE(window->SmartRecord().On());
    EXPECT_EQ(window->SmartRecordDialog(), nullptr);
}

}  // namespace
}  // namespace qm

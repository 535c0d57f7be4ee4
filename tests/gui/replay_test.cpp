// "&Replay All" in the main window created in the test process: the replay
// prompt driven through the real dialog, what it stores, and the item commands
// of the trees reaching the launcher. The launcher's recogniser is replaced by
// a recorder that claims every item, so nothing is started.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <shlobj.h>
#include <wrl/client.h>

#include "app/commands.h"
#include "app/handoff.h"
#include "app/mainwindow.h"
#include "app/product.h"
#include "app/replayprompt.h"
#include "base/com.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/strings.h"
#include "gui/dialogscript.h"
#include "records/treefile.h"
#include "support/tempdir.h"
#include "ui/window.h"

namespace qm {
namespace {

using test::PressKey;
using test::TDialogScript;
using test::Visible;
using P = TfrmReplayWhenWinStart;

HWND ChildWithText(HWND parent, const std::wstring& text) {
    for (HWND h = ::GetWindow(parent, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        if (test::WindowText(h) == text) return h;
    return nullptr;
}

std::string Item(const char* text, const char* path, const char* children = nullptr) {
    std::string s = std::string("<item text=\"") + text + "\" path=\"" + path +
                    "\" imageIndex=\"0\" stateIndex=\"-1\" docType=\"2\" extand=\"" + (children ? "0" : "-1") + "\"";
    return children ? s + ">" + children + "</item>" : s + "/>";
}

// Three top-level items, seven in all.
const std::string kRecord =
    Item("a group", "C:\\gone\\a.exe", (Item("a1", "C:\\gone\\a1.txt") + Item("a2", "C:\\gone\\a2.txt")).c_str()) +
    Item("b group", "C:\\gone\\b.exe", (Item("b1", "C:\\gone\\b1.txt") + Item("b2", "C:\\gone\\b2.txt")).c_str()) +
    Item("c single", "C:\\gone\\c.txt");

class ReplayTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::unique_ptr<TSettingsStore> store;
    std::unique_ptr<TQuilmarWindow> window;
    std::wstring records = dir / L"records\\";
    std::vector<std::wstring> reached;  // "title|path" of every item that reached the launcher

    void SetUp() override {
        store = std::make_unique<TSettingsStore>(TSettingsStore::Open(dir / L"user", dir / L"common"));
        store->User().WriteString(keys::kSectionDefault, keys::EdtRECPath, records);
        ASSERT_TRUE(CreateFolderTree(records));
        ASSERT_TRUE(WriteFileReplacing(JoinPath(records, L"Dec 01,2026_001.quilmar"),
                                       "<quilmartree app=\"x\">" + kRecord + "</quilmartree>"));
    }
    void TearDown() override {
        TDialogScript::Stop();
        window.reset();
        // The window's end posts WM_QUIT, which would end the next test's dialogs at once.
        MSG m;
        while (::PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void Open(std::vector<std::wstring> args = {}) {
        TStartFlags flags = ParseStartFlags(args);
        window = std::make_unique<TQuilmarWindow>(*store, std::move(args), flags);
        window->SetRunValue(TRunValue(HKEY_CURRENT_USER, L"Software\\QuilMarTests\\Run"));
        ASSERT_TRUE(window->Create());
        window->ShowFirst(SW_SHOWNORMAL);
        TLauncherSeams& seams = window->Launcher().Seams();
        seams.recognise = [this](std::wstring& title, std::wstring& path, bool) {
            reached.push_back(title + L"|" + path);
            return 1;
        };
        seams.message = [this](HWND, const std::wstring& text) { reached.push_back(L"message " + text); };
        window->FirstRun();
        PumpPendingMessages();
    }
    HWND Prompt() const { return window && window->ReplayPrompt() ? window->ReplayPrompt()->Handle() : nullptr; }
    HWND Control(int id) const { return ::GetDlgItem(Prompt(), id); }
    void Click(int id) const { ::SendMessageW(Control(id), BM_CLICK, 0, 0); }
    std::wstring Message() const { return test::WindowText(Control(P::kIdMessage)); }
    std::wstring RecordName() const { return window->RecordList().Text(0); }
};

TEST_F(ReplayTest, PromptNamesTheCountOfTheChosenModeAndCancelReplaysNothing) {
    store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, true);
    store->User().WriteBool(keys::kSectionDefault, keys::RbReplayAllChildDoc, false);
    Open();
    ASSERT_EQ(window->Model().all.TopCount(), 3);
    std::wstring first, all, caption;
    bool firstChosen = false, hintAtStart = true, hintTicked = false, hintUnticked = true;
    TDialogScript::Start([this] { return Prompt(); }, {[&] {
                                                           caption = test::WindowText(Prompt());
                                                           first = Message();
                                                           firstChosen =
                                                               test::IsChecked(Control(P::kIdRbReplayFirstChildDoc));
                                                           hintAtStart = Visible(Control(P::kIdHint));
                                                           Click(P::kIdRbReplayAllChildDoc);
                                                           return true;
                                                       },
                                                       [&] {
                                                           all = Message();
                                                           Click(P::kIdCbDonotshow);
                                                           hintTicked = Visible(Control(P::kIdHint));
                                                           Click(P::kIdCbDonotshow);
                                                           hintUnticked = Visible(Control(P::kIdHint));
                                                           Click(P::kIdCbDonotshow);
                                                           PressKey(::GetFocus(), VK_ESCAPE);
                                                           return true;
                                                       }});
    window->RunCommand(CmReplayAll);
    EXPECT_TRUE(TDialogScript::Completed());
    EXPECT_EQ(caption, L"Replay Settings");
    EXPECT_TRUE(firstChosen);
    EXPECT_EQ(first, L"Are you sure you want to launch these 3 items in '" + RecordName() + L"'?   ");
    EXPECT_EQ(all, L"Are you sure you want to launch these 7 items in '" + RecordName() + L"'?   ");
    EXPECT_FALSE(hintAtStart);
    EXPECT_TRUE(hintTicked);
    EXPECT_FALSE(hintUnticked);
    // Cancelled: nothing replayed, both options as they were, in memory and in the file.
    EXPECT_TRUE(reached.empty());
    EXPECT_TRUE(window->Settings().record.showSettingsWhenReplay);
    EXPECT_FALSE(window->Settings().record.replayAllChildDoc);
    EXPECT_TRUE(store->User().ReadBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, false));
    EXPECT_FALSE(store->User().ReadBool(keys::kSectionDefault, keys::RbReplayAllChildDoc, true));
}

TEST_F(ReplayTest, ConfirmingWithDontShowAgainStoresItAndTheNextReplayDoesNotAsk) {
    Open();
    std::wstring hint;
    TDialogScript::Start([this] { return Prompt(); }, {[&] {
                             Click(P::kIdRbReplayAllChildDoc);
                             Click(P::kIdCbDonotshow);
                             hint = test::WindowText(Control(P::kIdHint));
                             PressKey(::GetFocus(), VK_RETURN);
                             return true;
                         }});
    window->RunCommand(CmReplayAll);
    EXPECT_TRUE(TDialogScript::Completed());
    EXPECT_EQ(hint,
              L"This window will no longer display the next operation.To reset,you can go to \"Settings\","
              L"\"Replay All\",Select \"Ask for action when Replay All\"");
    // All documents of both groups and the single item, in tree order; never a group itself.
    const std::vector<std::wstring> everything{L"a1|C:\\gone\\a1.txt", L"a2|C:\\gone\\a2.txt", L"b1|C:\\gone\\b1.txt",
                                               L"b2|C:\\gone\\b2.txt", L"c single|C:\\gone\\c.txt"};
    EXPECT_EQ(reached, everything);
    EXPECT_EQ(window->LastReplayVisits(), 7);
    TSettingsStore reread = TSettingsStore::Open(dir / L"user", dir / L"common");
    EXPECT_FALSE(reread.User().ReadBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, true));
    EXPECT_TRUE(reread.User().ReadBool(keys::kSectionDefault, keys::RbReplayAllChildDoc, false));

    // The next replay goes ahead without the prompt (a prompt would be cancelled
    // by the empty script and counted as forced).
    reached.clear();
    TDialogScript::Start([this] { return Prompt(); }, {});
    window->RunCommand(CmReplayAll);
    EXPECT_TRUE(TDialogScript::Completed());
    EXPECT_EQ(reached, everything);
}

TEST_F(ReplayTest, NoSelectedRecordReplaysNothing) {
    store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, false);
    store->User().WriteInteger(keys::kSectionDefault, keys::LbRECs, -1);
    Open();
    ASSERT_EQ(window->RecordList().Cursor(), -1);
    window->RunCommand(CmReplayAll);
    EXPECT_TRUE(reached.empty());
    EXPECT_FALSE(window->Replaying());
}

TEST_F(ReplayTest, StartedAtWindowsStartReplaysTheStoredRecordOnce) {
    store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, false);
    store->User().WriteBool(keys::kSectionDefault, keys::MnRunSelectedRecs, true);
    // The first-run step replays with the real launcher: the record's paths are
    // all on drive C and gone, so nothing starts and, at Windows start, nothing
    // is reported either.
    window = std::make_unique<TQuilmarWindow>(*store, std::vector<std::wstring>{L"/run"}, ParseStartFlags({L"/run"}));
    window->SetRunValue(TRunValue(HKEY_CURRENT_USER, L"Software\\QuilMarTests\\Run"));
    ASSERT_TRUE(window->Create());
    // Every item that reaches the launcher is noted on its way to the real recogniser.
    TLauncherSeams& seams = window->Launcher().Seams();
    auto recognise = seams.recognise;
    seams.recognise = [this, recognise](std::wstring& title, std::wstring& path, bool launch) {
        reached.push_back(title + L"|" + path);
        return recognise(title, path, launch);
    };
    seams.message = [this](HWND, const std::wstring& text) { reached.push_back(L"message " + text); };
    window->FirstRun();
    // What the start left queued (its first-run timer among it) runs now and
    // must not replay the record a second time.
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 300;) {
        PumpPendingMessages();
        ::Sleep(10);
    }
    // First-document mode: the first document of each group and the single item, once each.
    EXPECT_EQ(reached,
              (std::vector<std::wstring>{L"a1|C:\\gone\\a1.txt", L"b1|C:\\gone\\b1.txt", L"c single|C:\\gone\\c.txt"}));
    EXPECT_EQ(window->LastReplayVisits(), 7);  // each group of two costs three visits, the single item one
}

TEST_F(ReplayTest, FinishTimerHidesTheProgressAndKeepsTheBounds) {
    store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, false);
    Open();
    HWND gauge = ::FindWindowExW(window->Handle(), nullptr, PROGRESS_CLASSW, nullptr);
    ASSERT_NE(gauge, nullptr);
    // (Wine without a window manager keeps no top-most state to read back.)
    for (bool alwaysOnTop : {false, true}) {
        window->Settings().record.alwaysOnTop = alwaysOnTop;
        RECT before{};
        ::GetWindowRect(window->Handle(), &before);
        window->RunCommand(CmReplayAll);
        EXPECT_TRUE(Visible(gauge));
        EXPECT_TRUE(Visible(ChildWithText(window->Handle(), L"Finish.")));
        EXPECT_EQ(::SendMessageW(gauge, PBM_GETPOS, 0, 0), 3);  // first-document mode: one per top-level item
        window->TimerFinishTimer();
        EXPECT_FALSE(Visible(gauge));
        EXPECT_EQ(::SendMessageW(gauge, PBM_GETPOS, 0, 0), 0);
        RECT after{};
        ::GetWindowRect(window->Handle(), &after);
        EXPECT_TRUE(::EqualRect(&before, &after));
    }
}

TEST_F(ReplayTest, TreeCommandsReachTheLauncher) {
    store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, false);
    Open();
    TDocTreeView& view = window->TreeView(0);
    TDocTree& tree = view.Tree();
    TTreeNode* c = tree.Top(2);
    TTreeNode* a1 = tree.Top(0)->Child(0);
    view.ClickSelect(c, false, false);
    view.ClickSelect(a1, true, false);  // Ctrl adds a1; the focus is on it
    // Enter opens the selected node, Ctrl+O (the "&Open" command) every selected node.
    ::SendMessageW(view.Handle(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(reached, std::vector<std::wstring>{L"a1|C:\\gone\\a1.txt"});
    reached.clear();
    window->RunCommand(CmOpen);
    EXPECT_EQ(reached, (std::vector<std::wstring>{L"c single|C:\\gone\\c.txt", L"a1|C:\\gone\\a1.txt"}));
    reached.clear();
    window->RunCommand(CmRunAsAdmin);  // the recogniser claims both, so nothing is elevated
    EXPECT_EQ(reached.size(), 2u);
    // Nothing selected: nothing happens.
    view.DeselectAll();
    reached.clear();
    for (unsigned command : {CmOpen, CmRunAsAdmin, CmOpenAsAdmin, CmOpenWith, CmOpenWithAdmin, CmOpenFileLocation})
        window->RunCommand(command);
    ::SendMessageW(view.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(reached.empty());
}

// ---- "/replay" and the record's desktop shortcut ---------------------------------------

// A second record, listed after the first (its date key is later), with a
// blank and a letter beyond ASCII in its name.
const wchar_t kOtherEntry[] = L"Dec 02,2026_001 \u00E9";
const wchar_t kOtherFile[] = L"Dec 02,2026_001 \u00E9.quilmar";
const std::vector<std::wstring> kOtherReplayed{L"w1|C:\\gone\\w1.txt", L"w2|C:\\gone\\w2.txt"};

class ReplaySwitchWindowTest : public ReplayTest {
protected:
    void SetUp() override {
        ReplayTest::SetUp();
        ASSERT_TRUE(WriteFileReplacing(JoinPath(records, kOtherFile),
                                       "<quilmartree app=\"x\">" + Item("w1", "C:\\gone\\w1.txt") +
                                           Item("w2", "C:\\gone\\w2.txt") + "</quilmartree>"));
        store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, false);
        store->User().WriteInteger(keys::kSectionDefault, keys::LbRECs, 0);
    }
    std::wstring CursorEntry() const {
        int cursor = window->RecordList().Cursor();
        return cursor < 0 ? std::wstring() : window->RecordList().Text(cursor);
    }
    // What the start left queued runs now.
    static void RunFor(DWORD milliseconds) {
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < milliseconds;) {
            PumpPendingMessages();
            ::Sleep(10);
        }
    }
    // Ends the window as the fixture does, so the next one starts clean.
    void Close() {
        window.reset();
        MSG m;
        while (::PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    static bool HandOff(const std::vector<std::wstring>& lines) {
        if (!WriteListFile(HandoffFilePath(), lines)) return false;
        HWND w = ::FindWindowW(kMainWindowClass, nullptr);
        COPYDATASTRUCT cds{0, sizeof(kHandoffPayload), const_cast<char*>(kHandoffPayload)};
        return w && ::SendMessageW(w, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)) == 1;
    }
};

TEST_F(ReplaySwitchWindowTest, AStartWithTheSwitchReplaysTheNamedRecordOnceAndAddsNothing) {
    // With "/run" and "Run selected records when start" as well, the named
    // record still takes the place of the stored one: one replay per start.
    for (bool atWindowsStart : {false, true}) {
        store->User().WriteBool(keys::kSectionDefault, keys::MnRunSelectedRecs, atWindowsStart);
        std::vector<std::wstring> args{L"/replay", kOtherFile};
        if (atWindowsStart) args.insert(args.begin(), L"/run");
        std::string first = ReadFileBytes(JoinPath(records, L"Dec 01,2026_001.quilmar")).value();
        std::string other = ReadFileBytes(JoinPath(records, kOtherFile)).value();
        reached.clear();
        Open(args);
        RunFor(300);
        EXPECT_EQ(reached, kOtherReplayed) << atWindowsStart;
        EXPECT_EQ(CursorEntry(), kOtherEntry);
        EXPECT_EQ(window->Model().all.TopCount(), 2);
        // The switch and its name were no entries: neither record was written.
        EXPECT_EQ(ReadFileBytes(JoinPath(records, L"Dec 01,2026_001.quilmar")).value(), first);
        EXPECT_EQ(ReadFileBytes(JoinPath(records, kOtherFile)).value(), other);
        Close();
    }
}

TEST_F(ReplaySwitchWindowTest, TheStartAsksAsReplayAllDoesAndCancelReplaysNothing) {
    store->User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, true);
    std::wstring message;
    TDialogScript::Start([this] { return window ? Prompt() : nullptr; }, {[&] {
                             message = Message();
                             PressKey(::GetFocus(), VK_ESCAPE);
                             return true;
                         }});
    Open({L"/replay", kOtherFile});
    EXPECT_TRUE(TDialogScript::Completed());
    EXPECT_EQ(message, L"Are you sure you want to launch these 2 items in '" + std::wstring(kOtherEntry) + L"'?   ");
    RunFor(200);
    EXPECT_TRUE(reached.empty());
}

TEST_F(ReplaySwitchWindowTest, ANameOutsideTheRecordFolderStaysAnEntryAndReplaysNothing) {
    // A record file beside the record folder: reachable by "..", never read as a record.
    std::wstring outside = dir / L"outside.quilmar";
    ASSERT_TRUE(
        WriteFileReplacing(outside, "<quilmartree app=\"x\">" + Item("o1", "C:\\gone\\o1.txt") + "</quilmartree>"));
    for (const std::wstring& name : {std::wstring(L"..\\outside.quilmar"), outside}) {
        reached.clear();
        Open({L"/replay", name});
        RunFor(300);
        EXPECT_TRUE(reached.empty()) << WideToUtf8(name);
        EXPECT_EQ(CursorEntry(), L"Dec 01,2026_001");
        Close();
    }
    // The full path was added to the stored record as any path is.
    TRecordModel saved;
    ReadTreeFile(JoinPath(records, L"Dec 01,2026_001.quilmar"), saved);
    bool added = false;
    for (int i = 0; i < saved.items.Count(); ++i) added |= EqualsNoCase(saved.items.At(i).path, outside);
    EXPECT_TRUE(added);
}

TEST_F(ReplaySwitchWindowTest, AHandOffReplaysTheNamedRecordAfterItsAnswer) {
    Open();
    ASSERT_EQ(CursorEntry(), L"Dec 01,2026_001");
    ASSERT_TRUE(HandOff({L"/replay", kOtherFile}));
    // The sender is answered before the replay starts, so it ends at once.
    EXPECT_TRUE(reached.empty());
    RunFor(200);
    EXPECT_EQ(reached, kOtherReplayed);
    EXPECT_EQ(CursorEntry(), kOtherEntry);
}

TEST_F(ReplaySwitchWindowTest, AHandOffDuringALongOperationAddsItsEntriesAfterItButReplaysNothing) {
    Open();
    std::wstring handed = dir / L"handed \u4E2D.txt";
    ASSERT_TRUE(WriteFileReplacing(handed, "x"));
    {
        auto operation = window->Busy().TryEnter(L"test operation");
        ASSERT_TRUE(operation.has_value());
        ASSERT_TRUE(HandOff({handed, L"/replay", kOtherFile}));
        RunFor(200);
        EXPECT_TRUE(reached.empty());
    }
    RunFor(300);
    // As "&Replay All" during an operation: refused, not kept for later.
    EXPECT_TRUE(reached.empty());
    EXPECT_EQ(CursorEntry(), L"Dec 01,2026_001");
    TRecordModel saved;
    ReadTreeFile(JoinPath(records, L"Dec 01,2026_001.quilmar"), saved);
    bool added = false;
    for (int i = 0; i < saved.items.Count(); ++i) added |= EqualsNoCase(saved.items.At(i).path, handed);
    EXPECT_TRUE(added);
}

std::wstring ShortcutArguments(const std::wstring& path) {
    TComApartment com;
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    wchar_t arguments[INFOTIPSIZE] = {};
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) &&
        SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Load(path.c_str(), STGM_READ)))
        link->GetArguments(arguments, INFOTIPSIZE);
    return arguments;
}

TEST_F(ReplaySwitchWindowTest, CreateDesktopShortcutMakesOneReplayShortcutPerSelectedRecord) {
    std::wstring desktop = dir / L"Desktop";
    ASSERT_TRUE(CreateFolderTree(desktop));
    Open();
    std::wstring shownFolder = desktop;
    window->ShareCommands().SendTo().Seams().folderPath = [&](int csidl) {
        return csidl == CSIDL_DESKTOPDIRECTORY ? shownFolder : std::wstring();
    };
    std::vector<std::wstring> messages;
    TEffects e = Effects();
    e.messageBox = [&](HWND, const std::wstring& text, const std::wstring&, UINT) {
        messages.push_back(text);
        return IDOK;
    };
    TEffectsOverride effects(std::move(e));

    window->RecordList().SelectOnly(window->RecordList().IndexOf(kOtherEntry));
    window->RunCommand(CmRecDesktopShortcut);
    std::wstring link = JoinPath(desktop, std::wstring(kOtherEntry) + L".lnk");
    ASSERT_TRUE(IsExistingFile(link));
    EXPECT_EQ(ShortcutArguments(link), L"/replay \"" + std::wstring(kOtherFile) + L"\"");
    EXPECT_TRUE(messages.empty());

    // Every selected record gets its own; nothing is replayed or changed.
    window->RecordList().SelectAll();
    window->RunCommand(CmRecDesktopShortcut);
    EXPECT_TRUE(IsExistingFile(JoinPath(desktop, L"Dec 01,2026_001.lnk")));
    EXPECT_TRUE(IsExistingFile(JoinPath(desktop, std::wstring(kOtherEntry) + L" (2).lnk")));
    EXPECT_TRUE(reached.empty());

    // A desktop that cannot hold files: the failure is told, with the record's name.
    shownFolder = dir / L"not a folder";
    ASSERT_TRUE(WriteFileReplacing(shownFolder, "x"));
    window->RecordList().SelectOnly(0);
    window->RunCommand(CmRecDesktopShortcut);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].starts_with(L"These shortcuts could not be made on the desktop:\nDec 01,2026_001"))
        << WideToUtf8(messages[0]);
}

}  // namespace
}  // namespace qm

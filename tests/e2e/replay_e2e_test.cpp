// The real quilmar.exe replays a record: notepad opens both text documents and
// Explorer the folder; a start with "/replay" and a record's file name replays
// that record, by itself or through the copy that is running.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/commands.h"
#include "app/product.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/strings.h"
#include "records/model.h"
#include "records/settings.h"
#include "records/treefile.h"
#include "support/process.h"
#include "support/userdata.h"
#include "support/tempdir.h"

namespace qm {
namespace {

struct TTopWindow {
    HWND hwnd;
    DWORD pid;
    std::wstring cls, title;
};

std::vector<TTopWindow> TopWindows() {
    std::vector<TTopWindow> out;
    ::EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            wchar_t cls[256] = {}, title[512] = {};
            ::GetClassNameW(h, cls, 256);
            ::GetWindowTextW(h, title, 512);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(h, &pid);
            reinterpret_cast<std::vector<TTopWindow>*>(lp)->push_back({h, pid, cls, title});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

// The most items any tree of the window shows (the All tree shows the record's
// top level; a node's children go on screen when it is first expanded).
int MostTreeItems(HWND window) {
    int most = 0;
    ::EnumChildWindows(
        window,
        [](HWND h, LPARAM lp) -> BOOL {
            wchar_t cls[64] = {};
            ::GetClassNameW(h, cls, 64);
            if (lstrcmpW(cls, WC_TREEVIEWW) == 0) {
                int& most = *reinterpret_cast<int*>(lp);
                most = std::max(most, static_cast<int>(::SendMessageW(h, TVM_GETCOUNT, 0, 0)));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&most));
    return most;
}

class ReplayE2E : public test::RealProgramTest {
protected:
    test::TempDir records;
    std::set<DWORD> before;  // processes that had windows before the replay
    std::set<HWND> windowsBefore;
    std::set<DWORD> started;
    std::set<HWND> toClose;  // windows the replay opened in a process that was there before

    void SetUp() override {
        RealProgramTest::SetUp();
        for (const TTopWindow& w : TopWindows()) {
            before.insert(w.pid);
            windowsBefore.insert(w.hwnd);
        }
    }
    void TearDown() override {
        RealProgramTest::TearDown();
        for (HWND w : toClose) ::PostMessageW(w, WM_CLOSE, 0, 0);
        // The programs the replay started end here, by their process ids.
        for (DWORD pid : started) {
            unique_handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
            if (!process) continue;
            ::TerminateProcess(process.get(), 0);
            ::WaitForSingleObject(process.get(), 5000);
        }
    }
};

TEST_F(ReplayE2E, ReplayAllOpensTheDocumentsAndTheFolderOfTheSelectedRecord) {
    std::wstring one = records / L"replay one.txt", two = records / L"replay two.txt";
    std::wstring folder = records / L"ReplayFolder";
    ASSERT_TRUE(WriteFileReplacing(one, "one"));
    ASSERT_TRUE(WriteFileReplacing(two, "two"));
    ASSERT_TRUE(CreateFolderTree(folder));

    // The record: notepad with its document, the folder, the second document.
    TRecordModel model;
    auto add = [&](TTreeNode* parent, const std::wstring& text, const std::wstring& path, int32_t kind) {
        int index = model.items.Append();
        TMyDoc& doc = model.items.At(index);
        doc.path = path;
        doc.title = text;
        doc.docType = kind;
        return model.all.Add(parent, text, index);
    };
    TTreeNode* notepad = add(nullptr, L"notepad", L"C:\\windows\\notepad.exe", kDocAppOrFile);
    add(notepad, L"replay one.txt", one, kDocAppOrFile);
    add(nullptr, L"ReplayFolder", folder, kDocFolder);
    add(nullptr, L"replay two.txt", two, kDocAppOrFile);
    ASSERT_TRUE(WriteTreeFile(records / L"Dec 01,2026_001.quilmar", model, L"quilmar"));

    TSettingsStore store = TSettingsStore::Open(UserDataFolder(), CommonDataFolder());
    store.User().WriteString(keys::kSectionDefault, keys::EdtRECPath, records.Path() + L"\\");
    store.User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, false);
    store.User().WriteBool(keys::kSectionDefault, keys::RbReplayAllChildDoc, false);
    store.User().WriteInteger(keys::kSectionDefault, keys::LbRECs, 0);

    test::Process quilmar = test::Process::Start(L"quilmar.exe", L"");
    HWND window = test::WaitForWindow(kMainWindowClass, quilmar.Id(), 20000);
    ASSERT_NE(window, nullptr);
    // The record is listed, selected and shown in the All tree (the window is
    // found as soon as it exists, before its controls are made).
    HWND list = nullptr;
    ASSERT_TRUE(test::WaitUntil(
        [&] { return (list = ::FindWindowExW(window, nullptr, WC_LISTBOXW, nullptr)) != nullptr; }, 20000));
    ASSERT_TRUE(test::WaitUntil(
        [&] { return ::SendMessageW(list, LB_GETCOUNT, 0, 0) == 1 && MostTreeItems(window) == 3; }, 20000));

    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(CmReplayAll, 0), 0);

    bool oneShown = false, twoShown = false, folderShown = false;
    bool done = test::WaitUntil(
        [&] {
            for (const TTopWindow& w : TopWindows()) {
                // Only windows the replay opened count, none that was there before.
                if (w.pid == quilmar.Id() || !::IsWindowVisible(w.hwnd) || windowsBefore.count(w.hwnd)) continue;
                bool mine = false;
                if (ContainsNoCase(w.title, L"replay one")) mine = oneShown = true;
                if (ContainsNoCase(w.title, L"replay two")) mine = twoShown = true;
                // An Explorer window on the replayed folder (Wine titles it with the folder's name).
                bool explorer = w.cls == L"ExplorerWClass" || w.cls == L"CabinetWClass";
                if (explorer && (EqualsNoCase(w.title, L"ReplayFolder") || EqualsNoCase(w.title, folder)))
                    mine = folderShown = true;
                if (mine && !before.count(w.pid)) started.insert(w.pid);
                if (mine && before.count(w.pid)) toClose.insert(w.hwnd);
            }
            return oneShown && twoShown && folderShown;
        },
        30000);
    std::wstring shown;
    for (const TTopWindow& w : TopWindows())
        if (::IsWindowVisible(w.hwnd)) shown += L"[" + w.cls + L": " + w.title + L"] ";
    EXPECT_TRUE(done) << WideToUtf8(shown);
    EXPECT_TRUE(oneShown);
    EXPECT_TRUE(twoShown);
    EXPECT_TRUE(folderShown);

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(quilmar.WaitExit(20000), 0u);
}

// Two records, each with a stand-in program that notes its start; the second
// is listed after the stored first and has a blank and a letter beyond ASCII
// in its name.
class ReplaySwitchE2E : public test::RealProgramTest {
protected:
    test::TempDir records;
    std::wstring stored = records / L"stored program.exe", named = records / L"named program \u00E9.exe";
    const std::wstring namedFile = L"Dec 02,2026_001 \u00E9.quilmar";

    void SetUp() override {
        RealProgramTest::SetUp();
        std::wstring recorder = JoinPath(ModuleFolder(), L"test_argrecorder.exe");
        ASSERT_TRUE(::CopyFileW(recorder.c_str(), stored.c_str(), FALSE));
        ASSERT_TRUE(::CopyFileW(recorder.c_str(), named.c_str(), FALSE));
        WriteRecord(records / L"Dec 01,2026_001.quilmar", L"stored program", stored);
        WriteRecord(records / namedFile, L"named program", named);
        TSettingsStore store = TSettingsStore::Open(UserDataFolder(), CommonDataFolder());
        store.User().WriteString(keys::kSectionDefault, keys::EdtRECPath, records.Path() + L"\\");
        store.User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, false);
        store.User().WriteInteger(keys::kSectionDefault, keys::LbRECs, 0);
    }
    static void WriteRecord(const std::wstring& file, const std::wstring& title, const std::wstring& program) {
        TRecordModel model;
        int index = model.items.Append();
        model.items.At(index).path = program;
        model.items.At(index).title = title;
        model.items.At(index).docType = kDocAppOrFile;
        model.all.Add(nullptr, title, index);
        ASSERT_TRUE(WriteTreeFile(file, model, L"quilmar"));
    }
    static bool Started(const std::wstring& program) { return IsExistingFile(program + L".args"); }
    static HWND ReadyWindow(const test::Process& quilmar) {
        HWND window = test::WaitForWindow(kMainWindowClass, quilmar.Id(), 20000);
        if (!window) return nullptr;
        HWND list = nullptr;
        bool listed = test::WaitUntil(
            [&] {
                list = ::FindWindowExW(window, nullptr, WC_LISTBOXW, nullptr);
                return list && ::SendMessageW(list, LB_GETCOUNT, 0, 0) == 2 && MostTreeItems(window) == 1;
            },
            20000);
        return listed ? window : nullptr;
    }
};

TEST_F(ReplaySwitchE2E, AStartWithTheSwitchReplaysTheNamedRecord) {
    test::Process quilmar = test::Process::Start(L"quilmar.exe", L"/replay \"" + namedFile + L"\"");
    HWND window = ReadyWindow(quilmar);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(test::WaitUntil([&] { return Started(named); }, 30000));
    ::Sleep(500);
    EXPECT_FALSE(Started(stored));
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(quilmar.WaitExit(20000), 0u);
}

TEST_F(ReplaySwitchE2E, ASecondStartWithTheSwitchHasTheRunningCopyReplayAndEnds) {
    test::Process first = test::Process::Start(L"quilmar.exe", L"");
    HWND window = ReadyWindow(first);
    ASSERT_NE(window, nullptr);
    // A plain start replays nothing; its first-run step ends before the hand-off comes.
    ::Sleep(1000);
    ASSERT_FALSE(Started(named));
    ASSERT_FALSE(Started(stored));

    test::Process second = test::Process::Start(L"quilmar.exe", L"/replay \"" + namedFile + L"\"");
    EXPECT_EQ(second.WaitExit(30000), 0u);
    EXPECT_EQ(ReadListFile(HandoffFilePath()).value(), (std::vector<std::wstring>{L"/replay", namedFile}));
    EXPECT_TRUE(test::WaitUntil([&] { return Started(named); }, 30000));
    ::Sleep(500);
    EXPECT_FALSE(Started(stored));
    EXPECT_EQ(first.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitExit(20000), 0u);
}

}  // namespace
}  // namespace qm

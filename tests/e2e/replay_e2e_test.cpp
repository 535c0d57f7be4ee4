// The real quilmar.exe replays a record: notepad opens both text documents and
// Explorer the folder.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/commands.h"
#include "app/product.h"
#include "base/files.h"
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

}  // namespace
}  // namespace qm

// The real quilmar.exe replays with the desktop in view: a window recorded
// with its placement comes back there, and a document open in notepad is not
// opened a second time while "Do not reopen what is already open" is on.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/product.h"
#include "app/commands.h"
#include "base/files.h"
#include "base/strings.h"
#include "records/model.h"
#include "records/settings.h"
#include "records/treefile.h"
#include "support/process.h"
#include "support/tempdir.h"
#include "support/userdata.h"

inline bool operator==(const RECT& a, const RECT& b) { return qm::operator==(a, b); }

namespace qm {
namespace {

std::vector<HWND> WindowsTitled(const std::wstring& part) {
    struct TFind {
        std::wstring part;
        std::vector<HWND> found;
    } find{part, {}};
    ::EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* f = reinterpret_cast<TFind*>(lp);
            wchar_t title[512] = {};
            ::GetWindowTextW(h, title, 512);
            if (::IsWindowVisible(h) && ContainsNoCase(title, f->part)) f->found.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

class DesktopE2E : public test::RealProgramTest {
protected:
    test::TempDir records;
    TRecordModel model;

    TTreeNode* Add(TTreeNode* parent, const std::wstring& text, const std::wstring& path, TItemExtras extras = {}) {
        int index = model.items.Append();
        TMyDoc& doc = model.items.At(index);
        doc.path = path;
        doc.title = text;
        doc.docType = kDocAppOrFile;
        doc.extras = std::move(extras);
        return model.all.Add(parent, text, index);
    }
    // Writes the record, starts the program on it and replays it.
    void Replay(bool donotReopenOpen) {
        ASSERT_TRUE(WriteTreeFile(records / L"Dec 01,2026_001.quilmar", model, L"quilmar"));
        TSettingsStore store = TSettingsStore::Open(UserDataFolder(), CommonDataFolder());
        store.User().WriteString(keys::kSectionDefault, keys::EdtRECPath, records.Path() + L"\\");
        store.User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay, false);
        store.User().WriteBool(keys::kSectionDefault, keys::RbReplayAllChildDoc, true);
        store.User().WriteBool(keys::kSectionDefault, keys::CbDonotReopenOpen, donotReopenOpen);
        store.User().WriteInteger(keys::kSectionDefault, keys::LbRECs, 0);
        quilmar = test::Process::Start(L"quilmar.exe", L"");
        window = test::WaitForWindow(kMainWindowClass, quilmar.Id(), 20000);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(test::WaitForRecordList(window, 1));
        ::Sleep(300);  // the record is loaded right after it is listed
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(CmReplayAll, 0), 0);
    }
    void TearDown() override {
        if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
        quilmar.WaitExit(20000);
        RealProgramTest::TearDown();
    }

    test::Process quilmar;
    HWND window = nullptr;
};

TEST_F(DesktopE2E, ReplayedProgramsWindowGoesWhereItWasRecorded) {
    TWindowPlace place;
    place.state = TShowState::Normal;
    place.normal = RECT{200, 150, 700, 450};
    place.monitor = L"\\\\.\\DISPLAY1";
    place.workArea = RECT{0, 0, 1280, 1024};
    std::wstring app = JoinPath(ModuleFolder(), L"test_windowapp.exe");
    Add(nullptr, L"Window App", app, {place, {}});
    Replay(false);
    HWND shown = nullptr;
    RECT where{};
    // Without a window manager Wine places windows where it is told.
    bool placed = test::WaitUntil(
        [&] {
            shown = test::FindProcessWindow(L"QmTestWindowApp", 0);
            WINDOWPLACEMENT wp{};
            wp.length = sizeof(wp);
            if (!shown || !::GetWindowPlacement(shown, &wp)) return false;
            where = wp.rcNormalPosition;
            return ::EqualRect(&where, &place.normal) != FALSE;
        },
        15000);
    EXPECT_TRUE(placed) << where.left << "," << where.top << "," << where.right << "," << where.bottom;
    if (shown) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(shown, &pid);
        ::PostMessageW(shown, WM_CLOSE, 0, 0);
        unique_handle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
        if (process) ::WaitForSingleObject(process.get(), 5000);
    }
}

TEST_F(DesktopE2E, DocumentOpenInNotepadIsNotOpenedAgain) {
    std::wstring doc = records / L"already open.txt";
    ASSERT_TRUE(WriteFileReplacing(doc, "open"));
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring notepadPath = JoinPath(windows, L"system32\\notepad.exe");
    test::Process notepad = test::Process::Start(notepadPath, L"\"" + doc + L"\"");
    ASSERT_TRUE(notepad.Started());
    ASSERT_TRUE(test::WaitUntil([&] { return WindowsTitled(L"already open").size() == 1; }, 20000));
    HWND first = WindowsTitled(L"already open")[0];

    TTreeNode* group = Add(nullptr, L"notepad", notepadPath);
    Add(group, L"already open.txt", doc);
    Replay(true);
    // The replay ends with "Finish."; give a second notepad every chance to appear.
    bool second = test::WaitUntil([&] { return WindowsTitled(L"already open").size() > 1; }, 6000);
    std::vector<HWND> now = WindowsTitled(L"already open");
    EXPECT_FALSE(second);
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(now[0], first);
    notepad.Kill();
}

}  // namespace
}  // namespace qm

// Two real quilmar.exe processes: the single-instance check, the hand-off of the
// command line and the elevation relaunch decision.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "app/entries.h"
#include "app/handoff.h"
#include "app/instance.h"
#include "app/product.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/strings.h"
#include "records/model.h"
#include "records/treefile.h"
#include "capture/recorder.h"
#include "support/fakecapture.h"
#include "support/manypaths.h"
#include "support/process.h"
#include "support/userdata.h"

namespace qm {
namespace {

class InstanceE2E : public test::RealProgramTest {
protected:
    static std::vector<std::wstring> RecordPaths(const std::wstring& file) {
        TRecordModel m;
        ReadTreeFile(file, m);
        std::vector<std::wstring> paths;
        for (int i = 0; i < m.items.Count(); ++i) paths.push_back(m.items.At(i).path);
        return paths;
    }
};

TEST_F(InstanceE2E, SecondStartHandsItsPathsToTheFirstAndEnds) {
    test::Process first = test::Process::Start(L"quilmar.exe", L"");
    ASSERT_TRUE(first.Started());
    HWND window = test::WaitForWindow(kMainWindowClass, first.Id(), 20000);
    ASSERT_NE(window, nullptr);
    wchar_t caption[64] = {};
    ::GetWindowTextW(window, caption, 64);
    EXPECT_STREQ(caption, L"QuilMar 3.0");

    std::wstring folder = JoinPath(UserDataFolder(), L"docs \u00E4");
    ASSERT_TRUE(CreateFolderTree(folder));
    std::wstring a = JoinPath(folder, L"a b.txt"), b = JoinPath(folder, L"\u4E2D.txt");
    ASSERT_TRUE(WriteFileReplacing(a, "a"));
    ASSERT_TRUE(WriteFileReplacing(b, "b"));
    test::Process second = test::Process::Start(L"quilmar.exe", L"\"" + a + L"\" /run \"" + b + L"\"");
    EXPECT_EQ(second.WaitExit(30000), 0u);
    EXPECT_EQ(ReadListFile(HandoffFilePath()).value(), (std::vector<std::wstring>{a, b}));

    // The first copy recorded the first record and added both to it.
    // Each text file stands under its program; the first recording's snapshot
    // may hold more.
    auto holdsBoth = [&] {
        if (test::RecordFiles().size() != 1) return false;
        std::vector<std::wstring> paths = RecordPaths(test::RecordFiles()[0]);
        return std::find(paths.begin(), paths.end(), a) != paths.end() &&
               std::find(paths.begin(), paths.end(), b) != paths.end();
    };
    EXPECT_TRUE(test::WaitUntil(holdsBoth, 10000));
    EXPECT_EQ(test::RecordFiles().size(), 1u);
    // Only one instance stays registered.
    HWND registered = nullptr;
    int count = 0;
    ASSERT_TRUE(
        TInstanceRegistry::Peek(InstanceRegistryName(JoinPath(ModuleFolder(), L"quilmar.exe")), registered, count));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(registered, window);

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitExit(20000), 0u);
}

TEST_F(InstanceE2E, PlainSecondStartHandsOverNothing) {
    test::Process first = test::Process::Start(L"quilmar.exe", L"");
    HWND window = test::WaitForWindow(kMainWindowClass, first.Id(), 20000);
    ASSERT_NE(window, nullptr);
    // The first start records the first record; the hand-off must not touch it.
    ASSERT_TRUE(test::WaitUntil([] { return test::RecordFiles().size() == 1; }, 20000));
    ::Sleep(300);
    std::string before = ReadFileBytes(test::RecordFiles()[0]).value_or("");
    test::Process second = test::Process::Start(L"quilmar.exe", L"/install");
    EXPECT_EQ(second.WaitExit(30000), 0u);
    EXPECT_EQ(ReadFileBytes(HandoffFilePath()).value(), std::string("\xFF\xFE", 2));
    ::Sleep(300);
    ASSERT_EQ(test::RecordFiles().size(), 1u);
    EXPECT_EQ(ReadFileBytes(test::RecordFiles()[0]).value_or(""), before);
    EXPECT_EQ(first.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
}

TEST_F(InstanceE2E, AlwaysRunAsAdminRelaunchesUnlessTheLastArgumentSaysNot) {
    ASSERT_TRUE(CreateFolderTree(CommonDataFolder()));
    ASSERT_TRUE(::WritePrivateProfileStringW(L"default", L"AlwaysRunAsAdmin", L"1",
                                             JoinPath(CommonDataFolder(), L"defualt.ini").c_str()));
    // A copy of the program with a stand-in elevation launcher beside it, which
    // notes the command line it is started with.
    test::TempDir install;
    std::wstring program = install / L"quilmar.exe", noted = install / L"quilmaradmin.exe.args";
    ASSERT_TRUE(::CopyFileW(JoinPath(ModuleFolder(), L"quilmar.exe").c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(JoinPath(ModuleFolder(), L"test_argrecorder.exe").c_str(),
                            (install / L"quilmaradmin.exe").c_str(), FALSE));
    auto launcherArguments = [&]() -> std::optional<std::vector<std::wstring>> {
        std::optional<std::string> bytes = ReadFileBytes(noted);
        if (!bytes) return std::nullopt;
        std::wstring line(reinterpret_cast<const wchar_t*>(bytes->data()), bytes->size() / sizeof(wchar_t));
        return CommandLineArguments(line.c_str());
    };
    // The launcher is started with the first argument, or with nothing, and
    // this copy ends without a window.
    const std::pair<const wchar_t*, std::vector<std::wstring>> relaunches[] = {
        {L"C:\\a.txt", {L"C:\\a.txt"}},
        {L"", {}},
        {L"C:\\first.txt C:\\second.txt", {L"C:\\first.txt"}},
    };
    for (const auto& [args, expected] : relaunches) {
        ::DeleteFileW(noted.c_str());
        test::Process relaunch = test::Process::Start(program, args);
        EXPECT_EQ(relaunch.WaitExit(20000), 0u) << WideToUtf8(args);
        EXPECT_EQ(test::FindProcessWindow(kMainWindowClass, relaunch.Id()), nullptr);
        ASSERT_TRUE(test::WaitUntil([&] { return launcherArguments().has_value(); }, 10000)) << WideToUtf8(args);
        EXPECT_EQ(launcherArguments(), expected) << WideToUtf8(args);
    }

    // "/ctmenu" last: no relaunch, the window comes up.
    ::DeleteFileW(noted.c_str());
    test::Process stays = test::Process::Start(program, L"C:\\a.txt /ctmenu");
    HWND window = test::WaitForWindow(kMainWindowClass, stays.Id(), 20000);
    EXPECT_NE(window, nullptr);
    if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(stays.WaitExit(20000), 0u);
    EXPECT_FALSE(launcherArguments().has_value());
}

// Hand-offs that arrive while the first copy loads a large record wait for the
// load, and each is read before its sender ends: three starts in a row lose
// none of their entries.
TEST_F(InstanceE2E, ThreeStartsDuringALoadLoseNoEntry) {
    TRecordModel big;
    for (int i = 0; i < 4000; ++i) {  // under the 5000 top-level nodes a record keeps
        int index = big.items.Append();
        TMyDoc& doc = big.items.At(index);
        doc.path = L"C:\\big\\program" + std::to_wstring(i) + L".exe";
        doc.docType = kDocAppOrFile;
        TTreeNode* top = big.all.Add(nullptr, L"program " + std::to_wstring(i), index);
        int child = big.items.Append();
        big.items.At(child).path = L"C:\\big\\doc" + std::to_wstring(i) + L".txt";
        big.items.At(child).docType = kDocAppOrFile;
        big.all.Add(top, L"doc " + std::to_wstring(i), child);
    }
    const std::wstring record = JoinPath(UserDataFolder(), L"Dec 01,2026_001.quilmar");
    ASSERT_TRUE(WriteTreeFile(record, big, L"quilmar"));
    std::vector<std::wstring> entries;
    for (int i = 0; i < 3; ++i) {
        entries.push_back(JoinPath(UserDataFolder(), L"handed " + std::to_wstring(i) + L" \u00E9.txt"));
        ASSERT_TRUE(WriteFileReplacing(entries.back(), "x"));
    }
    test::Process first = test::Process::Start(L"quilmar.exe", L"");
    ASSERT_NE(test::WaitForWindow(kMainWindowClass, first.Id(), 20000), nullptr);
    for (const std::wstring& entry : entries) {
        test::Process next = test::Process::Start(L"quilmar.exe", L"\"" + entry + L"\"");
        EXPECT_EQ(next.WaitExit(60000), 0u);
    }
    auto holdsAll = [&] {
        std::vector<std::wstring> paths = RecordPaths(record);
        if (paths.size() < 8003) return false;
        for (const auto& e : entries)
            if (std::find(paths.begin(), paths.end(), e) == paths.end()) return false;
        return true;
    };
    EXPECT_TRUE(test::WaitUntil(holdsAll, 60000));
    std::vector<std::wstring> paths = RecordPaths(record);
    EXPECT_GE(paths.size(), 8003u);
    for (const auto& e : entries) EXPECT_NE(std::find(paths.begin(), paths.end(), e), paths.end()) << WideToUtf8(e);
    EXPECT_EQ(test::RecordFiles().size(), 1u);
}

// What a hand-off of these paths adds to an empty record, by the same recorder
// in this process: the item paths the real program's record must hold.
std::vector<std::wstring> ItemPathsOfAdding(const std::vector<std::wstring>& paths) {
    class Host : public IEntryHost, public TNoProgress {
        void HoldTreeRepaints(bool) override {}
        void SaveSelectedRecord() override {}
        void ShowLastRecordedPath() override {}
        void ReselectRecord() override {}
        void RestoreSmartRecord() override {}
    } host;
    TRecordModel model;
    TRecordOptions options;
    test::FakeImages images;
    TRecorder recorder(model, options, images, L"C:\\no-documents-here");
    AddHandoffEntries(paths, recorder, host, host);
    std::vector<std::wstring> out;
    for (int i = 0; i < model.items.Count(); ++i) out.push_back(model.items.At(i).path);
    return out;
}

TEST_F(InstanceE2E, AHandOffOfFiveThousandPathsLandsWholeAndOneSentDuringItToo) {
    test::Process first = test::Process::Start(L"quilmar.exe", L"");
    ASSERT_NE(test::WaitForWindow(kMainWindowClass, first.Id(), 20000), nullptr);
    ASSERT_TRUE(test::WaitUntil([] { return test::RecordFiles().size() == 1; }, 20000));
    const std::wstring record = test::RecordFiles()[0];

    // A selection from Explorer through the context-menu file: documents,
    // folders, shortcuts, addresses, repeats and missing files.
    test::TManyPaths set = test::MakeManyPaths(JoinPath(UserDataFolder(), L"selection"), 5000);
    ASSERT_TRUE(WriteListFile(ContextMenuFilePath(), set.paths));
    const std::wstring late = JoinPath(UserDataFolder(), L"sent during \u00E9.txt");
    ASSERT_TRUE(WriteFileReplacing(late, "x"));

    test::Process second = test::Process::Start(L"quilmar.exe", L"/ctmenu");
    // Once the first copy has the selection, a further start hands over one more
    // path while the selection is still being added.
    ASSERT_TRUE(test::WaitUntil(
        [] {
            auto lines = ReadListFile(HandoffFilePath());
            return lines && lines->size() >= 5000;
        },
        30000));
    ::Sleep(200);
    test::Process third = test::Process::Start(L"quilmar.exe", L"\"" + late + L"\"");
    EXPECT_EQ(third.WaitExit(120000), 0u);
    EXPECT_EQ(second.WaitExit(120000), 0u);

    // Group items take the path of their folder, which depends on where the
    // documents folder is: only the items of the selection itself are compared.
    std::vector<std::wstring> expected{late};
    for (const std::wstring& p : ItemPathsOfAdding(set.paths))
        if (p.find(L"\\selection\\") != std::wstring::npos || p.rfind(L"https:", 0) == 0) expected.push_back(p);
    auto missing = [&] {
        std::vector<std::wstring> paths = RecordPaths(record);
        std::sort(paths.begin(), paths.end());
        std::vector<std::wstring> out;
        for (const std::wstring& p : expected)
            if (!std::binary_search(paths.begin(), paths.end(), p)) out.push_back(p);
        return out;
    };
    EXPECT_TRUE(test::WaitUntil([&] { return missing().empty(); }, 30000));
    std::vector<std::wstring> left = missing();
    EXPECT_TRUE(left.empty()) << left.size() << " of " << expected.size() << " not recorded, first "
                              << WideToUtf8(left.empty() ? L"" : left[0]);
    EXPECT_EQ(test::RecordFiles().size(), 1u);
}

// Stands in for a first copy whose window appears late: registers the instance,
// shows a window of the main class only after a while, and records the message.
struct LateWindow {
    static inline int messages = 0;
    static inline bool payloadOk = false;
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_COPYDATA) {
            auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lp);
            ++messages;
            payloadOk = cds->dwData == 0 && cds->cbData == 8 && memcmp(cds->lpData, "quilmar\0", 8) == 0;
            return 1;
        }
        return ::DefWindowProcW(h, m, wp, lp);
    }
};

TEST_F(InstanceE2E, SecondStartWaitsForAWindowThatIsStillComingUp) {
    TInstanceRegistry registry(InstanceRegistryName(JoinPath(ModuleFolder(), L"quilmar.exe")));
    ASSERT_FALSE(registry.AnotherInstanceRunning(nullptr, 1));
    test::Process second = test::Process::Start(L"quilmar.exe", L"C:\\late.txt");
    ::Sleep(1500);  // the "first copy" is still starting
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &LateWindow::Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kMainWindowClass;
    ::RegisterClassExW(&wc);
    HWND w = ::CreateWindowExW(0, kMainWindowClass, L"late", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                               wc.hInstance, nullptr);
    ASSERT_NE(w, nullptr);
    DWORD code = STILL_ACTIVE;
    for (int i = 0; i < 400 && code == STILL_ACTIVE; ++i) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        code = second.WaitExit(25);
    }
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(LateWindow::messages, 1);
    EXPECT_TRUE(LateWindow::payloadOk);
    EXPECT_EQ(ReadListFile(HandoffFilePath()).value(), std::vector<std::wstring>{L"C:\\late.txt"});
    ::DestroyWindow(w);
    ::UnregisterClassW(kMainWindowClass, wc.hInstance);
}

}  // namespace
}  // namespace qm

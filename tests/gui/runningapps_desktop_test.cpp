// The running-application scan on the real desktop under Wine: window
// enumeration, the process path of a window, and a real notepad found by the
// scan while the test's own windows are left out.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "capture/runningapps.h"
#include "support/process.h"
#include "support/tempdir.h"

namespace qm {
namespace {

const wchar_t kClass[] = L"QmRunningAppsTestWindow";

// A top-level window of the test process, destroyed with the object.
class TestWindow {
public:
    TestWindow(const std::wstring& title, DWORD style, HWND owner = nullptr) {
        static const ATOM atom = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = kClass;
            return ::RegisterClassExW(&wc);
        }();
        if (atom)
            hwnd_ = ::CreateWindowExW(0, kClass, title.c_str(), style, 10, 10, 300, 200, owner, nullptr,
                                      ::GetModuleHandleW(nullptr), nullptr);
    }
    ~TestWindow() {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

// A program started by full path, ended (terminated) with the object.
class StartedProgram {
public:
    StartedProgram(const std::wstring& exe, const std::wstring& args) {
        std::wstring cmd = L"\"" + exe + L"\" " + args;
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            process_.reset(pi.hProcess);
            thread_.reset(pi.hThread);
            id_ = pi.dwProcessId;
        }
    }
    ~StartedProgram() {
        if (!process_) return;
        ::TerminateProcess(process_.get(), 0);
        ::WaitForSingleObject(process_.get(), 5000);
    }
    DWORD Id() const { return id_; }

private:
    unique_handle process_, thread_;
    DWORD id_ = 0;
};

void PumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

const TWindowEntry* Find(const std::vector<TWindowEntry>& windows, HWND hwnd) {
    for (const TWindowEntry& w : windows)
        if (w.handle == hwnd) return &w;
    return nullptr;
}

// (Under Wine without a window manager each visible window takes two seconds to
// go away: the test keeps their number small.)
TEST(RunningAppsDesktop, EnumerationKeepsVisibleUnownedWindows) {
    TestWindow own(L"Scan Test - Own Window", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    TestWindow hidden(L"Hidden", WS_OVERLAPPEDWINDOW);
    TestWindow owned(L"Owned", WS_OVERLAPPEDWINDOW | WS_VISIBLE, own.get());
    ASSERT_TRUE(own.get() && hidden.get() && owned.get());
    PumpPending();

    std::vector<TWindowEntry> windows = EnumerateTopLevelWindows();
    ASSERT_NE(Find(windows, own.get()), nullptr);
    EXPECT_EQ(Find(windows, own.get())->title, L"Scan Test - Own Window");
    EXPECT_EQ(Find(windows, hidden.get()), nullptr);
    EXPECT_EQ(Find(windows, owned.get()), nullptr);

    const std::pair<std::wstring, std::wstring> titles[] = {
        {std::wstring(200, L'x'), std::wstring(128, L'x')}, {L"", L""},  // kept; the scan drops it later
    };
    for (const auto& [set, read] : titles) {
        ASSERT_TRUE(::SetWindowTextW(own.get(), set.c_str()));
        windows = EnumerateTopLevelWindows();
        ASSERT_NE(Find(windows, own.get()), nullptr);
        EXPECT_EQ(Find(windows, own.get())->title, read);
    }

    EXPECT_TRUE(EqualsNoCase(ExecutableOfWindow(own.get()), ModulePath())) << WideToUtf8(ExecutableOfWindow(own.get()));
    EXPECT_TRUE(EqualsNoCase(ExecutableOfWindow(owned.get()), ModulePath()));
    EXPECT_EQ(ExecutableOfWindow(nullptr), L"");
}

// A busy program (a window whose thread does not answer) is listed with the
// title the system keeps for it, and holds the enumeration up for about a
// second at the most.
TEST(RunningAppsDesktop, ABusyWindowKeepsItsTitle) {
    HWND busy = nullptr;
    HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread owner([&] {
        TestWindow window(L"Busy Report - Slow Tool", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        busy = window.get();
        PumpPending();
        ::SetEvent(ready);
        ::WaitForSingleObject(release, 20000);  // busy: no message is looked at
    });
    ASSERT_EQ(::WaitForSingleObject(ready, 10000), WAIT_OBJECT_0);
    std::vector<TWindowEntry> windows = EnumerateTopLevelWindows();
    ::SetEvent(release);
    owner.join();
    ::CloseHandle(ready);
    ::CloseHandle(release);
    const TWindowEntry* entry = Find(windows, busy);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->titleUnanswered);
    EXPECT_EQ(entry->title, L"Busy Report - Slow Tool");
}

TEST(RunningAppsDesktop, FindsNotepadAndLeavesOutTheOwnProgram) {
    test::TempDir dir;
    std::wstring file = dir / L"scan note.txt";
    ASSERT_TRUE(WriteFileReplacing(file, "hello"));
    TestWindow own(L"Scan Test - Own Window", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_TRUE(own.get());

    StartedProgram notepad(L"C:\\windows\\notepad.exe", L"\"" + file + L"\"");
    ASSERT_NE(notepad.Id(), 0u);
    HWND window = test::WaitForWindow(L"Notepad", notepad.Id(), 20000);
    ASSERT_NE(window, nullptr);
    wchar_t text[256] = {};
    ASSERT_TRUE(test::WaitUntil(
        [&] { return ::GetWindowTextW(window, text, 256) > 0 && ContainsNoCase(text, L"scan note"); }, 10000));
    std::wstring title = text;
    std::wstring expected = Trim(title.substr(title.rfind(L'-') == std::wstring::npos ? 0 : title.rfind(L'-') + 1));
    PumpPending();

    TNoStartupFilter filter;
    TRunningApplicationScan scan(filter);
    std::vector<TAppPair> apps{{L"C:\\stale.exe", L"Stale"}};
    std::vector<TFilterRow> rows;
    int pumps = 0;
    scan.Scan(true, apps, rows, [&] { ++pumps; });

    const TAppPair* found = nullptr;
    for (const TAppPair& app : apps) {
        if (EndsWithNoCase(app.path, L"notepad.exe")) found = &app;
        EXPECT_FALSE(EqualsNoCase(Trim(app.path), ModulePath())) << WideToUtf8(app.path);
        EXPECT_NE(app.title, L"Own Window");
        EXPECT_NE(app.path, L"C:\\stale.exe");
    }
    ASSERT_NE(found, nullptr) << "notepad titled '" << WideToUtf8(title) << "' not found";
    EXPECT_EQ(found->title, expected);
    EXPECT_TRUE(rows.empty());
    EXPECT_GT(pumps, 0);
}

}  // namespace
}  // namespace qm

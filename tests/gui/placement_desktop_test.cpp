// Window placement on the test display: read from a real window moved and
// maximised, put back on one, and carried by the running-application scan
// for another program's window.
#include "capture/placement.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/strings.h"
#include "capture/runningapps.h"
#include "replay/replaydesktop.h"
#include "support/process.h"

inline bool operator==(const RECT& a, const RECT& b) { return qm::operator==(a, b); }

namespace qm {
namespace {

class PlainWindow {
public:
    PlainWindow() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QmPlacementTest";
        ::RegisterClassExW(&wc);
        window_ = ::CreateWindowExW(0, wc.lpszClassName, L"Placement", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                                    100, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~PlainWindow() { ::DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

TEST(PlacementDesktop, MovedAndMaximisedWindowIsRecordedSo) {
    PlainWindow w;
    ASSERT_TRUE(w.get());
    ASSERT_TRUE(::SetWindowPos(w.get(), nullptr, 100, 80, 500, 300, SWP_NOZORDER));
    ::ShowWindow(w.get(), SW_MAXIMIZE);
    Pump();
    std::optional<TWindowPlace> place = PlaceOfWindow(w.get());
    ASSERT_TRUE(place);
    EXPECT_EQ(place->state, TShowState::Maximised);
    EXPECT_EQ(place->normal, (RECT{100, 80, 600, 380}));
    std::vector<TMonitor> monitors = AttachedMonitors();
    ASSERT_FALSE(monitors.empty());
    EXPECT_EQ(place->monitor, monitors[0].device);
    EXPECT_EQ(place->workArea, monitors[0].workArea);

    ::ShowWindow(w.get(), SW_MINIMIZE);
    Pump();
    EXPECT_EQ(PlaceOfWindow(w.get())->state, TShowState::Minimised);
    EXPECT_FALSE(PlaceOfWindow(nullptr));
}

TEST(PlacementDesktop, PutBackWithItsRectangleAndState) {
    PlainWindow w;
    TWindowPlace place;
    place.normal = RECT{300, 200, 700, 500};
    place.monitor = L"\\\\.\\NOSUCHDISPLAY";  // gone: the nearest one, the same work area here
    place.workArea = AttachedMonitors().at(0).workArea;
    ASSERT_TRUE(PutWindowPlace(w.get(), place, AttachedMonitors()));
    Pump();
    EXPECT_EQ(PlaceOfWindow(w.get())->normal, place.normal);
    EXPECT_FALSE(::IsZoomed(w.get()));
    place.state = TShowState::Maximised;
    ASSERT_TRUE(PutWindowPlace(w.get(), place, AttachedMonitors()));
    Pump();
    EXPECT_TRUE(::IsZoomed(w.get()));
    EXPECT_EQ(PlaceOfWindow(w.get())->normal, place.normal);
}

TEST(PlacementDesktop, RunningApplicationScanCarriesThePlacement) {
    test::Process app = test::Process::Start(L"test_windowapp.exe", L"");
    ASSERT_TRUE(app.Started());
    HWND window = test::WaitForWindow(L"QmTestWindowApp", app.Id(), 15000);
    ASSERT_TRUE(window);
    ASSERT_TRUE(test::WaitUntil([&] { return ::IsWindowVisible(window) != FALSE; }, 5000));
    TNoStartupFilter filter;
    TRunningApplicationScan scan(filter);
    std::vector<TAppPair> apps;
    std::vector<TFilterRow> rows;
    scan.Scan(false, apps, rows, {});
    const TAppPair* found = nullptr;
    for (const TAppPair& a : apps)
        if (EndsWithNoCase(a.path, L"test_windowapp.exe")) found = &a;
    ASSERT_NE(found, nullptr);
    ASSERT_TRUE(found->place);
    EXPECT_EQ(found->place->state, TShowState::Normal);
    EXPECT_EQ(found->place->normal, (RECT{40, 40, 360, 240}));
}

// The real desktop seams: the window a started program shows is found by its
// program and put where the record says, from the thread timer, while the
// test pumps messages as the main window does.
TEST(PlacementDesktop, ReplayPutsTheLaunchedProgramsWindowBack) {
    TRecordOptions options;
    TReplayDesktop desktop(options, TReplayDesktopSeams::Real());
    TReplayItem item;
    item.path = JoinPath(ModuleFolder(), L"test_windowapp.exe");
    item.docType = kDocAppOrFile;
    TWindowPlace place;
    place.normal = RECT{220, 160, 620, 460};
    item.extras.place = place;
    ASSERT_FALSE(desktop.BeforeOpen(item));
    test::Process app = test::Process::Start(item.path, L"");
    ASSERT_TRUE(app.Started());
    desktop.AfterOpen(item);
    EXPECT_EQ(desktop.Watching(), 1u);
    HWND window = nullptr;
    RECT where{};
    bool placed = test::WaitUntil(
        [&] {
            Pump();
            window = test::FindProcessWindow(L"QmTestWindowApp", app.Id());
            if (window) where = PlaceOfWindow(window).value_or(TWindowPlace{}).normal;
            return window && ::EqualRect(&where, &place.normal);
        },
        10000);
    EXPECT_TRUE(placed) << (window ? "found" : "no window") << " at " << where.left << "," << where.top << " "
                        << ExecutableOfWindow(window ? window : ::GetDesktopWindow()).size() << " "
                        << WideToUtf8(window ? ExecutableOfWindow(window) : L"") << " vs " << WideToUtf8(item.path)
                        << " watching " << desktop.Watching();
}

}  // namespace
}  // namespace qm

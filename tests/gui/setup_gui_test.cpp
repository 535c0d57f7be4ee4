// The setup program's window and balloon, the uninstaller's window and the
// elevation launcher's window, created in the test process and driven as a
// user would, with the install and removal steps on a sandbox.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "base/effects.h"
#include "base/files.h"
#include "base/strings.h"
#include "companions/admin/adminwindow.h"
#include "companions/uninstall/frmuninstall.h"
#include "gui/dialogscript.h"
#include "setup/balloon.h"
#include "setup/setupwindow.h"
#include "support/process.h"
#include "support/setupsandbox.h"
#include "support/shellcalls.h"

namespace qm {
namespace {

using test::WindowText;
using W = TQuilmarSetupWindow;

// Lets pending messages run; the quit message a closed window of an earlier
// test posted is dropped, so it does not stop every later pump at once.
void Pump() {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) continue;
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
}

bool Checked(HWND button) { return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

TEST(Balloon, LayoutByStyle) {
    const SIZE title{100, 13}, body{200, 13};
    struct Case {
        int style;
        int left, top;
        RECT rounded;
        POINT tail0;
        int closeY;
    };
    // Width max(10 + 200, 34 + 100) + 40 = 250; height 12 + 13 + 8 + 13 + 30 = 76 (tail down)
    // or 32 + 13 + 8 + 13 + 10 = 76 (tail up).
    const Case cases[] = {
        {kBalloonBottomRight, 500 - 250 + 20, 400 - 76, {0, 0, 250, 58}, {210, 56}, 6},
        {kBalloonBottomLeft, 480, 400 - 76, {0, 0, 250, 58}, {20, 56}, 6},
        {kBalloonTopRight, 500 - 250 + 20, 398, {0, 22, 250, 76}, {230, 2}, 26},
        {kBalloonTopLeft, 480, 398, {0, 22, 250, 76}, {20, 2}, 26},
    };
    for (const Case& c : cases) {
        TBalloonLayout l = LayoutBalloon(500, 400, c.style, title, body);
        EXPECT_EQ(l.width, 250) << c.style;
        EXPECT_EQ(l.height, 76) << c.style;
        EXPECT_EQ(l.left, c.left) << c.style;
        EXPECT_EQ(l.top, c.top) << c.style;
        EXPECT_TRUE(::EqualRect(&l.rounded, &c.rounded)) << c.style;
        EXPECT_EQ(l.tail[0].x, c.tail0.x) << c.style;
        EXPECT_EQ(l.tail[0].y, c.tail0.y) << c.style;
        EXPECT_EQ(l.closeGlyph.x, 220) << c.style;
        EXPECT_EQ(l.closeGlyph.y, c.closeY) << c.style;
        EXPECT_EQ(l.title.y, l.tailUp ? 32 : 12) << c.style;
    }
    // A long body makes a wide balloon.
    EXPECT_EQ(LayoutBalloon(0, 0, 3, title, SIZE{900, 13}).width, 950);
}

TEST(Balloon, ShownTrimmedAndHiddenByAClick) {
    ShowBalloon(400, 300, kBalloonTopLeft, 20, kBalloonInfo, L"  Please click Install to continue ",
                L"        After shutdown QuilMar,please click Install to coninue.");
    TBalloon* balloon = CurrentBalloon();
    ASSERT_NE(balloon, nullptr);
    HWND h = balloon->Handle();
    ASSERT_TRUE(balloon->Visible());
    EXPECT_EQ(balloon->Title(), L"Please click Install to continue");
    EXPECT_EQ(balloon->Body(), L"After shutdown QuilMar,please click Install to coninue.");
    RECT r{};
    ::GetWindowRect(h, &r);
    EXPECT_EQ(r.left, balloon->Layout().left);
    EXPECT_EQ(r.top, balloon->Layout().top);
    EXPECT_EQ(r.right - r.left, balloon->Layout().width);
    EXPECT_TRUE(::GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(::GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(::GetWindowRgn(h, region), ERROR);
    // The tail's tip is inside, the corner beside it is not.
    EXPECT_TRUE(::PtInRegion(region, 21, 4));
    EXPECT_FALSE(::PtInRegion(region, 2, 4));
    ::DeleteObject(region);
    ::SendMessageW(h, WM_LBUTTONDOWN, 0, MAKELPARAM(30, 40));
    EXPECT_FALSE(::IsWindowVisible(h));
    // The next balloon replaces it; hiding lets it go.
    ShowBalloon(10, 10, kBalloonBottomLeft, 1, kBalloonWarning, L"t", L"b");
    ASSERT_NE(CurrentBalloon(), nullptr);
    EXPECT_TRUE(test::WaitUntil(
        [] {
            Pump();
            return !CurrentBalloon()->Visible();
        },
        5000));  // its one second is up
    HideBalloon();
    EXPECT_EQ(CurrentBalloon(), nullptr);
}

class SetupWindowTest : public ::testing::Test {
protected:
    test::TSetupSandbox box;
    test::TShellRecorder shell;
    std::unique_ptr<W> window;
    HWND Item(int id) const { return window->Item(id); }
    void Make() {
        window = std::make_unique<W>(box.InstallSeams());
        ASSERT_TRUE(window->Create());
        ::ShowWindow(window->Handle(), SW_SHOW);
        ::SetWindowTextW(Item(W::kIdEdtPicPath), box.InstallFolder().c_str());
    }
    void TearDown() override {
        window.reset();
        HideBalloon();
    }
};

TEST_F(SetupWindowTest, ShowsTheFolderTheOptionsAndTheAgreement) {
    window = std::make_unique<W>(box.InstallSeams());
    ASSERT_TRUE(window->Create());
    EXPECT_EQ(WindowText(window->Handle()), L"QuilMar 3.1 Installer");
    EXPECT_EQ(WindowText(Item(W::kIdEdtPicPath)), SpecialFolder(CSIDL_PROGRAM_FILES) + L"\\QuilMar");
    EXPECT_FALSE(::IsWindowEnabled(Item(W::kIdEdtPicPath)));
    for (int id : {W::kIdCbAddToDeskTop, W::kIdCbRunWhenWindowsStart, W::kIdCbRunNow, W::kIdCbContextMenuEntry,
                   W::kIdCbQuickStart})
        EXPECT_TRUE(Checked(Item(id))) << id;
    EXPECT_EQ(WindowText(Item(W::kIdCbQuickStart)), L"Create a Quick Launch Icon");
    EXPECT_EQ(WindowText(Item(W::kIdGroupBox1)), L"Destination Folder");
    EXPECT_TRUE(StartsWith(WindowText(Item(W::kIdLabel1)), L"Setup will install QuilMar in the following folder,"));
    EXPECT_TRUE(StartsWith(WindowText(Item(W::kIdMemo1)), L"END-USER LICENSE AGREEMENT"));
    EXPECT_FALSE(::IsWindowVisible(Item(W::kIdGauge1)));
    RECT r{};
    ::GetWindowRect(window->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 609);
    EXPECT_EQ(r.bottom - r.top, 449);
    // The first activation greets with the balloon, once.
    ::ShowWindow(window->Handle(), SW_SHOW);
    ::SendMessageW(window->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    ASSERT_NE(CurrentBalloon(), nullptr);
    EXPECT_EQ(CurrentBalloon()->Title(), L"Please click Install to continue");
    EXPECT_EQ(CurrentBalloon()->Body(), L"To install in a different folder,click Browser and select a folder");
    TBalloon* first = CurrentBalloon();
    ::SendMessageW(window->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(CurrentBalloon(), first);
}

TEST_F(SetupWindowTest, OnVistaTheLaunchOptionIsHiddenAndCleared) {
    box.osName = "windows vista";
    window = std::make_unique<W>(box.InstallSeams());
    ASSERT_TRUE(window->Create());
    ::ShowWindow(window->Handle(), SW_SHOW);
    EXPECT_FALSE(::IsWindowVisible(Item(W::kIdCbRunNow)));
    EXPECT_FALSE(Checked(Item(W::kIdCbRunNow)));
    EXPECT_TRUE(::IsWindowVisible(Item(W::kIdCbRunWhenWindowsStart)));
}

TEST_F(SetupWindowTest, EnterInstallsAndTheWindowCloses) {
    Make();
    MSG enter{Item(W::kIdCbAddToDeskTop), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(window->PreTranslate(enter));
    EXPECT_EQ(window->LastResult().outcome, TInstallOutcome::Installed);
    EXPECT_EQ(window->Handle(), nullptr);
    EXPECT_TRUE(IsExistingFile(box.InstallFolder() + L"quilmar.exe"));
    EXPECT_EQ(shell.Calls().size(), 1u);
}

TEST_F(SetupWindowTest, DecliningLeavesTheWindowReadyAndCancelDuringTheStepWaitsForIt) {
    Make();
    ASSERT_TRUE(CreateFolderTree(box.InstallFolder()));
    box.running = {box.InstallFolder() + L"quilmar.exe"};
    std::wstring question;
    TEffects effects = Effects();
    effects.messageBox = [&](HWND, const std::wstring& text, const std::wstring&, UINT type) {
        question = text;
        EXPECT_EQ(type, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION));
        return IDCANCEL;
    };
    {
        TEffectsOverride answers(effects);
        window->Install();
    }
    EXPECT_TRUE(StartsWith(question, L"QuilMar is running:\n    " + box.InstallFolder() + L"quilmar.exe"));
    EXPECT_EQ(window->LastResult().outcome, TInstallOutcome::Declined);
    EXPECT_TRUE(::IsWindowVisible(Item(W::kIdBtnNext)));
    EXPECT_EQ(WindowText(Item(W::kIdLblHint)), L"Nothing was changed.");
    EXPECT_TRUE(::IsWindowEnabled(Item(W::kIdCbAddToDeskTop)));

    // Cancel pressed while the step runs takes effect when it has finished.
    effects.messageBox = [&](HWND, const std::wstring&, const std::wstring&, UINT) {
        ::SendMessageW(window->Handle(), WM_COMMAND, W::kIdBtnClose, 0);
        EXPECT_NE(window->Handle(), nullptr);
        return IDOK;
    };
    TEffectsOverride answers(effects);
    window->Install();
    EXPECT_EQ(window->LastResult().outcome, TInstallOutcome::Installed);
    EXPECT_EQ(window->Handle(), nullptr);
}

TEST_F(SetupWindowTest, FilesInUseShowTheBalloonAndProblemsAreListed) {
    Make();
    ASSERT_TRUE(CreateFolderTree(box.InstallFolder()));
    ASSERT_TRUE(WriteFileReplacing(box.InstallFolder() + L"quilmar.exe", "held"));
    {
        unique_hfile held(::CreateFileW((box.InstallFolder() + L"quilmar.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
        window->Install();
    }
    EXPECT_EQ(window->LastResult().outcome, TInstallOutcome::InUse);
    ASSERT_NE(CurrentBalloon(), nullptr);
    EXPECT_EQ(CurrentBalloon()->Title(), L"Make sure QuilMar is completely shutdown before update.");
    EXPECT_EQ(CurrentBalloon()->Body(), L"After shutdown QuilMar,please click Install to coninue.");
    EXPECT_TRUE(::IsWindowVisible(Item(W::kIdBtnNext)));
    EXPECT_EQ(::SendMessageW(Item(W::kIdGauge1), PBM_GETPOS, 0, 0), 1);  // the bar's lowest position

    // Installed with a failed step: the window stays and says what failed.
    test::RemoveTree(box.Desktop());
    window->Install();
    EXPECT_EQ(window->LastResult().outcome, TInstallOutcome::WithProblems);
    ASSERT_NE(window->Handle(), nullptr);
    EXPECT_EQ(WindowText(Item(W::kIdLblHint)), L"Installed, but these steps failed:");
    EXPECT_EQ(WindowText(Item(W::kIdMemo1)), L"The desktop shortcut could not be created.\r\n");
    EXPECT_EQ(WindowText(Item(W::kIdBtnClose)), L"Close");
    EXPECT_FALSE(::IsWindowVisible(Item(W::kIdBtnNext)));
}

class UninstallWindowTest : public ::testing::Test {
protected:
    test::TSetupSandbox box;
    test::TShellRecorder shell;
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> deletions;
    std::unique_ptr<TFrmUninstall> window;
    void SetUp() override {
        test::TFakeInstallHost host;
        TInstallOptions options;
        options.folder = box.InstallFolder();
        ASSERT_EQ(RunInstall(options, host, box.InstallSeams()).outcome, TInstallOutcome::Installed);
        window = std::make_unique<TFrmUninstall>(box.UninstallSeams(),
                                                 [this](const std::wstring& file, const std::vector<std::wstring>& f) {
                                                     deletions.push_back({file, f});
                                                     return true;
                                                 });
        ASSERT_TRUE(window->Create());
        window->Show();
    }
};

TEST_F(UninstallWindowTest, AsksOffersTheOptionsAndRemovesThenDeletesItself) {
    EXPECT_EQ(WindowText(window->Handle()), L"QuilMar Uninstall");
    EXPECT_TRUE(::GetWindowLongPtrW(window->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(WindowText(window->Item(TFrmUninstall::kIdQuestion)), L"Are you sure you want to uninstall QuilMar?");
    EXPECT_TRUE(Checked(window->Item(TFrmUninstall::kIdCbClearDefaultSetting)));
    EXPECT_FALSE(Checked(window->Item(TFrmUninstall::kIdCbClearAllRecord)));
    EXPECT_TRUE(Checked(window->Item(TFrmUninstall::kIdCbDeleteExe)));
    ::SendMessageW(window->Handle(), WM_COMMAND, TFrmUninstall::kIdBtnStartUnstall, 0);
    EXPECT_EQ(WindowText(window->Item(TFrmUninstall::kIdQuestion)), L"Uninstall was completed successfully.");
    EXPECT_FALSE(::IsWindowEnabled(window->Item(TFrmUninstall::kIdBtnStartUnstall)));
    EXPECT_FALSE(::IsWindowVisible(window->Item(TFrmUninstall::kIdProgress)));
    EXPECT_FALSE(PathExists(box.InstallFolder() + L"quilmar.exe"));
    EXPECT_TRUE(deletions.empty());
    // Three seconds later it starts its own deletion and closes.
    EXPECT_TRUE(test::WaitUntil(
        [&] {
            Pump();
            return window->Handle() == nullptr;
        },
        10000));
    ASSERT_EQ(deletions.size(), 1u);
    EXPECT_EQ(deletions[0].first, box.InstallFolder() + L"QuilmarUninstall.exe");
    EXPECT_EQ(deletions[0].second.front(), box.InstallFolder().substr(0, box.InstallFolder().size() - 1));
}

TEST_F(UninstallWindowTest, ClosingBeforeStartingRemovesNothing) {
    auto registry = test::ListRegistry(box.Root().Key());
    ::SendMessageW(window->Handle(), WM_COMMAND, TFrmUninstall::kIdBtnClose, 0);
    EXPECT_EQ(window->Handle(), nullptr);
    EXPECT_TRUE(IsExistingFile(box.InstallFolder() + L"quilmar.exe"));
    EXPECT_EQ(test::ListRegistry(box.Root().Key()), registry);
    EXPECT_TRUE(deletions.empty());
}

TEST(AdminLauncherWindow, ActsOnItsTimerOnceAndEnds) {
    int started = 0;
    TAdminLaunchSeams seams;
    seams.programFolder = L"C:\\Q\\";
    seams.osName = L"windows 7";
    seams.fileExists = [](const std::wstring& path) { return path == L"C:\\Q\\quilmar.exe"; };
    seams.runAs = [&](HWND, const std::wstring&, const std::wstring& parameters) {
        EXPECT_EQ(parameters, L"/run_admin");
        return ++started > 0;
    };
    TAdminLauncherWindow window({L"/run"}, seams);
    ASSERT_TRUE(window.Create());
    EXPECT_EQ(WindowText(window.Handle()), L"Run QuilMar as Administrator");
    EXPECT_EQ(WindowText(::GetDlgItem(window.Handle(), TAdminLauncherWindow::kIdLabel)),
              L"Open with as administrator...");
    window.Show();
    EXPECT_TRUE(test::WaitUntil(
        [&] {
            Pump();
            return window.Handle() == nullptr;
        },
        10000));
    EXPECT_EQ(started, 1);
}

}  // namespace
}  // namespace qm

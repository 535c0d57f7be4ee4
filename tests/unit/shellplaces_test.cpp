// The Windows places and the system commands, each through the seam it leaves
// by: the special-folder action, WinExec, ShellExecute or its own seams. No
// question is answered by a person and nothing ever leaves the session.
#include "replay/shellplaces.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include "base/effects.h"
#include "base/strings.h"
#include "capture/specialwindow.h"

namespace qm {
namespace {

const HWND kOwner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x10010));

class ShellPlacesTest : public ::testing::Test {
protected:
    std::vector<std::wstring> calls;
    int answer = IDOK;
    unsigned long exitResult = 0;
    TShellPlaceSeams seams;
    std::unique_ptr<TEffectsOverride> effects;
    TSpecialActions savedActions_;

    void SetUp() override {
        TEffects e;
        e.shellExecute = [this](HWND owner, const std::wstring& verb, const std::wstring& file,
                                const std::wstring& parameters, int show) {
            calls.push_back(Format(L"shell %ls %ls|%ls|%ls|%d", owner ? L"owner" : L"none", verb.c_str(), file.c_str(),
                                   parameters.c_str(), show));
            return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
        };
        e.winExec = [this](const std::string& command, UINT show) {
            calls.push_back(Format(L"winexec %ls|%u", AnsiToWide(command).c_str(), show));
            return 33u;
        };
        e.messageBox = [this](HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
            calls.push_back(Format(L"ask %ls|%ls|%#x", text.c_str(), caption.c_str(), type));
            return (type & MB_TYPEMASK) == MB_OK ? IDOK : answer;
        };
        effects = std::make_unique<TEffectsOverride>(std::move(e));
        savedActions_ = SpecialActions();
        SpecialActions().openSpecialFolder = [this](int csidl) { calls.push_back(Format(L"special %d", csidl)); };
        seams.toggleDesktop = [this] { calls.push_back(L"toggle desktop"); };
        seams.folderPath = [](int csidl) {
            return csidl == CSIDL_FAVORITES ? std::wstring(L"C:\\Users\\me\\Favorites") : std::wstring();
        };
        seams.clearRecentDocuments = [this] { calls.push_back(L"clear recent"); };
        seams.enableShutdownPrivilege = [this] { calls.push_back(L"privilege"); };
        seams.exitWindows = [this](UINT flags) {
            calls.push_back(Format(L"exit %u", flags));
            return exitResult;
        };
    }
    void TearDown() override { SpecialActions() = savedActions_; }
};

TEST_F(ShellPlacesTest, EveryPlaceStartsItsFolderOrPage) {
    const std::pair<TShellPlace, const wchar_t*> cases[] = {
        {TShellPlace::MyComputer, L"special 17"},
        {TShellPlace::MyDocuments, L"special 5"},
        {TShellPlace::ToggleDesktop, L"toggle desktop"},
        {TShellPlace::DesktopFolder, L"special 16"},
        {TShellPlace::RecycleBin, L"special 10"},
        {TShellPlace::ControlPanel, L"special 3"},
        {TShellPlace::AddRemovePrograms, L"winexec RunDLL32.exe Shell32.dll,Control_RunDLL AppWiz.cpl,,0|1"},
        {TShellPlace::TaskManager, L"shell none open|taskmgr||1"},
        {TShellPlace::NetworkPlaces, L"special 18"},
        {TShellPlace::History, L"special 34"},
        {TShellPlace::Favorites, L"shell owner explore|C:\\Users\\me\\Favorites||1"},
        {TShellPlace::RecentDocuments, L"special 8"},
        {TShellPlace::SystemProperties, L"winexec RunDLL32.exe Shell32.dll,Control_RunDLL SysDm.cpl,,0|1"},
        {TShellPlace::SystemHardware, L"winexec RunDLL32.exe Shell32.dll,Control_RunDLL SysDm.cpl,,2|1"},
        {TShellPlace::SystemAdvanced, L"winexec RunDLL32.exe Shell32.dll,Control_RunDLL SysDm.cpl,,3|1"},
        {TShellPlace::DisplayDesktop, L"winexec RunDLL32.exe Shell32.dll,Control_RunDLL desk.cpl,,0|1"},
        {TShellPlace::DisplaySettings, L"winexec RunDLL32.exe Shell32.dll,Control_RunDLL desk.cpl,,3|1"},
        {TShellPlace::DisplayScreenSaver, L"winexec RunDLL32.exe Shell32.dll,Control_RunDLL desk.cpl,,1|1"},
    };
    for (const auto& [place, expected] : cases) {
        calls.clear();
        OpenShellPlace(place, kOwner, seams);
        EXPECT_EQ(calls, std::vector<std::wstring>{expected}) << WideToUtf8(expected);
    }
    // Without a Favorites folder nothing is opened.
    seams.folderPath = [](int) { return std::wstring(); };
    calls.clear();
    OpenShellPlace(TShellPlace::Favorites, kOwner, seams);
    EXPECT_TRUE(calls.empty());
}

TEST_F(ShellPlacesTest, SystemExitsAskWithCancelAsDefaultAndLeaveOnlyAfterOk) {
    struct Case {
        TSystemExit what;
        const wchar_t* question;
        UINT flags;
        bool privilege;
    };
    const Case cases[] = {
        {TSystemExit::LogOff, L"Are you sure you want to quick log off computer without save the change?", 4, false},
        {TSystemExit::Restart, L"Are you sure you want to quick restart computer without save the change?", 6, true},
        {TSystemExit::ShutDown, L"Are you sure you want to quick shut down computer without save the change?", 12,
         true},
    };
    const std::wstring ask = Format(L"|QuilMar|%#x", MB_OKCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON2);
    for (const Case& c : cases) {
        EXPECT_EQ(SystemExitFlags(c.what), c.flags);
        calls.clear();
        answer = IDCANCEL;
        EXPECT_FALSE(ExitSystem(c.what, kOwner, seams));
        EXPECT_EQ(calls, std::vector<std::wstring>{L"ask " + std::wstring(c.question) + ask});
        calls.clear();
        answer = IDOK;
        EXPECT_TRUE(ExitSystem(c.what, kOwner, seams));
        std::vector<std::wstring> expected = {L"ask " + std::wstring(c.question) + ask};
        if (c.privilege) expected.push_back(L"privilege");
        expected.push_back(Format(L"exit %u", c.flags));
        EXPECT_EQ(calls, expected);
    }
}

TEST_F(ShellPlacesTest, ARefusedExitSaysSo) {
    exitResult = ERROR_PRIVILEGE_NOT_HELD;
    EXPECT_FALSE(ExitSystem(TSystemExit::ShutDown, kOwner, seams));
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[2], L"exit 12");
    EXPECT_TRUE(StartsWith(calls[3], L"ask Windows refused to shut down.")) << WideToUtf8(calls[3]);
    EXPECT_TRUE(EndsWith(calls[3], Format(L"|QuilMar|%#x", MB_OK | MB_ICONWARNING)));
}

TEST_F(ShellPlacesTest, ClearingRecentDocumentsAsksFirst) {
    const std::wstring question = L"ask Are you sure you want to clear My Recent Documents?" +
                                  Format(L"|QuilMar|%#x", MB_OKCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON2);
    answer = IDCANCEL;
    EXPECT_FALSE(ClearRecentDocuments(kOwner, seams));
    EXPECT_EQ(calls, std::vector<std::wstring>{question});
    calls.clear();
    answer = IDOK;
    EXPECT_TRUE(ClearRecentDocuments(kOwner, seams));
    EXPECT_EQ(calls, (std::vector<std::wstring>{question, L"clear recent"}));
}

}  // namespace
}  // namespace qm

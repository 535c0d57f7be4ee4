// The running copies an installation or removal ends, against real processes:
// programs found by the full path of their program file, help viewers by the
// help they show, and ending them by asking first.
#include "setup/runningcopies.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/files.h"
#include "base/processes.h"
#include "base/strings.h"
#include "support/process.h"
#include "support/tempdir.h"

namespace qm {
namespace {

// A stand-in program with a titled window, started from the path given.
test::Process StartTitled(const std::wstring& path, const std::wstring& title, bool stubborn = false) {
    EXPECT_TRUE(CreateFolderTree(FolderOf(path)));
    EXPECT_TRUE(::CopyFileW(JoinPath(ModuleFolder(), L"test_titledwindow.exe").c_str(), path.c_str(), FALSE));
    test::Process p = test::Process::Start(path, L"\"" + title + L"\"" + (stubborn ? L" stubborn" : L""));
    EXPECT_NE(test::WaitForWindow(L"QmTitledWindow", p.Id(), 10000), nullptr) << WideToUtf8(path);
    return p;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
    for (std::wstring& s : v) s = ToLower(s);
    std::sort(v.begin(), v.end());
    return v;
}

TEST(RunningCopies, OnlyTheInstallFoldersProgramsAndItsOwnHelpViewerAreEnded) {
    test::TempDir dir;
    const std::wstring install = dir / L"Install \u00E9\u4E2D\\", other = dir / L"Other\\";
    test::Process mine = StartTitled(install + L"quilmar.exe", L"QuilMar 3.0");
    test::Process menu = StartTitled(install + L"quilmarmenu.exe", L"Quilmar Context Menu");
    test::Process elsewhere = StartTitled(other + L"quilmar.exe", L"QuilMar 3.0");
    test::Process ownHelp = StartTitled(other + L"hh.exe", L"QuilMar Help");
    test::Process otherHelp = StartTitled(dir / L"Tools\\hh.exe", L"Another Program Help");

    EXPECT_EQ(Sorted(RunningProductCopyNames(install)),
              Sorted({install + L"quilmar.exe", install + L"quilmarmenu.exe", other + L"hh.exe"}));
    EXPECT_TRUE(EndRunningProductCopies(install));
    // Asked to close, they closed themselves (a terminated one would answer 0).
    EXPECT_EQ(mine.WaitExit(5000), 7u);
    EXPECT_EQ(menu.WaitExit(5000), 7u);
    EXPECT_EQ(ownHelp.WaitExit(5000), 7u);
    EXPECT_EQ(elsewhere.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(otherHelp.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(RunningProductCopyNames(install).empty());
}

TEST(RunningCopies, OneThatIgnoresTheRequestIsEndedAfterTheWait) {
    test::TempDir dir;
    const std::wstring install = dir / L"QuilMar\\";
    test::Process stubborn = StartTitled(install + L"quilmar.exe", L"QuilMar 3.0", true);
    int pumps = 0;
    std::vector<TRunningProcess> left =
        CloseThenEnd(ProcessesInFolder(install, {L"quilmar.exe"}), 300, [&pumps] { ++pumps; });
    EXPECT_TRUE(left.empty());
    EXPECT_EQ(stubborn.WaitExit(0), 0u);  // terminated, not closed
    EXPECT_GT(pumps, 0);                  // the caller's window went on answering meanwhile
}

TEST(RunningCopies, ImagePathsCompareAsFullPathsOfTheFolderItself) {
    test::TempDir dir;
    const std::wstring folder = dir / L"Quil Mar";
    ASSERT_TRUE(CreateFolderTree(folder + L"\\sub"));
    const struct {
        std::wstring image, folder;
        bool inside;
    } cases[] = {
        {folder + L"\\quilmar.exe", folder, true},
        {folder + L"\\quilmar.exe", folder + L"\\", true},
        {ToUpper(folder) + L"\\QUILMAR.EXE", folder, true},
        {folder + L"\\sub\\..\\quilmar.exe", folder, true},
        {folder + L"\\sub\\quilmar.exe", folder, false},  // below it is not in it
        {folder + L"x\\quilmar.exe", folder, false},
        {L"", folder, false},
        {folder + L"\\quilmar.exe", L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageInFolder(c.image, c.folder), c.inside) << WideToUtf8(c.image) << " in " << WideToUtf8(c.folder);
}

}  // namespace
}  // namespace qm

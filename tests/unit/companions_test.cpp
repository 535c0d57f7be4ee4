// The companions' decisions: the elevation launcher's cases, the link to
// open, and the hand-over of chosen paths, with the shell recorded.
#include <gtest/gtest.h>

#include "base/files.h"
#include "base/listfile.h"
#include "base/productfiles.h"
#include "base/strings.h"
#include "base/system.h"
#include "companions/admin/adminlauncher.h"
#include "companions/linkopener/linkopener.h"
#include "companions/menu/handover.h"
#include "support/shellcalls.h"
#include "support/tempdir.h"

namespace qm {
namespace {

using Calls = std::vector<std::wstring>;
const std::wstring kFolder = L"C:\\Program Files\\QuilMar\\";
const std::wstring kMain = kFolder + L"quilmar.exe";

struct LauncherCase {
    std::vector<std::wstring> args;
    const wchar_t* os;
    bool admin;
    Calls expected;  // "runas file|parameters" or a shell call
};

TEST(AdminLauncher, EachParameterCaseLeadsToItsCall) {
    const std::wstring doc = L"C:\\My Files\\a.txt", tool = L"C:\\tools\\x.exe";
    const std::wstring openWith =
        test::TShellRecorder::Call(L"open", L"rundll32.exe", L"shell32.dll,OpenAs_RunDLL " + doc, SW_SHOWNORMAL);
    const LauncherCase cases[] = {
        // No arguments: the main program elevated, as started elevated.
        {{}, L"windows 7", false, {L"runas " + kMain + L"|/runasadmin"}},
        {{}, L"windows vista", true, {L"runas " + kMain + L"|/runasadmin"}},
        {{L"/run"}, L"windows 7", false, {L"runas " + kMain + L"|/run_admin"}},
        // "/ctmenu_admin" becomes what the main program reads: the context-menu file, elevated.
        {{L"/ctmenu_admin"}, L"windows 7", false, {L"runas " + kMain + L"|/ctmenu /runasadmin"}},
        {{L"/ctmenu_admin", L"C:\\x"}, L"windows 7", false, {L"runas " + kMain + L"|/ctmenu /runasadmin"}},
        // XP and Windows 8 and later: an administrator starts it plainly.
        {{}, L"windows xp", true, {test::TShellRecorder::Call(L"Open", kMain, L"/runasadmin", SW_SHOW)}},
        {{L"/run"}, L"windows", true, {test::TShellRecorder::Call(L"Open", kMain, L"/run_admin", SW_SHOW)}},
        {{}, L"windows", false, {L"runas " + kMain + L"|/runasadmin"}},
        // " /run" joined is "/run" too; "/RUN" is no switch.
        {{L"", L"/run"}, L"windows 7", false, {L"runas " + kMain + L"|/runasadmin"}},
        // A document: the Open With dialog; split parts are joined with one blank.
        {{L"C:\\My", L"Files\\a.txt"}, L"windows 7", false, {openWith}},
        {{doc}, L"windows", true, {openWith}},
        // A program: nothing.
        {{tool}, L"windows 7", false, {}},
        // Not a file (a folder, an address): the main program as it is.
        {{L"C:\\Folder"}, L"windows 7", false, {test::TShellRecorder::Call(L"Open", kMain, L"", SW_SHOW)}},
        {{L"/RUN"}, L"windows 7", false, {test::TShellRecorder::Call(L"Open", kMain, L"", SW_SHOW)}},
    };
    for (const LauncherCase& c : cases) {
        test::TShellRecorder shell;
        Calls calls;
        TAdminLaunchSeams seams;
        seams.programFolder = kFolder;
        seams.osName = c.os;
        seams.isAdmin = [&] { return c.admin; };
        seams.fileExists = [&](const std::wstring& path) { return path == kMain || path == doc || path == tool; };
        seams.runAs = [&](HWND, const std::wstring& file, const std::wstring& parameters) {
            calls.push_back(L"runas " + file + L"|" + parameters);
            return true;
        };
        RunAdminLauncher(c.args, nullptr, seams);
        calls.insert(calls.end(), shell.Calls().begin(), shell.Calls().end());
        EXPECT_EQ(calls, c.expected) << WideToUtf8(JoinArguments(c.args)) << " on " << WideToUtf8(c.os);
    }
}

TEST(AdminLauncher, WithoutTheMainProgramBesideItNothingStarts) {
    for (const std::vector<std::wstring>& args :
         {std::vector<std::wstring>{}, {L"/run"}, {L"/ctmenu_admin"}, {L"C:\\Folder"}}) {
        test::TShellRecorder shell;
        bool ranAs = false;
        TAdminLaunchSeams seams;
        seams.programFolder = kFolder;
        seams.osName = L"windows 7";
        seams.isAdmin = [] { return true; };
        seams.fileExists = [](const std::wstring&) { return false; };
        seams.runAs = [&](HWND, const std::wstring&, const std::wstring&) { return ranAs = true; };
        RunAdminLauncher(args, nullptr, seams);
        EXPECT_FALSE(ranAs);
        EXPECT_TRUE(shell.Calls().empty());
    }
    EXPECT_EQ(LauncherLabel({}), L"Run QuilMar as Administrator...");
    EXPECT_EQ(LauncherLabel({L"x"}), L"Open with as administrator...");
}

TEST(CommandLines, ArgumentsHandedOnArriveWhole) {
    EXPECT_EQ(QuoteArgument(L"/ctmenu"), L"/ctmenu");
    EXPECT_EQ(QuoteArgument(L"C:\\My Files\\a.txt"), L"\"C:\\My Files\\a.txt\"");
    EXPECT_EQ(QuoteArgument(L""), L"\"\"");
    const std::vector<std::wstring> args{L"/ctmenu", L"C:\\a  b\\\u4E2D.lnk", L"", L"x\ty"};
    EXPECT_EQ(CommandLineArguments((L"prog.exe " + CommandLineOf(args)).c_str()), args);
    // Split parts of an unquoted path are whole again when joined.
    EXPECT_EQ(JoinArguments({L"C:\\My", L"Files\\a.txt"}), L"C:\\My Files\\a.txt");
    EXPECT_EQ(MainProgramParameter({L"/ctmenu_admin"}), L"/ctmenu /runasadmin");
}

TEST(LinkOpener, TheCommandLineFirstThenTheHandOffFile) {
    test::TempDir dir;
    const std::wstring file = dir / L"open64link.txt";
    const std::wstring link = L"C:\\Users\\me\\Desktop\\Tool \u00E9.lnk";
    EXPECT_EQ(LinkToOpen({}, file), L"");  // no file: nothing
    ASSERT_TRUE(WriteListFile(file, {link}));
    EXPECT_EQ(LinkToOpen({}, file), link);
    EXPECT_EQ(LinkToOpen({L"C:\\Other.lnk"}, file), L"C:\\Other.lnk");
    EXPECT_EQ(LinkToOpen({L"C:\\My", L"Links\\A.lnk"}, file), L"C:\\My Links\\A.lnk");
    // Other encodings of the file, and several lines (which name no file).
    const std::pair<std::string, std::wstring> files[] = {
        {std::string("\xFE\xFF\0C\0:\0\\\0x\0.\0l\0n\0k\0\r\0\n", 20), L"C:\\x.lnk"},
        {"\xEF\xBB\xBF"
         "C:\\\xC3\xA9.lnk\r\n",
         L"C:\\\u00E9.lnk"},
        {"  C:\\plain.lnk  \r\n", L"C:\\plain.lnk"},
        {std::string("\xFF\xFE", 2) + std::string("a\0\r\0\n\0b\0\r\0\n\0", 12), L"a\r\nb"},
        {"", L""},
    };
    for (const auto& [bytes, expected] : files) {
        ASSERT_TRUE(WriteFileReplacing(file, bytes));
        EXPECT_EQ(LinkToOpen({}, file), expected);
    }
    test::TShellRecorder shell;
    EXPECT_FALSE(OpenLink(L""));
    EXPECT_TRUE(OpenLink(link));
    EXPECT_EQ(shell.Calls(), Calls{test::TShellRecorder::Call(L"", link, L"", SW_SHOWNORMAL)});
}

TEST(HandOver, ThePathsGoToTheContextMenuFileAndTheMainProgramStarts) {
    const std::wstring file = ContextMenuFile();
    EXPECT_EQ(file, JoinPath(UserDataFolder(), L"ctmenu.txt"));
    std::optional<std::string> saved = ReadFileBytes(file);
    const std::vector<std::wstring> paths{L"C:\\a b\\x*y.txt", L"C:\\Folder \u4E2D", L"\\\\server\\share\\z.doc"};
    test::TShellRecorder shell;
    ASSERT_TRUE(HandOverPaths(paths, kFolder, nullptr));
    // Written in the list format, "*" and all.
    EXPECT_EQ(ReadListFile(file), paths);
    EXPECT_EQ(ReadFileBytes(file)->substr(0, 2), std::string("\xFF\xFE", 2));
    // No paths: the file stays as it was, and the main program starts all the same.
    ASSERT_TRUE(HandOverPaths({}, kFolder, nullptr));
    EXPECT_EQ(ReadListFile(file), paths);
    const std::wstring started = test::TShellRecorder::Call(L"Open", kMain, L"/ctmenu", SW_SHOW);
    EXPECT_EQ(shell.Calls(), (Calls{started, started}));
    shell.SetAnswer(false);
    EXPECT_FALSE(HandOverPaths(paths, kFolder, nullptr));
    if (saved)
        WriteFileReplacing(file, *saved);
    else
        ::DeleteFileW(file.c_str());
}

}  // namespace
}  // namespace qm

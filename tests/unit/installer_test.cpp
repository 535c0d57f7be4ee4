// The install step against a sandbox: the real payload and 7-Zip library of
// this build, a folder with a non-ASCII name, a registry key of the test's own
// and the shell seam, so every step's result can be read back.
#include "setup/installer.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/unique_any.h"
#include "base/productfiles.h"
#include "base/strings.h"
#include "setup/contextmenu.h"
#include "setup/installrecord.h"
#include "setup/setupnames.h"
#include "support/setupsandbox.h"
#include "support/shellcalls.h"

namespace qm {
namespace {

class InstallerTest : public ::testing::Test {
protected:
    test::TSetupSandbox box;
    test::TFakeInstallHost host;
    test::TShellRecorder shell;
    TInstallOptions options;

    void SetUp() override { options.folder = box.InstallFolder(); }
    TInstallResult Install() { return RunInstall(options, host, box.InstallSeams()); }
    std::optional<std::wstring> Value(const std::wstring& path, const std::wstring& name) {
        return ReadString(box.Root().Key(), path, TRegView::Native, name);
    }
    std::wstring Folder() const { return box.InstallFolder(); }
};

TEST_F(InstallerTest, InstallsEveryFileShortcutAndKey) {
    TInstallResult result = Install();
    ASSERT_EQ(result.outcome, TInstallOutcome::Installed)
        << WideToUtf8(result.problems.empty() ? L"" : result.problems[0]);
    EXPECT_EQ(result.folder, Folder());

    // The programs and the help file byte for byte as the payload holds them,
    // the archive copy, and the context-menu DLL.
    test::TTreeListing stage = test::ListTree(test::BuildPath(QM_TEST_STAGE));
    test::TTreeListing installed = test::ListTree(Folder());
    ASSERT_EQ(stage.files.size(), 6u);
    for (const auto& [name, hash] : stage.files) EXPECT_EQ(installed.files[name], hash) << WideToUtf8(name);
    EXPECT_EQ(installed.files[L"quilmar.7z"], test::Sha256(box.Resources()[L"7z|DuVidu7z"]));
    EXPECT_EQ(installed.files[L"QuilmarMenuDLL.dll"], test::Sha256(box.Resources()[L"udl|QuilmarMenuDLL"]));
    EXPECT_EQ(installed.files.size(), 8u);
    // A leftover archive beside the setup program goes.
    EXPECT_FALSE(PathExists(box.SetupFolder() + L"\\quilmar.7z"));

    for (const wchar_t* link :
         {L"QuilMar\\QuilMar.lnk", L"QuilMar\\QuilMar help.lnk", L"QuilMar\\Uninstall\\Uninstall QuilMar.lnk"})
        EXPECT_TRUE(IsExistingFile(JoinPath(box.Programs(), link))) << WideToUtf8(link);
    EXPECT_TRUE(IsExistingFile(box.Desktop() + L"\\QuilMar.lnk"));
    // Send To for both users with a profile; no Quick Launch folder, no shortcut there.
    EXPECT_TRUE(IsExistingFile(box.Home() + L"\\SendTo\\Quilmar.lnk"));
    EXPECT_TRUE(IsExistingFile(box.Other() + L"\\SendTo\\Quilmar.lnk"));

    const std::wstring entry = UninstallKeyPath();
    EXPECT_EQ(Value(entry, L"UninstallString"), L"\"" + Folder() + L"QuilmarUninstall.exe\"");
    EXPECT_EQ(Value(entry, L"DisplayVersion"), L"3.0");
    EXPECT_EQ(Value(ProductKeyPath(), L"app"), Folder() + L"quilmar.exe");
    EXPECT_EQ(Value(kRunKeyPath, L"QuilMar"), L"\"" + Folder() + L"quilmar.exe\" /run");
    EXPECT_EQ(Value(MenuClassKeyPath() + L"\\InprocServer32", L""), Folder() + L"QuilmarMenuDLL.dll");

    // Everything written is in the record under the product key.
    std::optional<TInstallRecord> record = LoadInstallRecord(box.Root().Key(), TRegView::Native);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->Of(TRecordKind::File).size(), 8u + 3u + 1u + 2u);
    std::vector<std::wstring> folders;
    for (const TRecordEntry& e : record->Of(TRecordKind::Folder)) folders.push_back(e.path);
    EXPECT_EQ(folders, (std::vector<std::wstring>{
                           box.Dir() / L"Programs \u00DCn\u4E2D", box.Dir() / L"Programs \u00DCn\u4E2D\\QuilMar",
                           box.Programs() + L"\\QuilMar", box.Programs() + L"\\QuilMar\\Uninstall"}));

    // Started directly with "/install", hidden as the setup program asks.
    EXPECT_EQ(shell.Calls(), std::vector<std::wstring>{
                                 test::TShellRecorder::Call(L"Open", Folder() + L"quilmar.exe", L"/install", SW_HIDE)});
    EXPECT_TRUE(host.asked.empty());
    EXPECT_TRUE(host.optionsDisabled);
    EXPECT_GT(host.advances, 30);
    EXPECT_EQ(host.hint, L"copying files...");
}

TEST_F(InstallerTest, OnWindows7ItPinsAndStartsThroughExplorer) {
    box.osName = "windows 7";
    ASSERT_EQ(Install().outcome, TInstallOutcome::Installed);
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring link = box.Programs() + L"\\QuilMar\\QuilMar.lnk";
    EXPECT_EQ(shell.Calls(), (std::vector<std::wstring>{
                                 test::TShellRecorder::Call(L"TaskbarPin", link, L"", SW_SHOW),
                                 test::TShellRecorder::Call(L"StartPin", link, L"", SW_SHOW),
                                 test::TShellRecorder::Call(L"open", std::wstring(windows) + L"\\explorer.exe",
                                                            L"\"" + Folder() + L"quilmar.exe\"", SW_HIDE),
                             }));
}

TEST_F(InstallerTest, ClearedOptionsLeaveTheirStepsOut) {
    ASSERT_TRUE(WriteString(box.Root().Key(), kRunKeyPath, TRegView::Native, L"QuilMar", L"\"old\" /run"));
    options.desktopIcon = options.runAtStartup = options.runNow = options.contextMenu = options.quickLaunch = false;
    ASSERT_EQ(Install().outcome, TInstallOutcome::Installed);
    EXPECT_FALSE(PathExists(box.Desktop() + L"\\QuilMar.lnk"));
    // A cleared "Launch at windows startup" removes an earlier installation's value.
    EXPECT_FALSE(Value(kRunKeyPath, L"QuilMar").has_value());
    EXPECT_FALSE(PathExists(Folder() + L"QuilmarMenuDLL.dll"));
    EXPECT_FALSE(KeyExists(box.Root().Key(), MenuClassKeyPath(), TRegView::Native));
    EXPECT_TRUE(shell.Calls().empty());
    // Send To is always there.
    EXPECT_TRUE(IsExistingFile(box.Home() + L"\\SendTo\\Quilmar.lnk"));
}

TEST_F(InstallerTest, RunningCopiesAreEndedOnlyAfterTheUserAgrees) {
    ASSERT_TRUE(CreateFolderTree(Folder()));
    ASSERT_TRUE(WriteFileReplacing(Folder() + L"quilmar.exe", "old program"));
    box.running = {Folder() + L"quilmar.exe"};
    host.agree = false;
    TInstallResult declined = Install();
    EXPECT_EQ(declined.outcome, TInstallOutcome::Declined);
    ASSERT_EQ(host.asked.size(), 1u);
    EXPECT_EQ(host.asked[0], box.running);
    EXPECT_EQ(box.endCalls, 0);
    // Nothing changed: the old program, no archive, no key.
    EXPECT_EQ(ReadFileBytes(Folder() + L"quilmar.exe"), std::string("old program"));
    EXPECT_EQ(test::ListTree(Folder()).files.size(), 1u);
    EXPECT_EQ(test::ListRegistry(box.Root().Key()).size(), 1u);
    EXPECT_FALSE(host.optionsDisabled);

    host.agree = true;
    EXPECT_EQ(Install().outcome, TInstallOutcome::Installed);
    EXPECT_EQ(box.endCalls, 1);
    EXPECT_EQ(host.asked.size(), 2u);
}

TEST_F(InstallerTest, AProgramThatCannotBeReplacedIsInUse) {
    // A program held open by a process the setup cannot end cannot be deleted.
    ASSERT_TRUE(CreateFolderTree(Folder()));
    ASSERT_TRUE(WriteFileReplacing(Folder() + L"QuilmarOpen64Link.exe", "held"));
    ASSERT_TRUE(WriteFileReplacing(Folder() + L"quilmarmenu.exe", "old"));
    unique_hfile held(::CreateFileW((Folder() + L"QuilmarOpen64Link.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(Install().outcome, TInstallOutcome::InUse);
    // The old programs that could go are gone; nothing else was written.
    EXPECT_FALSE(PathExists(Folder() + L"quilmarmenu.exe"));
    EXPECT_FALSE(PathExists(Folder() + L"quilmar.7z"));
    EXPECT_FALSE(KeyExists(box.Root().Key(), UninstallKeyPath(), TRegView::Native));
}

TEST_F(InstallerTest, AnUpdateKeepsTheSettingsFilesTheRecordsAndTheOldDllAsBak) {
    const std::wstring user = UserDataFolder(), common = CommonDataFolder();
    const bool userExisted = IsExistingFolder(user), commonExisted = IsExistingFolder(common);
    ASSERT_TRUE(CreateFolderTree(user) && CreateFolderTree(common));
    const std::wstring settings[] = {JoinPath(user, L"defualt.ini"), JoinPath(common, L"defualt.ini")};
    const std::wstring recordFile = JoinPath(user, L"Dec 01,2026_001.quilmar");
    std::map<std::wstring, std::optional<std::string>> saved;
    for (const std::wstring& f : {settings[0], settings[1], recordFile}) saved[f] = ReadFileBytes(f);
    for (const std::wstring& f : settings) ASSERT_TRUE(WriteFileReplacing(f, "[default]\r\nEdtRECPath=D:\\R\\\r\n"));
    ASSERT_TRUE(WriteFileReplacing(recordFile, "<record/>"));

    ASSERT_EQ(Install().outcome, TInstallOutcome::Installed);
    const std::string firstDll = ReadFileBytes(Folder() + L"QuilmarMenuDLL.dll").value();
    box.Resources()[L"udl|QuilmarMenuDLL"] = "a newer DLL";
    ASSERT_EQ(Install().outcome, TInstallOutcome::Installed);
    EXPECT_EQ(ReadFileBytes(Folder() + L"QuilmarMenuDLL.dll"), std::string("a newer DLL"));
    EXPECT_EQ(ReadFileBytes(Folder() + L"QuilmarMenuDLL_bak.dll"), firstDll);
    for (const std::wstring& f : settings)
        EXPECT_EQ(ReadFileBytes(f), std::string("[default]\r\nEdtRECPath=D:\\R\\\r\n")) << WideToUtf8(f);
    EXPECT_EQ(ReadFileBytes(recordFile), std::string("<record/>"));
    // The record of the second installation holds the first one's too.
    std::optional<TInstallRecord> record = LoadInstallRecord(box.Root().Key(), TRegView::Native);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->Of(TRecordKind::Folder).size(), 4u);
    EXPECT_EQ(record->Of(TRecordKind::File).size(), 8u + 3u + 1u + 2u + 1u);

    for (const auto& [f, bytes] : saved) {
        if (bytes)
            WriteFileReplacing(f, *bytes);
        else
            ::DeleteFileW(f.c_str());
    }
    if (!commonExisted) ::RemoveDirectoryW(common.c_str());
    if (!userExisted) ::RemoveDirectoryW(user.c_str());
}

TEST_F(InstallerTest, FailedStepsAreListedAndTheOthersAreDone) {
    test::RemoveTree(box.Desktop());
    ASSERT_TRUE(CreateFolderTree(box.Other() + L"\\SendTo\\Quilmar.lnk"));  // a folder in the shortcut's place
    TInstallResult result = Install();
    EXPECT_EQ(result.outcome, TInstallOutcome::WithProblems);
    EXPECT_EQ(result.problems, (std::vector<std::wstring>{
                                   L"The desktop shortcut could not be created.",
                                   L"The Send To shortcut could not be created in " + box.Other() + L"\\SendTo.",
                               }));
    EXPECT_TRUE(IsExistingFile(box.Home() + L"\\SendTo\\Quilmar.lnk"));
    EXPECT_TRUE(KeyExists(box.Root().Key(), UninstallKeyPath(), TRegView::Native));
    EXPECT_EQ(shell.Calls().size(), 1u);
}

TEST_F(InstallerTest, WithoutItsFilesTheInstallFailsBeforeRegisteringAnything) {
    box.Resources().erase(L"7z|DuVidu7z");
    TInstallResult result = Install();
    EXPECT_EQ(result.outcome, TInstallOutcome::Failed);
    EXPECT_EQ(result.problems, std::vector<std::wstring>{L"The setup program lacks the files it installs."});
    EXPECT_FALSE(KeyExists(box.Root().Key(), UninstallKeyPath(), TRegView::Native));
    EXPECT_TRUE(shell.Calls().empty());
    // A damaged archive is a failure of its own, named.
    box.Resources()[L"7z|DuVidu7z"] = "7z\xBC\xAF\x27\x1C but nothing after";
    result = Install();
    EXPECT_EQ(result.outcome, TInstallOutcome::Failed);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_TRUE(StartsWith(result.problems[0], L"The programs could not be unpacked: "));
}

TEST_F(InstallerTest, On64BitWindowsThe64BitDllIsRegisteredInThe64BitView) {
    box.Resources()[L"udl|QuilmarMenuDLL64"] = "a 64-bit DLL";
    TInstallSeams seams = box.InstallSeams();
    seams.windows64 = true;
    ASSERT_EQ(RunInstall(options, host, seams).outcome, TInstallOutcome::Installed);
    EXPECT_EQ(ReadFileBytes(Folder() + L"QuilmarMenuDLL64.dll"), std::string("a 64-bit DLL"));
    std::optional<TInstallRecord> record = LoadInstallRecord(box.Root().Key(), TRegView::Native);
    ASSERT_TRUE(record.has_value());
    bool dll64 = false;
    for (const TRecordEntry& e : record->Of(TRecordKind::Value))
        dll64 |= e.view == TRegView::Bits64 && e.path == MenuClassKeyPath() + L"\\InprocServer32";
    EXPECT_TRUE(dll64);
}

TEST(InstallFolder, Normalised) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"D:\\Apps", L"D:\\Apps\\"},
        {L"  C:\\\\Apps\\\\\\Q  ", L"C:\\Apps\\Q\\"},
        {L"C:\\Apps\\", L"C:\\Apps\\"},
        {L"", L""},
        {L"   ", L""},
        {L"\\\\server\\share\\Q", L"\\\\server\\share\\Q\\"},
    };
    for (const auto& [text, folder] : cases) EXPECT_EQ(NormaliseInstallFolder(text), folder) << WideToUtf8(text);
}

TEST(SetupStart, ElevatedRestartOnlyWhereTheManifestDoesNotElevate) {
    EXPECT_TRUE(NeedsElevatedRestart(L"", L"windows xp", false));
    EXPECT_TRUE(NeedsElevatedRestart(L"", L"windows", false));
    EXPECT_FALSE(NeedsElevatedRestart(L"", L"windows", true));
    EXPECT_FALSE(NeedsElevatedRestart(L"/runasadmin", L"windows xp", false));
    for (const wchar_t* os : {L"windows 7", L"windows vista", L"windows unknow"})
        EXPECT_FALSE(NeedsElevatedRestart(L"", os, false)) << WideToUtf8(os);
}

}  // namespace
}  // namespace qm

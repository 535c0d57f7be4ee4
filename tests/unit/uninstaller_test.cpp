// The removal of an installation made by the install step in a sandbox: what
// the setup wrote goes, what the user keeps stays, each failure is listed and
// the rest goes on; and the self-deleting batch that removes the uninstaller.
#include "companions/uninstall/uninstaller.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "companions/uninstall/selfdelete.h"
#include "setup/contextmenu.h"
#include "setup/installrecord.h"
#include "setup/setupnames.h"
#include "setup/shortcuts.h"
#include "support/process.h"
#include "support/setupsandbox.h"
#include "support/shellcalls.h"

namespace qm {
namespace {

class TFakeUninstallHost : public IUninstallHost {
public:
    int advances = 0;
    bool agree = true;
    std::vector<std::vector<std::wstring>> asked;
    void Advance() override { ++advances; }
    void Pump() override {}
    bool AskToEndRunning(const std::vector<std::wstring>& running) override {
        asked.push_back(running);
        return agree;
    }
};

class UninstallerTest : public ::testing::Test {
protected:
    test::TSetupSandbox box;
    test::TFakeInstallHost installHost;
    TFakeUninstallHost host;
    test::TShellRecorder shell;
    std::map<std::wstring, std::wstring> registryBefore;

    void SetUp() override {
        registryBefore = test::ListRegistry(box.Root().Key());
        TInstallOptions options;
        options.folder = box.InstallFolder();
        ASSERT_EQ(RunInstall(options, installHost, box.InstallSeams()).outcome, TInstallOutcome::Installed);
        ASSERT_TRUE(CreateFolderTree(box.UserData()) && CreateFolderTree(box.CommonData()));
        for (const std::wstring& f : {UserIni(), CommonIni()}) ASSERT_TRUE(WriteFileReplacing(f, "[default]\r\n"));
        ASSERT_TRUE(WriteFileReplacing(Record(), "<record/>"));
    }
    TUninstallResult Uninstall(const TUninstallOptions& options = {}) {
        return RunUninstall(options, host, box.UninstallSeams());
    }
    std::wstring Folder() const { return box.InstallFolder(); }
    std::wstring UserIni() const { return JoinPath(box.UserData(), L"defualt.ini"); }
    std::wstring CommonIni() const { return JoinPath(box.CommonData(), L"defualt.ini"); }
    std::wstring Record() const { return JoinPath(box.UserData(), L"Dec 01,2026_001.quilmar"); }
};

TEST_F(UninstallerTest, RemovesWhatTheSetupWroteAndNothingElse) {
    // The user keeps a file of their own in the install folder and in the Start menu.
    ASSERT_TRUE(WriteFileReplacing(Folder() + L"notes \u00E9.txt", "mine"));
    ASSERT_TRUE(WriteFileReplacing(box.Programs() + L"\\QuilMar\\Uninstall\\mine.lnk", "mine"));
    TUninstallResult result = Uninstall();
    EXPECT_FALSE(result.declined);
    EXPECT_TRUE(result.problems.empty()) << WideToUtf8(result.problems.empty() ? L"" : result.problems[0]);
    EXPECT_TRUE(result.entryRemoved);

    // Left: the uninstaller itself (for the batch) and the user's files.
    test::TTreeListing left = test::ListTree(Folder());
    std::vector<std::wstring> names;
    for (const auto& [name, hash] : left.files) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"QuilmarUninstall.exe", L"notes \u00E9.txt"}));
    EXPECT_EQ(result.selfFile, Folder() + L"QuilmarUninstall.exe");
    EXPECT_EQ(result.foldersAfterSelf, (std::vector<std::wstring>{box.Dir() / L"Programs \u00DCn\u4E2D\\QuilMar",
                                                                  box.Dir() / L"Programs \u00DCn\u4E2D"}));
    EXPECT_TRUE(IsExistingFile(box.Programs() + L"\\QuilMar\\Uninstall\\mine.lnk"));
    EXPECT_FALSE(PathExists(box.Programs() + L"\\QuilMar\\QuilMar.lnk"));
    EXPECT_FALSE(PathExists(box.Desktop() + L"\\QuilMar.lnk"));
    EXPECT_FALSE(PathExists(box.Home() + L"\\SendTo\\Quilmar.lnk"));
    EXPECT_FALSE(PathExists(box.Other() + L"\\SendTo\\Quilmar.lnk"));
    // The registry is as it was before the installation.
    EXPECT_EQ(test::ListRegistry(box.Root().Key()), registryBefore);
    // The default options: both settings files go, the records stay.
    EXPECT_FALSE(PathExists(UserIni()));
    EXPECT_FALSE(PathExists(CommonIni()));
    EXPECT_FALSE(PathExists(box.CommonData()));
    EXPECT_TRUE(IsExistingFile(Record()));
    EXPECT_TRUE(box.recycled.empty());
    EXPECT_TRUE(host.asked.empty());
}

TEST_F(UninstallerTest, AShortcutOfTheProductsNameIntoAnotherFolderStays) {
    // Another copy's Send To shortcut in the other user's folder, with the name the plan knows.
    const std::wstring other = box.Other() + L"\\SendTo\\Quilmar.lnk";
    ASSERT_TRUE(SaveShellLink(other, L"C:\\Elsewhere\\quilmarmenu.exe", L"", L"", false));
    ASSERT_TRUE(DeleteValue(box.Root().Key(), ProductKeyPath(), TRegView::Native, kInstallRecordValue));
    EXPECT_TRUE(Uninstall().problems.empty());
    EXPECT_TRUE(IsExistingFile(other));
    EXPECT_FALSE(PathExists(box.Home() + L"\\SendTo\\Quilmar.lnk"));
}

TEST_F(UninstallerTest, AnUnreadableShortcutGoesOnlyWhereTheSetupNotedIt) {
    const std::wstring desktop = box.Desktop() + L"\\QuilMar.lnk";
    ASSERT_TRUE(WriteFileReplacing(desktop, "not a shortcut"));
    EXPECT_TRUE(Uninstall().problems.empty());
    EXPECT_FALSE(PathExists(desktop));

    // Without the setup's note, a damaged file of that name may be anyone's.
    TInstallOptions options;
    options.folder = box.InstallFolder();
    ASSERT_EQ(RunInstall(options, installHost, box.InstallSeams()).outcome, TInstallOutcome::Installed);
    ASSERT_TRUE(DeleteValue(box.Root().Key(), ProductKeyPath(), TRegView::Native, kInstallRecordValue));
    ASSERT_TRUE(WriteFileReplacing(desktop, "not a shortcut"));
    Uninstall();
    EXPECT_TRUE(IsExistingFile(desktop));
}

TEST_F(UninstallerTest, RunningCopiesEndOnlyAfterTheUserAgrees) {
    box.running = {Folder() + L"quilmar.exe"};
    host.agree = false;
    auto files = test::ListTree(Folder()).files;
    TUninstallResult result = Uninstall();
    EXPECT_TRUE(result.declined);
    EXPECT_EQ(box.endCalls, 0);
    EXPECT_EQ(test::ListTree(Folder()).files, files);
    EXPECT_TRUE(KeyExists(box.Root().Key(), UninstallKeyPath(), TRegView::Native));

    host.agree = true;
    EXPECT_FALSE(Uninstall().declined);
    EXPECT_EQ(box.endCalls, 1);
    EXPECT_FALSE(KeyExists(box.Root().Key(), UninstallKeyPath(), TRegView::Native));
}

TEST_F(UninstallerTest, SettingsAndRecordsGoAsChosen) {
    struct Case {
        bool clearSettings, deleteRecords;
        bool userIniLeft, commonIniLeft, recordLeft, recycled;
    };
    const Case cases[] = {
        {true, false, false, false, true, false},
        {false, false, true, true, true, false},
        // "Clear Default Settings" clears both files also when the records go.
        {true, true, false, false, false, true},
        {false, true, false, true, false, true},
    };
    for (const Case& c : cases) {
        SetUp();
        box.recycled.clear();
        TUninstallOptions options;
        options.clearDefaultSettings = c.clearSettings;
        options.deleteAllRecords = c.deleteRecords;
        Uninstall(options);
        std::string name = std::to_string(c.clearSettings) + std::to_string(c.deleteRecords);
        EXPECT_EQ(IsExistingFile(UserIni()), c.userIniLeft) << name;
        EXPECT_EQ(IsExistingFile(CommonIni()), c.commonIniLeft) << name;
        EXPECT_EQ(IsExistingFile(Record()), c.recordLeft) << name;
        EXPECT_EQ(box.recycled, c.recycled ? std::vector<std::wstring>{box.UserData()} : std::vector<std::wstring>{})
            << name;
    }
}

TEST_F(UninstallerTest, WithoutItsRecordTheKnownNamesStillGo) {
    ASSERT_TRUE(DeleteValue(box.Root().Key(), ProductKeyPath(), TRegView::Native, kInstallRecordValue));
    TUninstallResult result = Uninstall();
    EXPECT_TRUE(result.problems.empty());
    EXPECT_EQ(test::ListTree(Folder()).files.size(), 1u);  // the uninstaller
    EXPECT_FALSE(PathExists(box.Programs() + L"\\QuilMar"));
    EXPECT_FALSE(PathExists(box.Other() + L"\\SendTo\\Quilmar.lnk"));
    EXPECT_FALSE(KeyExists(box.Root().Key(), UninstallKeyPath(), TRegView::Native));
    EXPECT_FALSE(KeyExists(box.Root().Key(), ProductKeyParentPath(), TRegView::Native));
}

TEST_F(UninstallerTest, AFileInUseGoesAtTheNextStartAndTheRestGoesOn) {
    const std::wstring dll = Folder() + L"QuilmarMenuDLL.dll";
    unique_hfile held(::CreateFileW(dll.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    TUninstallResult result = Uninstall();
    EXPECT_EQ(box.scheduled, std::vector<std::wstring>{dll});
    EXPECT_EQ(result.problems,
              std::vector<std::wstring>{dll + L" is in use; it will be removed when Windows starts again."});
    EXPECT_FALSE(PathExists(Folder() + L"quilmar.exe"));
    EXPECT_FALSE(KeyExists(box.Root().Key(), MenuClassKeyPath(), TRegView::Native));
    EXPECT_TRUE(result.entryRemoved);
}

TEST_F(UninstallerTest, KeepingTheProgramsRemovesOnlyTheMainProgram) {
    TUninstallOptions options;
    options.deletePrograms = false;
    Uninstall(options);
    EXPECT_FALSE(PathExists(Folder() + L"quilmar.exe"));
    EXPECT_TRUE(IsExistingFile(Folder() + L"quilmaradmin.exe"));
    EXPECT_TRUE(IsExistingFile(Folder() + L"QuilMar.chm"));
    EXPECT_FALSE(KeyExists(box.Root().Key(), UninstallKeyPath(), TRegView::Native));
}

TEST(SelfDeletion, TheBatchQuotesEveryPathAndGivesUp) {
    const std::string batch = SelfDeletionBatch(2, 30);
    for (const char* line : {"del /f /q \"%QM_DELETE_FILE%\"", "if %qmtries% geq 30 goto removed",
                             "rmdir \"%QM_DELETE_FOLDER1%\"", "rmdir \"%QM_DELETE_FOLDER2%\"", "del \"%~f0\""})
        EXPECT_NE(batch.find(line), std::string::npos) << line;
    EXPECT_EQ(batch.find("FOLDER3"), std::string::npos);
    // Plain ASCII: the paths come in the environment, whatever the code page.
    EXPECT_TRUE(std::all_of(batch.begin(), batch.end(), [](char c) { return c > 0; }));
    EXPECT_EQ(SelfDeletionVariables(L"C:\\a b\\u.exe", {L"C:\\a b", L"C:\\x"}),
              (std::vector<std::wstring>{L"QM_DELETE_FILE=C:\\a b\\u.exe", L"QM_DELETE_FOLDER1=C:\\a b",
                                         L"QM_DELETE_FOLDER2=C:\\x"}));
}

std::vector<std::wstring> BatchFilesInTemp() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    unique_hfind find(::FindFirstFileW((std::wstring(temp) + L"uis*").c_str(), &data));
    if (find) {
        do names.emplace_back(data.cFileName);
        while (::FindNextFileW(find.get(), &data));
    }
    return names;
}

TEST(SelfDeletion, TheBatchRemovesTheFileItsFoldersAndItselfOnceTheFileIsFree) {
    test::TempDir dir;
    const std::wstring outer = dir / L"Programs \u00DCn\u4E2D", inner = outer + L"\\QuilMar";
    const std::wstring file = inner + L"\\QuilmarUninstall.exe";
    ASSERT_TRUE(CreateFolderTree(inner) && WriteFileReplacing(file, "uninstaller"));
    const std::vector<std::wstring> batchesBefore = BatchFilesInTemp();
    // Held for a while, as by the ending uninstaller.
    unique_hfile held(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(StartSelfDeletion(file, {inner, outer}));
    ::Sleep(1500);
    EXPECT_TRUE(IsExistingFile(file));
    held.reset();
    EXPECT_TRUE(test::WaitUntil([&] { return !PathExists(outer); }, 20000));
    EXPECT_TRUE(test::WaitUntil([&] { return BatchFilesInTemp() == batchesBefore; }, 10000));
}

}  // namespace
}  // namespace qm

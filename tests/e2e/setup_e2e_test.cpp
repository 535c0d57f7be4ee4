// The real setup program (this build's) installing into a folder with a
// non-ASCII name, driven through its window: the files, shortcuts and keys it
// leaves, the main program it starts; a second installation over a running
// copy; and install, use and uninstall leaving the prefix as it was.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "app/product.h"
#include "base/com.h"
#include "base/pathtext.h"
#include "companions/uninstall/frmuninstall.h"
#include "base/files.h"
#include "base/processes.h"
#include "base/registry.h"
#include "base/scope_exit.h"
#include "base/strings.h"
#include "records/model.h"
#include "records/treefile.h"
#include "setup/contextmenu.h"
#include "setup/setupnames.h"
#include "setup/shortcuts.h"
#include "support/build32.h"
#include "support/installation.h"
#include "support/setupdriver.h"
#include "support/sevenzipfixture.h"
#include "support/userdata.h"

namespace qm {
namespace {

using test::W;

// The files of a folder, recursively, by SHA-256.
std::map<std::wstring, std::string> Hashes(const std::wstring& folder) { return test::ListTree(folder).files; }

std::vector<std::wstring> SystemFolderFiles() {
    std::vector<std::wstring> files;
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    for (const wchar_t* sub : {L"\\system32", L"\\syswow64"})
        for (const std::wstring& f : test::FileNames(std::wstring(windows) + sub)) files.push_back(sub + f);
    return files;
}

class SetupE2E : public test::RealProgramTest {
protected:
    // Outside the temporary folder, so the prefix comparison sees it.
    test::TempDir parent{L"C:\\"};
    const std::wstring folder = parent / L"Programs \u00DCn\u4E2D\\QuilMar\\";
    test::TWineVersionForProgram version{L"quilmarsetup.exe", L"win10"};

    void TearDown() override {
        test::RealProgramTest::TearDown();
        test::ClearInstallation(folder);
    }

    // Runs the setup program (this build's unless another is named) to its end with the choices.
    void Install(const test::TSetupChoices& choices = {}, const std::wstring& program = test::SetupProgram()) {
        HWND window = nullptr;
        test::Process setup = test::StartSetup(window, program);
        ASSERT_NE(window, nullptr) << "the setup window did not come up";
        test::PressInstall(window, folder, choices);
        ASSERT_EQ(setup.WaitExit(90000), 0u) << WideToUtf8(test::ControlText(window, W::kIdMemo1));
    }

    std::optional<std::wstring> Machine(const std::wstring& key, const std::wstring& name,
                                        TRegView view = TRegView::Bits64) {
        return ReadString(HKEY_LOCAL_MACHINE, key, view, name);
    }

    // A machine value as the system's reg.exe exports it from the 64-bit view
    // (an independent reader: a path with any characters comes through whole).
    std::optional<std::wstring> Exported(const std::wstring& key, const std::wstring& name) {
        auto [at, added] = exports_.try_emplace(ToLower(key));
        if (added) at->second = test::RegExportValues(L"HKLM\\" + key, L"/reg:64");
        if (!at->second) return std::nullopt;
        auto value = at->second->find(name);
        return value == at->second->end() ? std::nullopt : std::optional<std::wstring>(value->second);
    }

private:
    std::map<std::wstring, std::optional<std::map<std::wstring, std::wstring>>> exports_;
};

TEST_F(SetupE2E, InstallsEveryFileShortcutAndKeyAndStartsTheProgram) {
    const std::vector<std::wstring> systemBefore = SystemFolderFiles();
    Install();

    // The programs and the help file as the payload holds them, the archive, the DLL.
    std::map<std::wstring, std::string> installed = Hashes(folder);
    for (const auto& [name, hash] : Hashes(test::BuildPath(QM_TEST_STAGE)))
        EXPECT_EQ(installed[name], hash) << WideToUtf8(name);
    EXPECT_EQ(installed[L"quilmar.7z"], test::Sha256(ReadFileBytes(test::BuildPath(QM_TEST_PAYLOAD)).value()));
    EXPECT_EQ(installed[L"QuilmarMenuDLL.dll"],
              test::Sha256(ReadFileBytes(JoinPath(ModuleFolder(), L"QuilmarMenuDLL.dll")).value()));
    EXPECT_EQ(installed.size(), 8u);

    // The shortcuts point at them.
    const std::wstring programs = SpecialFolder(CSIDL_COMMON_PROGRAMS);
    const std::pair<std::wstring, std::wstring> links[] = {
        {programs + L"\\QuilMar\\QuilMar.lnk", folder + L"quilmar.exe"},
        {programs + L"\\QuilMar\\QuilMar help.lnk", folder + L"quilmar.chm"},
        {programs + L"\\QuilMar\\Uninstall\\Uninstall QuilMar.lnk", folder + L"QuilmarUninstall.exe"},
        {SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\QuilMar.lnk", folder + L"quilmar.exe"},
        {SpecialFolder(CSIDL_SENDTO) + L"\\Quilmar.lnk", folder + L"quilmarmenu.exe"},
    };
    for (const auto& [link, target] : links)
        EXPECT_TRUE(EqualsNoCase(ShortcutTargetOf(link), target)) << WideToUtf8(link);

    // The keys, in the 64-bit view of this 64-bit build, as reg.exe finds them.
    const std::wstring entry = UninstallKeyPath();
    EXPECT_EQ(Exported(entry, L"UninstallString"), L"\"" + folder + L"QuilmarUninstall.exe\"");
    EXPECT_EQ(Exported(entry, L"DisplayIcon"), folder + L"QuilmarUninstall.exe");
    EXPECT_EQ(Exported(entry, L"DisplayName"), L"QuilMar");
    EXPECT_EQ(Exported(entry, L"DisplayVersion"), L"3.0");
    EXPECT_EQ(Exported(entry, L"InstallLocation"), folder);
    EXPECT_EQ(Exported(L"Software\\QuilMar\\QuilMar", L"name"), L"QuilMar");
    EXPECT_EQ(Exported(L"Software\\QuilMar\\QuilMar", L"app"), folder + L"quilmar.exe");
    EXPECT_EQ(Exported(kRunKeyPath, L"QuilMar"), L"\"" + folder + L"quilmar.exe\" /run");
    EXPECT_EQ(Exported(MenuClassKeyPath() + L"\\InprocServer32", L""), folder + L"QuilmarMenuDLL.dll");
    EXPECT_EQ(Exported(MenuClassKeyPath() + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(Exported(kShellExtensionsApproved, kQuilmarMenuClsidText), L"quilmar menu item.");
    EXPECT_EQ(Exported(MenuHandlerKeyPath(L"*", L"Quilmar Menu"), L""), kQuilmarMenuClsidText);
    EXPECT_EQ(Exported(MenuHandlerKeyPath(L"folder", L"Quilmar Menu folder"), L""), kQuilmarMenuClsidText);
    // Nothing of it in the 32-bit view: this build carries no 32-bit DLL.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, MenuClassKeyPath(), TRegView::Bits32));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entry, TRegView::Bits32));

    // The main program runs from the install folder, started with "/install".
    std::vector<TRunningProcess> running;
    ASSERT_TRUE(
        test::WaitUntil([&] { return !(running = ProcessesInFolder(folder, {L"quilmar.exe"})).empty(); }, 60000));
    std::wstring commandLine = test::ProcessCommandLine(running[0].id);
    EXPECT_TRUE(EndsWith(Trim(commandLine), L" /install")) << WideToUtf8(commandLine);
    EXPECT_NE(test::WaitForWindow(kMainWindowClass, running[0].id, 60000), nullptr);

    // Nothing new in the system folder; the 7-Zip library went to a private folder.
    EXPECT_EQ(SystemFolderFiles(), systemBefore);
}

// The shipped 32-bit setup program on 64-bit Windows: the 32-bit DLL in the
// 32-bit view with the entries, the 64-bit one in the 64-bit view, where
// 64-bit Explorer looks.
TEST_F(SetupE2E, The32BitSetupRegistersEachContextMenuDllInItsOwnView) {
    QM_SKIP_WITHOUT_32BIT();
    const std::vector<std::wstring> systemBefore = SystemFolderFiles();
    // The removal in TearDown works in this program's view; the 32-bit view is cleared here.
    scope_exit clear32([] {
        const TRegistryPlace place{HKEY_LOCAL_MACHINE, TRegView::Bits32};
        UnregisterContextMenuHandler(place);
        RemoveContextMenuApproval(place);
        DeleteKeyTree(place.root, UninstallKeyPath(), place.view);
        DeleteKeyTree(place.root, ProductKeyPath(), place.view);
        DeleteKeyIfEmpty(place.root, ProductKeyParentPath(), place.view);
        DeleteValue(place.root, kRunKeyPath, place.view, kProductDisplayName);
    });
    test::TSetupChoices quiet;
    quiet.runNow = false;
    Install(quiet, test::Bin32Path(L"quilmarsetup.exe"));

    std::map<std::wstring, std::string> installed = Hashes(folder);
    for (const auto& [name, hash] : Hashes(test::BuildPath(QM_TEST_STAGE32)))
        EXPECT_EQ(installed[name], hash) << WideToUtf8(name);
    const std::pair<const wchar_t*, std::wstring> dlls[] = {
        {L"QuilmarMenuDLL.dll", test::Bin32Path(L"QuilmarMenuDLL.dll")},
        {L"QuilmarMenuDLL64.dll", test::Bin32Path(L"..\\companions64\\bin\\QuilmarMenuDLL.dll")},
    };
    for (const auto& [name, built] : dlls)
        EXPECT_EQ(installed[name], test::Sha256(ReadFileBytes(built).value_or(""))) << WideToUtf8(name);

    const std::wstring server = MenuClassKeyPath() + L"\\InprocServer32";
    EXPECT_EQ(Machine(server, L"", TRegView::Bits32), folder + L"QuilmarMenuDLL.dll");
    EXPECT_EQ(Machine(server, L"", TRegView::Bits64), folder + L"QuilmarMenuDLL64.dll");
    for (TRegView view : {TRegView::Bits32, TRegView::Bits64}) {
        EXPECT_EQ(Machine(kShellExtensionsApproved, kQuilmarMenuClsidText, view), L"quilmar menu item.");
        EXPECT_EQ(Machine(MenuHandlerKeyPath(L"*", L"Quilmar Menu"), L"", view), kQuilmarMenuClsidText);
    }
    // The 32-bit program's own entries land in its view.
    EXPECT_EQ(Machine(UninstallKeyPath(), L"UninstallString", TRegView::Bits32),
              L"\"" + folder + L"QuilmarUninstall.exe\"");
    EXPECT_EQ(Machine(kRunKeyPath, L"QuilMar", TRegView::Bits32), L"\"" + folder + L"quilmar.exe\" /run");
    EXPECT_EQ(SystemFolderFiles(), systemBefore);
}

std::wstring RecordWith(const std::wstring& path) {
    TRecordModel model;
    int index = model.items.Append();
    model.items.At(index).path = path;
    model.items.At(index).docType = kDocAppOrFile;
    model.all.Add(nullptr, FileNameOf(path), index);
    const std::wstring file = JoinPath(UserDataFolder(), L"Dec 01,2026_001.quilmar");
    return WriteTreeFile(file, model, L"quilmar") ? file : std::wstring();
}

TEST_F(SetupE2E, ASecondInstallAsksFirstAndEndsOnlyTheCopyInItsFolder) {
    test::TSetupChoices quiet;
    quiet.runNow = false;
    Install(quiet);
    // The user's settings and a record, and two copies of the main program:
    // one from the install folder, one from elsewhere.
    const std::wstring record = RecordWith(L"C:\\windows\\notepad.exe");
    ASSERT_FALSE(record.empty());
    const std::wstring settings[] = {JoinPath(UserDataFolder(), L"defualt.ini"),
                                     JoinPath(CommonDataFolder(), L"defualt.ini")};
    ASSERT_TRUE(CreateFolderTree(CommonDataFolder()));
    for (const std::wstring& f : settings)
        ASSERT_TRUE(::WritePrivateProfileStringW(L"default", L"UserMark", L"kept", f.c_str()));
    test::Process installedCopy = test::Process::Start(folder + L"quilmar.exe", L"");
    test::Process otherCopy = test::Process::Start(L"quilmar.exe", L"");
    ASSERT_NE(test::WaitForWindow(kMainWindowClass, installedCopy.Id(), 60000), nullptr);
    ASSERT_NE(test::WaitForWindow(kMainWindowClass, otherCopy.Id(), 60000), nullptr);
    const std::map<std::wstring, std::string> before = Hashes(folder);

    HWND window = nullptr;
    test::Process setup = test::StartSetup(window);
    ASSERT_NE(window, nullptr);
    test::PressInstall(window, folder, quiet);
    std::wstring question;
    ASSERT_TRUE(test::AnswerMessageBox(setup.Id(), IDCANCEL, &question, 90000));
    EXPECT_NE(question.find(folder + L"quilmar.exe"), std::wstring::npos) << WideToUtf8(question);
    EXPECT_EQ(question.find(JoinPath(ModuleFolder(), L"quilmar.exe")), std::wstring::npos);
    // Cancel: nothing changed, both copies run, the window is ready again.
    ASSERT_TRUE(
        test::WaitUntil([&] { return test::ControlText(window, W::kIdLblHint) == L"Nothing was changed."; }, 60000));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(window, W::kIdBtnNext)));
    EXPECT_EQ(installedCopy.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(otherCopy.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(Hashes(folder), before);

    // OK: only the copy in the install folder ends, asked to close.
    test::PressInstall(window, folder, quiet);
    ASSERT_TRUE(test::AnswerMessageBox(setup.Id(), IDOK, nullptr, 90000));
    ASSERT_EQ(setup.WaitExit(90000), 0u) << WideToUtf8(test::ControlText(window, W::kIdMemo1));
    EXPECT_EQ(installedCopy.WaitExit(10000), 0u);
    EXPECT_EQ(otherCopy.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
    // The settings and the record stay; the old DLL is kept as "_bak".
    for (const std::wstring& f : settings) {
        wchar_t mark[16] = {};
        ::GetPrivateProfileStringW(L"default", L"UserMark", L"", mark, 16, f.c_str());
        EXPECT_STREQ(mark, L"kept") << WideToUtf8(f);
    }
    EXPECT_TRUE(IsExistingFile(record));
    std::map<std::wstring, std::string> after = Hashes(folder);
    EXPECT_EQ(after[L"QuilmarMenuDLL_bak.dll"], before.at(L"QuilmarMenuDLL.dll"));
    EXPECT_EQ(after[L"QuilmarMenuDLL.dll"], before.at(L"QuilmarMenuDLL.dll"));
    EXPECT_EQ(after.size(), before.size() + 1);
}

// Left out of the comparison: the temporary folders, the program's data
// folders (what the user chose to delete is checked on its own), and what
// Wine itself keeps changing while programs run.
bool Volatile(const std::wstring& entry) {
    static const std::wstring parts[] = {
        ToLower(SpecialFolder(CSIDL_PERSONAL) + L"\\QuilMar"),
        ToLower(SpecialFolder(CSIDL_COMMON_DOCUMENTS) + L"\\QuilMar"),
        L"c:\\users\\root\\temp",
        L"c:\\windows\\temp",
        L"software\\wine\\temporary system parameters",
    };
    std::wstring lower = ToLower(entry);
    for (const std::wstring& p : parts)
        if (lower.find(p) != std::wstring::npos) return true;
    return false;
}

bool HoldsPath(const std::wstring& record, const std::wstring& path) {
    TRecordModel model;
    ReadTreeFile(record, model);
    for (int i = 0; i < model.items.Count(); ++i)
        if (EqualsNoCase(model.items.At(i).path, path)) return true;
    return false;
}

TEST_F(SetupE2E, InstallUseAndUninstallLeaveThePrefixAsItWas) {
    // The main program run by other tests leaves its own Send To shortcut on
    // Windows 7 (Wine's version); the setup would replace it with its own.
    ::DeleteFileW((SpecialFolder(CSIDL_SENDTO) + L"\\Quilmar.lnk").c_str());
    test::TempDir docs;
    const std::wstring sent = docs / L"sent \u00E9.txt", menu = docs / L"from the menu.txt";
    ASSERT_TRUE(WriteFileReplacing(sent, "s") && WriteFileReplacing(menu, "m"));
    const test::TPrefixSnapshot before = test::TPrefixSnapshot::Take(&Volatile);
    ASSERT_GT(before.registryLines, 1000u) << "reg.exe exported nothing";

    Install();
    std::vector<TRunningProcess> running;
    ASSERT_TRUE(test::WaitUntil([&] { return !(running = ProcessesInFolder(folder, {kExeName})).empty(); }, 60000));
    ASSERT_NE(test::WaitForWindow(kMainWindowClass, running[0].id, 60000), nullptr);
    // The first recording of a fresh start; slow on a busy machine, so waited for long.
    ASSERT_TRUE(test::WaitUntil([] { return test::RecordFiles().size() == 1; }, 90000));
    const std::wstring record = test::RecordFiles()[0];
    // Use: a file of the user's beside the programs, a file sent through Send To,
    // one through the context-menu handler the setup registered.
    ASSERT_TRUE(WriteFileReplacing(folder + L"notes.txt", "mine"));
    test::Process sendTo = test::Process::Start(folder + L"quilmarmenu.exe", L"\"" + sent + L"\"");
    EXPECT_EQ(sendTo.WaitExit(20000), 0u);
    EXPECT_TRUE(test::WaitUntil([&] { return HoldsPath(record, sent); }, 60000));
    DWORD code = 0;
    std::string host = test::RunCaptured(JoinPath(ModuleFolder(), L"qmmenuhost.exe"),
                                         L"\"" + folder + L"QuilmarMenuDLL.dll\" \"" + menu + L"\"", code);
    EXPECT_EQ(code, 0u) << host;
    EXPECT_TRUE(test::WaitUntil([&] { return HoldsPath(record, menu); }, 60000));
    {
        TComApartment com;
        Microsoft::WRL::ComPtr<IContextMenu> handler;
        EXPECT_EQ(::CoCreateInstance(CLSID_QuilmarMenu, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&handler)), S_OK);
    }
    EXPECT_EQ(::GetModuleHandleW((folder + L"QuilmarMenuDLL.dll").c_str()), nullptr);

    // Uninstall with every option, through the window; the running copy ends after the question.
    test::Process uninstaller = test::Process::Start(folder + L"QuilmarUninstall.exe", L"");
    HWND window = test::WaitForShownWindow(L"TFrmUninstall", uninstaller.Id(), 60000);
    ASSERT_NE(window, nullptr);
    ::SendMessageW(::GetDlgItem(window, TFrmUninstall::kIdCbClearAllRecord), BM_SETCHECK, BST_CHECKED, 0);
    ::PostMessageW(window, WM_COMMAND, TFrmUninstall::kIdBtnStartUnstall, 0);
    std::wstring question;
    ASSERT_TRUE(test::AnswerMessageBox(uninstaller.Id(), IDOK, &question));
    EXPECT_NE(question.find(folder + L"quilmar.exe"), std::wstring::npos) << WideToUtf8(question);
    // The records go to the recycle bin, which may ask first.
    const auto done = [&] {
        if (HWND confirm = test::MessageBoxOf(uninstaller.Id()))
            ::PostMessageW(confirm, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        return test::ControlText(window, TFrmUninstall::kIdQuestion) == L"Uninstall was completed successfully.";
    };
    EXPECT_TRUE(test::WaitUntil(done, 30000)) << WideToUtf8(test::ControlText(window, TFrmUninstall::kIdQuestion))
                                              << WideToUtf8(test::ControlText(window, TFrmUninstall::kIdProblems));
    EXPECT_EQ(uninstaller.WaitExit(20000), 0u);
    EXPECT_TRUE(test::WaitUntil([&] { return !PathExists(folder + L"QuilmarUninstall.exe"); }, 60000));

    // The records went to the recycle bin, the settings files with them.
    // What is found there tells who wrote it back.
    auto left = [](const std::wstring& f) {
        std::string names;
        for (const auto& [name, hash] : Hashes(f)) names += " " + WideToUtf8(name);
        return names;
    };
    EXPECT_FALSE(PathExists(UserDataFolder())) << "holds:" << left(UserDataFolder());
    EXPECT_FALSE(PathExists(CommonDataFolder())) << "holds:" << left(CommonDataFolder());
    // The prefix is as it was, but for the file the user keeps in the install folder.
    const test::TPrefixSnapshot after = test::TPrefixSnapshot::Take(&Volatile);
    ASSERT_GT(after.registryLines, 1000u) << "reg.exe exported nothing";
    std::vector<std::wstring> differences = before.Differences(after);
    std::vector<std::wstring> expected;
    std::wstring at = StripTrailingBackslash(parent.Path());
    for (const std::wstring& part : {std::wstring(L"Programs \u00DCn\u4E2D"), std::wstring(L"QuilMar")}) {
        at += L"\\" + part;
        expected.push_back(L"+ folder " + ToLower(at));
    }
    expected.push_back(L"+ file " + ToLower(folder + L"notes.txt"));
    std::sort(differences.begin(), differences.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(differences, expected);
}

}  // namespace
}  // namespace qm

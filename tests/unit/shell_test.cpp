// The setup program's shell integration: every user's folders, shortcuts,
// pins, the context-menu registration and the registry entries, against
// temporary folders, a registry key of the test's own and the shell seam.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/registry.h"
#include "base/strings.h"
#include "setup/allusers.h"
#include "setup/contextmenu.h"
#include "setup/installrecord.h"
#include "setup/productentries.h"
#include "setup/setupnames.h"
#include "setup/shortcuts.h"
#include "support/regroot.h"
#include "support/shellcalls.h"
#include "support/tempdir.h"

namespace qm {
namespace {

using Folder = std::optional<std::wstring>;

TEST(AllUsers, PerUserFolderReplacesTheProfilePartOnly) {
    const std::wstring sendTo = L"C:\\Users\\a\\AppData\\Roaming\\Microsoft\\Windows\\SendTo";
    struct Case {
        const wchar_t* folder;
        const wchar_t* currentProfile;
        Folder accountProfile;
        Folder expected;
    };
    const Case cases[] = {
        // User "a": only the profile part changes, not every "a" of the path.
        {sendTo.c_str(), L"C:\\Users\\a", L"C:\\Users\\b",
         L"C:\\Users\\b\\AppData\\Roaming\\Microsoft\\Windows\\SendTo"},
        {sendTo.c_str(), L"C:\\Users\\a", L"C:\\Users\\a", sendTo},
        {sendTo.c_str(), L"c:\\users\\A\\", L"D:\\Profiles\\Zoë\\",
         L"D:\\Profiles\\Zoë\\AppData\\Roaming\\Microsoft\\Windows\\SendTo"},
        // A user without a profile folder gets none.
        {sendTo.c_str(), L"C:\\Users\\a", std::nullopt, std::nullopt},
        {sendTo.c_str(), L"C:\\Users\\a", L"  ", std::nullopt},
        // A folder outside the profile belongs to the current user alone.
        {L"D:\\SendTo", L"C:\\Users\\a", L"C:\\Users\\b", std::nullopt},
        // "C:\Users\a" is no part of "C:\Users\ab\...".
        {L"C:\\Users\\ab\\SendTo", L"C:\\Users\\a", L"C:\\Users\\b", std::nullopt},
        {L"C:\\Users\\a", L"C:\\Users\\a", L"C:\\Users\\b", L"C:\\Users\\b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PerUserFolder(c.folder, c.currentProfile, c.accountProfile), c.expected)
            << WideToUtf8(c.folder) << " / " << WideToUtf8(c.accountProfile.value_or(L"(none)"));
}

TAllUserControl::TSeams FakeUsers(std::vector<std::wstring> accounts, std::map<std::wstring, std::wstring> profiles,
                                  std::wstring current) {
    TAllUserControl::TSeams s;
    s.accounts = [accounts] { return accounts; };
    s.profileOf = [profiles](const std::wstring& account) -> Folder {
        auto it = profiles.find(account);
        return it == profiles.end() ? std::nullopt : Folder(it->second);
    };
    s.currentProfile = [current] { return current; };
    return s;
}

TEST(AllUsers, FoldersForEveryUserWithAProfileOnceEach) {
    TAllUserControl users(FakeUsers({L"Administrator", L"a", L"Guest", L"b", L"b2"},
                                    {{L"a", L"C:\\Users\\a"}, {L"b", L"C:\\Users\\b"}, {L"b2", L"c:\\users\\B"}},
                                    L"C:\\Users\\a"));
    EXPECT_EQ(users.Accounts().size(), 5u);
    EXPECT_EQ(users.FoldersForAllUsers(L"C:\\Users\\a\\SendTo\\"),
              (std::vector<std::wstring>{L"C:\\Users\\a\\SendTo", L"C:\\Users\\b\\SendTo"}));
    // A current user missing from the list still gets its own folder, first.
    TAllUserControl stranger(FakeUsers({L"b"}, {{L"b", L"C:\\Users\\b"}}, L"C:\\Users\\x"));
    EXPECT_EQ(stranger.FoldersForAllUsers(L"C:\\Users\\x\\SendTo"),
              (std::vector<std::wstring>{L"C:\\Users\\x\\SendTo", L"C:\\Users\\b\\SendTo"}));
    EXPECT_EQ(stranger.FoldersForAllUsers(L""), std::vector<std::wstring>{});
}

std::wstring LinkTarget(const std::wstring& link, std::wstring* workingFolder = nullptr,
                        std::wstring* description = nullptr) {
    TShellLinkInfo info = ReadShellLink(link);
    if (workingFolder) *workingFolder = info.workingFolder;
    if (description) *description = info.description;
    return info.target;
}

TEST(AllUsers, ShortcutsGoToEveryExistingFolderAndAreRecorded) {
    test::TempDir dir;
    const std::wstring a = dir / L"a \u00E9", b = dir / L"b", noFolder = dir / L"c";
    ASSERT_TRUE(CreateFolderTree(a + L"\\SendTo") && CreateFolderTree(b + L"\\SendTo") && CreateFolderTree(noFolder));
    TAllUserControl users(FakeUsers({L"a", L"b", L"c", L"d"}, {{L"a", a}, {L"b", b}, {L"c", noFolder}}, a));
    const std::wstring target = dir / L"quilmarmenu.exe";
    ASSERT_TRUE(WriteFileReplacing(target, "x"));
    TInstallRecord record;
    // c's profile lacks the folder: no shortcut, and no failure either.
    EXPECT_EQ(AddShortcutForAllUsers(users, a + L"\\SendTo", L"Quilmar", target, &record), std::vector<std::wstring>{});
    for (const std::wstring& home : {a, b}) {
        std::wstring link = home + L"\\SendTo\\Quilmar.lnk";
        std::wstring working;
        EXPECT_TRUE(EqualsNoCase(LinkTarget(link, &working), target)) << WideToUtf8(link);
        EXPECT_TRUE(EqualsNoCase(working, dir.Path() + L"\\") || EqualsNoCase(working, dir.Path()));
    }
    EXPECT_FALSE(PathExists(noFolder + L"\\SendTo"));
    EXPECT_EQ(record.Of(TRecordKind::File).size(), 2u);
    // A folder the shortcut cannot be saved in is reported.
    ASSERT_TRUE(CreateFolderTree(a + L"\\Blocked\\Quilmar.lnk"));
    EXPECT_EQ(AddShortcutForAllUsers(users, a + L"\\Blocked", L"Quilmar", target, nullptr),
              std::vector<std::wstring>{a + L"\\Blocked"});
}

TEST(Shortcuts, NamesFollowTheLinkNameOrTheTarget) {
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
        {L"", L"ignored", L"My Computer", L"My Computer.lnk"},
        {L"C:\\a\\quilmar.exe", L"QuilMar", L"QuilMar", L"QuilMar.lnk"},
        {L"C:\\a\\quilmar.exe", L"", L"quilmar.exe", L"quilmar.lnk"},
        {L"C:\\a\\b.txt", L"Q.help me", L"Q.help me", L"Q.lnk"},
        {L"C:\\a\\b.txt", L"QuilMar help", L"QuilMar help", L"QuilMar help.lnk"},
    };
    for (const auto& [target, link, display, file] : cases) {
        EXPECT_EQ(ShortcutDisplayName(target, link), display);
        EXPECT_EQ(ShortcutFileName(display), file);
    }
}

TEST(Shortcuts, CommonShortcutInItsLocationAndOneLevelSubfolder) {
    test::TempDir dir;
    const std::wstring programs = dir / L"Programs \u4E2D";
    ASSERT_TRUE(CreateFolderTree(programs));
    auto folders = [&](int location) { return location == kLocationCommonPrograms ? programs : std::wstring(); };
    const std::wstring target = dir / L"quilmar.exe";
    TInstallRecord record;
    ASSERT_TRUE(CreateCommonShortcut(target, L"QuilMar", kLocationCommonPrograms, L"QuilMar", &record, folders));
    std::wstring description;
    EXPECT_TRUE(EqualsNoCase(LinkTarget(programs + L"\\QuilMar\\QuilMar.lnk", nullptr, &description), target));
    EXPECT_EQ(description, L"QuilMar");
    ASSERT_TRUE(CreateCommonShortcut(dir / L"QuilmarUninstall.exe", L"Uninstall QuilMar", kLocationCommonPrograms,
                                     L"QuilMar\\Uninstall", &record, folders));
    EXPECT_TRUE(IsExistingFile(programs + L"\\QuilMar\\Uninstall\\Uninstall QuilMar.lnk"));
    EXPECT_EQ(record.Of(TRecordKind::Folder).size(), 2u);
    EXPECT_EQ(record.Of(TRecordKind::File).size(), 2u);
    // Only one level is created; a location without a folder fails.
    EXPECT_FALSE(CreateCommonShortcut(target, L"x", kLocationCommonPrograms, L"No\\Such", nullptr, folders));
    EXPECT_FALSE(PathExists(programs + L"\\No"));
    EXPECT_FALSE(CreateCommonShortcut(target, L"x", kLocationCommonDesktop, L"", nullptr, folders));
}

TEST(Shortcuts, PinsThroughTheShellVerbs) {
    test::TShellRecorder shell;
    EXPECT_TRUE(PinToTaskbarAndStart(nullptr, L"C:\\P\\QuilMar\\QuilMar.lnk"));
    EXPECT_TRUE(UnpinFromTaskbarAndStart(nullptr, L"C:\\P\\QuilMar\\QuilMar.lnk"));
    EXPECT_EQ(shell.Calls(), (std::vector<std::wstring>{
                                 L"TaskbarPin|C:\\P\\QuilMar\\QuilMar.lnk||5",
                                 L"StartPin|C:\\P\\QuilMar\\QuilMar.lnk||5",
                                 L"TaskbarUnpin|C:\\P\\QuilMar\\QuilMar.lnk||0",
                                 L"StartUnpin|C:\\P\\QuilMar\\QuilMar.lnk||0",
                             }));
    shell.SetAnswer(false);
    EXPECT_FALSE(PinToTaskbarAndStart(nullptr, L"C:\\x.lnk"));
}

class ContextMenuTest : public ::testing::Test {
protected:
    test::TRegistryRoot root;
    TRegistryPlace place = root.Place();
    std::map<std::wstring, std::wstring> Tree() { return test::ListRegistry(root.Key()); }
    std::optional<std::wstring> Value(const std::wstring& path, const std::wstring& name = L"") {
        return ReadString(root.Key(), path, TRegView::Native, name);
    }
};

TEST_F(ContextMenuTest, RegistersTheClassTheApprovalAndBothHandlers) {
    TInstallRecord record;
    ASSERT_TRUE(RegisterContextMenuHandler(place, L"C:\\Q\\QuilmarMenuDLL.dll", &record));
    const std::wstring clsid = L"SOFTWARE\\Classes\\CLSID\\{ADE68C79-6ACF-41A3-A787-39ED643F4786}";
    EXPECT_EQ(Value(clsid), L"quilmar menu item.");
    EXPECT_EQ(Value(clsid + L"\\InprocServer32"), L"C:\\Q\\QuilmarMenuDLL.dll");
    EXPECT_EQ(Value(clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(Value(kShellExtensionsApproved, kQuilmarMenuClsidText), L"quilmar menu item.");
    EXPECT_EQ(Value(L"SOFTWARE\\Classes\\*\\shellex\\ContextMenuHandlers\\Quilmar Menu"), kQuilmarMenuClsidText);
    EXPECT_EQ(Value(L"SOFTWARE\\Classes\\folder\\shellex\\ContextMenuHandlers\\Quilmar Menu folder"),
              kQuilmarMenuClsidText);
    EXPECT_EQ(Value(L"SOFTWARE\\Classes\\*\\shellex"), L"");
    // Every value written and every key created is in the record.
    // (the class, its server and threading, the approval, and per file class
    // the two containers this call created and the handler)
    EXPECT_EQ(record.Of(TRecordKind::Value).size(), 10u);
    EXPECT_FALSE(record.Of(TRecordKind::Key).empty());

    // Registering again gives the same state.
    auto once = Tree();
    ASSERT_TRUE(RegisterContextMenuHandler(place, L"C:\\Q\\QuilmarMenuDLL.dll", nullptr));
    EXPECT_EQ(Tree(), once);

    // Unregistering leaves only the approval, which goes on its own.
    ASSERT_TRUE(UnregisterContextMenuHandler(place));
    EXPECT_FALSE(KeyExists(root.Key(), clsid, TRegView::Native));
    EXPECT_FALSE(KeyExists(root.Key(), L"SOFTWARE\\Classes\\*\\shellex", TRegView::Native));
    EXPECT_FALSE(KeyExists(root.Key(), L"SOFTWARE\\Classes\\folder\\shellex", TRegView::Native));
    EXPECT_TRUE(Value(kShellExtensionsApproved, kQuilmarMenuClsidText).has_value());
    ASSERT_TRUE(RemoveContextMenuApproval(place));
    EXPECT_FALSE(Value(kShellExtensionsApproved, kQuilmarMenuClsidText).has_value());
}

TEST_F(ContextMenuTest, OtherHandlersAndTheirContainersStay) {
    const std::wstring other = L"SOFTWARE\\Classes\\*\\shellex\\ContextMenuHandlers\\Other";
    ASSERT_TRUE(WriteString(root.Key(), other, TRegView::Native, L"", L"{other}"));
    ASSERT_TRUE(WriteString(root.Key(), L"SOFTWARE\\Classes\\*\\shellex", TRegView::Native, L"", L"kept"));
    ASSERT_TRUE(RegisterContextMenuHandler(place, L"C:\\Q\\QuilmarMenuDLL.dll", nullptr));
    // A container that was there keeps its own default value.
    EXPECT_EQ(Value(L"SOFTWARE\\Classes\\*\\shellex"), L"kept");
    ASSERT_TRUE(UnregisterContextMenuHandler(place));
    EXPECT_EQ(Value(other), L"{other}");
    EXPECT_FALSE(KeyExists(root.Key(), MenuHandlerKeyPath(L"*", L"Quilmar Menu"), TRegView::Native));
    EXPECT_FALSE(KeyExists(root.Key(), L"SOFTWARE\\Classes\\folder\\shellex", TRegView::Native));
}

TEST_F(ContextMenuTest, TheDllIsWrittenWithTheOldOneKeptAsBak) {
    test::TempDir dir;
    const std::wstring folder = dir.Path() + L"\\";
    TInstallRecord record;
    ASSERT_TRUE(InstallContextMenuDll(folder, kContextMenuDllFile, "first", place, &record));
    EXPECT_EQ(ReadFileBytes(folder + L"QuilmarMenuDLL.dll"), std::string("first"));
    EXPECT_FALSE(PathExists(folder + L"QuilmarMenuDLL_bak.dll"));
    EXPECT_EQ(Value(MenuClassKeyPath() + L"\\InprocServer32"), folder + L"QuilmarMenuDLL.dll");
    ASSERT_TRUE(WriteFileReplacing(folder + L"QuilmarMenuDLL_bak.dll", "older"));
    ASSERT_TRUE(InstallContextMenuDll(folder, kContextMenuDllFile, "second", place, &record));
    EXPECT_EQ(ReadFileBytes(folder + L"QuilmarMenuDLL.dll"), std::string("second"));
    EXPECT_EQ(ReadFileBytes(folder + L"QuilmarMenuDLL_bak.dll"), std::string("first"));
    EXPECT_EQ(record.Of(TRecordKind::File).size(), 2u);
    // A DLL that cannot be written: the old one stays and nothing is registered anew.
    ASSERT_TRUE(UnregisterContextMenuHandler(place));
    ASSERT_TRUE(CreateFolderTree(folder + L"Blocked.dll"));
    EXPECT_FALSE(InstallContextMenuDll(folder, L"Blocked.dll", "x", place, nullptr));
    EXPECT_FALSE(KeyExists(root.Key(), MenuClassKeyPath(), TRegView::Native));
}

TEST_F(ContextMenuTest, ProductEntriesAndTheRunValue) {
    TInstallRecord record;
    const std::wstring folder = L"C:\\Program Files\\Q \u00E9\\";
    ASSERT_TRUE(WriteUninstallEntry(place, folder, &record));
    const std::wstring entry = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuilMar";
    EXPECT_EQ(Value(entry, L"DisplayIcon"), folder + L"QuilmarUninstall.exe");
    EXPECT_EQ(Value(entry, L"DisplayName"), L"QuilMar");
    EXPECT_EQ(Value(entry, L"DisplayVersion"), L"3.0");
    EXPECT_EQ(Value(entry, L"InstallLocation"), folder);
    EXPECT_EQ(Value(entry, L"UninstallString"), L"\"" + folder + L"QuilmarUninstall.exe\"");
    ASSERT_TRUE(WriteProductKey(place, folder + L"quilmar.exe", &record));
    // The product key has no leading "\" of its own.
    EXPECT_EQ(Value(L"Software\\QuilMar\\QuilMar", L"name"), L"QuilMar");
    EXPECT_EQ(Value(L"Software\\QuilMar\\QuilMar", L"app"), folder + L"quilmar.exe");
    const std::wstring command = RunAtStartupCommand(folder + L"quilmar.exe");
    EXPECT_EQ(command, L"\"" + folder + L"quilmar.exe\" /run");
    ASSERT_TRUE(SetRunAtStartup(place, L"QuilMar", command, true, &record));
    EXPECT_EQ(Value(kRunKeyPath, L"QuilMar"), command);
    ASSERT_TRUE(SetRunAtStartup(place, L"QuilMar", command, false, &record));
    EXPECT_FALSE(Value(kRunKeyPath, L"QuilMar").has_value());
    EXPECT_TRUE(SetRunAtStartup(place, L"QuilMar", command, false, nullptr));  // nothing to remove is no failure
    EXPECT_EQ(record.Of(TRecordKind::Value).size(), 8u);
}

TEST(ProductEntries, VersionsAndCaption) {
    EXPECT_EQ(UninstallDisplayVersion(), L"3.0");
    EXPECT_EQ(InstallerCaption(L'.'), L"QuilMar 3.1 Installer");
    EXPECT_EQ(InstallerCaption(L','), L"QuilMar 3,1 Installer");
}

TEST(InstallRecord, LinesRoundTripAndDamagedLinesAreSkipped) {
    TInstallRecord record;
    record.AddFile(L"C:\\Q \u00E9\\quilmar.exe");
    record.AddFolder(L"C:\\Q \u00E9");
    record.AddKey(TRegView::Bits64, L"\\SOFTWARE\\Classes\\CLSID\\{x}\\");
    record.AddValue(TRegView::Bits32, L"SOFTWARE\\Run", L"");
    record.AddValue(TRegView::Bits32, L"SOFTWARE\\Run", L"QuilMar");
    record.AddFile(L"c:\\q \u00C9\\QUILMAR.EXE");  // the same file again
    EXPECT_EQ(record.Lines(), (std::vector<std::wstring>{
                                  L"file\tC:\\Q \u00E9\\quilmar.exe",
                                  L"folder\tC:\\Q \u00E9",
                                  L"key\t64\tSOFTWARE\\Classes\\CLSID\\{x}",
                                  L"value\t32\tSOFTWARE\\Run\t",
                                  L"value\t32\tSOFTWARE\\Run\tQuilMar",
                              }));
    EXPECT_EQ(TInstallRecord::FromLines(record.Lines()).Lines(), record.Lines());
    std::vector<std::wstring> damaged = record.Lines();
    damaged.insert(damaged.begin(), {L"", L"file", L"file\t", L"key\t16\tX", L"value\t64\tX", L"drive\tC:\\",
                                     L"file\tC:\\a\tb", std::wstring(L"file\t") + std::wstring(1, L'\0')});
    EXPECT_EQ(TInstallRecord::FromLines(damaged).Lines(), record.Lines());
}

TEST(InstallRecord, SavedUnderTheProductKeyWithItsOwnPlace) {
    test::TRegistryRoot root;
    EXPECT_FALSE(LoadInstallRecord(root.Key(), TRegView::Native).has_value());
    TInstallRecord record;
    record.AddFile(L"C:\\Q\\quilmar.exe");
    ASSERT_TRUE(SaveInstallRecord(root.Key(), TRegView::Native, record));
    std::optional<TInstallRecord> loaded = LoadInstallRecord(root.Key(), TRegView::Native);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->Lines(), record.Lines());
    // The keys it created and its value are part of it.
    EXPECT_EQ(record.Of(TRecordKind::Key).size(), 3u);  // Software, Software\QuilMar, Software\QuilMar\QuilMar
    EXPECT_EQ(record.Of(TRecordKind::Value).size(), 1u);
}

TEST(Registry, PathsLoseLeadingAndDoubledSeparators) {
    EXPECT_EQ(RegistryPath(L"\\Software\\QuilMar\\QuilMar"), L"Software\\QuilMar\\QuilMar");
    EXPECT_EQ(RegistryPath(L"Software\\\\X\\"), L"Software\\X");
    EXPECT_EQ(RegistryPath(L"\\"), L"");
    EXPECT_EQ(ParentKeyPath(L"a\\b\\c"), L"a\\b");
    EXPECT_EQ(ParentKeyPath(L"a"), L"");
}

}  // namespace
}  // namespace qm

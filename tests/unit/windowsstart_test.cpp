// TWindowsStartMan against registry keys and folders of the test's own, and
// the machine's Run key of the test prefix.
#include "capture/windowsstart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "base/files.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "support/shortcuts.h"
#include "support/startkeys.h"
#include "support/tempdir.h"

namespace qm {
namespace {

// The names among wanted in the order the registry enumerates the Run key's values.
std::vector<std::wstring> ValueNamesOf(HKEY root, const std::vector<std::wstring>& wanted) {
    std::vector<std::wstring> names;
    unique_hkey key;
    if (::RegOpenKeyExW(root, kStartRunKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (::RegEnumValueW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (std::find(wanted.begin(), wanted.end(), name) != wanted.end()) names.push_back(name);
    }
    return names;
}

std::vector<std::wstring> Names(const std::vector<TStartEntry>& entries) {
    std::vector<std::wstring> names;
    for (const TStartEntry& e : entries) names.push_back(e.name);
    return names;
}

TEST(WindowsStartMan, ValuesThatAreNotStringsAreSkippedAndTheListingGoesOn) {
    test::TStartKeys p;
    BYTE bytes[] = {1, 2, 3};
    p.WriteString(TStartScope::User, L"First", L"\"C:\\Program Files\\App\\app.exe\" -minimized");
    p.WriteNumber(TStartScope::User, L"Number", 7);
    p.WriteString(TStartScope::User, L"Expand", L"%SystemRoot%\\notepad.exe", REG_EXPAND_SZ);
    p.Write(TStartScope::User, L"Bytes", REG_BINARY, bytes, sizeof(bytes));
    p.WriteString(TStartScope::User, L"Last", L"C:\\last.exe");
    // Data stored without its terminator is read whole.
    p.Write(TStartScope::User, L"Bare", REG_SZ, L"C:\\bare.exe", 11 * sizeof(wchar_t));
    TWindowsStartMan man(p.Places());
    std::vector<TStartEntry> run = man.RunEntries(TStartScope::User);
    // In the registry's order (Wine keeps a key's values sorted by name).
    EXPECT_EQ(Names(run), ValueNamesOf(p.Root(TStartScope::User), {L"First", L"Expand", L"Last", L"Bare"}));
    std::map<std::wstring, std::wstring> data;
    for (const TStartEntry& e : run) data[e.name] = e.data;
    EXPECT_EQ(data[L"First"], L"\"C:\\Program Files\\App\\app.exe\" -minimized");
    EXPECT_EQ(data[L"Expand"], L"%SystemRoot%\\notepad.exe");  // as stored
    EXPECT_EQ(data[L"Bare"], L"C:\\bare.exe");
    for (const TStartEntry& e : run) {
        EXPECT_EQ(e.source, TStartSource::UserRun);
        EXPECT_TRUE(e.FromRunKey());
        EXPECT_EQ(e.Scope(), TStartScope::User);
    }
    EXPECT_TRUE(man.RunEntries(TStartScope::Machine).empty());  // no Run key there
}

TEST(WindowsStartMan, StartupFolderFilesLeaveOutHiddenFilesAndSubfolders) {
    test::TStartKeys p;
    const test::TempDir& folder = p.userFolder;
    ASSERT_TRUE(WriteFileReplacing(folder / L"tool.exe", "x"));
    ASSERT_TRUE(test::MakeShortcut(folder / L"Editor.lnk", L"C:\\windows\\notepad.exe"));
    ASSERT_TRUE(WriteFileReplacing(folder / L"desktop.ini", "[.ShellClassInfo]"));
    ::SetFileAttributesW((folder / L"desktop.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(CreateFolderTree(folder / L"Sub"));
    ASSERT_TRUE(WriteFileReplacing(folder / L"Sub\\inner.exe", "x"));
    TWindowsStartMan man(p.Places());
    EXPECT_EQ(man.StartupFolder(TStartScope::User), folder.Path() + L"\\");
    std::vector<std::wstring> files = TWindowsStartMan::FolderFiles(folder.Path());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::wstring>{folder / L"Editor.lnk", folder / L"tool.exe"}));
    EXPECT_EQ(TWindowsStartMan::FolderFiles(folder.Path(), L"EDIT"),
              (std::vector<std::wstring>{folder / L"Editor.lnk"}));
    EXPECT_EQ(TWindowsStartMan::FolderFiles(folder.Path(), L".*").size(), 2u);
    EXPECT_TRUE(TWindowsStartMan::FolderFiles(folder / L"missing").empty());
    for (const TStartEntry& e : man.FolderEntries(TStartScope::User)) {
        EXPECT_EQ(e.source, TStartSource::UserStartupFolder);
        EXPECT_EQ(e.name, FileNameOf(e.data));
    }
}

TEST(WindowsStartMan, EntriesComeInTheFiltersOrderWithTheirSources) {
    test::TStartKeys p;
    ASSERT_TRUE(WriteFileReplacing(p.commonFolder / L"common.exe", "x"));
    ASSERT_TRUE(WriteFileReplacing(p.userFolder / L"mine.exe", "x"));
    p.WriteString(TStartScope::User, L"UserValue", L"C:\\user.exe");
    p.WriteString(TStartScope::Machine, L"MachineValue", L"C:\\machine.exe /q");
    std::vector<TStartEntry> all = TWindowsStartMan(p.Places()).LoadEntries();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].source, TStartSource::CommonStartupFolder);
    EXPECT_EQ(all[0].data, p.commonFolder / L"common.exe");
    EXPECT_EQ(all[1].source, TStartSource::UserStartupFolder);
    EXPECT_EQ(all[2].source, TStartSource::UserRun);
    EXPECT_EQ(all[3].source, TStartSource::MachineRun);
    EXPECT_EQ(all[3].data, L"C:\\machine.exe /q");
    EXPECT_EQ(all[3].Scope(), TStartScope::Machine);
}

TEST(WindowsStartMan, RunValuesAreWrittenReplacedAndDeletedOneByOne) {
    test::TStartKeys p;
    TWindowsStartMan man(p.Places());
    for (TStartScope scope : {TStartScope::User, TStartScope::Machine}) {
        // The Run key is made when it is missing.
        EXPECT_FALSE(man.HasRunValue(scope, L"A"));
        EXPECT_EQ(man.SetRunValue(scope, L"A", L"C:\\a.exe"), ERROR_SUCCESS);
        EXPECT_EQ(man.SetRunValue(scope, L"B", L"C:\\b.exe"), ERROR_SUCCESS);
        EXPECT_EQ(man.SetRunValue(scope, L"A", L"C:\\a2.exe"), ERROR_SUCCESS);
        EXPECT_TRUE(man.HasRunValue(scope, L"A"));
        std::vector<TStartEntry> run = man.RunEntries(scope);
        EXPECT_EQ(Names(run), (std::vector<std::wstring>{L"A", L"B"}));
        EXPECT_EQ(run[0].data, L"C:\\a2.exe");
        EXPECT_EQ(man.DeleteRunValue(scope, L"A"), ERROR_SUCCESS);
        EXPECT_EQ(man.DeleteRunValue(scope, L"A"), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(Names(man.RunEntries(scope)), (std::vector<std::wstring>{L"B"}));
    }
}

TEST(WindowsStartMan, TheMachinesRunKeyIsTheOneOfThe64BitView) {
    // The test prefix's own machine key, as the program uses it.
    TWindowsStartMan man;
    const wchar_t* name = L"QuilMarTestView";
    ASSERT_EQ(man.SetRunValue(TStartScope::Machine, name, L"C:\\view.exe"), ERROR_SUCCESS);
    auto present = [&](REGSAM view) {
        unique_hkey key;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kStartRunKey, 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS)
            return false;
        return ::RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    };
    EXPECT_TRUE(present(KEY_WOW64_64KEY));
    EXPECT_FALSE(present(KEY_WOW64_32KEY));
    bool listed = false;
    for (const TStartEntry& e : man.RunEntries(TStartScope::Machine)) listed = listed || e.name == name;
    EXPECT_TRUE(listed);
    EXPECT_EQ(man.DeleteRunValue(TStartScope::Machine, name), ERROR_SUCCESS);
    EXPECT_FALSE(present(KEY_WOW64_64KEY));
}

TEST(WindowsStartMan, StartCommandsSplitIntoProgramAndArguments) {
    test::TempDir dir;
    std::wstring spaced = dir / L"My Tools";
    ASSERT_TRUE(CreateFolderTree(spaced));
    ASSERT_TRUE(WriteFileReplacing(JoinPath(spaced, L"run me.exe"), "x"));
    ::SetEnvironmentVariableW(L"QM_TEST_TOOLS", spaced.c_str());
    struct Case {
        std::wstring command, program, arguments;
    };
    const Case cases[] = {
        {L"\"C:\\Program Files\\App\\app.exe\" -minimized", L"C:\\Program Files\\App\\app.exe", L"-minimized"},
        {L"  \"C:\\a.exe\"  ", L"C:\\a.exe", L""},
        {L"\"C:\\open quote.exe -x", L"C:\\open quote.exe -x", L""},
        // Unquoted with blanks: the existing file, as Windows finds it.
        {JoinPath(spaced, L"run me.exe") + L" /tray /quiet", JoinPath(spaced, L"run me.exe"), L"/tray /quiet"},
        {JoinPath(spaced, L"run me") + L" /tray", JoinPath(spaced, L"run me"), L"/tray"},
        {L"%QM_TEST_TOOLS%\\run me.exe -a", JoinPath(spaced, L"run me.exe"), L"-a"},
        // Nothing on the disk: up to the first extension.
        {L"C:\\Program Files\\Gone\\gone.exe -min", L"C:\\Program Files\\Gone\\gone.exe", L"-min"},
        {L"C:\\gone -x", L"C:\\gone", L"-x"},
        // A program on the search path.
        {L"notepad.exe C:\\notes.txt", L"notepad.exe", L"C:\\notes.txt"},
        {L"rundll32.exe shell32.dll,Control_RunDLL desk.cpl", L"rundll32.exe", L"shell32.dll,Control_RunDLL desk.cpl"},
        {L"https://example.com/a b", L"https://example.com/a b", L""},
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        TStartCommand split = SplitStartCommand(c.command);
        EXPECT_EQ(split.program, c.program) << c.command;
        EXPECT_EQ(split.arguments, c.arguments) << c.command;
    }
    ::SetEnvironmentVariableW(L"QM_TEST_TOOLS", nullptr);
}

}  // namespace
}  // namespace qm

// ---- The startup filter ------------------------------------------------------------

namespace qm {
namespace {

struct TProgramCase {
    const char* name;
    TStartSource source;
    std::wstring data;    // "<dir>" stands for the test's folder
    std::wstring wanted;  // "<dir>" likewise; empty: not a startup program
};

std::wstring InDir(std::wstring text, const std::wstring& dir) {
    for (size_t at; (at = text.find(L"<dir>")) != std::wstring::npos;) text.replace(at, 5, dir);
    return text;
}

TEST(StartupFilter, OnlyExecutablesAnEntryStartsCount) {
    test::TempDir dir;
    ASSERT_TRUE(CreateFolderTree(dir / L"App Dir"));
    for (const wchar_t* file : {L"helper.exe", L"App Dir\\app.exe", L"notes.txt"})
        ASSERT_TRUE(WriteFileReplacing(dir / file, "x"));
    ASSERT_TRUE(test::MakeShortcut(dir / L"helper.lnk", dir / L"helper.exe"));
    ASSERT_TRUE(test::MakeShortcut(dir / L"notes.lnk", dir / L"notes.txt"));
    std::wstring d = ToLower(dir.Path());
    const TProgramCase cases[] = {
        {"quoted with arguments", TStartSource::UserRun, L"\"<dir>\\helper.exe\" -minimized", L"<dir>\\helper.exe"},
        {"unquoted with a blank", TStartSource::MachineRun, L"<dir>\\App Dir\\app.exe -min",
         L"<dir>\\app dir\\app.exe"},
        {"case and blanks", TStartSource::UserRun, L"  \"<dir>\\HELPER.EXE\"  ", L"<dir>\\helper.exe"},
        {"a shortcut through its target", TStartSource::UserStartupFolder, L"<dir>\\helper.lnk", L"<dir>\\helper.exe"},
        {"a document in the folder", TStartSource::CommonStartupFolder, L"<dir>\\notes.txt", L""},
        {"a shortcut to a document", TStartSource::UserStartupFolder, L"<dir>\\notes.lnk", L""},
        {"a rundll32 line", TStartSource::UserRun, L"rundll32 shell32.dll,Control_RunDLL", L""},
        {"rundll32 in full", TStartSource::UserRun, L"C:\\windows\\system32\\rundll32.exe x.dll,Entry", L""},
        {"explorer", TStartSource::MachineRun, L"C:\\windows\\explorer.exe /n", L""},
        {"dllhost", TStartSource::MachineRun, L"C:\\windows\\system32\\dllhost.exe /Processid:{x}", L""},
        {"this program", TStartSource::UserRun, L"\"C:\\Program Files\\QuilMar\\quilmar.exe\" /run", L""},
        {"an address", TStartSource::UserRun, L"https://example.com/app.exe", L""},
        {"an empty value", TStartSource::UserRun, L"", L""},
    };
    for (const TProgramCase& c : cases)
        EXPECT_EQ(StartupProgramOf({c.source, L"n", InDir(c.data, dir.Path())}), InDir(c.wanted, d)) << c.name;
    // A bare name is found where Windows finds it.
    std::wstring notepad = StartupProgramOf({TStartSource::UserRun, L"n", L"notepad.exe"});
    EXPECT_NE(notepad.find(L":\\"), std::wstring::npos) << WideToUtf8(notepad);
    EXPECT_EQ(FileNameOf(notepad), L"notepad.exe");
}

TEST(StartupFilter, ARunningProgramIsStartedByARunValueOrAStartupShortcut) {
    test::TStartKeys keys;
    test::TempDir progs;
    for (const wchar_t* file : {L"runner.exe", L"linked.exe", L"other.exe"})
        ASSERT_TRUE(WriteFileReplacing(progs / file, "x"));
    keys.WriteString(TStartScope::User, L"Runner", L"\"" + (progs / L"runner.exe") + L"\" -minimized");
    keys.WriteNumber(TStartScope::Machine, L"Flag", 1);  // not a string: skipped, the rest still read
    ASSERT_TRUE(test::MakeShortcut(keys.userFolder / L"linked.lnk", progs / L"linked.exe"));
    ASSERT_TRUE(WriteFileReplacing(keys.commonFolder / L"readme.txt", "a document"));

    TWindowsStartMan filter(keys.Places());
    EXPECT_TRUE(filter.IsStartupProgram(progs / L"runner.exe"));
    EXPECT_TRUE(filter.IsStartupProgram(L" " + ToUpper(progs / L"LINKED.EXE") + L" "));
    EXPECT_FALSE(filter.IsStartupProgram(progs / L"other.exe"));
    EXPECT_FALSE(filter.IsStartupProgram(L"C:\\windows\\system32\\notepad.exe"));  // the document's program
    EXPECT_FALSE(filter.IsStartupProgram(L""));

    // Read once: a value added later counts from the next start.
    keys.WriteString(TStartScope::Machine, L"Other", progs / L"other.exe");
    EXPECT_FALSE(filter.IsStartupProgram(progs / L"other.exe"));
    filter.SetPlaces(keys.Places());
    EXPECT_TRUE(filter.IsStartupProgram(progs / L"other.exe"));
}

TEST(StartupFilter, TheMachinesRunValuesOfBothViewsAreFiltered) {
    // The test prefix's machine key: a 32-bit program's value sits in the 32-bit view.
    test::TempDir progs;
    for (const wchar_t* file : {L"wide.exe", L"narrow.exe"}) ASSERT_TRUE(WriteFileReplacing(progs / file, "x"));
    const wchar_t* name64 = L"QuilMarTestWide";
    const wchar_t* name32 = L"QuilMarTestNarrow";
    unique_hkey narrow;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kStartRunKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                                nullptr, narrow.put(), nullptr),
              ERROR_SUCCESS);
    std::wstring narrowPath = progs / L"narrow.exe";
    ASSERT_EQ(::RegSetValueExW(narrow.get(), name32, 0, REG_SZ, reinterpret_cast<const BYTE*>(narrowPath.c_str()),
                               static_cast<DWORD>((narrowPath.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    test::TStartKeys keys;
    TStartPlaces places = keys.Places();
    places.machineRoot = HKEY_LOCAL_MACHINE;
    TWindowsStartMan filter(places);
    ASSERT_EQ(filter.SetRunValue(TStartScope::Machine, name64, progs / L"wide.exe"), ERROR_SUCCESS);
    EXPECT_TRUE(filter.IsStartupProgram(progs / L"wide.exe"));
    EXPECT_TRUE(filter.IsStartupProgram(narrowPath));
    EXPECT_EQ(filter.DeleteRunValue(TStartScope::Machine, name64), ERROR_SUCCESS);
    EXPECT_EQ(::RegDeleteValueW(narrow.get(), name32), ERROR_SUCCESS);
}

TEST(StartupFilter, EmptySourcesFilterNothing) {
    test::TStartKeys keys;
    TWindowsStartMan filter(keys.Places());
    EXPECT_TRUE(filter.FilterEntries().empty());
    EXPECT_FALSE(filter.IsStartupProgram(L"C:\\windows\\system32\\notepad.exe"));
}

}  // namespace
}  // namespace qm

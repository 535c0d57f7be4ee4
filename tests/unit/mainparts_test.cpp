// The main window's pure parts: the Windows version name, the Run value's data
// and the menu tables.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/menus.h"
#include "app/runvalue.h"
#include "base/winversion.h"
#include "base/unique_any.h"

namespace qm {
namespace {

TEST(WindowsVersion, NamesFromPlatformAndVersion) {
    struct Case {
        unsigned platform, major, minor;
        const wchar_t* name;
    };
    const Case cases[] = {
        {0, 3, 10, L"windows 32"},    {1, 4, 0, L"windows 95"},    {1, 4, 10, L"windows 98"},
        {1, 4, 90, L"windows me"},    {1, 4, 3, L"windows 9x"},    {2, 3, 51, L"windows nt 3.51"},
        {2, 4, 0, L"windows nt 4.0"}, {2, 5, 0, L"windows 2000"},  {2, 5, 1, L"windows xp"},
        {2, 5, 2, L"windows 2003"},   {2, 6, 0, L"windows vista"}, {2, 6, 1, L"windows 7"},
        {2, 6, 2, L"windows"},        {2, 10, 0, L"windows"},      {7, 1, 0, L"windows unknow"},
    };
    for (const auto& c : cases) EXPECT_EQ(WindowsVersionName(c.platform, c.major, c.minor), c.name);
}

TEST(WindowsVersion, CurrentNameIsThatOfTheTrueVersion) {
    // The system's shared data page carries the true version, which no
    // manifest shims (this test program has none, so GetVersionEx is shimmed).
    const volatile ULONG* shared = reinterpret_cast<const volatile ULONG*>(static_cast<ULONG_PTR>(0x7FFE0000));
    ULONG major = shared[0x26C / 4], minor = shared[0x270 / 4];
    ASSERT_GE(major, 5u);
    EXPECT_EQ(CurrentWindowsVersionName(), WindowsVersionName(VER_PLATFORM_WIN32_NT, major, minor));
}

TEST(RunValue, DataIsTheQuotedProgramWithRun) {
    EXPECT_EQ(RunValueData(L"C:\\Program Files\\QuilMar\\"), L"\"C:\\Program Files\\QuilMar\\quilmar.exe\" /run");
}

TEST(RunValue, BlankDataDoesNotCount) {
    TRunValue run(HKEY_CURRENT_USER, L"Software\\QuilMarTests\\RunBlank");
    run.Remove();
    EXPECT_FALSE(run.Present());
    ASSERT_TRUE(run.Write(L"   "));
    EXPECT_FALSE(run.Present());
    run.Apply(true, L"\"x\" /run");
    EXPECT_TRUE(run.Present());
    run.Apply(false, L"");
    EXPECT_FALSE(run.Present());
}

// What each kind of command does while a long operation runs: a second long
// operation is refused, what only looks or opens a place runs at once, and
// everything that reads or changes the record waits.
TEST(BusyRules, EachKindOfCommandMeetsALongOperationAsItMust) {
    struct Case {
        unsigned command;
        TBusyRule rule;
    };
    const Case cases[] = {
        {CmRecord, TBusyRule::Refuse},       {CmReplayAll, TBusyRule::Refuse},     {CmSearchGo, TBusyRule::Refuse},
        {CmStop, TBusyRule::Anytime},        {CmExit, TBusyRule::Anytime},         {CmAbout, TBusyRule::Anytime},
        {CmMyDocuments, TBusyRule::Anytime}, {CmDeleteSelected, TBusyRule::Queue}, {CmDeleteAll, TBusyRule::Queue},
        {CmAdd, TBusyRule::Queue},           {CmPasteShortcut, TBusyRule::Queue},  {CmSendToRecord, TBusyRule::Queue},
        {CmAddToRecord, TBusyRule::Queue},   {CmOpen, TBusyRule::Queue},
    };
    for (const Case& c : cases) EXPECT_EQ(BusyRuleOf(c.command), c.rule) << c.command;
}

TEST(Menus, TablesCarryTheirCaptionsAndHideWhatIsNeverShown) {
    unique_hmenu tree(BuildMenu(TMenuTable::DocTree, {}));
    EXPECT_EQ(MenuCaption(tree.get(), CmOpen), L"&Open");
    EXPECT_EQ(MenuCaption(tree.get(), CmDeleteAll), L"Delete All (&l)");
    EXPECT_EQ(MenuCaption(tree.get(), CmSendToDesktop), L"Desktop (create shortcut)");
    for (unsigned hidden : {CmCreateNote, CmSelectFolder, CmAddCopyPaste, CmCloseAll, CmDeleteInvalid})
        EXPECT_EQ(FindSubmenuWithCommand(tree.get(), hidden), nullptr) << hidden;
    EXPECT_NE(SubmenuById(tree.get(), CmRecentFirst), nullptr);

    unique_hmenu more(BuildMenu(TMenuTable::More, {}));
    EXPECT_EQ(MenuCaption(more.get(), CmShutDown), L"&Turn Off Computer");
    EXPECT_EQ(MenuCaption(more.get(), CmSystemHardware), L"System Properties - Hareware");
    unique_hmenu list(BuildMenu(TMenuTable::RecList, {}));
    EXPECT_EQ(MenuCaption(list.get(), CmRecRefresh), L"Re&fresh");
    EXPECT_EQ(MenuCaption(list.get(), CmReplayAtStart), L"Replay all when windows start");
    EXPECT_EQ(MenuCaption(list.get(), CmRecDesktopShortcut), L"Create desktop shortcut");
}

TEST(Menus, VisibilityAndChecksComeFromTheState) {
    TMenuState state;
    state.visible = [](unsigned id) { return id != CmHistory && id != CmSystemProperties && id != CmPaste; };
    state.checked = [](unsigned id) { return id == CmTextSmaller; };
    unique_hmenu main(BuildMenu(TMenuTable::Main, state));
    EXPECT_EQ(FindSubmenuWithCommand(main.get(), CmHistory), nullptr);
    EXPECT_EQ(FindSubmenuWithCommand(main.get(), CmSystemProperties), nullptr);
    EXPECT_NE(FindSubmenuWithCommand(main.get(), CmFavorites), nullptr);
    EXPECT_TRUE(MenuChecked(main.get(), CmTextSmaller));
    EXPECT_FALSE(MenuChecked(main.get(), CmTextLarger));
    // A hidden entry takes its separator with it: no two separators in a row.
    unique_hmenu tree(BuildMenu(TMenuTable::DocTree, state));
    HMENU holder = FindSubmenuWithCommand(tree.get(), CmPasteShortcut);
    ASSERT_NE(holder, nullptr);
    int n = ::GetMenuItemCount(holder);
    for (int i = 1; i < n; ++i) {
        bool a = ::GetMenuState(holder, static_cast<UINT>(i - 1), MF_BYPOSITION) & MF_SEPARATOR;
        bool b = ::GetMenuState(holder, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR;
        EXPECT_FALSE(a && b) << i;
    }
}

}  // namespace
}  // namespace qm

#include "app/entries.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace qm {
namespace {

using Lines = std::vector<std::wstring>;

TEST(Entries, StarListsEndEachEntryWithAStar) {
    struct Case {
        const wchar_t* text;
        Lines entries;
    };
    const Case cases[] = {
        {L"C:\\a.txt*C:\\b.txt*", {L"C:\\a.txt", L"C:\\b.txt"}},
        {L"C:\\a.txt*C:\\b.txt", {L"C:\\a.txt"}},
        {L"  C:\\a.txt  * *C:\\b.txt*", {L"C:\\a.txt", L"C:\\b.txt"}},
        {L"no star", {}},
        {L"***", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitStarList(c.text), c.entries) << c.text;
}

TEST(Entries, StarListTakesAtMost5000Entries) {
    std::wstring text;
    for (int i = 0; i < 6000; ++i) text += L"e" + std::to_wstring(i) + L"*";
    Lines got = SplitStarList(text);
    ASSERT_EQ(got.size(), 5000u);
    EXPECT_EQ(got.back(), L"e4999");
}

TEST(Entries, SwitchesAreExactAndCaseSensitive) {
    for (const wchar_t* s : {L"/run", L"/install", L"/runasadmin", L"/run_admin"}) EXPECT_TRUE(IsSkippedSwitch(s)) << s;
    for (const wchar_t* s : {L"/RUN", L" /run", L"/ctmenu", L"/run2", L""}) EXPECT_FALSE(IsSkippedSwitch(s)) << s;
    EXPECT_EQ(ReplaceBlankMarker(L"C:\\My?|?Files\\x.txt"), L"C:\\My Files\\x.txt");
}

TEST(Entries, StartFlags) {
    struct Case {
        Lines args;
        bool elevated, atStart, install;
    };
    const Case cases[] = {
        {{}, false, false, false},
        {{L"/run"}, false, true, false},
        {{L" /run_admin "}, false, true, false},
        {{L"/RUN"}, false, false, false},
        {{L"x", L"/runasadmin"}, true, false, false},
        {{L"/run", L"/runasadmin"}, true, true, false},
        {{L"/install"}, false, false, true},
    };
    for (const auto& c : cases) {
        TStartFlags f = ParseStartFlags(c.args);
        EXPECT_EQ(f.startedElevated, c.elevated);
        EXPECT_EQ(f.startedAtWindowsStart, c.atStart);
        EXPECT_EQ(f.installRequested, c.install);
    }
}

TEST(Entries, ElevationRelaunchDecision) {
    struct Case {
        Lines args;
        bool always;
        bool relaunch;
        const wchar_t* parameter;
    };
    const Case cases[] = {
        {{}, false, false, L""},
        {{}, true, true, L""},
        {{L"C:\\a.txt"}, true, true, L"C:\\a.txt"},
        {{L"C:\\a.txt", L"C:\\b.txt"}, true, true, L"C:\\a.txt"},  // later arguments are not passed on
        {{L"x", L"/ctmenu"}, true, false, L""},
        {{L"/ctmenu "}, true, false, L""},
        {{L"/runasadmin"}, true, false, L""},
        {{L"/run_admin"}, true, false, L""},
        {{L"/run"}, true, true, L"/run"},
        {{L"/ctmenu", L"x"}, true, true, L"/ctmenu"},
    };
    for (const auto& c : cases) {
        auto p = ElevationRelaunchParameter(c.args, c.always);
        EXPECT_EQ(p.has_value(), c.relaunch);
        if (p) {
            EXPECT_EQ(*p, c.parameter);
        }
    }
    TShellCall call = ElevationRelaunchCall(L"C:\\Program Files\\QuilMar\\", L"C:\\a b.txt");
    EXPECT_EQ(call.verb, L"open");
    EXPECT_EQ(call.file, L"C:\\Program Files\\QuilMar\\quilmaradmin.exe");
    EXPECT_EQ(call.parameters, L"C:\\a b.txt");
    EXPECT_EQ(call.show, SW_SHOWNORMAL);
}

TEST(Entries, HandoffLinesSkipSwitchesAndTakeTheContextMenuFile) {
    auto noMenu = [] { return std::optional<Lines>(); };
    auto menu = [] { return std::optional<Lines>(Lines{L"C:\\m1", L"C:\\m2"}); };
    EXPECT_EQ(BuildHandoffLines({}, noMenu), Lines{});
    EXPECT_EQ(BuildHandoffLines({L"/run", L"C:\\a b.txt", L"/install", L"/RUN"}, noMenu),
              (Lines{L"C:\\a b.txt", L"/RUN"}));
    EXPECT_EQ(BuildHandoffLines({L"C:\\x", L"/ctmenu", L"C:\\later"}, menu), (Lines{L"C:\\m1", L"C:\\m2"}));
    EXPECT_EQ(BuildHandoffLines({L"C:\\x", L"/ctmenu"}, noMenu), Lines{});
}

TEST(Entries, CommandLineArgumentsFollowTheShellRules) {
    EXPECT_EQ(CommandLineArguments(L"quilmar.exe"), Lines{});
    EXPECT_EQ(CommandLineArguments(L"\"C:\\Program Files\\quilmar.exe\" \"C:\\a b.txt\" /run"),
              (Lines{L"C:\\a b.txt", L"/run"}));
}

}  // namespace
}  // namespace qm

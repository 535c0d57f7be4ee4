// The small dialogs as a user sees them: every hint whole, nothing clipped or
// overlapping, and names that cannot be a record file refused.
#include <gtest/gtest.h>

#include "app/renamedialog.h"
#include "app/replayprompt.h"
#include "gui/dialogscript.h"

namespace qm {
namespace {

using test::TDialogScript;

TEST(SmallDialogs, ReplayPromptWithItsHintIsTidy) {
    TfrmReplayWhenWinStart prompt;
    TReplayPromptValues values;
    values.recordText = L"Dec 31,2026_001 with a rather long record name";
    values.topLevel = 12;
    values.total = 1234;
    values.dontShowAgain = true;
    std::vector<std::string> problems;
    TDialogScript::Start([&] { return prompt.Handle(); }, {[&] {
                             EXPECT_TRUE(test::Visible(prompt.Control(TfrmReplayWhenWinStart::kIdHint)));
                             problems = test::LayoutProblems(prompt.Handle());
                             ::PostMessageW(prompt.Handle(), WM_COMMAND, IDCANCEL, 0);
                             return true;
                         }});
    EXPECT_FALSE(prompt.Show(nullptr, values));
    EXPECT_TRUE(TDialogScript::Completed());
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

TEST(SmallDialogs, RenameRefusesNamesOutsideTheRecordFolder) {
    struct Case {
        const wchar_t* typed;
        bool accepted;
    };
    const Case cases[] = {
        {L"..\\x", false},         {L"a\\b", false},           {L"CON", false}, {L"x:", false}, {L"aux.quilmar", false},
        {L"report.QUILMAR", true}, {L"caf\u00E9 \u4E2D", true}};
    for (const Case& c : cases) {
        TFrmReName dialog;
        bool red = false, open = false;
        std::vector<std::string> problems;
        TDialogScript::Start([&] { return dialog.Handle(); }, {[&] {
                                 problems = test::LayoutProblems(dialog.Handle());
                                 ::SetDlgItemTextW(dialog.Handle(), TFrmReName::kIdEdtName, c.typed);
                                 ::SendMessageW(dialog.Handle(), WM_COMMAND, IDOK, 0);
                                 open = ::IsWindow(dialog.Handle()) != FALSE;
                                 red = dialog.NameColour() == RGB(255, 0, 0);
                                 if (open) ::PostMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
                                 return true;
                             }});
        std::wstring name = L"Dec 08,2026_001";
        bool accepted = dialog.Show(nullptr, name);
        TDialogScript::Completed();
        EXPECT_EQ(accepted, c.accepted) << c.typed;
        EXPECT_EQ(red, !c.accepted) << c.typed;
        if (accepted) {
            EXPECT_EQ(name, c.typed);
        }
        EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    }
}

}  // namespace
}  // namespace qm

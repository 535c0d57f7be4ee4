#include "app/recordtype.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "base/strings.h"
#include "gui/dialogscript.h"

namespace qm {
namespace {

using test::IsChecked;
using test::ShownText;
using test::TDialogScript;
using test::Visible;
using test::WindowText;
using T = TFrmRecordType;

constexpr COLORREF kWhite = RGB(255, 255, 255), kGrey = RGB(239, 239, 239), kRed = RGB(255, 0, 0);

struct Fixture : ::testing::Test {
    T dialog{T::THooks{}};
    HWND Item(int id) const { return ::GetDlgItem(dialog.Handle(), id); }
    void Click(int id) const { ::SendMessageW(Item(id), BM_CLICK, 0, 0); }
    bool Run(TRecordTypeValues& values, std::vector<TDialogScript::TStep> steps,
             const std::wstring& newName = L"Dec 09,2026_001", const std::wstring& existing = L"Dec 01,2026_004") {
        TDialogScript::Start([this] { return dialog.Handle(); }, std::move(steps));
        values.newRecordName = newName;
        values.existingRecordName = existing;
        bool confirmed = dialog.Show(nullptr, values);
        EXPECT_TRUE(TDialogScript::Completed());
        return confirmed;
    }
};

using RecordTypeDialog = Fixture;

TEST_F(RecordTypeDialog, RecordTypeDecidesTheNameField) {
    TRecordTypeValues values;
    Run(values, {[&] {
            EXPECT_EQ(WindowText(dialog.Handle()), L"Running Record Action");
            EXPECT_EQ(WindowText(Item(T::kIdEdtRename)), L"Dec 09,2026_001");
            EXPECT_TRUE(::IsWindowEnabled(Item(T::kIdEdtRename)));
            EXPECT_EQ(dialog.RenameColour(), kWhite);
            Click(T::kIdRbAddToExistFile);
            EXPECT_EQ(WindowText(Item(T::kIdEdtRename)), L"Dec 01,2026_004");
            EXPECT_FALSE(::IsWindowEnabled(Item(T::kIdEdtRename)));
            EXPECT_EQ(dialog.RenameColour(), kGrey);
            Click(T::kIdRbCreateNewFile);
            EXPECT_EQ(WindowText(Item(T::kIdEdtRename)), L"Dec 09,2026_001");
            EXPECT_EQ(dialog.RenameColour(), kWhite);
            ::PostMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
            return true;
        }});
}

TEST_F(RecordTypeDialog, CaptionsAndHintsAsTheUserSeesThem) {
    TRecordTypeValues values;
    values.recordRecentDocument = true;
    values.recRecentDoc = 59;
    Run(values, {[&] {
            const std::pair<int, const wchar_t*> captions[] = {
                {T::kIdRbCreateNewFile, L"Create a new file"},
                {T::kIdRbAddToExistFile, L"Add to exist file"},
                {T::kIdCbRecrodRecentDocument, L"Record Recent Documents"},
                {T::kIdCbFilterPCStart, L"Filter Startup Program"},
                {T::kIdCbDisplayPCStartFilterList, L"Show Shartup Program Filter"},
                {T::kIdCbWebpage, L"Record web pages"},
                {T::kIdRenameLabel, L"Rename to"},
                {T::kIdCbDonotshow, L"Don't show again"},
                {T::kIdRecentDocLabel, L"Record Recent Documents59 days ago"},
            };
            for (auto [id, text] : captions) EXPECT_EQ(ShownText(Item(id)), text) << id;
            // The "Don't show again" hint follows its box.
            EXPECT_FALSE(Visible(Item(T::kIdDonotshowHint)));
            Click(T::kIdCbDonotshow);
            EXPECT_TRUE(Visible(Item(T::kIdDonotshowHint)));
            EXPECT_EQ(WindowText(Item(T::kIdDonotshowHint)),
                      L"This window will no longer display the next operation.To reset,you can go to "
                      L"\"Settings\",\"Record\",Select \"Ask for action when record\"");
            Click(T::kIdCbDonotshow);
            EXPECT_FALSE(Visible(Item(T::kIdDonotshowHint)));
            // The age panel follows "Record Recent Documents".
            Click(T::kIdCbRecrodRecentDocument);
            EXPECT_FALSE(Visible(Item(T::kIdTbRecRecentDoc)));
            // Not started elevated: the elevation hint is offered.
            EXPECT_TRUE(dialog.ElevationHintShown());
            EXPECT_TRUE(Visible(Item(T::kIdCbElevate)));
            ::PostMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
            return true;
        }});
}

TEST_F(RecordTypeDialog, EmptyNameKeepsTheDialogOpenThenConfirmTakesTheValues) {
    TRecordTypeValues values;
    values.webpage = false;
    bool confirmed = Run(values, {[&] {
                             ::SetWindowTextW(Item(T::kIdEdtRename), L"   ");
                             ::SendMessageW(dialog.Handle(), WM_COMMAND, IDOK, 0);
                             EXPECT_TRUE(::IsWindow(dialog.Handle()));
                             EXPECT_EQ(dialog.RenameColour(), kRed);
                             EXPECT_EQ(::GetFocus(), Item(T::kIdEdtRename));
                             ::SetWindowTextW(Item(T::kIdEdtRename), L"  Holiday \u00E9  ");
                             Click(T::kIdCbWebpage);
                             Click(T::kIdCbDonotshow);
                             ::PostMessageW(dialog.Handle(), WM_COMMAND, IDOK, 0);
                             return true;
                         }});
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(values.renameTo, L"Holiday \u00E9");
    EXPECT_TRUE(values.webpage);
    EXPECT_FALSE(values.showSettingsWhenRecord);  // "Don't show again" ticked
}

TEST_F(RecordTypeDialog, CancelAndEscapeChangeNothing) {
    for (UINT how : {0u, static_cast<UINT>(VK_ESCAPE)}) {
        TRecordTypeValues values;
        bool confirmed = Run(values, {[&] {
                                 Click(T::kIdCbWebpage);
                                 if (how)
                                     test::PressKey(Item(T::kIdEdtRename), how);
                                 else
                                     ::PostMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
                                 return true;
                             }});
        EXPECT_FALSE(confirmed);
        EXPECT_FALSE(values.webpage);
        EXPECT_TRUE(values.renameTo.empty());
    }
}

// A name that could reach outside the record folder, name a device or hold a
// character no file name can is refused like an empty one.
TEST_F(RecordTypeDialog, NamesThatAreNoRecordFileAreRefused) {
    for (const wchar_t* bad : {L"..\\x", L"a\\b", L"a/b", L"CON", L"nul.txt", L"x:", L"..", L"what?", L"trailing."}) {
        TRecordTypeValues values;
        bool stayedOpen = false;
        bool confirmed = Run(values, {[&] {
                                 ::SetWindowTextW(Item(T::kIdEdtRename), bad);
                                 ::SendMessageW(dialog.Handle(), WM_COMMAND, IDOK, 0);
                                 stayedOpen = ::IsWindow(dialog.Handle()) && dialog.RenameColour() == kRed;
                                 ::PostMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
                                 return true;
                             }});
        EXPECT_FALSE(confirmed) << bad;
        EXPECT_TRUE(stayedOpen) << bad;
        EXPECT_TRUE(values.renameTo.empty()) << bad;
    }
}

// Every hint shows whole: the elevation hint and the "Don't show again" hint
// with the dialog grown for them, no caption clipped, nothing overlapping.
TEST_F(RecordTypeDialog, LayoutIsTidyWithEveryHintShown) {
    TRecordTypeValues values;
    values.recRecentDoc = 58;
    std::vector<std::string> problems;
    Run(values, {[&] {
            Click(T::kIdCbDonotshow);
            EXPECT_TRUE(Visible(Item(T::kIdElevationHint)));
            EXPECT_TRUE(Visible(Item(T::kIdDonotshowHint)));
            problems = test::LayoutProblems(dialog.Handle());
            // The buttons stay inside the dialog.
            RECT client{};
            ::GetClientRect(dialog.Handle(), &client);
            RECT ok = test::RectIn(dialog.Handle(), Item(IDOK));
            EXPECT_LE(ok.bottom, client.bottom);
            ::PostMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
            return true;
        }});
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

TEST(RecordTypeDialogElevated, NoElevationHintWhenAlreadyElevated) {
    T::THooks hooks;
    hooks.startedElevated = true;
    T dialog(hooks);
    TRecordTypeValues values;
    TDialogScript::Start([&] { return dialog.Handle(); }, {[&] {
                             EXPECT_FALSE(dialog.ElevationHintShown());
                             EXPECT_FALSE(Visible(::GetDlgItem(dialog.Handle(), T::kIdCbElevate)));
                             ::PostMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
                             return true;
                         }});
    values.newRecordName = values.existingRecordName = L"a";
    dialog.Show(nullptr, values);
    EXPECT_TRUE(TDialogScript::Completed());
}

}  // namespace
}  // namespace qm

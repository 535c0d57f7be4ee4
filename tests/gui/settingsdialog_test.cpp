#include "app/quilmarsettings.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include "base/pathtext.h"
#include "base/strings.h"
#include "gui/dialogscript.h"
#include "support/tempdir.h"

namespace qm {
namespace {

using test::IsChecked;
using test::PressKey;
using test::RectIn;
using test::ShownText;
using test::TDialogScript;
using test::Visible;
using T = TFrmMySettings;

// The background the dialog gives its path field, as the field would paint it.
COLORREF PathFieldBackground(const T& dialog) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SendMessageW(dialog.Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(dialog.Control(T::kIdEdtRecordPath)));
    COLORREF c = ::GetBkColor(dc);
    ::DeleteDC(dc);
    return c;
}

constexpr COLORREF kRed = RGB(255, 0, 0);

int TrackPos(const T& dialog, int id) { return static_cast<int>(::SendMessageW(dialog.Control(id), TBM_GETPOS, 0, 0)); }

int CurrentTab(const T& dialog) {
    return static_cast<int>(::SendMessageW(dialog.Control(T::kIdTabs), TCM_GETCURSEL, 0, 0));
}

// Switches tabs as the keyboard does on the tab control.
void ChooseTab(const T& dialog, int tab) { ::SendMessageW(dialog.Control(T::kIdTabs), TCM_SETCURFOCUS, tab, 0); }

void Click(const T& dialog, int id) { ::SendMessageW(dialog.Control(id), BM_CLICK, 0, 0); }

// Types into the path field and leaves it with the Tab key.
void TypePath(const T& dialog, const std::wstring& text) {
    HWND edit = dialog.Control(T::kIdEdtRecordPath);
    ::SendMessageW(dialog.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    ::SetWindowTextW(edit, text.c_str());
}

std::wstring Text(const T& dialog, int id) { return ShownText(dialog.Control(id)); }

std::wstring Doubled(const std::wstring& path) { return ReplaceAll(path, L"\\", L"\\\\"); }

struct Fixture : ::testing::Test {
    test::TempDir folder;
    TSettings settings;
    int listed = 0;
    int relaunched = 0;

    Fixture() { settings.record.recPath = NormaliseFolderPath(folder.Path()); }

    TSettingsDialogHooks Hooks(bool elevated = false) {
        TSettingsDialogHooks h;
        h.listRecords = [this] { ++listed; };
        h.relaunchElevated = [this] { ++relaunched; };
        h.startedElevated = elevated;
        return h;
    }

    // Shows the dialog and runs the steps against it; true when it was confirmed.
    bool Run(T& dialog, std::vector<TDialogScript::TStep> steps) {
        TDialogScript::Start([&dialog] { return dialog.Handle(); }, std::move(steps));
        bool confirmed = dialog.Show(nullptr, settings.record);
        EXPECT_TRUE(TDialogScript::Completed());
        return confirmed;
    }
};

using SettingsDialog = Fixture;

TEST_F(SettingsDialog, ShowsTheOptionsItIsGiven) {
    TRecordOptions flipped;
    flipped.recordRecentDocument = false;
    flipped.recRecentDoc = 1;
    flipped.webpage = true;
    flipped.filterPCStart = false;
    flipped.displayPCStartFilterList = true;
    flipped.recordType = 1;
    flipped.showSettingsWhenRecord = false;
    flipped.showSettingsWhenRecordSmart = false;
    flipped.showSettingsWhenReplay = false;
    flipped.replayAllChildDoc = true;
    flipped.recordInterval = 60;
    flipped.runSelectedRecs = true;
    flipped.runWhenWindowsStarts = true;
    flipped.alwaysOnTop = true;
    flipped.runAsAdmin = false;
    flipped.recordAllTabs = false;
    flipped.keepAddressesPrivate = false;
    flipped.restorePlacement = false;
    flipped.donotReopenOpen = true;

    for (const TRecordOptions& options : {TRecordOptions{}, flipped}) {
        settings.record = options;
        listed = 0;
        settings.record.recPath = NormaliseFolderPath(folder.Path());
        const TRecordOptions r = settings.record;
        T dialog(Hooks());
        struct Box {
            int id;
            bool expected;
        };
        const Box boxes[] = {
            {T::kIdCbRunWhenWS, r.runWhenWindowsStarts},
            {T::kIdAlwaysontop1, r.alwaysOnTop},
            {T::kIdCbRunSelectedRecord, r.runSelectedRecs},
            {T::kIdCbRecrodRecentDocument, r.recordRecentDocument},
            {T::kIdCbWebpage, r.webpage},
            {T::kIdCbFilterPCStart, r.filterPCStart},
            {T::kIdCbDisplayPCStartFilterList, r.displayPCStartFilterList},
            {T::kIdCbRunAsAdmin, r.runAsAdmin},
            {T::kIdRbCreateNewFile, r.recordType == 0},
            {T::kIdRbAddToExistFile, r.recordType == 1},
            {T::kIdCbShowSettingsWhenRecord, r.showSettingsWhenRecord},
            {T::kIdCbShowSettingsWhenRecordSmart, r.showSettingsWhenRecordSmart},
            {T::kIdCbShowSettingsWhenReplay, r.showSettingsWhenReplay},
            {T::kIdRbReplayFirstChildDoc, !r.replayAllChildDoc},
            {T::kIdRbReplayAllChildDoc, r.replayAllChildDoc},
            {T::kIdCbRecordAllTabs, r.recordAllTabs},
            {T::kIdCbKeepAddressesPrivate, r.keepAddressesPrivate},
            {T::kIdCbRestorePlacement, r.restorePlacement},
            {T::kIdCbDonotReopenOpen, r.donotReopenOpen},
        };
        std::wstring ageLabel, intervalLabel;
        bool ageShown = false;
        Run(dialog, {[&] {
                         EXPECT_EQ(test::WindowText(dialog.Handle()), L"Settings");
                         EXPECT_EQ(Text(dialog, T::kIdEdtRecordPath), r.recPath);
                         for (const Box& b : boxes) {
                             EXPECT_EQ(IsChecked(dialog.Control(b.id)), b.expected) << "control " << b.id;
                         }
                         EXPECT_EQ(TrackPos(dialog, T::kIdTbRecRecentDoc), r.recRecentDoc);
                         EXPECT_EQ(TrackPos(dialog, T::kIdTbRecordInterval), r.recordInterval);
                         ageLabel = Text(dialog, T::kIdRecentDocLabel);
                         ageShown = Visible(dialog.Control(T::kIdTbRecRecentDoc));
                         // Neither hint, nor the stored "Run QuilMar as Admin", is on show.
                         EXPECT_FALSE(Visible(dialog.Control(T::kIdPathHint)));
                         EXPECT_FALSE(Visible(dialog.Control(T::kIdElevationHint)));
                         EXPECT_FALSE(Visible(dialog.Control(T::kIdCbElevate)));
                         EXPECT_FALSE(Visible(dialog.Control(T::kIdCbRunAsAdmin)));
                         EXPECT_NE(PathFieldBackground(dialog), kRed);
                         ChooseTab(dialog, T::kTabSmartRecord);
                         return true;
                     },
                     [&] {
                         intervalLabel = Text(dialog, T::kIdIntervalLabel);
                         EXPECT_TRUE(Visible(dialog.Control(T::kIdIntervalLabel)));
                         PressKey(dialog.Control(T::kIdTbRecordInterval), VK_ESCAPE);
                         return true;
                     }});
        EXPECT_EQ(ageShown, r.recordRecentDocument);
        if (r.recRecentDoc == 60) {
            EXPECT_EQ(ageLabel, L"Record all Recent Documents");
        } else {
            EXPECT_EQ(ageLabel, L"Record Recent Documents1 days ago");
        }
        EXPECT_EQ(intervalLabel, L"Record Every " + std::to_wstring(r.recordInterval) + L" seconds");
        EXPECT_EQ(listed, 1);  // closing always lists the folder in use
    }
}

TEST_F(SettingsDialog, CaptionsAndTabs) {
    T dialog(Hooks());
    Run(dialog, {[&] {
            struct Caption {
                int id;
                const wchar_t* text;
            };
            for (Caption c : {Caption{T::kIdAddressLabel, L"Address"},
                              Caption{T::kIdCbRunWhenWS, L"Run Quilmar at Startup"},
                              Caption{T::kIdAlwaysontop1, L"Always on Top"},
                              Caption{T::kIdCbRunSelectedRecord, L"Run selected records when start"},
                              Caption{T::kIdCbRecrodRecentDocument, L"Record Recent Documents"},
                              Caption{T::kIdCbWebpage, L"Record web pages"},
                              Caption{T::kIdCbFilterPCStart, L"Filter Windows Start"},
                              Caption{T::kIdCbDisplayPCStartFilterList, L"Display Windows Start Filter"},
                              Caption{T::kIdCbRunAsAdmin, L"Run QuilMar as Admin"},
                              Caption{T::kIdRgRecordType, L"Record Type"},
                              Caption{T::kIdRbCreateNewFile, L"Create a new file"},
                              Caption{T::kIdRbAddToExistFile, L"Add to exist file"},
                              Caption{T::kIdCbShowSettingsWhenRecord, L"Ask for action when Record"},
                              Caption{T::kIdCbShowSettingsWhenRecordSmart, L"Ask for action when Smart Record"},
                              Caption{T::kIdCbShowSettingsWhenReplay, L"Ask for action when Replay All"},
                              Caption{T::kIdRbReplayFirstChildDoc, L"Replay First Children Document"},
                              Caption{T::kIdRbReplayAllChildDoc, L"Replay All Children Documents"},
                              Caption{T::kIdPathHint, L"not exists directory."},
                              Caption{T::kIdElevationHint,
                                      L"Hint: Please run QuilMar as Admin before update \"Run Quilmar at Startup\""},
                              Caption{T::kIdCbElevate, L"Run QuilMar as admin"},
                              Caption{T::kIdCbRecordAllTabs, L"Record every tab of every browser"},
                              Caption{T::kIdCbKeepAddressesPrivate, L"Keep web addresses private"},
                              Caption{T::kIdCbRestorePlacement, L"Put windows back where they were"},
                              Caption{T::kIdCbDonotReopenOpen, L"Do not reopen what is already open"}}) {
                EXPECT_EQ(Text(dialog, c.id), c.text) << "control " << c.id;
            }
            HWND tabs = dialog.Control(T::kIdTabs);
            EXPECT_EQ(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
            const wchar_t* expected[] = {L"  Record  ", L"   Smart Record   ", L"   Replay All   ", L"   Desktop   "};
            for (int i = 0; i < 4; ++i) {
                wchar_t buf[64] = {};
                TCITEMW item{};
                item.mask = TCIF_TEXT;
                item.pszText = buf;
                item.cchTextMax = 64;
                ::SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
                EXPECT_EQ(std::wstring(buf), expected[i]);
            }
            PressKey(dialog.Control(T::kIdEdtRecordPath), VK_ESCAPE);
            return true;
        }});
}

// No two controls overlap and every caption fits, on every tab, with the
// longest age caption, with the age panel hidden and with the elevation hint.
TEST_F(SettingsDialog, LayoutIsTidy) {
    settings.record.recRecentDoc = 58;
    T dialog(Hooks());
    std::vector<std::string> problems;
    auto look = [&](const char* state) {
        for (const std::string& p : test::LayoutProblems(dialog.Handle())) problems.push_back(state + (": " + p));
    };
    Run(dialog, {[&] {
                     look("record tab");
                     ChooseTab(dialog, T::kTabSmartRecord);
                     return true;
                 },
                 [&] {
                     look("smart record tab");
                     ChooseTab(dialog, T::kTabReplayAll);
                     return true;
                 },
                 [&] {
                     look("replay tab");
                     ChooseTab(dialog, T::kTabDesktop);
                     return true;
                 },
                 [&] {
                     look("desktop tab");
                     Click(dialog, T::kIdCbRunWhenWS);
                     Click(dialog, T::kIdCbRecrodRecentDocument);
                     return true;
                 },
                 [&] {
                     look("hint shown, age hidden");
                     PressKey(::GetFocus(), VK_ESCAPE);
                     return true;
                 }});
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

// Each tab shows its own controls only.
TEST_F(SettingsDialog, TabsShowTheirOwnControls) {
    T dialog(Hooks());
    const int onTab[4] = {T::kIdCbShowSettingsWhenRecord, T::kIdCbShowSettingsWhenRecordSmart,
                          T::kIdCbShowSettingsWhenReplay, T::kIdCbDonotReopenOpen};
    std::vector<TDialogScript::TStep> steps;
    for (int tab : {T::kTabSmartRecord, T::kTabReplayAll, T::kTabDesktop, T::kTabRecord}) {
        steps.push_back([&, tab] {
            ChooseTab(dialog, tab);
            return true;
        });
        steps.push_back([&, tab] {
            EXPECT_EQ(CurrentTab(dialog), tab);
            for (int i = 0; i < 4; ++i) EXPECT_EQ(Visible(dialog.Control(onTab[i])), i == tab) << tab << " " << i;
            return true;
        });
    }
    steps.push_back([&] {
        PressKey(dialog.Control(T::kIdEdtRecordPath), VK_ESCAPE);
        return true;
    });
    Run(dialog, steps);
}

// Ctrl+Tab and Ctrl+Shift+Tab step through the tabs from any control.
TEST_F(SettingsDialog, CtrlTabSwitchesTabs) {
    T dialog(Hooks());
    BYTE saved[256] = {};
    ::GetKeyboardState(saved);
    auto press = [&](bool shift) {
        BYTE keys[256];
        std::copy(std::begin(saved), std::end(saved), keys);
        keys[VK_CONTROL] = 0x80;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(keys);
        PressKey(::GetFocus(), VK_TAB);
    };
    std::vector<int> seen;
    Run(dialog, {[&] {
                     press(false);
                     return true;
                 },
                 [&] {
                     seen.push_back(CurrentTab(dialog));
                     press(false);
                     return true;
                 },
                 [&] {
                     seen.push_back(CurrentTab(dialog));
                     press(false);
                     return true;
                 },
                 [&] {
                     seen.push_back(CurrentTab(dialog));
                     press(true);
                     return true;
                 },
                 [&] {
                     seen.push_back(CurrentTab(dialog));
                     EXPECT_TRUE(Visible(dialog.Control(T::kIdCbShowSettingsWhenReplay)));
                     ::SetKeyboardState(saved);
                     PressKey(::GetFocus(), VK_ESCAPE);
                     return true;
                 }});
    ::SetKeyboardState(saved);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 2}));
}

TEST_F(SettingsDialog, ConfirmCopiesEveryControlBack) {
    struct Toggle {
        int tab;
        int id;
        bool TRecordOptions::*field;
    };
    const Toggle toggles[] = {
        {T::kTabRecord, T::kIdCbRunWhenWS, &TRecordOptions::runWhenWindowsStarts},
        {T::kTabRecord, T::kIdAlwaysontop1, &TRecordOptions::alwaysOnTop},
        {T::kTabRecord, T::kIdCbRunSelectedRecord, &TRecordOptions::runSelectedRecs},
        {T::kTabRecord, T::kIdCbRecrodRecentDocument, &TRecordOptions::recordRecentDocument},
        {T::kTabRecord, T::kIdCbWebpage, &TRecordOptions::webpage},
        {T::kTabRecord, T::kIdCbFilterPCStart, &TRecordOptions::filterPCStart},
        {T::kTabRecord, T::kIdCbDisplayPCStartFilterList, &TRecordOptions::displayPCStartFilterList},
        {T::kTabRecord, T::kIdCbShowSettingsWhenRecord, &TRecordOptions::showSettingsWhenRecord},
        {T::kTabRecord, T::kIdRbAddToExistFile, nullptr},
        {T::kTabSmartRecord, T::kIdCbShowSettingsWhenRecordSmart, &TRecordOptions::showSettingsWhenRecordSmart},
        {T::kTabReplayAll, T::kIdCbShowSettingsWhenReplay, &TRecordOptions::showSettingsWhenReplay},
        {T::kTabReplayAll, T::kIdRbReplayAllChildDoc, &TRecordOptions::replayAllChildDoc},
        {T::kTabDesktop, T::kIdCbRecordAllTabs, &TRecordOptions::recordAllTabs},
        {T::kTabDesktop, T::kIdCbKeepAddressesPrivate, &TRecordOptions::keepAddressesPrivate},
        {T::kTabDesktop, T::kIdCbRestorePlacement, &TRecordOptions::restorePlacement},
        {T::kTabDesktop, T::kIdCbDonotReopenOpen, &TRecordOptions::donotReopenOpen},
    };
    const TRecordOptions before = settings.record;
    T dialog(Hooks(true));
    std::vector<TDialogScript::TStep> steps;
    // The age is set while its trackbar is still shown, then the box is untied.
    steps.push_back([&] {
        PressKey(dialog.Control(T::kIdTbRecRecentDoc), VK_HOME);
        return true;
    });
    for (const Toggle& t : toggles) {
        steps.push_back([&] {
            ChooseTab(dialog, t.tab);
            return true;
        });
        steps.push_back([&] {
            Click(dialog, t.id);
            return true;
        });
    }
    steps.push_back([&] {
        ChooseTab(dialog, T::kTabSmartRecord);
        PressKey(dialog.Control(T::kIdTbRecordInterval), VK_END);
        return true;
    });
    steps.push_back([&] {
        PressKey(dialog.Control(T::kIdCbShowSettingsWhenRecordSmart), VK_RETURN);
        return true;
    });
    EXPECT_TRUE(Run(dialog, steps));

    const TRecordOptions& after = settings.record;
    for (const Toggle& t : toggles) {
        if (t.field) {
            EXPECT_EQ(after.*t.field, !(before.*t.field)) << "control " << t.id;
        }
    }
    EXPECT_EQ(after.recordType, 1);
    EXPECT_EQ(after.recRecentDoc, 1);
    EXPECT_EQ(after.recordInterval, 60);
    EXPECT_EQ(after.runAsAdmin, before.runAsAdmin);
    EXPECT_EQ(after.recPath, before.recPath);
}

TEST_F(SettingsDialog, CancelKeepsTheOptions) {
    const TRecordOptions before = settings.record;
    T dialog(Hooks(true));
    EXPECT_FALSE(Run(dialog, {[&] {
                                  Click(dialog, T::kIdAlwaysontop1);
                                  Click(dialog, T::kIdCbWebpage);
                                  return true;
                              },
                              [&] {
                                  PressKey(dialog.Control(T::kIdCbWebpage), VK_ESCAPE);
                                  return true;
                              }}));
    EXPECT_EQ(settings.record.alwaysOnTop, before.alwaysOnTop);
    EXPECT_EQ(settings.record.webpage, before.webpage);
}

TEST_F(SettingsDialog, TrackbarLabels) {
    struct Case {
        int bar;
        int start;
        UINT key;
        int tab;
        int label;
        int pos;
        const wchar_t* text;
    };
    const Case cases[] = {
        {T::kIdTbRecRecentDoc, 60, VK_LEFT, T::kTabRecord, T::kIdRecentDocLabel, 59,
         L"Record Recent Documents59 days ago"},
        {T::kIdTbRecRecentDoc, 59, VK_RIGHT, T::kTabRecord, T::kIdRecentDocLabel, 60, L"Record all Recent Documents"},
        {T::kIdTbRecRecentDoc, 30, VK_HOME, T::kTabRecord, T::kIdRecentDocLabel, 1,
         L"Record Recent Documents1 days ago"},
        {T::kIdTbRecordInterval, 7, VK_RIGHT, T::kTabSmartRecord, T::kIdIntervalLabel, 8, L"Record Every 8 seconds"},
        {T::kIdTbRecordInterval, 3, VK_LEFT, T::kTabSmartRecord, T::kIdIntervalLabel, 3, L"Record Every 3 seconds"},
        {T::kIdTbRecordInterval, 10, VK_END, T::kTabSmartRecord, T::kIdIntervalLabel, 60, L"Record Every 60 seconds"},
    };
    for (const Case& c : cases) {
        settings.record.recRecentDoc = c.bar == T::kIdTbRecRecentDoc ? c.start : 60;
        settings.record.recordInterval = c.bar == T::kIdTbRecordInterval ? c.start : 7;
        T dialog(Hooks());
        int pos = 0;
        std::wstring text;
        bool confirmed = Run(dialog, {[&] {
                                          ChooseTab(dialog, c.tab);
                                          return true;
                                      },
                                      [&] {
                                          PressKey(dialog.Control(c.bar), c.key);
                                          return true;
                                      },
                                      [&] {
                                          pos = TrackPos(dialog, c.bar);
                                          text = Text(dialog, c.label);
                                          PressKey(dialog.Control(c.bar), VK_RETURN);
                                          return true;
                                      }});
        EXPECT_TRUE(confirmed);
        EXPECT_EQ(pos, c.pos) << c.start;
        EXPECT_EQ(text, c.text) << c.start;
        EXPECT_EQ(c.bar == T::kIdTbRecRecentDoc ? settings.record.recRecentDoc : settings.record.recordInterval, c.pos);
    }
}

// "Record Recent Documents" shows or hides the age panel; the startup-filter
// boxes follow whichever of the two ends last, just to the right of it.
TEST_F(SettingsDialog, RecentDocumentsBoxMovesTheFilterBoxes) {
    T dialog(Hooks());
    struct Seen {
        bool ageShown;
        LONG filterLeft, displayLeft, anchorRight;
    };
    std::vector<Seen> seen;
    auto look = [&] {
        HWND dlg = dialog.Handle();
        bool ageShown = Visible(dialog.Control(T::kIdTbRecRecentDoc));
        EXPECT_EQ(Visible(dialog.Control(T::kIdRecentDocLabel)), ageShown);
        HWND anchor = dialog.Control(ageShown ? T::kIdTbRecRecentDoc : T::kIdCbRecrodRecentDocument);
        seen.push_back({ageShown, RectIn(dlg, dialog.Control(T::kIdCbFilterPCStart)).left,
                        RectIn(dlg, dialog.Control(T::kIdCbDisplayPCStartFilterList)).left, RectIn(dlg, anchor).right});
    };
    Run(dialog, {[&] {
                     look();
                     Click(dialog, T::kIdCbRecrodRecentDocument);
                     return true;
                 },
                 [&] {
                     look();
                     Click(dialog, T::kIdCbRecrodRecentDocument);
                     return true;
                 },
                 [&] {
                     look();
                     PressKey(dialog.Control(T::kIdCbRecrodRecentDocument), VK_ESCAPE);
                     return true;
                 }});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(seen[0].ageShown);
    EXPECT_FALSE(seen[1].ageShown);
    EXPECT_TRUE(seen[2].ageShown);
    EXPECT_LT(seen[1].filterLeft, seen[0].filterLeft);
    EXPECT_EQ(seen[2].filterLeft, seen[0].filterLeft);
    for (const Seen& s : seen) {
        EXPECT_EQ(s.displayLeft, s.filterLeft);
        EXPECT_GE(s.filterLeft - s.anchorRight, 1);
        EXPECT_LE(s.filterLeft - s.anchorRight, 6);
    }
}

TEST_F(SettingsDialog, EnterWithMissingFolderStaysOpenRed) {
    std::wstring missing = folder / L"no such folder";
    bool stillOpen = false, hintShown = false, focused = false;
    COLORREF background = 0;
    std::wstring hint;
    T dialog(Hooks());
    bool confirmed = Run(dialog, {[&] {
                                      TypePath(dialog, missing);
                                      PressKey(dialog.Control(T::kIdEdtRecordPath), VK_RETURN);
                                      return true;
                                  },
                                  [&] {
                                      stillOpen = Visible(dialog.Handle());
                                      background = PathFieldBackground(dialog);
                                      hintShown = Visible(dialog.Control(T::kIdPathHint));
                                      hint = Text(dialog, T::kIdPathHint);
                                      focused = ::GetFocus() == dialog.Control(T::kIdEdtRecordPath);
                                      PressKey(::GetFocus(), VK_ESCAPE);
                                      return true;
                                  }});
    EXPECT_FALSE(confirmed);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(background, kRed);
    EXPECT_TRUE(hintShown);
    EXPECT_EQ(hint, L"not exists directory.");
    EXPECT_TRUE(focused);
    EXPECT_EQ(settings.record.recPath, NormaliseFolderPath(folder.Path()));
    EXPECT_EQ(listed, 1);  // only the close lists
}

TEST_F(SettingsDialog, MissingFolderIsRedWhenShown) {
    settings.record.recPath = folder / L"gone";
    T dialog(Hooks());
    COLORREF background = 0;
    bool hintShown = false;
    Run(dialog, {[&] {
            background = PathFieldBackground(dialog);
            hintShown = Visible(dialog.Control(T::kIdPathHint));
            PressKey(::GetFocus(), VK_ESCAPE);
            return true;
        }});
    EXPECT_EQ(background, kRed);
    EXPECT_TRUE(hintShown);
    EXPECT_EQ(listed, 1);  // only the close lists
    EXPECT_EQ(settings.record.recPath, folder / L"gone");
}

// Leaving the path field with a folder that exists normalises it and makes it
// the record folder at once (a later cancel keeps it); a missing folder stays
// as typed, red.
TEST_F(SettingsDialog, LeavingThePathField) {
    test::TempDir other;
    const std::wstring current = NormaliseFolderPath(folder.Path());
    const std::wstring otherFolder = NormaliseFolderPath(other.Path());
    struct Case {
        std::wstring typed;
        std::wstring field;    // afterwards
        std::wstring recPath;  // afterwards, after the cancel
        int listed;
        bool red;
    };
    const Case cases[] = {
        {Doubled(other.Path()), otherFolder, otherFolder, 1, false},
        {L"  " + other.Path() + L"  ", otherFolder, otherFolder, 1, false},
        {other.Path() + L"\\", otherFolder, otherFolder, 1, false},
        {folder.Path(), current, current, 0, false},
        {other / L"missing", other / L"missing", current, 0, true},
        {L"", L"", current, 0, true},
    };
    for (const Case& c : cases) {
        settings.record.recPath = current;
        listed = 0;
        T dialog(Hooks());
        std::wstring field;
        int listedBeforeClose = -1;
        COLORREF background = 0;
        bool hintShown = false;
        bool confirmed = Run(dialog, {[&] {
                                          TypePath(dialog, c.typed);
                                          PressKey(dialog.Control(T::kIdEdtRecordPath), VK_TAB);
                                          return true;
                                      },
                                      [&] {
                                          field = Text(dialog, T::kIdEdtRecordPath);
                                          listedBeforeClose = listed;
                                          background = PathFieldBackground(dialog);
                                          hintShown = Visible(dialog.Control(T::kIdPathHint));
                                          PressKey(::GetFocus(), VK_ESCAPE);
                                          return true;
                                      }});
        EXPECT_FALSE(confirmed);
        EXPECT_EQ(field, c.field) << c.typed;
        EXPECT_EQ(listedBeforeClose, c.listed) << c.typed;
        EXPECT_EQ(listed, c.listed + 1) << c.typed;  // and the close lists once more
        EXPECT_EQ(background == kRed, c.red) << c.typed;
        EXPECT_EQ(hintShown, c.red) << c.typed;
        EXPECT_EQ(settings.record.recPath, c.recPath) << c.typed;
    }
}

// A folder typed and confirmed without leaving the field is still taken over.
TEST_F(SettingsDialog, ConfirmTakesOverTypedFolder) {
    test::TempDir other;
    T dialog(Hooks());
    EXPECT_TRUE(Run(dialog, {[&] {
                        TypePath(dialog, Doubled(other.Path()));
                        PressKey(dialog.Control(T::kIdEdtRecordPath), VK_RETURN);
                        return true;
                    }}));
    EXPECT_EQ(settings.record.recPath, NormaliseFolderPath(other.Path()));
    EXPECT_EQ(listed, 1);
}

// "Run Quilmar at Startup" needs an elevated process to write the Run value:
// when the program was not started elevated, the dialog grows to show a hint.
TEST_F(SettingsDialog, StartupBoxShowsElevationHintUnlessElevated) {
    for (bool elevated : {false, true}) {
        T dialog(Hooks(elevated));
        RECT before{}, after{}, again{};
        bool hint = false, box = false, boxAboveButtons = false;
        Run(dialog, {[&] {
                         ::GetClientRect(dialog.Handle(), &before);
                         Click(dialog, T::kIdCbRunWhenWS);
                         return true;
                     },
                     [&] {
                         ::GetClientRect(dialog.Handle(), &after);
                         hint = Visible(dialog.Control(T::kIdElevationHint));
                         box = Visible(dialog.Control(T::kIdCbElevate));
                         RECT ok = RectIn(dialog.Handle(), dialog.Control(IDOK));
                         RECT label = RectIn(dialog.Handle(), dialog.Control(T::kIdElevationHint));
                         boxAboveButtons = label.bottom <= ok.top && ok.bottom <= after.bottom;
                         Click(dialog, T::kIdCbRunWhenWS);
                         return true;
                     },
                     [&] {
                         ::GetClientRect(dialog.Handle(), &again);
                         PressKey(::GetFocus(), VK_ESCAPE);
                         return true;
                     }});
        EXPECT_EQ(hint, !elevated);
        EXPECT_EQ(box, !elevated);
        if (elevated) {
            EXPECT_EQ(after.bottom, before.bottom);
        } else {
            EXPECT_GT(after.bottom, before.bottom);
            EXPECT_TRUE(boxAboveButtons);
            // The growth is about a tenth, as 320 grows to 350.
            EXPECT_NEAR(static_cast<double>(after.bottom) / before.bottom, 350.0 / 320.0, 0.03);
        }
        EXPECT_EQ(again.bottom, after.bottom);
        EXPECT_EQ(relaunched, 0);
    }
}

TEST_F(SettingsDialog, TickingRunAsAdminRelaunchesAndCloses) {
    const TRecordOptions before = settings.record;
    T dialog(Hooks(false));
    bool confirmed = Run(dialog, {[&] {
                                      Click(dialog, T::kIdAlwaysontop1);
                                      Click(dialog, T::kIdCbRunWhenWS);
                                      return true;
                                  },
                                  [&] {
                                      Click(dialog, T::kIdCbElevate);
                                      return true;
                                  }});
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(relaunched, 1);
    EXPECT_EQ(settings.record.alwaysOnTop, before.alwaysOnTop);
    EXPECT_EQ(settings.record.runWhenWindowsStarts, before.runWhenWindowsStarts);
}

// The browse button opens the folder browser titled with the field's folder;
// the folder chosen there is normalised into the field and becomes the record
// folder.
TEST_F(SettingsDialog, BrowsePutsTheChoiceIntoTheField) {
    // The field names no folder, so the browser starts on Program Files; that is
    // confirmed as it stands. (Wine's browser does not reliably take a selection
    // sent to it, so the test does not try to pick another folder.)
    settings.record.recPath = L"C:\\qm-no-such-folder\\";
    const std::wstring programFiles = SpecialFolder(CSIDL_PROGRAM_FILES);
    T dialog(Hooks());
    HWND browser = nullptr;
    bool titleShown = false;
    std::wstring field;
    Run(dialog, {[&] {
                     ::PostMessageW(dialog.Control(T::kIdBtnBrowse), BM_CLICK, 0, 0);
                     return true;
                 },
                 [&] {
                     browser = ::GetActiveWindow();
                     if (!browser || browser == dialog.Handle()) return false;
                     std::wstring title = L"Please Select a Path,Current path is " + settings.record.recPath;
                     for (HWND c = ::GetWindow(browser, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
                         if (test::WindowText(c) == title) titleShown = true;
                     }
                     ::PostMessageW(browser, WM_COMMAND, IDOK, 0);
                     return true;
                 },
                 [&] {
                     if (::IsWindow(browser)) return false;
                     field = Text(dialog, T::kIdEdtRecordPath);
                     PressKey(::GetFocus(), VK_ESCAPE);
                     return true;
                 }});
    EXPECT_TRUE(titleShown);
    EXPECT_TRUE(EqualsNoCase(field, NormaliseFolderPath(programFiles))) << WideToUtf8(field);
    EXPECT_EQ(settings.record.recPath, field);  // the record folder follows, even after Escape
    EXPECT_EQ(listed, 2);                       // the choice, then the close
}

}  // namespace
}  // namespace qm

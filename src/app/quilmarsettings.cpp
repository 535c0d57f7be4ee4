#include "app/quilmarsettings.h"

#include <commctrl.h>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/guarded.h"

namespace qm {
namespace {

using namespace layout;

// Layout in dialog units.
constexpr short kWidth = 366;
constexpr short kInner = kWidth - 2 * kMargin;
constexpr short kButtonsY = 188;
constexpr short kHeight = kButtonsY + kButtonH + kMargin;
// The elevation hint takes a line above the buttons and grows the dialog by
// about a tenth, as 320 pixels grow to 350.
constexpr short kHintGrowth = 18;
constexpr short kHintCheckW = 130;

// The recent-documents row: the check box, the age panel (label above its
// trackbar) and the startup-filter panel, which follows whichever of the first
// two ends last with a small gap.
constexpr short kRowY = 78;
constexpr short kPanelGap = 2;  // about three pixels
constexpr short kRecentW = 98;
constexpr short kAgeX = kMargin + kRecentW + kPanelGap;
constexpr short kAgeW = 132;
constexpr short kFilterW = 118;

// The address row: label, path field, browse and open-folder buttons.
constexpr short kFieldX = 40;
constexpr short kOpenX = kWidth - kMargin - kButtonW;
constexpr short kBrowseX = kOpenX - 4 - kButtonW;
constexpr short kFieldW = kBrowseX - 4 - kFieldX;

constexpr short kTabY = 110;
constexpr short kTabH = 72;

constexpr DWORD kCheck = kCheckStyle;
constexpr DWORD kLabel = kLabelStyle;

const std::vector<std::wstring> kTabCaptions = {L"  Record  ", L"   Smart Record   ", L"   Replay All   ",
                                                L"   Desktop   "};
constexpr wchar_t kPathHint[] = L"not exists directory.";
constexpr COLORREF kHintTextColour = RGB(192, 0, 0);

TDialogTemplate MainTemplate() {
    using T = TFrmMySettings;
    TDialogTemplate tpl(L"Settings", kWidth, kHeight);
    tpl.Add(kStaticAtom, L"&Address", T::kIdAddressLabel, kMargin, 10, 31, 8, SS_LEFT)
        .Add(kEditAtom, L"", T::kIdEdtRecordPath, kFieldX, 8, kFieldW, 14, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL)
        .Add(kButtonAtom, L"&Browse...", T::kIdBtnBrowse, kBrowseX, 8, kButtonW, kButtonH, WS_TABSTOP)
        .Add(kButtonAtom, L"&Open", T::kIdBtnOpenFolder, kOpenX, 8, kButtonW, kButtonH, WS_TABSTOP)
        .Add(kStaticAtom, kPathHint, T::kIdPathHint, kFieldX, 24, kFieldW, 8, kLabel)
        .Add(kButtonAtom, L"Run Quilmar at &Startup", T::kIdCbRunWhenWS, kMargin, 38, kRecentW, 10, kCheck | WS_GROUP)
        .Add(kButtonAtom, L"Always on &Top", T::kIdAlwaysontop1, kAgeX, 38, 120, 10, kCheck)
        .Add(kButtonAtom, L"&Run selected records when start", T::kIdCbRunSelectedRecord, kMargin, 52, 150, 10, kCheck)
        .Add(kStaticAtom, L"", T::kIdSeparator, kMargin, 68, kInner, 1, SS_ETCHEDHORZ)
        .Add(kButtonAtom, L"Record Recent &Documents", T::kIdCbRecrodRecentDocument, kMargin, kRowY, kRecentW, 10,
             kCheck)
        .Add(kStaticAtom, L"", T::kIdRecentDocLabel, kAgeX, kRowY + 1, kAgeW, 8, kLabel)
        .Add(TRACKBAR_CLASSW, L"", T::kIdTbRecRecentDoc, kAgeX, kRowY + 10, kAgeW, 14, kTrackbarStyle)
        .Add(kButtonAtom, L"Record &web pages", T::kIdCbWebpage, kMargin, kRowY + 14, kRecentW, 10, kCheck)
        .Add(kButtonAtom, L"&Filter Windows Start", T::kIdCbFilterPCStart, kAgeX + kAgeW + kPanelGap, kRowY, kFilterW,
             10, kCheck)
        .Add(kButtonAtom, L"D&isplay Windows Start Filter", T::kIdCbDisplayPCStartFilterList, kAgeX + kAgeW + kPanelGap,
             kRowY + 14, kFilterW, 10, kCheck)
        // The pages are placed above the tab control (their controls come
        // first in the tab order, as in a property sheet); the tab control
        // clips them out of its own painting.
        .Add(WC_TABCONTROLW, L"", T::kIdTabs, kMargin, kTabY, kInner, kTabH, WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS)
        .Add(kStaticAtom, L"Hint: Please run QuilMar as Admin before update \"Run Quilmar at Startup\"",
             T::kIdElevationHint, kMargin, kButtonsY, kInner, 8, kLabel)
        .Add(kButtonAtom, L"Run QuilMar as ad&min", T::kIdCbElevate, kMargin, kButtonsY + kHintGrowth + 2, kHintCheckW,
             10, kCheck | WS_GROUP)
        .Add(kButtonAtom, L"Run QuilMar as Admin", T::kIdCbRunAsAdmin, kMargin, kButtonsY + 2, kHintCheckW, 10,
             BS_AUTOCHECKBOX)
        .AddOkCancel(kButtonsY);
    return tpl;
}

// A tab page: a child dialog that lives in the tab control's display area.
TDialogTemplate PageTemplate(int tab) {
    using T = TFrmMySettings;
    TDialogTemplate tpl(L"", kInner - 8, kTabH - 18, DS_CONTROL | WS_CHILD);
    switch (tab) {
        case T::kTabRecord:
            tpl.Add(kButtonAtom, L"Record Type", T::kIdRgRecordType, 6, 3, 200, 28, BS_GROUPBOX)
                .Add(kButtonAtom, L"Create a &new file", T::kIdRbCreateNewFile, 14, 15, 86, 10,
                     BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP)
                .Add(kButtonAtom, L"Add to e&xist file", T::kIdRbAddToExistFile, 106, 15, 94, 10, BS_AUTORADIOBUTTON)
                .Add(kButtonAtom, L"Ask for a&ction when Record", T::kIdCbShowSettingsWhenRecord, 6, 38, 200, 10,
                     kCheck | WS_GROUP);
            break;
        case T::kTabSmartRecord:
            tpl.Add(kStaticAtom, L"", T::kIdIntervalLabel, 6, 6, 200, 8, kLabel)
                .Add(TRACKBAR_CLASSW, L"", T::kIdTbRecordInterval, 6, 16, 200, 14,
                     WS_TABSTOP | WS_GROUP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS)
                .Add(kButtonAtom, L"Ask for a&ction when Smart Record", T::kIdCbShowSettingsWhenRecordSmart, 6, 38, 200,
                     10, kCheck | WS_GROUP);
            break;
        case T::kTabDesktop:
            tpl.Add(kButtonAtom, L"Record every &tab of every browser", T::kIdCbRecordAllTabs, 6, 4, 160, 10,
                    kCheck | WS_GROUP)
                .Add(kButtonAtom, L"&Keep web addresses private", T::kIdCbKeepAddressesPrivate, 6, 18, 160, 10, kCheck)
                .Add(kButtonAtom, L"&Put windows back where they were", T::kIdCbRestorePlacement, 172, 4, 160, 10,
                     kCheck)
                .Add(kButtonAtom, L"Do &not reopen what is already open", T::kIdCbDonotReopenOpen, 172, 18, 160, 10,
                     kCheck);
            break;
        default:
            tpl.Add(kButtonAtom, L"Ask for a&ction when Replay All", T::kIdCbShowSettingsWhenReplay, 6, 6, 200, 10,
                    kCheck | WS_GROUP)
                .Add(kButtonAtom, L"Replay First C&hildren Document", T::kIdRbReplayFirstChildDoc, 6, 22, 200, 10,
                     BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP)
                .Add(kButtonAtom, L"Replay All Chi&ldren Documents", T::kIdRbReplayAllChildDoc, 6, 36, 200, 10,
                     BS_AUTORADIOBUTTON);
            break;
    }
    return tpl;
}

std::vector<TDialogTemplate> PageTemplates() {
    std::vector<TDialogTemplate> pages;
    for (int i = 0; i < TFrmMySettings::kTabCount; ++i) pages.push_back(PageTemplate(i));
    return pages;
}

}  // namespace

std::wstring RecentDocAgeCaption(int days) {
    if (days >= kRecentDocMaxDays) return L"Record all Recent Documents";
    return Format(L"Record Recent Documents%d days ago", days);
}

std::wstring RecordIntervalCaption(int seconds) { return Format(L"Record Every %d seconds", seconds); }

TFrmMySettings::TFrmMySettings(TSettingsDialogHooks hooks) : hooks_(std::move(hooks)) {}

bool TFrmMySettings::Show(HWND owner, TRecordOptions& values) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    closing_ = false;
    prepared_ = false;
    values_ = &values;
    bool confirmed = RunDialog(owner, MainTemplate());
    values_ = nullptr;
    return confirmed;
}

void TFrmMySettings::OnInit() {
    pages_.Create(*this, kIdTabs, kTabCaptions, PageTemplates());
    pages_.onSelected = [this](int tab) {
        if (tab == kTabSmartRecord) UpdateIntervalLabel();
    };
    SetupTrackbar(kIdTbRecRecentDoc, 1, kRecentDocMaxDays, kRecentDocMaxDays);
    SetupTrackbar(kIdTbRecordInterval, kMinRecordInterval, kMaxRecordInterval, kMinRecordInterval);
    ShowItem(kIdCbRunAsAdmin, false);
    LoadControls();
    // The elevation hint starts hidden; from now on "Run Quilmar at Startup"
    // decides about it.
    ShowElevationHint(kIdElevationHint, kIdCbElevate, false, kHintGrowth);
    prepared_ = true;
    pages_.Select(pages_.Active());
    CheckPath();
    FocusItem(kIdEdtRecordPath);
}

bool TFrmMySettings::OnNotify(const NMHDR& hdr) { return pages_.OnNotify(hdr); }

bool TFrmMySettings::OnOtherMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) {
    if (msg != WM_CTLCOLORSTATIC || reinterpret_cast<HWND>(lp) != Item(kIdPathHint)) return false;
    HDC dc = reinterpret_cast<HDC>(wp);
    ::SetTextColor(dc, kHintTextColour);
    ::SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
    return true;
}

void TFrmMySettings::LoadControls() {
    const TRecordOptions& r = *values_;
    SetText(kIdEdtRecordPath, r.recPath);
    SetChecked(kIdCbRunWhenWS, r.runWhenWindowsStarts);
    SetChecked(kIdAlwaysontop1, r.alwaysOnTop);
    SetChecked(kIdCbRunSelectedRecord, r.runSelectedRecs);
    SetChecked(kIdCbRecrodRecentDocument, r.recordRecentDocument);
    SetTrackPos(kIdTbRecRecentDoc, r.recRecentDoc);
    SetChecked(kIdCbWebpage, r.webpage);
    SetChecked(kIdCbFilterPCStart, r.filterPCStart);
    SetChecked(kIdCbDisplayPCStartFilterList, r.displayPCStartFilterList);
    SetChecked(kIdCbRunAsAdmin, r.runAsAdmin);
    SetChecked(kIdRbCreateNewFile, r.recordType != 1);
    SetChecked(kIdRbAddToExistFile, r.recordType == 1);
    SetChecked(kIdCbShowSettingsWhenRecord, r.showSettingsWhenRecord);
    SetTrackPos(kIdTbRecordInterval, r.recordInterval);
    SetChecked(kIdCbShowSettingsWhenRecordSmart, r.showSettingsWhenRecordSmart);
    SetChecked(kIdCbShowSettingsWhenReplay, r.showSettingsWhenReplay);
    SetChecked(kIdRbReplayFirstChildDoc, !r.replayAllChildDoc);
    SetChecked(kIdRbReplayAllChildDoc, r.replayAllChildDoc);
    SetChecked(kIdCbRecordAllTabs, r.recordAllTabs);
    SetChecked(kIdCbKeepAddressesPrivate, r.keepAddressesPrivate);
    SetChecked(kIdCbRestorePlacement, r.restorePlacement);
    SetChecked(kIdCbDonotReopenOpen, r.donotReopenOpen);
    PlaceRecentDocPanel();
    UpdateAgeLabel();
    UpdateIntervalLabel();
}

void TFrmMySettings::ReadControls() {
    TRecordOptions& r = *values_;
    r.recPath = Text(kIdEdtRecordPath);
    r.runWhenWindowsStarts = Checked(kIdCbRunWhenWS);
    r.alwaysOnTop = Checked(kIdAlwaysontop1);
    r.runSelectedRecs = Checked(kIdCbRunSelectedRecord);
    r.recordRecentDocument = Checked(kIdCbRecrodRecentDocument);
    r.recRecentDoc = TrackPos(kIdTbRecRecentDoc);
    r.webpage = Checked(kIdCbWebpage);
    r.filterPCStart = Checked(kIdCbFilterPCStart);
    r.displayPCStartFilterList = Checked(kIdCbDisplayPCStartFilterList);
    r.runAsAdmin = Checked(kIdCbRunAsAdmin);
    r.recordType = Checked(kIdRbAddToExistFile) ? 1 : 0;
    r.showSettingsWhenRecord = Checked(kIdCbShowSettingsWhenRecord);
    r.recordInterval = TrackPos(kIdTbRecordInterval);
    r.showSettingsWhenRecordSmart = Checked(kIdCbShowSettingsWhenRecordSmart);
    r.showSettingsWhenReplay = Checked(kIdCbShowSettingsWhenReplay);
    r.replayAllChildDoc = Checked(kIdRbReplayAllChildDoc);
    r.recordAllTabs = Checked(kIdCbRecordAllTabs);
    r.keepAddressesPrivate = Checked(kIdCbKeepAddressesPrivate);
    r.restorePlacement = Checked(kIdCbRestorePlacement);
    r.donotReopenOpen = Checked(kIdCbDonotReopenOpen);
}

bool TFrmMySettings::OnOk() {
    if (CheckPath()) return true;
    FocusItem(kIdEdtRecordPath);
    ::SendMessageW(Item(kIdEdtRecordPath), EM_SETSEL, 0, -1);
    return false;
}

void TFrmMySettings::OnEnd(bool confirmed) {
    // However the dialog closes, the record folder in use is the path field's
    // (when valid) and the record list shows that folder: the settings loaded
    // before the dialog opened may have pointed the store elsewhere.
    TakeOverPath();
    if (confirmed) ReadControls();
    closing_ = true;
    if (hooks_.listRecords) hooks_.listRecords();
    pages_.Destroy();
}

void TFrmMySettings::OnCommand(int id, int code) {
    switch (id) {
        case kIdEdtRecordPath:
            if (code == EN_KILLFOCUS && !closing_ && TakeOverPath() && hooks_.listRecords) hooks_.listRecords();
            return;
        case kIdBtnBrowse:
            if (code == BN_CLICKED) Browse();
            return;
        case kIdBtnOpenFolder:
            if (code == BN_CLICKED) OpenFolder();
            return;
        case kIdCbRecrodRecentDocument:
            if (code == BN_CLICKED) PlaceRecentDocPanel();
            return;
        case kIdCbRunWhenWS:
            // Writing the Run value needs an elevated process: say so.
            if (code == BN_CLICKED && prepared_)
                ShowElevationHint(kIdElevationHint, kIdCbElevate, !hooks_.startedElevated, kHintGrowth);
            return;
        case kIdCbElevate:
            if (code == BN_CLICKED && Checked(kIdCbElevate)) {
                if (hooks_.relaunchElevated) hooks_.relaunchElevated();
                End(false);
            }
            return;
        default: return;
    }
}

void TFrmMySettings::OnHScroll(HWND bar) {
    if (bar == Item(kIdTbRecRecentDoc)) UpdateAgeLabel();
    if (bar == Item(kIdTbRecordInterval)) UpdateIntervalLabel();
}

bool TFrmMySettings::CheckPath() {
    std::wstring path = Trim(Text(kIdEdtRecordPath));
    pathValid_ = !path.empty() && IsExistingFolder(path);
    ShowItem(kIdPathHint, !pathValid_);
    SetFieldColour(kIdEdtRecordPath, pathValid_ ? kFieldWhite : kFieldRed);
    return pathValid_;
}

bool TFrmMySettings::TakeOverPath() {
    if (!CheckPath()) return false;
    std::wstring folder = NormaliseFolderPath(Text(kIdEdtRecordPath));
    if (Text(kIdEdtRecordPath) != folder) SetText(kIdEdtRecordPath, folder);
    if (values_->recPath == folder) return false;
    values_->recPath = folder;
    return true;
}

void TFrmMySettings::Browse() {
    Guarded(L"settings browse", [&] {
        if (BrowseFolderField(kIdEdtRecordPath, kFolderBrowseTitle) && TakeOverPath() && hooks_.listRecords)
            hooks_.listRecords();
    });
}

void TFrmMySettings::OpenFolder() {
    Guarded(L"settings open folder", [&] {
        if (!CheckPath() || !ExploreFolderField(kIdEdtRecordPath)) FocusItem(kIdEdtRecordPath);
    });
}

void TFrmMySettings::PlaceRecentDocPanel() {
    bool showAge = Checked(kIdCbRecrodRecentDocument);
    ShowItems({kIdRecentDocLabel, kIdTbRecRecentDoc}, showAge);
    short x = static_cast<short>((showAge ? kAgeX + kAgeW : kMargin + kRecentW) + kPanelGap);
    Place(kIdCbFilterPCStart, x, kRowY, kFilterW, kCheckH);
    Place(kIdCbDisplayPCStartFilterList, x, kRowY + 14, kFilterW, kCheckH);
}

void TFrmMySettings::UpdateAgeLabel() { SetText(kIdRecentDocLabel, RecentDocAgeCaption(TrackPos(kIdTbRecRecentDoc))); }

void TFrmMySettings::UpdateIntervalLabel() {
    SetText(kIdIntervalLabel, RecordIntervalCaption(TrackPos(kIdTbRecordInterval)));
}

}  // namespace qm

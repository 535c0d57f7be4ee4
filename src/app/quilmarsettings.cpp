#include "app/quilmarsettings.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "ui/folderchooser.h"

namespace qm {
namespace {

// Layout in dialog units.
constexpr short kWidth = 366;
constexpr short kMargin = 7;
constexpr short kInner = kWidth - 2 * kMargin;
constexpr short kButtonW = 50, kButtonH = 14;
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

constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;

constexpr wchar_t kTabCaptions[TFrmMySettings::kTabCount][20] = {L"  Record  ", L"   Smart Record   ",
                                                                 L"   Replay All   "};
constexpr wchar_t kPathHint[] = L"not exists directory.";
constexpr wchar_t kBrowseTitle[] = L"Please Select a Path,Current path is ";
constexpr COLORREF kInvalidColour = RGB(255, 0, 0);
constexpr COLORREF kHintTextColour = RGB(192, 0, 0);

TDialogTemplate MainTemplate() {
    using T = TFrmMySettings;
    TDialogTemplate tpl(L"Settings", kWidth, kHeight, DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
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
        .Add(TRACKBAR_CLASSW, L"", T::kIdTbRecRecentDoc, kAgeX, kRowY + 10, kAgeW, 14,
             WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS)
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
        .Add(kButtonAtom, L"OK", IDOK, kWidth - kMargin - 2 * kButtonW - 4, kButtonsY, kButtonW, kButtonH,
             WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON)
        .Add(kButtonAtom, L"Cancel", IDCANCEL, kWidth - kMargin - kButtonW, kButtonsY, kButtonW, kButtonH, WS_TABSTOP);
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

void SetTrackbar(HWND bar, int lo, int hi, int pos) {
    ::SendMessageW(bar, TBM_SETRANGEMIN, FALSE, lo);
    ::SendMessageW(bar, TBM_SETRANGEMAX, FALSE, hi);
    ::SendMessageW(bar, TBM_SETTICFREQ, 5, 0);
    ::SendMessageW(bar, TBM_SETPAGESIZE, 0, 5);
    ::SendMessageW(bar, TBM_SETPOS, TRUE, pos);
}

TFrmMySettings* g_shown = nullptr;  // the dialog whose keys the message filter sees

}  // namespace

std::wstring RecentDocAgeCaption(int days) {
    if (days >= kRecentDocMaxDays) return L"Record all Recent Documents";
    return Format(L"Record Recent Documents%d days ago", days);
}

std::wstring RecordIntervalCaption(int seconds) { return Format(L"Record Every %d seconds", seconds); }

TFrmMySettings::TFrmMySettings(TSettings& settings, TSettingsDialogHooks hooks)
    : settings_(settings), hooks_(std::move(hooks)) {}

TFrmMySettings::~TFrmMySettings() = default;

bool TFrmMySettings::Show(HWND owner) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    if (!invalidBrush_) invalidBrush_.reset(::CreateSolidBrush(kInvalidColour));
    pages_ = {};
    closing_ = false;
    prepared_ = false;
    // Ctrl+Tab and Ctrl+PageUp/PageDown switch tabs from anywhere in the
    // dialog; the modal loop offers each message to this filter first.
    unique_hhook filter(
        ::SetWindowsHookExW(WH_MSGFILTER, &TFrmMySettings::MessageFilter, nullptr, ::GetCurrentThreadId()));
    TFrmMySettings* outer = g_shown;
    g_shown = this;
    INT_PTR result = RunModal(owner, MainTemplate());
    g_shown = outer;
    pages_ = {};
    return result == IDOK;
}

HWND TFrmMySettings::Control(int id) const {
    if (!Handle()) return nullptr;
    if (HWND h = ::GetDlgItem(Handle(), id)) return h;
    for (HWND page : pages_) {
        if (!page) continue;
        if (HWND h = ::GetDlgItem(page, id)) return h;
    }
    return nullptr;
}

INT_PTR TFrmMySettings::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            OnInitDialog();
            return TRUE;  // focus on the path field
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp));
            return TRUE;
        case WM_HSCROLL:
            if (lp) OnTrackbar(reinterpret_cast<HWND>(lp));
            return TRUE;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (hdr->idFrom == static_cast<UINT_PTR>(kIdTabs) && hdr->code == TCN_SELCHANGE) {
                SelectTab(static_cast<int>(::SendMessageW(hdr->hwndFrom, TCM_GETCURSEL, 0, 0)));
                return TRUE;
            }
            break;
        }
        case WM_CTLCOLOREDIT:
            if (reinterpret_cast<HWND>(lp) == Control(kIdEdtRecordPath) && !pathValid_) {
                HDC dc = reinterpret_cast<HDC>(wp);
                ::SetBkColor(dc, kInvalidColour);
                ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
                return reinterpret_cast<INT_PTR>(invalidBrush_.get());
            }
            break;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lp) == Control(kIdPathHint)) {
                HDC dc = reinterpret_cast<HDC>(wp);
                ::SetTextColor(dc, kHintTextColour);
                ::SetBkMode(dc, TRANSPARENT);
                return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        default:
            break;
    }
    return FALSE;
}

void TFrmMySettings::OnInitDialog() {
    HWND tabs = Control(kIdTabs);
    for (int i = 0; i < kTabCount; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kTabCaptions[i]);
        ::SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    CreatePages();
    SetTrackbar(Control(kIdTbRecRecentDoc), 1, kRecentDocMaxDays, kRecentDocMaxDays);
    SetTrackbar(Control(kIdTbRecordInterval), kMinRecordInterval, kMaxRecordInterval, kMinRecordInterval);
    ShowControl(kIdCbRunAsAdmin, false);
    LoadControls();
    // The elevation hint starts hidden; from now on "Run Quilmar at Startup"
    // decides about it.
    ShowElevationHint(false);
    prepared_ = true;
    ::SendMessageW(tabs, TCM_SETCURSEL, activeTab_, 0);
    SelectTab(activeTab_);
    CheckPath();
}

void TFrmMySettings::CreatePages() {
    HWND tabs = Control(kIdTabs);
    RECT area{};
    ::GetClientRect(tabs, &area);
    ::SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    ::MapWindowPoints(tabs, Handle(), reinterpret_cast<POINT*>(&area), 2);
    HWND above = ::GetWindow(tabs, GW_HWNDPREV);
    for (int i = 0; i < kTabCount; ++i) {
        TDialogTemplate tpl = PageTemplate(i);
        HWND page = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), tpl.Get(), Handle(),
                                                 &TFrmMySettings::PageProc, 0);
        if (!page) continue;
        // Pages paint the tab's own background where a visual style gives it one.
        ::EnableThemeDialogTexture(page, ETDT_ENABLETAB);
        ::SetWindowPos(page, above ? above : HWND_TOP, area.left, area.top, area.right - area.left,
                       area.bottom - area.top, SWP_NOACTIVATE);
        pages_[static_cast<size_t>(i)] = page;
    }
}

INT_PTR CALLBACK TFrmMySettings::PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            return FALSE;  // the settings dialog decides where the focus goes
        case WM_COMMAND:
        case WM_HSCROLL:
            // Page controls are handled by the settings dialog.
            ::SendMessageW(::GetParent(hwnd), msg, wp, lp);
            return TRUE;
        default:
            return FALSE;
    }
}

LRESULT CALLBACK TFrmMySettings::MessageFilter(int code, WPARAM wp, LPARAM lp) {
    if (code == MSGF_DIALOGBOX && g_shown && lp && g_shown->OnTabKeys(*reinterpret_cast<const MSG*>(lp))) return TRUE;
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

bool TFrmMySettings::OnTabKeys(const MSG& m) {
    HWND dlg = Handle();
    if (!dlg || m.message != WM_KEYDOWN || ::GetKeyState(VK_CONTROL) >= 0) return false;
    if (m.hwnd != dlg && !::IsChild(dlg, m.hwnd)) return false;
    int step = 0;
    if (m.wParam == VK_TAB) step = ::GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    if (m.wParam == VK_NEXT) step = 1;
    if (m.wParam == VK_PRIOR) step = -1;
    if (!step) return false;
    int tab = (activeTab_ + step + kTabCount) % kTabCount;
    ::SendMessageW(Control(kIdTabs), TCM_SETCURSEL, tab, 0);
    SelectTab(tab);
    return true;
}

void TFrmMySettings::SelectTab(int tab) {
    if (tab < 0 || tab >= kTabCount) tab = kTabRecord;
    activeTab_ = tab;
    HWND tabs = Control(kIdTabs);
    if (::SendMessageW(tabs, TCM_GETCURSEL, 0, 0) != tab) ::SendMessageW(tabs, TCM_SETCURSEL, tab, 0);
    if (tab == kTabSmartRecord) UpdateIntervalLabel();
    HWND focus = ::GetFocus();
    bool focusOnPage = false;
    for (int i = 0; i < kTabCount; ++i) {
        HWND page = pages_[static_cast<size_t>(i)];
        if (!page) continue;
        if (focus && (focus == page || ::IsChild(page, focus)) && i != tab) focusOnPage = true;
        ::ShowWindow(page, i == tab ? SW_SHOWNA : SW_HIDE);
    }
    // A control that just disappeared cannot keep the focus.
    if (focusOnPage) ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tabs), TRUE);
}

void TFrmMySettings::LoadControls() {
    const TRecordOptions& r = settings_.record;
    SetItemText(kIdEdtRecordPath, r.recPath);
    SetChecked(kIdCbRunWhenWS, r.runWhenWindowsStarts);
    SetChecked(kIdAlwaysontop1, r.alwaysOnTop);
    SetChecked(kIdCbRunSelectedRecord, r.runSelectedRecs);
    SetChecked(kIdCbRecrodRecentDocument, r.recordRecentDocument);
    ::SendMessageW(Control(kIdTbRecRecentDoc), TBM_SETPOS, TRUE, r.recRecentDoc);
    SetChecked(kIdCbWebpage, r.webpage);
    SetChecked(kIdCbFilterPCStart, r.filterPCStart);
    SetChecked(kIdCbDisplayPCStartFilterList, r.displayPCStartFilterList);
    SetChecked(kIdCbRunAsAdmin, r.runAsAdmin);
    SetChecked(kIdRbCreateNewFile, r.recordType != 1);
    SetChecked(kIdRbAddToExistFile, r.recordType == 1);
    SetChecked(kIdCbShowSettingsWhenRecord, r.showSettingsWhenRecord);
    ::SendMessageW(Control(kIdTbRecordInterval), TBM_SETPOS, TRUE, r.recordInterval);
    SetChecked(kIdCbShowSettingsWhenRecordSmart, r.showSettingsWhenRecordSmart);
    SetChecked(kIdCbShowSettingsWhenReplay, r.showSettingsWhenReplay);
    SetChecked(kIdRbReplayFirstChildDoc, !r.replayAllChildDoc);
    SetChecked(kIdRbReplayAllChildDoc, r.replayAllChildDoc);
    PlaceRecentDocPanel();
    UpdateAgeLabel();
    UpdateIntervalLabel();
}

void TFrmMySettings::ReadControls() {
    TRecordOptions& r = settings_.record;
    r.recPath = ItemText(kIdEdtRecordPath);
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
}

void TFrmMySettings::OnCommand(int id, int code) {
    switch (id) {
        case IDOK:
            if (!CheckPath()) {
                HWND edit = Control(kIdEdtRecordPath);
                ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
                ::SendMessageW(edit, EM_SETSEL, 0, -1);
                return;
            }
            Close(IDOK);
            return;
        case IDCANCEL:
            Close(IDCANCEL);
            return;
        case kIdEdtRecordPath:
            if (code == EN_KILLFOCUS && !closing_) TakeOverPath();
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
            if (code == BN_CLICKED && prepared_) ShowElevationHint(!hooks_.startedElevated);
            return;
        case kIdCbElevate:
            if (code == BN_CLICKED && Checked(kIdCbElevate)) {
                if (hooks_.relaunchElevated) hooks_.relaunchElevated();
                Close(IDCANCEL);
            }
            return;
        default:
            return;
    }
}

void TFrmMySettings::OnTrackbar(HWND bar) {
    if (bar == Control(kIdTbRecRecentDoc)) UpdateAgeLabel();
    if (bar == Control(kIdTbRecordInterval)) UpdateIntervalLabel();
}

bool TFrmMySettings::CheckPath() {
    std::wstring path = Trim(ItemText(kIdEdtRecordPath));
    pathValid_ = !path.empty() && IsExistingFolder(path);
    ShowControl(kIdPathHint, !pathValid_);
    ::InvalidateRect(Control(kIdEdtRecordPath), nullptr, TRUE);
    return pathValid_;
}

void TFrmMySettings::TakeOverPath() {
    if (!CheckPath()) return;
    std::wstring folder = NormaliseFolderPath(ItemText(kIdEdtRecordPath));
    if (ItemText(kIdEdtRecordPath) != folder) SetItemText(kIdEdtRecordPath, folder);
    if (settings_.record.recPath == folder) return;
    settings_.record.recPath = folder;
    if (hooks_.listRecords) hooks_.listRecords();
}

void TFrmMySettings::Browse() {
    try {
        std::wstring current = ItemText(kIdEdtRecordPath);
        std::wstring chosen = ChooseFolder(Handle(), kBrowseTitle + current, current);
        if (chosen.empty() || !IsExistingFolder(chosen)) return;
        SetItemText(kIdEdtRecordPath, NormaliseFolderPath(chosen));
        TakeOverPath();
    } catch (...) {
        // a failed browse leaves the field as it was
    }
}

void TFrmMySettings::OpenFolder() {
    try {
        if (!CheckPath()) {
            ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(kIdEdtRecordPath)), TRUE);
            return;
        }
        std::wstring folder = NormaliseFolderPath(ItemText(kIdEdtRecordPath));
        ::ShellExecuteW(Handle(), L"explore", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } catch (...) {
        // nothing to open
    }
}

void TFrmMySettings::Close(INT_PTR result) {
    // The record folder follows a valid path field however the dialog closes.
    TakeOverPath();
    if (result == IDOK) ReadControls();
    closing_ = true;
    ::EndDialog(Handle(), result);
}

void TFrmMySettings::PlaceRecentDocPanel() {
    bool showAge = Checked(kIdCbRecrodRecentDocument);
    ShowControl(kIdRecentDocLabel, showAge);
    ShowControl(kIdTbRecRecentDoc, showAge);
    short x = static_cast<short>((showAge ? kAgeX + kAgeW : kMargin + kRecentW) + kPanelGap);
    Place(kIdCbFilterPCStart, x, kRowY, kFilterW, 10);
    Place(kIdCbDisplayPCStartFilterList, x, kRowY + 14, kFilterW, 10);
}

void TFrmMySettings::ShowElevationHint(bool show) {
    ShowControl(kIdElevationHint, show);
    ShowControl(kIdCbElevate, show);
    SetChecked(kIdCbElevate, false);
    short growth = show ? kHintGrowth : 0;
    short buttonsY = static_cast<short>(kButtonsY + growth);
    Place(IDOK, kWidth - kMargin - 2 * kButtonW - 4, buttonsY, kButtonW, kButtonH);
    Place(IDCANCEL, kWidth - kMargin - kButtonW, buttonsY, kButtonW, kButtonH);
    RECT client{0, 0, kWidth, static_cast<LONG>(kHeight + growth)};
    ::MapDialogRect(Handle(), &client);
    RECT window{}, current{};
    ::GetWindowRect(Handle(), &window);
    ::GetClientRect(Handle(), &current);
    int frameW = (window.right - window.left) - current.right;
    int frameH = (window.bottom - window.top) - current.bottom;
    ::SetWindowPos(Handle(), nullptr, 0, 0, client.right + frameW, client.bottom + frameH,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFrmMySettings::UpdateAgeLabel() {
    SetItemText(kIdRecentDocLabel, RecentDocAgeCaption(TrackPos(kIdTbRecRecentDoc)));
}

void TFrmMySettings::UpdateIntervalLabel() {
    HWND label = Control(kIdIntervalLabel);
    ::SetWindowTextW(label, RecordIntervalCaption(TrackPos(kIdTbRecordInterval)).c_str());
}

bool TFrmMySettings::Checked(int id) const { return ::SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TFrmMySettings::SetChecked(int id, bool on) {
    ::SendMessageW(Control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int TFrmMySettings::TrackPos(int id) const { return static_cast<int>(::SendMessageW(Control(id), TBM_GETPOS, 0, 0)); }

void TFrmMySettings::Place(int id, int x, int y, int cx, int cy) {
    RECT r{x, y, x + cx, y + cy};
    ::MapDialogRect(Handle(), &r);
    ::SetWindowPos(Control(id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFrmMySettings::ShowControl(int id, bool show) { ::ShowWindow(Control(id), show ? SW_SHOWNA : SW_HIDE); }

}  // namespace qm

#include "app/recordtype.h"

#include <commctrl.h>

#include "app/quilmarsettings.h"
#include "base/strings.h"

namespace qm {
namespace {

// Layout in dialog units.
constexpr short kWidth = 260;
constexpr short kMargin = 7;
constexpr short kInner = kWidth - 2 * kMargin;
constexpr short kButtonW = 50, kButtonH = 14;
constexpr short kButtonsY = 140;
constexpr short kHeight = kButtonsY + kButtonH + kMargin;
// The elevation hint adds about a fifth, as 209 pixels grow to 248.
constexpr short kHintGrowth = 28;
constexpr short kAgeX = 112, kAgeW = 140;

constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kDisabledGrey = RGB(239, 239, 239);
constexpr COLORREF kInvalidRed = RGB(255, 0, 0);

constexpr wchar_t kDonotshowHint[] =
    L"This window will no longer display the next operation.To reset,you can go to \"Settings\",\"Record\",Select "
    L"\"Ask for action when record\"";
constexpr wchar_t kElevationHint[] =
    L"Some running programs require the admin to be recorded,including Installer or other programs that run as "
    L"admin. For a full vistion of \"Running Programs Record\",you can select \"Run QuilMar as admin\".";

TDialogTemplate Template() {
    using T = TFrmRecordType;
    TDialogTemplate tpl(L"Running Record Action", kWidth, kHeight,
                        DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    tpl.Add(kButtonAtom, L"Record Type", T::kIdRgRecordType, kMargin, 4, kInner, 26, BS_GROUPBOX)
        .Add(kButtonAtom, L"Create a &new file", T::kIdRbCreateNewFile, 15, 15, 90, 10,
             BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP)
        .Add(kButtonAtom, L"Add to e&xist file", T::kIdRbAddToExistFile, 120, 15, 90, 10, BS_AUTORADIOBUTTON)
        .Add(kButtonAtom, L"Record Recent &Documents", T::kIdCbRecrodRecentDocument, kMargin, 38, 100, 10,
             kCheck | WS_GROUP)
        .Add(kStaticAtom, L"", T::kIdRecentDocLabel, kAgeX, 36, kAgeW, 8, kLabel)
        .Add(TRACKBAR_CLASSW, L"", T::kIdTbRecRecentDoc, kAgeX, 45, kAgeW, 14,
             WS_TABSTOP | TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS)
        .Add(kButtonAtom, L"&Filter Startup Program", T::kIdCbFilterPCStart, kMargin, 62, 110, 10, kCheck)
        .Add(kButtonAtom, L"S&how Shartup Program Filter", T::kIdCbDisplayPCStartFilterList, 125, 62, 128, 10, kCheck)
        .Add(kButtonAtom, L"Record &web pages", T::kIdCbWebpage, kMargin, 76, 110, 10, kCheck)
        .Add(kStaticAtom, L"&Rename to", T::kIdRenameLabel, kMargin, 94, 40, 8, SS_LEFT)
        .Add(kEditAtom, L"", T::kIdEdtRename, 50, 92, kInner - 43, 14, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL)
        .Add(kButtonAtom, L"Don't &show again", T::kIdCbDonotshow, kMargin, 112, 90, 10, kCheck)
        .Add(kStaticAtom, kDonotshowHint, T::kIdDonotshowHint, 100, 110, kInner - 93, 26, kLabel)
        .Add(kStaticAtom, kElevationHint, T::kIdElevationHint, kMargin, kButtonsY, kInner, 16, kLabel)
        .Add(kButtonAtom, L"Run QuilMar as ad&min", T::kIdCbElevate, kMargin, kButtonsY + 18, 100, 10, kCheck)
        .Add(kButtonAtom, L"OK", IDOK, kWidth - kMargin - 2 * kButtonW - 4, kButtonsY, kButtonW, kButtonH,
             WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON)
        .Add(kButtonAtom, L"Cancel", IDCANCEL, kWidth - kMargin - kButtonW, kButtonsY, kButtonW, kButtonH,
             WS_TABSTOP);
    return tpl;
}

}  // namespace

TRecordTypeValues RecordTypeValuesOf(const TRecordOptions& r) {
    TRecordTypeValues v;
    v.recordType = r.recordType;
    v.webpage = r.webpage;
    v.recordRecentDocument = r.recordRecentDocument;
    v.recRecentDoc = r.recRecentDoc;
    v.filterPCStart = r.filterPCStart;
    v.displayPCStartFilterList = r.displayPCStartFilterList;
    v.dontShowAgain = !r.showSettingsWhenRecord;
    return v;
}

void TakeRecordTypeValues(const TRecordTypeValues& v, TRecordOptions& r) {
    r.recordType = v.recordType;
    r.webpage = v.webpage;
    r.recordRecentDocument = v.recordRecentDocument;
    r.recRecentDoc = v.recRecentDoc;
    r.filterPCStart = v.filterPCStart;
    r.displayPCStartFilterList = v.displayPCStartFilterList;
    r.showSettingsWhenRecord = !v.dontShowAgain;
}

TFrmRecordType::TFrmRecordType(THooks hooks) : hooks_(std::move(hooks)) {}
TFrmRecordType::~TFrmRecordType() = default;

bool TFrmRecordType::Show(HWND owner, TRecordTypeValues& values, const std::wstring& newRecordName,
                          const std::wstring& existingRecordName) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    TRecordTypeValues working = values;
    values_ = &working;
    newName_ = newRecordName;
    existingName_ = existingRecordName;
    INT_PTR result = RunModal(owner, Template());
    values_ = nullptr;
    if (result != IDOK) return false;
    values = working;
    return true;
}

bool TFrmRecordType::Checked(int id) const { return ::IsDlgButtonChecked(Handle(), id) == BST_CHECKED; }
void TFrmRecordType::SetChecked(int id, bool on) { ::CheckDlgButton(Handle(), id, on ? BST_CHECKED : BST_UNCHECKED); }

void TFrmRecordType::OnInitDialog() {
    const TRecordTypeValues& v = *values_;
    HWND bar = Item(kIdTbRecRecentDoc);
    ::SendMessageW(bar, TBM_SETRANGEMIN, FALSE, 1);
    ::SendMessageW(bar, TBM_SETRANGEMAX, FALSE, kRecentDocMaxDays);
    ::SendMessageW(bar, TBM_SETTICFREQ, 5, 0);
    ::SendMessageW(bar, TBM_SETPAGESIZE, 0, 5);
    ::SendMessageW(bar, TBM_SETPOS, TRUE, v.recRecentDoc);
    SetChecked(kIdRbCreateNewFile, v.recordType != 1);
    SetChecked(kIdRbAddToExistFile, v.recordType == 1);
    SetChecked(kIdCbRecrodRecentDocument, v.recordRecentDocument);
    SetChecked(kIdCbFilterPCStart, v.filterPCStart);
    SetChecked(kIdCbDisplayPCStartFilterList, v.displayPCStartFilterList);
    SetChecked(kIdCbWebpage, v.webpage);
    SetChecked(kIdCbDonotshow, v.dontShowAgain);
    ::ShowWindow(Item(kIdDonotshowHint), v.dontShowAgain ? SW_SHOW : SW_HIDE);
    UpdateAgePanel();
    RecordTypeClick();

    // The elevation hint: shown unless the program already runs elevated.
    hintShown_ = !hooks_.startedElevated;
    for (int id : {kIdElevationHint, kIdCbElevate}) ::ShowWindow(Item(id), hintShown_ ? SW_SHOW : SW_HIDE);
    RECT grow{0, 0, 0, hintShown_ ? kHintGrowth : 0};
    ::MapDialogRect(Handle(), &grow);
    if (grow.bottom) {
        for (int id : {IDOK, IDCANCEL}) {
            RECT r{};
            ::GetWindowRect(Item(id), &r);
            ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
            ::SetWindowPos(Item(id), nullptr, r.left, r.top + grow.bottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        }
        RECT w{};
        ::GetWindowRect(Handle(), &w);
        ::SetWindowPos(Handle(), nullptr, 0, 0, w.right - w.left, w.bottom - w.top + grow.bottom,
                       SWP_NOMOVE | SWP_NOZORDER);
    }
    ::SetFocus(Item(v.recordType == 1 ? kIdRbAddToExistFile : kIdRbCreateNewFile));
}

void TFrmRecordType::UpdateAgePanel() {
    bool on = Checked(kIdCbRecrodRecentDocument);
    int days = static_cast<int>(::SendMessageW(Item(kIdTbRecRecentDoc), TBM_GETPOS, 0, 0));
    ::SetWindowTextW(Item(kIdRecentDocLabel), RecentDocAgeCaption(days).c_str());
    for (int id : {kIdRecentDocLabel, kIdTbRecRecentDoc}) ::ShowWindow(Item(id), on ? SW_SHOW : SW_HIDE);
}

void TFrmRecordType::SetRenameColour(COLORREF colour) {
    renameColour_ = colour;
    renameBrush_.reset(::CreateSolidBrush(colour));
    ::InvalidateRect(Item(kIdEdtRename), nullptr, TRUE);
}

void TFrmRecordType::RecordTypeClick() {
    bool addToExisting = Checked(kIdRbAddToExistFile);
    ::EnableWindow(Item(kIdEdtRename), !addToExisting);
    SetRenameColour(addToExisting ? kDisabledGrey : kWhite);
    SetItemText(kIdEdtRename, addToExisting ? existingName_ : newName_);
}

void TFrmRecordType::OnCommand(int id, int code) {
    switch (id) {
        case kIdRbCreateNewFile:
        case kIdRbAddToExistFile:
            if (code == BN_CLICKED) RecordTypeClick();
            return;
        case kIdCbRecrodRecentDocument:
            if (code == BN_CLICKED) UpdateAgePanel();
            return;
        case kIdCbDonotshow:
            if (code == BN_CLICKED) ::ShowWindow(Item(kIdDonotshowHint), Checked(kIdCbDonotshow) ? SW_SHOW : SW_HIDE);
            return;
        case kIdCbElevate:
            if (code == BN_CLICKED && Checked(kIdCbElevate)) {
                if (hooks_.relaunchElevated) hooks_.relaunchElevated();
                ::EndDialog(Handle(), IDCANCEL);
            }
            return;
        case IDOK: {
            std::wstring name = Trim(ItemText(kIdEdtRename));
            if (name.empty()) {
                SetRenameColour(kInvalidRed);
                ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(kIdEdtRename)), TRUE);
                return;
            }
            SetRenameColour(kWhite);
            TRecordTypeValues& v = *values_;
            v.recordType = Checked(kIdRbAddToExistFile) ? 1 : 0;
            v.recordRecentDocument = Checked(kIdCbRecrodRecentDocument);
            v.recRecentDoc = static_cast<int>(::SendMessageW(Item(kIdTbRecRecentDoc), TBM_GETPOS, 0, 0));
            v.filterPCStart = Checked(kIdCbFilterPCStart);
            v.displayPCStartFilterList = Checked(kIdCbDisplayPCStartFilterList);
            v.webpage = Checked(kIdCbWebpage);
            v.dontShowAgain = Checked(kIdCbDonotshow);
            v.renameTo = name;
            ::EndDialog(Handle(), IDOK);
            return;
        }
        case IDCANCEL:
            ::EndDialog(Handle(), IDCANCEL);
            return;
        default:
            return;
    }
}

INT_PTR TFrmRecordType::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            OnInitDialog();
            return FALSE;  // the focus is set
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp));
            return TRUE;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lp) == Item(kIdTbRecRecentDoc)) UpdateAgePanel();
            return TRUE;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            // A disabled edit asks with WM_CTLCOLORSTATIC.
            if (reinterpret_cast<HWND>(lp) == Item(kIdEdtRename) && renameBrush_) {
                HDC dc = reinterpret_cast<HDC>(wp);
                ::SetBkColor(dc, renameColour_);
                ::SetTextColor(dc, ::GetSysColor(::IsWindowEnabled(Item(kIdEdtRename)) ? COLOR_WINDOWTEXT
                                                                                        : COLOR_GRAYTEXT));
                return reinterpret_cast<INT_PTR>(renameBrush_.get());
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace qm

#include "app/recordtype.h"

#include <commctrl.h>

#include "app/quilmarsettings.h"
#include "base/pathtext.h"
#include "base/strings.h"

namespace qm {
namespace {

using namespace layout;

// Layout in dialog units.
constexpr short kWidth = 260;
constexpr short kInner = kWidth - 2 * kMargin;
constexpr short kButtonsY = 154;
constexpr short kHeight = kButtonsY + kButtonH + kMargin;
// The elevation hint takes four lines and its check box above the buttons.
constexpr short kHintH = 34;
constexpr short kHintGrowth = kHintH + kCheckH + 2 * kGap;
constexpr short kAgeX = 112, kAgeW = 140;

constexpr wchar_t kDonotshowHint[] =
    L"This window will no longer display the next operation.To reset,you can go to \"Settings\",\"Record\",Select "
    L"\"Ask for action when record\"";
constexpr wchar_t kElevationHint[] =
    L"Some running programs require the admin to be recorded,including Installer or other programs that run as "
    L"admin. For a full vistion of \"Running Programs Record\",you can select \"Run QuilMar as admin\".";

TDialogTemplate Template() {
    using T = TFrmRecordType;
    TDialogTemplate tpl(L"Running Record Action", kWidth, kHeight);
    tpl.Add(kButtonAtom, L"Record Type", T::kIdRgRecordType, kMargin, 4, kInner, 26, BS_GROUPBOX)
        .Add(kButtonAtom, L"Create a &new file", T::kIdRbCreateNewFile, 15, 15, 90, kCheckH, kRadioStyle | WS_GROUP)
        .Add(kButtonAtom, L"Add to e&xist file", T::kIdRbAddToExistFile, 120, 15, 90, kCheckH, BS_AUTORADIOBUTTON)
        .Add(kButtonAtom, L"Record Recent &Documents", T::kIdCbRecrodRecentDocument, kMargin, 38, 100, kCheckH,
             kCheckStyle | WS_GROUP)
        .Add(kStaticAtom, L"", T::kIdRecentDocLabel, kAgeX, 36, kAgeW, kLabelH, kLabelStyle)
        .Add(TRACKBAR_CLASSW, L"", T::kIdTbRecRecentDoc, kAgeX, 45, kAgeW, kTrackbarH, kTrackbarStyle)
        .Add(kButtonAtom, L"&Filter Startup Program", T::kIdCbFilterPCStart, kMargin, 62, 110, kCheckH, kCheckStyle)
        .Add(kButtonAtom, L"S&how Shartup Program Filter", T::kIdCbDisplayPCStartFilterList, 125, 62, 128, kCheckH,
             kCheckStyle)
        .Add(kButtonAtom, L"Record &web pages", T::kIdCbWebpage, kMargin, 76, 110, kCheckH, kCheckStyle)
        .Add(kStaticAtom, L"&Rename to", T::kIdRenameLabel, kMargin, 94, 40, kLabelH, SS_LEFT)
        .Add(kEditAtom, L"", T::kIdEdtRename, 50, 92, kInner - 43, kEditH, kEditStyle)
        .Add(kButtonAtom, L"Don't &show again", T::kIdCbDonotshow, kMargin, 112, 90, kCheckH, kCheckStyle)
        .Add(kStaticAtom, kDonotshowHint, T::kIdDonotshowHint, kMargin, 125, kInner, 24, kLabelStyle)
        .Add(kStaticAtom, kElevationHint, T::kIdElevationHint, kMargin, kButtonsY, kInner, kHintH, kLabelStyle)
        .Add(kButtonAtom, L"Run QuilMar as ad&min", T::kIdCbElevate, kMargin, kButtonsY + kHintH + kGap, 100, kCheckH,
             kCheckStyle)
        .AddOkCancel(kButtonsY);
    return tpl;
}

}  // namespace

TRecordTypeValues RecordTypeValuesOf(const TRecordOptions& options) {
    TRecordTypeValues v;
    CopyOptions(options, v, kRecordTypeKeys);
    return v;
}

void TakeRecordTypeValues(const TRecordTypeValues& values, TRecordOptions& options) {
    CopyOptions(values, options, kRecordTypeKeys);
}

TFrmRecordType::TFrmRecordType(THooks hooks) : hooks_(std::move(hooks)) {}

bool TFrmRecordType::Show(HWND owner, TRecordTypeValues& values) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    TRecordTypeValues working = values;
    values_ = &working;
    bool confirmed = RunDialog(owner, Template());
    values_ = nullptr;
    if (confirmed) values = working;
    return confirmed;
}

void TFrmRecordType::OnInit() {
    const TRecordTypeValues& v = *values_;
    SetupTrackbar(kIdTbRecRecentDoc, 1, kRecentDocMaxDays, v.recRecentDoc);
    SetChecked(kIdRbCreateNewFile, v.recordType != 1);
    SetChecked(kIdRbAddToExistFile, v.recordType == 1);
    SetChecked(kIdCbRecrodRecentDocument, v.recordRecentDocument);
    SetChecked(kIdCbFilterPCStart, v.filterPCStart);
    SetChecked(kIdCbDisplayPCStartFilterList, v.displayPCStartFilterList);
    SetChecked(kIdCbWebpage, v.webpage);
    SetChecked(kIdCbDonotshow, !v.showSettingsWhenRecord);
    ShowItem(kIdDonotshowHint, !v.showSettingsWhenRecord);
    UpdateAgePanel();
    RecordTypeClick();
    // The elevation hint: shown unless the program already runs elevated.
    hintShown_ = !hooks_.startedElevated;
    ShowElevationHint(kIdElevationHint, kIdCbElevate, hintShown_, kHintGrowth);
    FocusItem(v.recordType == 1 ? kIdRbAddToExistFile : kIdRbCreateNewFile);
}

void TFrmRecordType::UpdateAgePanel() {
    SetText(kIdRecentDocLabel, RecentDocAgeCaption(TrackPos(kIdTbRecRecentDoc)));
    ShowItems({kIdRecentDocLabel, kIdTbRecRecentDoc}, Checked(kIdCbRecrodRecentDocument));
}

void TFrmRecordType::RecordTypeClick() {
    bool addToExisting = Checked(kIdRbAddToExistFile);
    EnableItem(kIdEdtRename, !addToExisting);
    SetFieldColour(kIdEdtRename, addToExisting ? kFieldGrey : kFieldWhite);
    SetText(kIdEdtRename, addToExisting ? values_->existingRecordName : values_->newRecordName);
}

void TFrmRecordType::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
        case kIdRbCreateNewFile:
        case kIdRbAddToExistFile: RecordTypeClick(); return;
        case kIdCbRecrodRecentDocument: UpdateAgePanel(); return;
        case kIdCbDonotshow: ShowItem(kIdDonotshowHint, Checked(kIdCbDonotshow)); return;
        case kIdCbElevate:
            if (Checked(kIdCbElevate)) {
                if (hooks_.relaunchElevated) hooks_.relaunchElevated();
                End(false);
            }
            return;
        default: return;
    }
}

void TFrmRecordType::OnHScroll(HWND bar) {
    if (bar == Item(kIdTbRecRecentDoc)) UpdateAgePanel();
}

bool TFrmRecordType::OnOk() {
    // The name becomes a file in the record folder: nothing that could name
    // another folder or a device, nor a character a file name cannot hold.
    std::wstring name = Trim(Text(kIdEdtRename));
    if (!IsValidFileName(name)) {
        MarkInvalid(kIdEdtRename);
        return false;
    }
    MarkValid(kIdEdtRename);
    TRecordTypeValues& v = *values_;
    v.recordType = Checked(kIdRbAddToExistFile) ? 1 : 0;
    v.recordRecentDocument = Checked(kIdCbRecrodRecentDocument);
    v.recRecentDoc = TrackPos(kIdTbRecRecentDoc);
    v.filterPCStart = Checked(kIdCbFilterPCStart);
    v.displayPCStartFilterList = Checked(kIdCbDisplayPCStartFilterList);
    v.webpage = Checked(kIdCbWebpage);
    v.showSettingsWhenRecord = !Checked(kIdCbDonotshow);
    v.renameTo = name;
    return true;
}

}  // namespace qm

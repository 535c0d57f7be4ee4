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
        .Add(kButtonAtom, L"Add to e&xist file", T::kIdRbAddToExistFile, 120, 15, 90, kCheckH, BS_AUTORADIOBUTTON);
    T::AddCaptureOptionRows(tpl, 38);
    tpl.Add(kStaticAtom, L"&Rename to", T::kIdRenameLabel, kMargin, 94, 40, kLabelH, SS_LEFT)
        .Add(kEditAtom, L"", T::kIdEdtRename, 50, 92, kInner - 43, kEditH, kEditStyle);
    T::AddDontShowAgainRows(tpl, 112, kDonotshowHint);
    T::AddElevationRows(tpl, kButtonsY, kElevationHint);
    tpl.AddOkCancel(kButtonsY);
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

TFrmRecordType::TFrmRecordType(THooks hooks) : TCaptureOptionsDialog(std::move(hooks)) {}

bool TFrmRecordType::Show(HWND owner, TRecordTypeValues& values) {
    return ShowEditing(owner, Template(), values, values_);
}

void TFrmRecordType::OnInit() {
    const TRecordTypeValues& v = *values_;
    SetChecked(kIdRbCreateNewFile, v.recordType != 1);
    SetChecked(kIdRbAddToExistFile, v.recordType == 1);
    ShowCaptureOptions(v, !v.showSettingsWhenRecord);
    RecordTypeClick();
    FocusItem(v.recordType == 1 ? kIdRbAddToExistFile : kIdRbCreateNewFile);
}

void TFrmRecordType::RecordTypeClick() {
    bool addToExisting = Checked(kIdRbAddToExistFile);
    EnableItem(kIdEdtRename, !addToExisting);
    SetFieldColour(kIdEdtRename, addToExisting ? kFieldGrey : kFieldWhite);
    SetText(kIdEdtRename, addToExisting ? values_->existingRecordName : values_->newRecordName);
}

void TFrmRecordType::OnCommand(int id, int code) {
    if (OnCaptureOptionCommand(id, code)) return;
    if (code == BN_CLICKED && (id == kIdRbCreateNewFile || id == kIdRbAddToExistFile)) RecordTypeClick();
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
    ReadCaptureOptions(v);
    v.showSettingsWhenRecord = !DontShowAgain();
    v.renameTo = name;
    return true;
}

}  // namespace qm

#include "app/sendtodialog.h"

#include "app/quilmarsettings.h"
#include "base/files.h"
#include "base/guarded.h"
#include "base/pathtext.h"
#include "base/strings.h"

namespace qm {
namespace {

using namespace layout;

// Layout in dialog units.
constexpr short kWidth = 300;
constexpr short kFieldX = 45;
constexpr short kOpenX = kWidth - kMargin - kButtonW;
constexpr short kBrowseX = kOpenX - kGap - kButtonW;
constexpr short kFieldW = kBrowseX - kGap - kFieldX;
constexpr short kLabelW = kFieldX - kMargin - kGap;
constexpr short kButtonsY = 70;
constexpr short kHeight = kButtonsY + kButtonH + kMargin;

TDialogTemplate Template() {
    using T = TFormSendTo;
    TDialogTemplate tpl(L"Send To", kWidth, kHeight);
    tpl.Add(kStaticAtom, L"Send &To", T::kIdPathLabel, kMargin, 10, kLabelW, kLabelH, SS_LEFT)
        .Add(kEditAtom, L"", T::kIdEdtRecordPath, kFieldX, 8, kFieldW, kEditH, kEditStyle)
        .Add(kButtonAtom, L"&Browse...", T::kIdBtnBrowse, kBrowseX, 8, kButtonW, kButtonH, WS_TABSTOP)
        .Add(kButtonAtom, L"O&pen", T::kIdBtnOpenFolder, kOpenX, 8, kButtonW, kButtonH, WS_TABSTOP)
        .Add(kStaticAtom, L"&Rename", T::kIdRenameLabel, kMargin, 30, kLabelW, kLabelH, SS_LEFT)
        .Add(kEditAtom, L"", T::kIdEdtRename, kFieldX, 28, kFieldW, kEditH, kEditStyle)
        .Add(kButtonAtom, L"As &original file name", T::kIdCbAsRecordFileName, kFieldX, 50, 95, kCheckH,
             kCheckStyle | WS_GROUP)
        .Add(kButtonAtom, L"Open file &location after Confirm", T::kIdCbAutoLaunch, kFieldX + 100, 50, 140, kCheckH,
             kCheckStyle)
        .AddOkCancel(kButtonsY);
    return tpl;
}

// A folder the export can be made in: a drive path or a network path, never
// one relative to wherever the program happens to run.
bool IsAbsoluteFolderText(const std::wstring& path) {
    bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    bool network = path.size() > 2 && path[0] == L'\\' && path[1] == L'\\';
    return drive || network;
}

}  // namespace

TFormSendTo::TFormSendTo(std::wstring desktopFolder) : desktop_(std::move(desktopFolder)), path_(desktop_) {}

bool TFormSendTo::Show(HWND owner, TSendToValues& values) {
    values_ = &values;
    bool confirmed = RunDialog(owner, Template());
    values_ = nullptr;
    return confirmed;
}

void TFormSendTo::OnInit() {
    SetText(kIdEdtRecordPath, path_);
    SetChecked(kIdCbAsRecordFileName, values_->asRecordFileName);
    SetChecked(kIdCbAutoLaunch, autoLaunch_);
    // A name kept from another record's export would name this one wrongly.
    if (values_->asRecordFileName) name_ = values_->recordName;
    SetText(kIdEdtRename, name_);
    FocusItem(kIdEdtRename);
    ::SendMessageW(Item(kIdEdtRename), EM_SETSEL, 0, -1);
}

void TFormSendTo::NameFromCheckBox() {
    SetText(kIdEdtRename, Checked(kIdCbAsRecordFileName) ? values_->recordName : std::wstring(kDefaultName));
}

void TFormSendTo::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
        case kIdCbAsRecordFileName:
        case kIdCbAutoLaunch: NameFromCheckBox(); return;
        case kIdBtnBrowse:
            Guarded(L"send to browse", [&] {
                if (BrowseFolderField(kIdEdtRecordPath, kFolderBrowseTitle)) MarkValid(kIdEdtRecordPath);
            });
            return;
        case kIdBtnOpenFolder:
            Guarded(L"send to open folder", [&] {
                if (!ExploreFolderField(kIdEdtRecordPath)) MarkInvalid(kIdEdtRecordPath);
            });
            return;
        default: return;
    }
}

bool TFormSendTo::OnOk() {
    // The name becomes a folder inside the target: nothing that names the
    // target itself or its parent.
    std::wstring name = Trim(Text(kIdEdtRename));
    if (name.empty() || name == L"." || name == L"..") {
        MarkInvalid(kIdEdtRename);
        return false;
    }
    MarkValid(kIdEdtRename);
    std::wstring path = Trim(Text(kIdEdtRecordPath));
    if (IsAbsoluteFolderText(path) && !IsExistingFolder(path)) CreateFolderTree(path);
    if (!IsAbsoluteFolderText(path) || !IsExistingFolder(path)) {
        MarkInvalid(kIdEdtRecordPath);
        return false;
    }
    MarkValid(kIdEdtRecordPath);
    TExportRequest& r = values_->request;
    r.targetFolder = path;
    r.name = name;
    r.openAfter = Checked(kIdCbAutoLaunch);
    r.targetIsDesktop = EqualsNoCase(StripTrailingBackslash(path), StripTrailingBackslash(desktop_));
    return true;
}

void TFormSendTo::OnEnd(bool) {
    path_ = Text(kIdEdtRecordPath);
    name_ = Text(kIdEdtRename);
    autoLaunch_ = Checked(kIdCbAutoLaunch);
    values_->asRecordFileName = Checked(kIdCbAsRecordFileName);
}

}  // namespace qm

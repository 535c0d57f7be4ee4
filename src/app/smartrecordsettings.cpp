#include "app/smartrecordsettings.h"

#include <commctrl.h>

#include "app/quilmarsettings.h"

namespace qm {
namespace {

using namespace layout;

// Layout in dialog units.
constexpr short kWidth = 260;
constexpr short kInner = kWidth - 2 * kMargin;
constexpr short kButtonsY = 136;
constexpr short kHeight = kButtonsY + kButtonH + kMargin;

constexpr wchar_t kDonotshowHint[] =
    L"This window will no longer display the next operation.To reset,you can go to \"Settings\",\"Smart "
    L"Record\",Select \"Ask for action when Smart Record\"";
constexpr wchar_t kElevationHint[] =
    L"Some running programs require the admin to be recorded,including Installer or other programs that run as "
    L"admin. . For a full vistion of \"Running Programs Record\",you can select \"Run QuilMar as admin\".";

TDialogTemplate Template() {
    using T = TFrmSmartRecordSettings;
    TDialogTemplate tpl(L"Smart Record Settings", kWidth, kHeight);
    tpl.Add(kStaticAtom, L"", T::kIdIntervalLabel, kMargin, 6, kInner, kLabelH, kLabelStyle)
        .Add(TRACKBAR_CLASSW, L"", T::kIdTbRecordInterval, kMargin, 16, kInner, kTrackbarH, kTrackbarStyle);
    T::AddCaptureOptionRows(tpl, 38);
    T::AddDontShowAgainRows(tpl, 94, kDonotshowHint);
    T::AddElevationRows(tpl, kButtonsY, kElevationHint);
    tpl.AddOkCancel(kButtonsY);
    return tpl;
}

}  // namespace

TRecordOptions SmartRecordValuesOf(const TRecordOptions& options) {
    TRecordOptions v;
    CopyOptions(options, v, kSmartRecordKeys);
    return v;
}

void TakeSmartRecordValues(const TRecordOptions& values, TRecordOptions& options) {
    CopyOptions(values, options, kSmartRecordKeys);
}

bool TFrmSmartRecordSettings::Show(HWND owner, TRecordOptions& values) {
    return ShowEditing(owner, Template(), values, values_);
}

void TFrmSmartRecordSettings::OnInit() {
    const TRecordOptions& v = *values_;
    SetupTrackbar(kIdTbRecordInterval, kMinRecordInterval, kMaxRecordInterval, v.recordInterval);
    SetText(kIdIntervalLabel, RecordIntervalCaption(v.recordInterval));
    ShowCaptureOptions(v, !v.showSettingsWhenRecordSmart);
    FocusItem(kIdTbRecordInterval);
}

void TFrmSmartRecordSettings::OnHScroll(HWND bar) {
    if (bar == Item(kIdTbRecordInterval))
        SetText(kIdIntervalLabel, RecordIntervalCaption(TrackPos(kIdTbRecordInterval)));
    else
        OnCaptureOptionScroll(bar);
}

bool TFrmSmartRecordSettings::OnOk() {
    TRecordOptions& v = *values_;
    v.recordInterval = TrackPos(kIdTbRecordInterval);
    ReadCaptureOptions(v);
    v.showSettingsWhenRecordSmart = !DontShowAgain();
    return true;
}

}  // namespace qm

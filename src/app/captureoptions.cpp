#include "app/captureoptions.h"

#include <commctrl.h>

#include "app/quilmarsettings.h"

namespace qm {
namespace {

using namespace layout;

constexpr short kHintH = 34;
constexpr short kHintGrowth = kHintH + kCheckH + 2 * kGap;
constexpr short kAgeX = 112, kAgeW = 140;

}  // namespace

void TCaptureOptionsDialog::InitBarControls() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
}

void TCaptureOptionsDialog::AddCaptureOptionRows(TDialogTemplate& tpl, short y) {
    using T = TCaptureOptionsDialog;
    auto at = [y](int dy) { return static_cast<short>(y + dy); };
    tpl.Add(kButtonAtom, L"Record Recent &Documents", T::kIdCbRecrodRecentDocument, kMargin, y, 100, kCheckH,
            kCheckStyle | WS_GROUP)
        .Add(kStaticAtom, L"", T::kIdRecentDocLabel, kAgeX, at(-2), kAgeW, kLabelH, kLabelStyle)
        .Add(TRACKBAR_CLASSW, L"", T::kIdTbRecRecentDoc, kAgeX, at(7), kAgeW, kTrackbarH, kTrackbarStyle)
        .Add(kButtonAtom, L"&Filter Startup Program", T::kIdCbFilterPCStart, kMargin, at(24), 110, kCheckH, kCheckStyle)
        .Add(kButtonAtom, L"S&how Shartup Program Filter", T::kIdCbDisplayPCStartFilterList, 125, at(24), 128, kCheckH,
             kCheckStyle)
        .Add(kButtonAtom, L"Record &web pages", T::kIdCbWebpage, kMargin, at(38), 110, kCheckH, kCheckStyle);
}

void TCaptureOptionsDialog::AddDontShowAgainRows(TDialogTemplate& tpl, short y, const wchar_t* hint) {
    short inner = static_cast<short>(tpl.Width() - 2 * kMargin);
    tpl.Add(kButtonAtom, L"Don't &show again", kIdCbDonotshow, kMargin, y, 90, kCheckH, kCheckStyle)
        .Add(kStaticAtom, hint, kIdDonotshowHint, kMargin, static_cast<short>(y + 13), inner, 24, kLabelStyle);
}

void TCaptureOptionsDialog::AddElevationRows(TDialogTemplate& tpl, short buttonsY, const wchar_t* hint) {
    short inner = static_cast<short>(tpl.Width() - 2 * kMargin);
    tpl.Add(kStaticAtom, hint, kIdElevationHint, kMargin, buttonsY, inner, kHintH, kLabelStyle)
        .Add(kButtonAtom, L"Run QuilMar as ad&min", kIdCbElevate, kMargin, static_cast<short>(buttonsY + kHintH + kGap),
             100, kCheckH, kCheckStyle);
}

void TCaptureOptionsDialog::ShowCaptureOptions(const TRecordOptions& v, bool dontShowAgain) {
    SetupTrackbar(kIdTbRecRecentDoc, 1, kRecentDocMaxDays, v.recRecentDoc);
    SetChecked(kIdCbRecrodRecentDocument, v.recordRecentDocument);
    SetChecked(kIdCbFilterPCStart, v.filterPCStart);
    SetChecked(kIdCbDisplayPCStartFilterList, v.displayPCStartFilterList);
    SetChecked(kIdCbWebpage, v.webpage);
    SetChecked(kIdCbDonotshow, dontShowAgain);
    ShowItem(kIdDonotshowHint, dontShowAgain);
    UpdateAgePanel();
    hintShown_ = !hooks_.startedElevated;
    ShowElevationHint(kIdElevationHint, kIdCbElevate, hintShown_, kHintGrowth);
}

void TCaptureOptionsDialog::ReadCaptureOptions(TRecordOptions& v) const {
    v.recordRecentDocument = Checked(kIdCbRecrodRecentDocument);
    v.recRecentDoc = TrackPos(kIdTbRecRecentDoc);
    v.filterPCStart = Checked(kIdCbFilterPCStart);
    v.displayPCStartFilterList = Checked(kIdCbDisplayPCStartFilterList);
    v.webpage = Checked(kIdCbWebpage);
}

void TCaptureOptionsDialog::UpdateAgePanel() {
    SetText(kIdRecentDocLabel, RecentDocAgeCaption(TrackPos(kIdTbRecRecentDoc)));
    ShowItems({kIdRecentDocLabel, kIdTbRecRecentDoc}, Checked(kIdCbRecrodRecentDocument));
}

bool TCaptureOptionsDialog::OnCaptureOptionCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case kIdCbRecrodRecentDocument: UpdateAgePanel(); return true;
        case kIdCbDonotshow: ShowItem(kIdDonotshowHint, Checked(kIdCbDonotshow)); return true;
        case kIdCbElevate:
            if (Checked(kIdCbElevate)) {
                if (hooks_.relaunchElevated) hooks_.relaunchElevated();
                End(false);
            }
            return true;
        default: return false;
    }
}

bool TCaptureOptionsDialog::OnCaptureOptionScroll(HWND bar) {
    if (bar != Item(kIdTbRecRecentDoc)) return false;
    UpdateAgePanel();
    return true;
}

}  // namespace qm

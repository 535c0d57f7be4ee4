#include "app/replayprompt.h"

namespace qm {

namespace {

using namespace layout;

constexpr short kWidth = 250;
constexpr short kInner = kWidth - 2 * kMargin;
constexpr short kButtonsY = 122;

}  // namespace

std::wstring TfrmReplayWhenWinStart::MessageText(int count, const std::wstring& recordText) {
    return L"Are you sure you want to launch these " + std::to_wstring(count) + L" items in '" + recordText + L"'?   ";
}

bool TfrmReplayWhenWinStart::Show(HWND owner, TReplayPromptValues& values) {
    using T = TfrmReplayWhenWinStart;
    TDialogTemplate tpl(L"Replay Settings", kWidth, kButtonsY + kButtonH + kMargin);
    tpl.Add(kButtonAtom, L"&open the first document", T::kIdRbReplayFirstChildDoc, kMargin, 10, kInner, kCheckH,
            kRadioStyle | WS_GROUP)
        .Add(kButtonAtom, L"Open &all the relevant documents", T::kIdRbReplayAllChildDoc, kMargin, 24, kInner, kCheckH,
             kRadioStyle)
        .Add(kStaticAtom, L"", T::kIdMessage, kMargin, 42, kInner, 26, kLabelStyle | WS_GROUP)
        .Add(kButtonAtom, L"&Don't show again", T::kIdCbDonotshow, kMargin, 74, kInner, kCheckH, kCheckStyle | WS_GROUP)
        .Add(kStaticAtom, kReplayPromptHint, T::kIdHint, kMargin, 88, kInner, 26, kLabelStyle)
        .AddOkCancel(kButtonsY);
    TReplayPromptValues working = values;
    values_ = &working;
    bool confirmed = RunDialog(owner, tpl);
    values_ = nullptr;
    if (confirmed) values = working;
    return confirmed;
}

void TfrmReplayWhenWinStart::UpdateMessage() {
    int count = Checked(kIdRbReplayAllChildDoc) ? values_->total : values_->topLevel;
    SetText(kIdMessage, MessageText(count, values_->recordText));
}

void TfrmReplayWhenWinStart::OnInit() {
    bool all = values_->replayAllChildDoc;
    SetChecked(kIdRbReplayFirstChildDoc, !all);
    SetChecked(kIdRbReplayAllChildDoc, all);
    SetChecked(kIdCbDonotshow, values_->dontShowAgain);
    UpdateMessage();
    ShowItem(kIdHint, values_->dontShowAgain);
    FocusItem(all ? kIdRbReplayAllChildDoc : kIdRbReplayFirstChildDoc);
}

void TfrmReplayWhenWinStart::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == kIdRbReplayFirstChildDoc || id == kIdRbReplayAllChildDoc) UpdateMessage();
    if (id == kIdCbDonotshow) ShowItem(kIdHint, Checked(kIdCbDonotshow));
}

bool TfrmReplayWhenWinStart::OnOk() {
    values_->replayAllChildDoc = Checked(kIdRbReplayAllChildDoc);
    values_->dontShowAgain = Checked(kIdCbDonotshow);
    return true;
}

}  // namespace qm

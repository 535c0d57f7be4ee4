#include "app/replayprompt.h"

namespace qm {

namespace {

constexpr short kWidth = 250;
constexpr short kMargin = 10;
constexpr short kInner = kWidth - 2 * kMargin;
constexpr short kButtonW = 50;
constexpr short kButtonH = 14;
constexpr short kButtonsY = 122;
constexpr DWORD kRadio = WS_TABSTOP | BS_AUTORADIOBUTTON;

}  // namespace

std::wstring TfrmReplayWhenWinStart::MessageText(int count, const std::wstring& recordText) {
    return L"Are you sure you want to launch these " + std::to_wstring(count) + L" items in '" + recordText + L"'?   ";
}

bool TfrmReplayWhenWinStart::Show(HWND owner) {
    confirmed_ = false;
    using T = TfrmReplayWhenWinStart;
    TDialogTemplate tpl(L"Replay Settings", kWidth, kButtonsY + kButtonH + 8,
                        DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    tpl.Add(kButtonAtom, L"&open the first document", T::kIdRbReplayFirstChildDoc, kMargin, 10, kInner, 10,
            kRadio | WS_GROUP)
        .Add(kButtonAtom, L"Open &all the relevant documents", T::kIdRbReplayAllChildDoc, kMargin, 24, kInner, 10,
             kRadio)
        .Add(kStaticAtom, L"", T::kIdMessage, kMargin, 42, kInner, 26, SS_LEFT | SS_NOPREFIX | WS_GROUP)
        .Add(kButtonAtom, L"&Don't show again", T::kIdCbDonotshow, kMargin, 74, kInner, 10,
             WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX)
        .Add(kStaticAtom, kReplayPromptHint, T::kIdHint, kMargin, 88, kInner, 26, SS_LEFT | SS_NOPREFIX)
        .Add(kButtonAtom, L"OK", IDOK, kWidth - kMargin - 2 * kButtonW - 4, kButtonsY, kButtonW, kButtonH,
             WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON)
        .Add(kButtonAtom, L"Cancel", IDCANCEL, kWidth - kMargin - kButtonW, kButtonsY, kButtonW, kButtonH, WS_TABSTOP);
    // Only the confirm button (or Enter) confirms: a modal loop that ends for
    // another reason, such as the program's end, does not.
    RunModal(owner, tpl);
    return confirmed_;
}

bool TfrmReplayWhenWinStart::Checked(int id) const { return ::IsDlgButtonChecked(Handle(), id) == BST_CHECKED; }

void TfrmReplayWhenWinStart::UpdateMessage() {
    int count = Checked(kIdRbReplayAllChildDoc) ? total_ : topLevel_;
    SetItemText(kIdMessage, MessageText(count, recordText_));
}

void TfrmReplayWhenWinStart::UpdateHint() {
    ::ShowWindow(Control(kIdHint), Checked(kIdCbDonotshow) ? SW_SHOW : SW_HIDE);
}

INT_PTR TfrmReplayWhenWinStart::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            ::CheckRadioButton(Handle(), kIdRbReplayFirstChildDoc, kIdRbReplayAllChildDoc,
                               replayAllChildDoc_ ? kIdRbReplayAllChildDoc : kIdRbReplayFirstChildDoc);
            ::CheckDlgButton(Handle(), kIdCbDonotshow, dontShowAgain_ ? BST_CHECKED : BST_UNCHECKED);
            UpdateMessage();
            UpdateHint();
            ::SendMessageW(Handle(), WM_NEXTDLGCTL,
                           reinterpret_cast<WPARAM>(
                               Control(replayAllChildDoc_ ? kIdRbReplayAllChildDoc : kIdRbReplayFirstChildDoc)),
                           TRUE);
            return FALSE;  // focus set on the chosen radio button
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED) {
                switch (LOWORD(wp)) {
                    case kIdRbReplayFirstChildDoc:
                    case kIdRbReplayAllChildDoc: UpdateMessage(); return TRUE;
                    case kIdCbDonotshow: UpdateHint(); return TRUE;
                    case IDOK:
                        replayAllChildDoc_ = Checked(kIdRbReplayAllChildDoc);
                        dontShowAgain_ = Checked(kIdCbDonotshow);
                        confirmed_ = true;
                        break;
                    default: break;
                }
            }
            break;
        default: break;
    }
    return TDialogBase::HandleMessage(msg, wp, lp);
}

}  // namespace qm

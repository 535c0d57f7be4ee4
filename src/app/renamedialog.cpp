#include "app/renamedialog.h"

namespace qm {

std::optional<std::wstring> TFrmReName::Ask(HWND owner, const std::wstring& current) {
    text_ = current;
    TDialogTemplate tpl(L"Rename", 220, 52);
    tpl.Add(kStaticAtom, L"File Name", kIdLabel, 7, 9, 40, 9, SS_LEFT)
        .Add(kEditAtom, L"", kIdEdtName, 50, 7, 163, 13, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL)
        .Add(kButtonAtom, L"OK", IDOK, 109, 30, 50, 14, WS_TABSTOP | BS_DEFPUSHBUTTON)
        .Add(kButtonAtom, L"Cancel", IDCANCEL, 163, 30, 50, 14, WS_TABSTOP | BS_PUSHBUTTON);
    if (RunModal(owner, tpl) != IDOK) return std::nullopt;
    return text_;
}

INT_PTR TFrmReName::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            SetItemText(kIdEdtName, text_);
            POINT pt{};
            ::GetCursorPos(&pt);
            MoveNear(pt);
            HWND edit = ::GetDlgItem(Handle(), kIdEdtName);
            ::SetFocus(edit);
            ::SendMessageW(edit, EM_SETSEL, 0, -1);
            return FALSE;  // focus set here
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) text_ = ItemText(kIdEdtName);
            break;
        default:
            break;
    }
    return TDialogBase::HandleMessage(msg, wp, lp);
}

}  // namespace qm

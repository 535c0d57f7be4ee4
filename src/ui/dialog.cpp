#include "ui/dialog.h"

#include <algorithm>

namespace qm {

TDialogTemplate::TDialogTemplate(const std::wstring& caption, short cx, short cy, DWORD style) {
    style |= DS_SETFONT | DS_SHELLFONT;
    PutWord(1);       // dlgVer
    PutWord(0xFFFF);  // signature
    PutDword(0);      // helpID
    PutDword(0);      // exStyle
    PutDword(style);
    countAt_ = data_.size();
    PutWord(0);  // cDlgItems, counted as controls are added
    PutWord(0);  // x
    PutWord(0);  // y
    PutWord(static_cast<WORD>(cx));
    PutWord(static_cast<WORD>(cy));
    PutWord(0);  // no menu
    PutWord(0);  // standard class
    PutString(caption);
    PutWord(8);    // point size
    PutWord(400);  // weight
    PutWord(0);    // italic, charset
    PutString(L"MS Shell Dlg");
}

void TDialogTemplate::Align() {
    if (data_.size() % 2) data_.push_back(0);  // DWORD alignment in WORD units
}
void TDialogTemplate::PutWord(WORD w) { data_.push_back(w); }
void TDialogTemplate::PutDword(DWORD d) {
    data_.push_back(LOWORD(d));
    data_.push_back(HIWORD(d));
}
void TDialogTemplate::PutString(const std::wstring& s) {
    for (wchar_t c : s) data_.push_back(static_cast<WORD>(c));
    data_.push_back(0);
}

TDialogTemplate& TDialogTemplate::Add(WORD atom, const std::wstring& text, WORD id, short x, short y, short cx,
                                      short cy, DWORD style, DWORD exStyle) {
    return Add(std::wstring(1, static_cast<wchar_t>(atom)) + L"\x1", text, id, x, y, cx, cy, style, exStyle);
}

TDialogTemplate& TDialogTemplate::Add(const std::wstring& className, const std::wstring& text, WORD id, short x,
                                      short y, short cx, short cy, DWORD style, DWORD exStyle) {
    Align();
    PutDword(0);  // helpID
    PutDword(exStyle);
    PutDword(style | WS_CHILD | WS_VISIBLE);
    PutWord(static_cast<WORD>(x));
    PutWord(static_cast<WORD>(y));
    PutWord(static_cast<WORD>(cx));
    PutWord(static_cast<WORD>(cy));
    PutDword(id);
    // A class given as an atom is marked by the pair (0xFFFF, atom).
    if (className.size() == 2 && className[1] == L'\x1') {
        PutWord(0xFFFF);
        PutWord(static_cast<WORD>(className[0]));
    } else {
        PutString(className);
    }
    PutString(text);
    PutWord(0);  // no creation data
    ++data_[countAt_];
    return *this;
}

const DLGTEMPLATE* TDialogTemplate::Get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

INT_PTR TDialogBase::RunModal(HWND owner, const TDialogTemplate& tpl) {
    return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), tpl.Get(), owner, &TDialogBase::StaticProc,
                                     reinterpret_cast<LPARAM>(this));
}

INT_PTR TDialogBase::HandleMessage(UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        ::EndDialog(hwnd_, LOWORD(wp));
        return TRUE;
    }
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

std::wstring TDialogBase::ItemText(int id) const {
    HWND item = ::GetDlgItem(hwnd_, id);
    int n = ::GetWindowTextLengthW(item);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(item, s.data(), n + 1);
    s.resize(static_cast<size_t>(n));
    return s;
}

void TDialogBase::SetItemText(int id, const std::wstring& text) { ::SetDlgItemTextW(hwnd_, id, text.c_str()); }

void TDialogBase::MoveNear(POINT pt) {
    RECT r{};
    ::GetWindowRect(hwnd_, &r);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &mi);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = std::max<int>(mi.rcWork.left, std::min<int>(pt.x, mi.rcWork.right - w));
    int y = std::max<int>(mi.rcWork.top, std::min<int>(pt.y, mi.rcWork.bottom - h));
    ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK TDialogBase::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TDialogBase* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<TDialogBase*>(lp);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    } else {
        self = reinterpret_cast<TDialogBase*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    try {
        result = self->HandleMessage(msg, wp, lp);
    } catch (...) {
        result = FALSE;  // errors inside a dialog are dropped like the main window's
    }
    if (msg == WM_NCDESTROY) self->hwnd_ = nullptr;
    return result;
}

}  // namespace qm

#include "ui/dialog.h"

#include <algorithm>

#include "base/effects.h"
#include "base/files.h"
#include "base/guarded.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "ui/folderchooser.h"

namespace qm {

TDialogTemplate::TDialogTemplate(const std::wstring& caption, short cx, short cy, DWORD style) : cx_(cx), cy_(cy) {
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

TDialogTemplate& TDialogTemplate::AddOkCancel(short y, const std::wstring& ok, const std::wstring& cancel) {
    buttonsY_ = y;
    Add(kButtonAtom, ok, IDOK, OkButtonX(cx_), y, layout::kButtonW, layout::kButtonH,
        WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON);
    return Add(kButtonAtom, cancel, IDCANCEL, CancelButtonX(cx_), y, layout::kButtonW, layout::kButtonH, WS_TABSTOP);
}

TDialogTemplate& TDialogTemplate::AddCloseButton(short y, const std::wstring& caption) {
    buttonsY_ = y;
    return Add(kButtonAtom, caption, IDOK, CancelButtonX(cx_), y, layout::kButtonW, layout::kButtonH,
               WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON);
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
    // Errors inside a dialog are dropped like the main window's, with a trace.
    Guarded(L"dialog message", [&] { result = self->HandleMessage(msg, wp, lp); });
    if (msg == WM_NCDESTROY) self->hwnd_ = nullptr;
    return result;
}

// ---- TDialog --------------------------------------------------------------------

HWND TDialog::Item(int id) const {
    if (!Handle()) return nullptr;
    if (HWND h = ::GetDlgItem(Handle(), id)) return h;
    for (HWND page : pages_)
        if (HWND h = ::GetDlgItem(page, id)) return h;
    return nullptr;
}

bool TDialog::Checked(int id) const { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TDialog::SetChecked(int id, bool on) {
    ::SendMessageW(Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::wstring TDialog::Text(int id) const {
    HWND item = Item(id);
    int n = ::GetWindowTextLengthW(item);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(item, s.data(), n + 1);
    s.resize(static_cast<size_t>(n > 0 ? n : 0));
    return s;
}

void TDialog::SetText(int id, const std::wstring& text) { ::SetWindowTextW(Item(id), text.c_str()); }

void TDialog::ShowItem(int id, bool show) { ::ShowWindow(Item(id), show ? SW_SHOWNA : SW_HIDE); }

void TDialog::ShowItems(std::initializer_list<int> ids, bool show) {
    for (int id : ids) ShowItem(id, show);
}

void TDialog::EnableItem(int id, bool enable) { ::EnableWindow(Item(id), enable ? TRUE : FALSE); }

void TDialog::FocusItem(int id) {
    focusSet_ = true;
    ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

void TDialog::Place(int id, short x, short y, short cx, short cy) {
    HWND item = Item(id);
    RECT r{x, y, x + cx, y + cy};
    ::MapDialogRect(::GetParent(item), &r);  // a page's control: the page's own units
    ::SetWindowPos(item, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDialog::SetupTrackbar(int id, int lo, int hi, int pos) {
    HWND bar = Item(id);
    ::SendMessageW(bar, TBM_SETRANGEMIN, FALSE, lo);
    ::SendMessageW(bar, TBM_SETRANGEMAX, FALSE, hi);
    ::SendMessageW(bar, TBM_SETTICFREQ, 5, 0);
    ::SendMessageW(bar, TBM_SETPAGESIZE, 0, 5);
    ::SendMessageW(bar, TBM_SETPOS, TRUE, pos);
}

int TDialog::TrackPos(int id) const { return static_cast<int>(::SendMessageW(Item(id), TBM_GETPOS, 0, 0)); }

void TDialog::SetTrackPos(int id, int pos) { ::SendMessageW(Item(id), TBM_SETPOS, TRUE, pos); }

void TDialog::SetFieldColour(int id, COLORREF colour, COLORREF text) {
    TFieldColour& c = colours_[id];
    c.colour = colour;
    c.text = text;
    c.brush.reset(::CreateSolidBrush(colour));
    ::InvalidateRect(Item(id), nullptr, TRUE);
}

COLORREF TDialog::FieldColour(int id) const {
    auto it = colours_.find(id);
    return it == colours_.end() ? kFieldWhite : it->second.colour;
}

COLORREF TDialog::FieldTextColour(int id) const {
    auto it = colours_.find(id);
    return it == colours_.end() ? kSystemText : it->second.text;
}

void TDialog::MarkInvalid(int id, COLORREF text) {
    SetFieldColour(id, kFieldRed, text);
    FocusItem(id);
}

void TDialog::GrowBy(short growth) {
    if (!Handle()) return;
    if (buttonsY_ >= 0) {
        short y = static_cast<short>(buttonsY_ + growth);
        Place(IDOK, OkButtonX(width_), y, layout::kButtonW, layout::kButtonH);
        Place(IDCANCEL, CancelButtonX(width_), y, layout::kButtonW, layout::kButtonH);
    }
    RECT client{0, 0, width_, static_cast<LONG>(height_ + growth)};
    ::MapDialogRect(Handle(), &client);
    RECT window{}, current{};
    ::GetWindowRect(Handle(), &window);
    ::GetClientRect(Handle(), &current);
    int frameW = (window.right - window.left) - current.right;
    int frameH = (window.bottom - window.top) - current.bottom;
    ::SetWindowPos(Handle(), nullptr, 0, 0, client.right + frameW, client.bottom + frameH,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDialog::ShowElevationHint(int hintId, int checkId, bool show, short growth) {
    ShowItems({hintId, checkId}, show);
    SetChecked(checkId, false);
    GrowBy(show ? growth : 0);
}

void TDialog::MoveNear(POINT pt) {
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &mi);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = std::max<int>(mi.rcWork.left, std::min<int>(pt.x, mi.rcWork.right - w));
    int y = std::max<int>(mi.rcWork.top, std::min<int>(pt.y, mi.rcWork.bottom - h));
    ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TDialog::BrowseFolderField(int editId, const std::wstring& caption) {
    std::wstring current = Text(editId);
    std::wstring chosen = ChooseFolder(Handle(), caption + current, current);
    if (chosen.empty() || !IsExistingFolder(chosen)) return false;
    SetText(editId, NormaliseFolderPath(chosen));
    return true;
}

bool TDialog::ExploreFolderField(int editId) {
    std::wstring folder = Trim(Text(editId));
    if (folder.empty() || !IsExistingFolder(folder)) return false;
    ShellOpen(Handle(), L"explore", NormaliseFolderPath(folder));
    return true;
}

bool TDialog::RunDialog(HWND owner, const TDialogTemplate& tpl) {
    confirmed_ = false;
    focusSet_ = false;
    width_ = tpl.Width();
    height_ = tpl.Height();
    buttonsY_ = tpl.ButtonsY();
    colours_.clear();
    pages_.clear();
    RunModal(owner, tpl);
    pages_.clear();
    return confirmed_;
}

void TDialog::End(bool confirmed) {
    if (!Handle()) return;
    OnEnd(confirmed);
    confirmed_ = confirmed;
    ::EndDialog(Handle(), confirmed ? IDOK : IDCANCEL);
}

INT_PTR TDialog::OnColour(WPARAM wp, LPARAM lp) {
    HWND control = reinterpret_cast<HWND>(lp);
    auto it = colours_.find(::GetDlgCtrlID(control));
    if (it == colours_.end() || ::GetParent(control) != Handle()) return 0;
    HDC dc = reinterpret_cast<HDC>(wp);
    ::SetBkColor(dc, it->second.colour);
    COLORREF text = it->second.text;
    if (text == kSystemText || !::IsWindowEnabled(control))
        text = ::GetSysColor(::IsWindowEnabled(control) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    ::SetTextColor(dc, text);
    return reinterpret_cast<INT_PTR>(it->second.brush.get());
}

INT_PTR TDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    INT_PTR result = FALSE;
    switch (msg) {
        case WM_INITDIALOG:
            focusSet_ = false;
            OnInit();
            return focusSet_ ? FALSE : TRUE;  // TRUE: the first control takes the focus
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) {
                if (OnOk()) End(true);
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL && HIWORD(wp) == BN_CLICKED) {
                End(false);
                return TRUE;
            }
            OnCommand(LOWORD(wp), HIWORD(wp));
            return TRUE;
        case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lp)) ? TRUE : FALSE;
        case WM_HSCROLL:
            if (lp) OnHScroll(reinterpret_cast<HWND>(lp));
            return TRUE;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:  // a disabled edit asks with WM_CTLCOLORSTATIC
            if (INT_PTR brush = OnColour(wp, lp)) return brush;
            break;
        default: break;
    }
    return OnOtherMessage(msg, wp, lp, result) ? result : FALSE;
}

}  // namespace qm

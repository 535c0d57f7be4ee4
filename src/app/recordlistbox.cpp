#include "app/recordlistbox.h"

namespace qm {

void TRecordListBox::Clear() {
    ::SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    cursor_ = -1;
}

void TRecordListBox::Add(const std::wstring& name) {
    ::SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

int TRecordListBox::Count() const { return static_cast<int>(::SendMessageW(hwnd_, LB_GETCOUNT, 0, 0)); }

std::wstring TRecordListBox::Text(int index) const {
    LRESULT n = ::SendMessageW(hwnd_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == LB_ERR) return {};
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = ::SendMessageW(hwnd_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(n == LB_ERR ? 0 : static_cast<size_t>(n));
    return s;
}

int TRecordListBox::Cursor() const { return cursor_ >= 0 && cursor_ < Count() ? cursor_ : -1; }

void TRecordListBox::SelectOnly(int index) {
    ::SendMessageW(hwnd_, LB_SETSEL, FALSE, -1);
    if (index < 0 || index >= Count()) {
        cursor_ = -1;
        return;
    }
    ::SendMessageW(hwnd_, LB_SETSEL, TRUE, index);
    ::SendMessageW(hwnd_, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    cursor_ = index;
}

std::vector<int> TRecordListBox::Selected() const {
    int n = static_cast<int>(::SendMessageW(hwnd_, LB_GETSELCOUNT, 0, 0));
    std::vector<int> out(static_cast<size_t>(n > 0 ? n : 0));
    if (n > 0) ::SendMessageW(hwnd_, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(out.data()));
    return out;
}

int TRecordListBox::IndexOf(const std::wstring& name) const {
    for (int i = 0; i < Count(); ++i)
        if (Text(i) == name) return i;
    return -1;
}

void TRecordListBox::SelectAll() {
    if (Count() > 0) ::SendMessageW(hwnd_, LB_SETSEL, TRUE, -1);
}

void TRecordListBox::CursorMovedByUser() {
    int caret = static_cast<int>(::SendMessageW(hwnd_, LB_GETCARETINDEX, 0, 0));
    cursor_ = caret >= 0 && caret < Count() ? caret : -1;
}

}  // namespace qm

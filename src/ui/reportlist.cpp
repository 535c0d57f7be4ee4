#include "ui/reportlist.h"

#include "ui/controls.h"

namespace qm {

void TReportList::Create(HWND parent, int id, HFONT font, DWORD extraStyle) {
    Attach(CreateChild(parent, WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                       WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | extraStyle, id, font));
}

void TReportList::Attach(HWND listView) {
    hwnd_ = listView;
    // The images belong to whoever hands them in: the list must not destroy them with itself.
    ::SetWindowLongPtrW(hwnd_, GWL_STYLE, ::GetWindowLongPtrW(hwnd_, GWL_STYLE) | LVS_SHAREIMAGELISTS);
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
}

void TReportList::AddColumn(const std::wstring& caption, int width) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = width;
    col.pszText = const_cast<wchar_t*>(caption.c_str());
    ListView_InsertColumn(hwnd_, ColumnCount(), &col);
}

void TReportList::SetColumnWidth(int column, int width) { ListView_SetColumnWidth(hwnd_, column, width); }

int TReportList::ColumnCount() const {
    HWND header = ListView_GetHeader(hwnd_);
    return header ? Header_GetItemCount(header) : 0;
}

std::wstring TReportList::ColumnCaption(int column) const {
    wchar_t text[256] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = 256;
    ListView_GetColumn(hwnd_, column, &col);
    return text;
}

void TReportList::SetImages(HIMAGELIST images) { ListView_SetImageList(hwnd_, images, LVSIL_SMALL); }

void TReportList::Clear() { ListView_DeleteAllItems(hwnd_); }

int TReportList::AddRow(const std::vector<std::wstring>& cells, int image, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = Count();
    item.pszText = const_cast<wchar_t*>(cells.empty() ? L"" : cells[0].c_str());
    item.iImage = image;
    item.lParam = data;
    int row = ListView_InsertItem(hwnd_, &item);
    for (size_t c = 1; c < cells.size() && row >= 0; ++c)
        ListView_SetItemText(hwnd_, row, static_cast<int>(c), const_cast<wchar_t*>(cells[c].c_str()));
    return row;
}

int TReportList::Count() const { return ListView_GetItemCount(hwnd_); }

std::wstring TReportList::Text(int row, int column) const {
    std::wstring text(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    LRESULT n = ::SendMessageW(hwnd_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

LPARAM TReportList::Data(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return ListView_GetItem(hwnd_, &item) ? item.lParam : 0;
}

std::vector<int> TReportList::SelectedRows() const {
    std::vector<int> rows;
    for (int i = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(hwnd_, i, LVNI_SELECTED))
        rows.push_back(i);
    return rows;
}

int TReportList::FocusedRow() const { return ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED); }

void TReportList::SelectOnly(int row) {
    ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0 && row < Count()) {
        ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(hwnd_, row, FALSE);
    }
}

bool TReportList::OnNotify(const NMHDR& hdr) {
    if (hdr.hwndFrom != hwnd_) return false;
    switch (hdr.code) {
        case NM_RCLICK:
            if (onContextMenu) {
                POINT pt{};
                ::GetCursorPos(&pt);
                onContextMenu(pt);
            }
            return true;
        case LVN_ITEMACTIVATE: {  // Enter, or a double click
            int row = reinterpret_cast<const NMITEMACTIVATE&>(hdr).iItem;
            if (row >= 0 && onActivate) onActivate(row);
            return true;
        }
        case LVN_BEGINDRAG:
            if (onBeginDrag) onBeginDrag();
            return true;
        case LVN_KEYDOWN:
            if (onKey) onKey(reinterpret_cast<const NMLVKEYDOWN&>(hdr).wVKey);
            return true;
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(hdr);
            bool selected = (change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
                            !(change.uOldState & LVIS_SELECTED);
            if (selected && change.iItem >= 0 && onSelect) onSelect(change.iItem);
            return true;
        }
        default: return false;
    }
}

}  // namespace qm

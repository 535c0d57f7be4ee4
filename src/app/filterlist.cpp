#include "app/filterlist.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/controls.h"

namespace qm {

void TFilterList::Create(HWND parent, HFONT font) {
    group_ = CreateChild(parent, 0, WC_BUTTONW, L"Windows Start Filter", BS_GROUPBOX, kIdGroup, font);
    list_.Create(parent, kIdList, font);
    close_ = CreateChild(parent, 0, WC_BUTTONW, L"x", BS_PUSHBUTTON, kIdClose, font);
    list_.AddColumn(L"Title", 180);
    list_.AddColumn(L"Location", 180);
}

void TFilterList::Show(bool show, const std::vector<TFilterRow>& rows) {
    list_.Clear();
    if (show) {
        ::SetWindowTextW(group_, L"Filter Startup Programs - You can drag to the top of the list...");
        for (const TFilterRow& f : rows) list_.AddRow({f.title, f.location});
    }
    shown_ = show;
    ShowControl(group_, show);
    ShowControl(list_.Handle(), show);
    ShowControl(close_, show);
}

std::vector<TLaunchItem> TFilterList::SelectedItems() const {
    std::vector<TLaunchItem> items;
    for (int row : list_.SelectedRows()) items.push_back({list_.Text(row, 1), list_.Text(row, 0)});
    return items;
}

void TFilterList::Layout(const RECT& area, int dpi) {
    if (!shown_) return;
    auto scale = [dpi](int v) { return ::MulDiv(v, dpi, 96); };
    ::MoveWindow(group_, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    ::MoveWindow(close_, area.right - scale(24), area.top + scale(2), scale(18), scale(16), TRUE);
    RECT inner{area.left + scale(8), area.top + scale(18), area.right - scale(8), area.bottom - scale(8)};
    ::MoveWindow(list_.Handle(), inner.left, inner.top, std::max(0L, inner.right - inner.left),
                 std::max(0L, inner.bottom - inner.top), TRUE);
    // The first column is 180 wide; the second takes the rest less 5.
    RECT lv{};
    ::GetClientRect(list_.Handle(), &lv);
    list_.SetColumnWidth(0, 180);
    list_.SetColumnWidth(1, std::max(0L, lv.right - 180 - 5));
}

}  // namespace qm

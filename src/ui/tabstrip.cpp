#include "ui/tabstrip.h"

#include <commctrl.h>

#include "base/unique_any.h"
#include "ui/controls.h"

namespace qm {

void TTabStrip::Create(HWND parent, int id, bool ownerDraw, HFONT font, HFONT boldFont) {
    font_ = font;
    boldFont_ = boldFont;
    hwnd_ = CreateChild(parent, 0, WC_TABCONTROLW, L"",
                        WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | (ownerDraw ? TCS_OWNERDRAWFIXED : 0), id, font);
}

void TTabStrip::SetTabs(const std::vector<std::wstring>& captions) {
    if (captions == captions_) return;
    int selected = Selected();
    captions_ = captions;
    TabCtrl_DeleteAllItems(hwnd_);
    for (size_t i = 0; i < captions_.size(); ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(captions_[i].c_str());
        TabCtrl_InsertItem(hwnd_, static_cast<int>(i), &item);
    }
    Select(selected >= 0 && selected < Count() ? selected : 0);
}

int TTabStrip::Count() const { return TabCtrl_GetItemCount(hwnd_); }
int TTabStrip::Selected() const { return TabCtrl_GetCurSel(hwnd_); }

void TTabStrip::Select(int index) {
    TabCtrl_SetCurSel(hwnd_, index);
    ::InvalidateRect(hwnd_, nullptr, TRUE);  // the bold caption moves
}

RECT TTabStrip::PageRect(RECT outer) const {
    TabCtrl_AdjustRect(hwnd_, FALSE, &outer);
    return outer;
}

bool TTabStrip::Draw(const DRAWITEMSTRUCT& dis) const {
    if (dis.hwndItem != hwnd_) return false;
    int index = static_cast<int>(dis.itemID);
    if (index < 0 || index >= static_cast<int>(captions_.size())) return true;
    ::FillRect(dis.hDC, &dis.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    bool active = index == Selected();
    unique_select_object select(dis.hDC, active ? boldFont_ : font_);
    ::SetBkMode(dis.hDC, TRANSPARENT);
    ::SetTextColor(dis.hDC, ::GetSysColor(COLOR_BTNTEXT));
    RECT r = dis.rcItem;
    ::DrawTextW(dis.hDC, captions_[static_cast<size_t>(index)].c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return true;
}

}  // namespace qm

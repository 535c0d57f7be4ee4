#include "ui/tabpages.h"

#include <uxtheme.h>

namespace qm {

namespace {
thread_local TTabPages* g_current = nullptr;  // the pages whose keys the message filter sees
}

TTabPages::~TTabPages() { Destroy(); }

void TTabPages::Create(TDialog& dialog, int tabsId, const std::vector<std::wstring>& captions,
                       const std::vector<TDialogTemplate>& pages) {
    Destroy();
    dialog_ = &dialog;
    tabs_ = dialog.Item(tabsId);
    for (size_t i = 0; i < captions.size(); ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(captions[i].c_str());
        ::SendMessageW(tabs_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    RECT area{};
    ::GetClientRect(tabs_, &area);
    ::SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    ::MapWindowPoints(tabs_, dialog.Handle(), reinterpret_cast<POINT*>(&area), 2);
    // The pages go just above the tab control, so their controls follow the
    // controls before it in the tab order, as in a property sheet; the tab
    // control clips them out of its own painting.
    HWND above = ::GetWindow(tabs_, GW_HWNDPREV);
    for (const TDialogTemplate& tpl : pages) {
        HWND page = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), tpl.Get(), dialog.Handle(),
                                                 &TTabPages::PageProc, 0);
        pages_.push_back(page);
        if (!page) continue;
        ::EnableThemeDialogTexture(page, ETDT_ENABLETAB);  // the tab's own background under a visual style
        ::SetWindowPos(page, above ? above : HWND_TOP, area.left, area.top, area.right - area.left,
                       area.bottom - area.top, SWP_NOACTIVATE);
        dialog.AddPage(page);
    }
    outer_ = g_current;
    g_current = this;
    filter_.reset(::SetWindowsHookExW(WH_MSGFILTER, &TTabPages::MessageFilter, nullptr, ::GetCurrentThreadId()));
    if (active_ >= Count()) active_ = 0;
    ::SendMessageW(tabs_, TCM_SETCURSEL, active_, 0);
    Select(active_);
}

void TTabPages::Destroy() {
    if (filter_) {
        filter_.reset();
        if (g_current == this) g_current = outer_;
    }
    pages_.clear();  // the pages are children of the dialog and go with it
    tabs_ = nullptr;
    dialog_ = nullptr;
}

HWND TTabPages::Page(int index) const {
    return index >= 0 && index < Count() ? pages_[static_cast<size_t>(index)] : nullptr;
}

void TTabPages::Select(int index) {
    if (index < 0 || index >= Count()) index = 0;
    active_ = index;
    if (!tabs_) return;
    if (::SendMessageW(tabs_, TCM_GETCURSEL, 0, 0) != index) ::SendMessageW(tabs_, TCM_SETCURSEL, index, 0);
    HWND focus = ::GetFocus();
    bool focusLeaving = false;
    for (int i = 0; i < Count(); ++i) {
        HWND page = pages_[static_cast<size_t>(i)];
        if (!page) continue;
        if (i != index && focus && (focus == page || ::IsChild(page, focus))) focusLeaving = true;
        ::ShowWindow(page, i == index ? SW_SHOWNA : SW_HIDE);
    }
    // A control that just disappeared cannot keep the focus.
    if (focusLeaving && dialog_)
        ::SendMessageW(dialog_->Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tabs_), TRUE);
    if (onSelected) onSelected(index);
}

bool TTabPages::OnNotify(const NMHDR& hdr) {
    if (hdr.hwndFrom != tabs_ || hdr.code != TCN_SELCHANGE) return false;
    Select(static_cast<int>(::SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
    return true;
}

INT_PTR CALLBACK TTabPages::PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: return FALSE;  // the dialog decides where the focus goes
        case WM_COMMAND:
        case WM_HSCROLL:
        case WM_NOTIFY:
            ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT,
                                ::SendMessageW(::GetParent(hwnd), msg, wp, lp));  // handled by the dialog
            return TRUE;
        default: return FALSE;
    }
}

LRESULT CALLBACK TTabPages::MessageFilter(int code, WPARAM wp, LPARAM lp) {
    if (code == MSGF_DIALOGBOX && g_current && lp && g_current->OnSwitchKeys(*reinterpret_cast<const MSG*>(lp)))
        return TRUE;
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

bool TTabPages::OnSwitchKeys(const MSG& m) {
    HWND dlg = dialog_ ? dialog_->Handle() : nullptr;
    if (!dlg || Count() == 0 || m.message != WM_KEYDOWN || ::GetKeyState(VK_CONTROL) >= 0) return false;
    if (m.hwnd != dlg && !::IsChild(dlg, m.hwnd)) return false;
    int step = 0;
    if (m.wParam == VK_TAB) step = ::GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    if (m.wParam == VK_NEXT) step = 1;
    if (m.wParam == VK_PRIOR) step = -1;
    if (!step) return false;
    Select((active_ + step + Count()) % Count());
    return true;
}

}  // namespace qm

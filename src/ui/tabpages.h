// Tab pages of a dialog: one child dialog per tab in the tab control's display
// area, the tab and its page kept in step, Ctrl+Tab, Ctrl+Shift+Tab and
// Ctrl+PageDown/PageUp switching pages from anywhere in the dialog. The pages'
// commands, scroll and notification messages go to the dialog, and the
// dialog's Item() finds their controls.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/unique_any.h"
#include "ui/dialog.h"

namespace qm {

class TTabPages {
public:
    TTabPages() = default;
    TTabPages(const TTabPages&) = delete;
    TTabPages& operator=(const TTabPages&) = delete;
    ~TTabPages();

    // In the dialog's OnInit: the tabs with their captions and a page for each
    // template. The page chosen last time is shown again.
    void Create(TDialog& dialog, int tabsId, const std::vector<std::wstring>& captions,
                const std::vector<TDialogTemplate>& pages);
    // When the dialog ends.
    void Destroy();

    void Select(int index);
    int Active() const { return active_; }
    int Count() const { return static_cast<int>(pages_.size()); }
    HWND Page(int index) const;
    HWND Tabs() const { return tabs_; }

    // The dialog passes its notifications here; true when it was the tab change.
    bool OnNotify(const NMHDR& hdr);

    // Called after a page became the shown one.
    std::function<void(int index)> onSelected;

private:
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wp, LPARAM lp);
    bool OnSwitchKeys(const MSG& m);

    TDialog* dialog_ = nullptr;
    HWND tabs_ = nullptr;
    std::vector<HWND> pages_;
    int active_ = 0;
    unique_hhook filter_;
    TTabPages* outer_ = nullptr;  // pages of a dialog further out, while this one is up
};

}  // namespace qm

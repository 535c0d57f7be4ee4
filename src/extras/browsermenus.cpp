#include "extras/browsermenus.h"

namespace qm {

TBrowserMenus::TBrowserMenus(TBrowserMenuIds ids, TShellMenu::TOpenFn open)
    : favorites_(ids.favoritesFirst, ids.favoritesLast), history_(ids.historyFirst, ids.historyLast) {
    favorites_.SetOpen(open);
    history_.SetOpen(std::move(open));
}

void TBrowserMenus::Attach(HMENU browserMenu, HMENU favorites, HMENU history) {
    browserMenu_ = browserMenu;
    favorites_.Attach(favorites);
    history_.Attach(history);
}

bool TBrowserMenus::OnInitMenuPopup(HMENU popup) {
    if (popup && popup == browserMenu_) {
        if (!favorites_.Built()) favorites_.Build();
        if (!history_.Built()) history_.Build();
        return true;
    }
    return favorites_.OnInitMenuPopup(popup) || history_.OnInitMenuPopup(popup);
}

bool TBrowserMenus::OnCommand(unsigned id) { return favorites_.OnCommand(id) || history_.OnCommand(id); }

}  // namespace qm

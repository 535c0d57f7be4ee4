// The "&Internet Explorer" menu's two nested menus, "Favorites" and "History",
// as the main window holds them: attached to the main menu whenever it is
// built, filled as they open, and answering the commands of their own ranges.
#pragma once
#include <windows.h>

#include "extras/favmenu.h"
#include "extras/historymenu.h"

namespace qm {

// The command ranges of the two menus' entries (no other command uses them).
struct TBrowserMenuIds {
    unsigned favoritesFirst, favoritesLast;
    unsigned historyFirst, historyLast;
};

class TBrowserMenus {
public:
    // open opens a chosen entry's address.
    TBrowserMenus(TBrowserMenuIds ids, TShellMenu::TOpenFn open);

    // The menu holding both submenus, and the submenus; called after every
    // build of the main menu (the old handles went with the old menu).
    void Attach(HMENU browserMenu, HMENU favorites, HMENU history);
    // WM_INITMENUPOPUP: opening the "&Internet Explorer" menu the first time
    // builds both first levels; a folder fills as it opens. True when it was theirs.
    bool OnInitMenuPopup(HMENU popup);
    // True when the command was an entry of either menu.
    bool OnCommand(unsigned id);

    TFavoritesMenu& Favorites() { return favorites_; }
    THistoryMenu& History() { return history_; }

private:
    TFavoritesMenu favorites_;
    THistoryMenu history_;
    HMENU browserMenu_ = nullptr;
};

}  // namespace qm

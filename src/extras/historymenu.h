// THistoryMenu: the "History" submenu of the "&Internet Explorer" menu,
// mirroring the browser's History folder. Its top level comes in the folder's
// own order; each page opens the address its info tip gives. After a page has
// been opened the menu is built again the next time it opens, so it shows what
// the History folder holds then.
#pragma once
#include "extras/shellmenu.h"

namespace qm {

class THistoryMenu : public TShellMenu {
public:
    // Over the History folder (CSIDL_HISTORY) unless told otherwise.
    THistoryMenu(unsigned firstId, unsigned lastId);

    // Builds the menu again when it opens after a page was opened.
    bool OnInitMenuPopup(HMENU popup) override;
    bool Stale() const { return stale_; }

private:
    SHCONTF EnumFlags() const override { return SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN; }
    TLevelRules Rules(bool topLevel) const override { return {!topLevel, !topLevel}; }
    void Prepare(TEntry& entry) override;
    std::wstring AddressOf(TEntry& entry) override { return entry.hint; }
    void Opened() override { stale_ = true; }

    bool stale_ = false;
};

}  // namespace qm

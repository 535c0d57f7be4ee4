#include "extras/historymenu.h"

#include <shlobj.h>

#include "base/unique_any.h"

using Microsoft::WRL::ComPtr;

namespace qm {

THistoryMenu::THistoryMenu(unsigned firstId, unsigned lastId)
    : TShellMenu(firstId, lastId, [] { return SpecialFolderRoot(CSIDL_HISTORY); }) {}

bool THistoryMenu::OnInitMenuPopup(HMENU popup) {
    if (popup && popup == Menu() && stale_) {
        // The click that made it stale has long returned: the menu that is
        // opening now is the one to rebuild.
        stale_ = false;
        Build();
        return true;
    }
    return TShellMenu::OnInitMenuPopup(popup);
}

void THistoryMenu::Prepare(TEntry& entry) {
    if (entry.isFolder) return;
    ComPtr<IQueryInfo> info;
    PCUITEMID_CHILD children[] = {entry.relative.get()};
    if (FAILED(entry.parent->GetUIObjectOf(nullptr, 1, children, IID_IQueryInfo, nullptr,
                                           reinterpret_cast<void**>(info.GetAddressOf()))) ||
        !info)
        return;
    PWSTR tip = nullptr;
    if (FAILED(info->GetInfoTip(0, &tip)) || !tip) return;
    unique_cotaskmem_string owned(tip);
    entry.hint = AddressOfInfoTip(tip);
}

}  // namespace qm

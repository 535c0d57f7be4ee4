// The main window's side of the extras: the startup programs manager ("&Startup"),
// the favourites and history menus of "&Internet Explorer", and the update check.
#include "app/commands.h"
#include "app/mainwindow.h"
#include "app/product.h"
#include "base/effects.h"

namespace qm {

TBrowserMenuIds TQuilmarWindow::BrowserMenuIds() {
    return {CmFavoritesFirst, CmFavoritesLast, CmHistoryFirst, CmHistoryLast};
}

TUpdateConfig TQuilmarWindow::UpdateConfig() {
    TUpdateConfig config;
    config.address = kUpdateAddress;
    config.productHost = kProductHost;
    config.versionTenths = kProductVersionTenths;
    config.caption = kProductName;
    return config;
}

TfrmRun& TQuilmarWindow::StartupManager() {
    if (!startupManager_) {
        TfrmRun::THooks hooks;
        hooks.relaunchElevated = RelaunchReopening(TReopen::StartupManager);
        hooks.startedElevated = flags_.startedElevated;
        startupManager_ = std::make_unique<TfrmRun>(std::move(hooks));
    }
    return *startupManager_;
}

void TQuilmarWindow::OpenStartupManager() {
    Persist(L"startup manager", [this] { store_.StoreReopen(TReopen::Nothing); });
    TfrmRunValues values;  // on its first page
    StartupManager().Show(Handle(), values);
}

void TQuilmarWindow::AttachBrowserMenus() {
    HMENU menu = mainMenu_.get();
    browserMenus_.Attach(FindSubmenuWithCommand(menu, CmFavoritesMenu), SubmenuById(menu, CmFavoritesMenu),
                         SubmenuById(menu, CmHistoryMenu));
}

void TQuilmarWindow::OpenBrowserAddress(const std::wstring& address) { ShellOpen(Handle(), L"open", address); }

}  // namespace qm

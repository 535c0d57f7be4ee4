// The main window's clipboard and send-to commands: the part that connects
// them to the window's selection, record and settings.
#include "app/mainwindow.h"
#include "app/product.h"

namespace qm {

TShareCommands& TQuilmarWindow::ShareCommands() {
    if (!shareCommands_) {
        TShareCommands::THost host;
        host.selectedItems = [this] { return Launcher().SelectedItems(ActiveDocTree(), model_.items); };
        host.holdTreeRepaints = [this](bool hold) { HoldTreeRepaints(hold); };
        host.saveSelectedRecord = [this] { records_->SaveSelectedRecord(); };
        host.leaveSearch = [this] { LeaveSearch(); };
        host.showLastRecordedPath = [this] { ShowLastRecordedPath(); };
        host.selectedRecordName = [this] {
            int cursor = recordList_.Cursor();
            return cursor >= 0 && cursor < recordList_.Count() ? recordList_.Text(cursor) : std::wstring();
        };
        host.storeOption = [this](const wchar_t* key) {
            Persist(L"send to", [this, key] { store_.StoreOption(settings_, key); });
        };
        TSendTo sendTo(TSendToSeams::Real(), HelpFilePath());
        shareCommands_ = std::make_unique<TShareCommands>(Handle(), model_, *recorder_, settings_.window,
                                                          documentsFolder_, std::move(host), std::move(sendTo));
        shareCommands_->pageTitle = [this](const std::wstring& address) { return pageTitle_(address); };
    }
    return *shareCommands_;
}

}  // namespace qm

// The main window's clipboard and send-to commands: the part that connects
// them to the window's selection, record and settings; the record list's
// "Create desktop shortcut".
#include <shlobj.h>

#include "app/mainwindow.h"
#include "app/product.h"
#include "app/recordshortcut.h"
#include "base/files.h"
#include "base/guarded.h"

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

void TQuilmarWindow::CreateRecordShortcuts() {
    std::vector<int> chosen = recordList_.Selected();
    if (chosen.empty() && recordList_.Cursor() >= 0) chosen.push_back(recordList_.Cursor());
    if (chosen.empty()) return;
    TSendReport report;
    Guarded(L"record shortcut", [&] {
        std::wstring desktop = ShareCommands().SendTo().Seams().folderPath(CSIDL_DESKTOPDIRECTORY);
        // Without a desktop folder a bare name would land in the working folder.
        if (desktop.empty()) {
            report.Add(L"Desktop", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
            return;
        }
        for (int i : chosen) {
            std::wstring entry = recordList_.Text(i);
            HRESULT hr = CreateReplayShortcut(ModulePath(), entry, desktop);
            if (FAILED(hr)) report.Add(entry, hr);
        }
    });
    ShowSendReport(Handle(), L"These shortcuts could not be made on the desktop:", report);
}

}  // namespace qm

// The main window's item commands and replay: opening the selected items of the
// active tree, the tree menu's elevation commands, "&Replay All" with its prompt,
// and the finish timer that tidies up after a replay.
#include <windows.h>
#include <commctrl.h>

#include "app/commands.h"
#include "app/mainwindow.h"
#include "app/product.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/guarded.h"
#include "base/scope_exit.h"

namespace qm {

TRunAsAdmin& TQuilmarWindow::RunAsAdmin() {
    if (!runAsAdmin_) runAsAdmin_ = std::make_unique<TRunAsAdmin>();
    return *runAsAdmin_;
}

TItemLauncher& TQuilmarWindow::Launcher() {
    if (!launcher_) {
        TLauncherContext context;
        context.startedAtWindowsStart = flags_.startedAtWindowsStart;
        context.windowsVersion = windowsVersion_;
        context.documentsFolder = documentsFolder_;
        context.userDataFolder = UserDataFolder();
        context.programFolder = ModuleFolder();
        context.showHelp = [this] { ShowHelp(); };
        context.showHint = [this](const std::wstring& path) { progress_.SetHint(path); };
        TLauncherSeams seams = TLauncherSeams::Real();
        seams.runAs = [this](HWND owner, const std::wstring& file, const std::wstring& parameters) {
            return RunAsAdmin().RunAs(owner, file, parameters);
        };
        launcher_ = std::make_unique<TItemLauncher>(std::move(context), std::move(seams));
    }
    launcher_->Context().owner = Handle();
    return *launcher_;
}

TReplayDesktop& TQuilmarWindow::ReplayDesktop() {
    if (!replayDesktop_)
        replayDesktop_ = std::make_unique<TReplayDesktop>(settings_.record, TReplayDesktopSeams::Real());
    return *replayDesktop_;
}

void TQuilmarWindow::OpenSelectedItems() {
    // An error leaves the rest of the selection unopened; what started stays started.
    Guarded(L"open items", [this] {
        TItemLauncher& launcher = Launcher();
        launcher.OpenItems(launcher.SelectedItems(ActiveDocTree(), model_.items));
    });
}

void TQuilmarWindow::QuickOpenItem() {
    Guarded(L"open item", [this] {
        TItemLauncher& launcher = Launcher();
        if (auto item = launcher.CurrentItem(ActiveDocTree(), model_.items)) launcher.OpenItem(item->path, item->title);
    });
}

bool TQuilmarWindow::RunItemCommand(unsigned id) {
    switch (id) {
        case CmReplayAll: Replay1Click(); return true;
        case CmOpen: OpenSelectedItems(); return true;
        case CmQuickOpen: QuickOpenItem(); return true;
        case CmRunAsAdmin:
        case CmOpenAsAdmin:
        case CmOpenWithAdmin:
        case CmOpenWith:
        case CmOpenFileLocation: break;
        default: return false;
    }
    Guarded(L"item command", [this, id] {
        TItemLauncher& launcher = Launcher();
        std::vector<TLaunchItem> items = launcher.SelectedItems(ActiveDocTree(), model_.items);
        if (items.empty()) return;
        switch (id) {
            case CmRunAsAdmin: launcher.RunItemsAsAdmin(items); break;
            case CmOpenAsAdmin: launcher.OpenItemsAsAdmin(items); break;
            // The two "Open with" commands take the selected node alone.
            case CmOpenWithAdmin:
            case CmOpenWith: {
                auto item = launcher.CurrentItem(ActiveDocTree(), model_.items);
                if (!item) break;
                if (id == CmOpenWith)
                    launcher.OpenWith(*item);
                else
                    launcher.OpenWithAdmin(*item);
                break;
            }
            default: launcher.OpenItemLocations(items); break;
        }
    });
    return true;
}

void TQuilmarWindow::Replay1Click() {
    if (replaying_) return;  // a replay pumps messages; a second one would only disturb it
    if (recordList_.Count() == 0 || recordList_.Cursor() < 0) return;
    TReplayCounts counts = CountReplayItems(model_.all);
    TRecordOptions& r = settings_.record;
    if (r.showSettingsWhenReplay) {
        if (!replayPrompt_) replayPrompt_ = std::make_unique<TfrmReplayWhenWinStart>();
        TReplayPromptValues values;
        values.recordText = recordList_.Text(recordList_.Cursor());
        values.topLevel = counts.topLevel;
        values.total = counts.total;
        values.replayAllChildDoc = r.replayAllChildDoc;
        values.dontShowAgain = !r.showSettingsWhenReplay;
        if (!replayPrompt_->Show(Handle(), values)) return;
        r.showSettingsWhenReplay = !values.dontShowAgain;
        r.replayAllChildDoc = values.replayAllChildDoc;
        // The replay goes ahead with the options as chosen even when they cannot be stored.
        Persist(L"replay prompt", [this] {
            store_.StoreOption(settings_, keys::CbShowSettingsWhenReplay);
            store_.StoreOption(settings_, keys::RbReplayAllChildDoc);
        });
    }
    replaying_ = true;
    scope_exit done([this] { replaying_ = false; });
    TReplayDriver driver(Launcher(), static_cast<IReplayHost&>(*this), progress_);
    driver.SetExtras(&ReplayDesktop());
    Guarded(L"replay", [&] { driver.ReplayRecord(model_.all, model_.items, r.replayAllChildDoc, counts); });
    lastReplayVisits_ = driver.Visits();
}

void TQuilmarWindow::ReplayNamedRecord(const std::wstring& recordFile) {
    int at = records_->ListedIndexOf(recordFile);
    if (at < 0) return;
    LeaveSearch(false);
    recordList_.SelectOnly(at);
    records_->SelectRecord();
    Replay1Click();
}

void TQuilmarWindow::TimerFinishTimer() {
    ::KillTimer(Handle(), kTimerFinish);
    progress_.ShowProgress(false);
    progress_.SetGauge(0, 0);
    if (!settings_.record.alwaysOnTop) {
        RECT r{};
        ::GetWindowRect(Handle(), &r);
        ::SetWindowPos(Handle(), HWND_NOTOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
    }
}

// IReplayHost
void TQuilmarWindow::EnsureRecordSelected() {
    if (recordList_.Cursor() < 0) recordList_.SelectOnly(0);
}

void TQuilmarWindow::ShowReplayMessage(const std::wstring& text) {
    Effects().messageBox(Handle(), text, kProductName, MB_OK);
}

}  // namespace qm

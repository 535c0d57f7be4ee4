// The main window's item commands and replay: opening the selected items of the
// active tree, the tree menu's elevation commands, "&Replay All" with its prompt,
// and the finish timer that tidies up after a replay.
#include <windows.h>
#include <commctrl.h>

#include "app/commands.h"
#include "app/mainwindow.h"
#include "app/product.h"
#include "base/files.h"

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
        context.showHint = [this](const std::wstring& path) { SetHint(path); };
        TLauncherSeams seams = TLauncherSeams::Real();
        seams.runAs = [this](HWND owner, const std::wstring& file, const std::wstring& parameters) {
            return RunAsAdmin().RunAs(owner, file, parameters);
        };
        launcher_ = std::make_unique<TItemLauncher>(std::move(context), std::move(seams));
    }
    launcher_->Context().owner = Handle();
    return *launcher_;
}

TDocTree* TQuilmarWindow::ActiveDocTree() {
    if (activeTab_ < 0 || activeTab_ > 3) return nullptr;
    return &trees_[activeTab_].Tree();
}

void TQuilmarWindow::OpenSelectedItems() {
    try {
        TItemLauncher& launcher = Launcher();
        launcher.OpenItems(launcher.SelectedItems(ActiveDocTree(), model_.items));
    } catch (...) {
        // the rest of the selection is not opened; what started stays started
    }
}

void TQuilmarWindow::QuickOpenItem() {
    try {
        TItemLauncher& launcher = Launcher();
        if (auto item = launcher.CurrentItem(ActiveDocTree(), model_.items)) launcher.OpenItem(item->path, item->title);
    } catch (...) {
    }
}

bool TQuilmarWindow::RunItemCommand(unsigned id) {
    switch (id) {
        case CmReplayAll: Replay1Click(); return true;
        case CmOpen: OpenSelectedItems(); return true;
        case CmRunAsAdmin:
        case CmOpenAsAdmin:
        case CmOpenWithAdmin:
        case CmOpenWith:
        case CmOpenFileLocation: break;
        default: return false;
    }
    try {
        TItemLauncher& launcher = Launcher();
        std::vector<TLaunchItem> items = launcher.SelectedItems(ActiveDocTree(), model_.items);
        if (items.empty()) return true;
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
    } catch (...) {
    }
    return true;
}

void TQuilmarWindow::Replay1Click() {
    if (replaying_) return;  // a replay pumps messages; a second one would only disturb it
    if (recordList_.Count() == 0 || recordList_.Cursor() < 0) return;
    TReplayCounts counts;
    try {
        counts = CountReplayItems(model_.all);
        if (!replayPrompt_) replayPrompt_ = std::make_unique<TfrmReplayWhenWinStart>();
        replayPrompt_->SetRecordText(records_->CurrentRecordPath());
        if (settings_.record.showSettingsWhenReplay) {
            replayPrompt_->SetRecordText(recordList_.Text(recordList_.Cursor()));
            replayPrompt_->SetDontShowAgain(!settings_.record.showSettingsWhenReplay);
            replayPrompt_->SetReplayAllChildDoc(settings_.record.replayAllChildDoc);
            replayPrompt_->SetCounts(counts.topLevel, counts.total);
            if (!replayPrompt_->Show(Handle())) return;
            settings_.record.showSettingsWhenReplay = !replayPrompt_->DontShowAgain();
            store_.User().WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenReplay,
                                    settings_.record.showSettingsWhenReplay);
            settings_.record.replayAllChildDoc = replayPrompt_->ReplayAllChildDoc();
            store_.User().WriteBool(keys::kSectionDefault, keys::RbReplayAllChildDoc,
                                    settings_.record.replayAllChildDoc);
        }
    } catch (...) {
        // the replay goes ahead with the options as they are
    }
    replaying_ = true;
    try {
        TReplayDriver driver(Launcher(), static_cast<IReplayHost&>(*this));
        driver.ReplayRecord(model_.all, model_.items, settings_.record.replayAllChildDoc, counts);
        lastReplayVisits_ = driver.Visits();
    } catch (...) {
        // dropped like every unhandled error of the window
    }
    replaying_ = false;
}

void TQuilmarWindow::TimerFinishTimer() {
    ::KillTimer(Handle(), kTimerFinish);
    ShowProgress(false);
    ::SendMessageW(gauge_, PBM_SETPOS, 0, 0);
    if (!settings_.record.alwaysOnTop) {
        RECT r{};
        ::GetWindowRect(Handle(), &r);
        ::SetWindowPos(Handle(), HWND_NOTOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
    }
}

// IReplayHost
bool TQuilmarWindow::HasRecords() { return recordList_.Count() > 0; }

void TQuilmarWindow::EnsureRecordSelected() {
    if (recordList_.Cursor() < 0) recordList_.SelectOnly(0);
}

void TQuilmarWindow::ShowReplayProgress(int maximum) {
    replayGaugeMaximum_ = maximum;
    ShowProgress(true);
    SetGauge(0, maximum);
}

void TQuilmarWindow::SetReplayGauge(int position) { SetGauge(position, replayGaugeMaximum_); }

void TQuilmarWindow::ShowReplayHint(const std::wstring& text) {
    // Every text of a replay is shown: "Finish." must not be lost to the hint
    // line's pace for long saves.
    ::SetWindowTextW(pnlHint_, text.c_str());
}

void TQuilmarWindow::Wait(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

void TQuilmarWindow::ShowReplayMessage(const std::wstring& text) {
    ::MessageBoxW(Handle(), text.c_str(), kProductName, MB_OK);
}

void TQuilmarWindow::StartFinishTimer() { ::SetTimer(Handle(), kTimerFinish, kFinishTimerMs, nullptr); }

}  // namespace qm

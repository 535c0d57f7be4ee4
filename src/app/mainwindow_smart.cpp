// The main window's side of Smart Record: the check box and the menu item kept
// in step, the interval panel, TimerContinueRecord and the Smart Record
// Settings dialog. What a switch and a tick do is TSmartRecord's.
#include "app/commands.h"
#include "app/mainwindow.h"
#include "ui/window.h"

namespace qm {

void TQuilmarWindow::ShowSmartRecordState(bool on) {
    commandBar_.SetSmartRecordChecked(on);
    ::CheckMenuItem(mainMenu_.get(), CmSmartRecord, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

bool TQuilmarWindow::TakeStartupFlag() {
    bool starting = startupInProgress_;
    startupInProgress_ = false;
    return starting;
}

bool TQuilmarWindow::RunSmartRecordDialog() {
    if (!smartRecordDialog_) {
        TFrmSmartRecordSettings::THooks hooks;
        hooks.relaunchElevated = RelaunchReopening(TReopen::SmartRecordOn);
        hooks.startedElevated = flags_.startedElevated;
        smartRecordDialog_ = std::make_unique<TFrmSmartRecordSettings>(std::move(hooks));
    }
    TRecordOptions values = SmartRecordValuesOf(settings_.record);
    values.recordInterval = commandBar_.Interval();
    Persist(L"smart record", [this] { store_.StoreReopen(TReopen::Nothing); });
    if (!smartRecordDialog_->Show(Handle(), values)) return false;
    TakeSmartRecordValues(values, settings_.record);
    commandBar_.SetInterval(settings_.record.recordInterval);
    Persist(L"smart record settings", [this] { store_.StoreOptions(settings_.record, kSmartRecordKeys); });
    newRecordFlag_ = false;
    return true;
}

void TQuilmarWindow::RunSmartRecord() {
    PumpPendingMessages();
    RecordOperation(false);
}

bool TQuilmarWindow::TryRunSmartRecord() {
    // Search results are not the record: the runs wait until they are left.
    if (records_->Searching()) return false;
    std::optional<TBusyGuard::TScope> scope = guard_.TryEnter(L"smart record");
    if (!scope) return false;
    RunSmartRecord();
    return true;
}

void TQuilmarWindow::ShowIntervalPanel(bool show, int seconds) {
    if (commandBar_.Interval() != seconds) commandBar_.SetInterval(seconds);
    commandBar_.ShowIntervalPanel(show);
    Layout();
}

void TQuilmarWindow::StartTimer(unsigned milliseconds) {
    ::SetTimer(Handle(), kTimerContinueRecord, milliseconds, nullptr);
}

void TQuilmarWindow::StopTimer() { ::KillTimer(Handle(), kTimerContinueRecord); }

void TQuilmarWindow::StoreSmartRecord(bool on) {
    Persist(L"smart record", [&] { store_.User().WriteBool(keys::kSectionDefault, keys::cbSmartRecord, on); });
}

}  // namespace qm

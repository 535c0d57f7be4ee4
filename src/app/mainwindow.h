// The main window TQuilmarWindow: owns the record model and the live settings,
// runs the first-run step and receives the hand-off from a second copy.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/entries.h"
#include "app/handoff.h"
#include "capture/addone.h"
#include "records/model.h"
#include "records/settings.h"
#include "ui/window.h"

namespace qm {

class TQuilmarWindow : public TWindowBase, private IEntryHost {
public:
    TQuilmarWindow(TSettingsStore& store, std::vector<std::wstring> args, TStartFlags flags);
    ~TQuilmarWindow() override;

    // Builds the window with its stored bounds and arms the first-run timer.
    bool Create();

    TRecordModel& Model() { return model_; }
    TSettings& Settings() { return settings_; }
    const TStartFlags& StartFlags() const { return flags_; }
    bool StartupInProgress() const { return startupInProgress_; }
    bool StopRequested() const { return stopRequest_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    static constexpr UINT_PTR kTimerFirstRun = 1;

    void FirstRun();
    void OnHandoff();
    void StoreWindowState();

    // IEntryHost
    void HoldTreeRepaints(bool) override {}
    void PumpMessages() override;
    void SaveSelectedRecord() override {}
    void ShowLastRecordedPath() override {}
    void ReselectRecord() override {}
    void RestoreSmartRecord() override;

    TSettingsStore& store_;
    std::vector<std::wstring> args_;
    TStartFlags flags_;
    TSettings settings_;
    TRecordModel model_;
    TAddOne addOne_;
    bool startupInProgress_ = true;
    bool stopRequest_ = false;
    bool smartRecord_ = false;
    bool inHandoff_ = false;
};

}  // namespace qm

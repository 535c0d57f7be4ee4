// The main window TQuilmarWindow: owns the record model, the live settings and
// the record store, runs the first-run step and receives the hand-off from a
// second copy.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/entries.h"
#include "app/handoff.h"
#include "app/recordlistbox.h"
#include "app/renamedialog.h"
#include "capture/addone.h"
#include "records/model.h"
#include "records/recordstore.h"
#include "records/settings.h"
#include "ui/window.h"

namespace qm {

class TQuilmarWindow : public TWindowBase, private IEntryHost, private IStoreHost {
public:
    TQuilmarWindow(TSettingsStore& store, std::vector<std::wstring> args, TStartFlags flags);
    ~TQuilmarWindow() override;

    // Builds the window with its stored bounds and arms the first-run timer.
    bool Create();

    TRecordModel& Model() { return model_; }
    TSettings& Settings() { return settings_; }
    TRecordStore& Records() { return *records_; }
    TRecordListBox& RecordList() { return recordList_; }
    const TStartFlags& StartFlags() const { return flags_; }
    bool StartupInProgress() const { return startupInProgress_; }
    bool StopRequested() const override { return stopRequest_; }

    // The first-run step (normally 10 ms after creation).
    void FirstRun();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    static constexpr UINT_PTR kTimerFirstRun = 1;
    static constexpr int kIdRecordList = 1001;
    static constexpr int kIdStatusBar = 1002;

    void CreateChildren();
    void Layout();
    void OnHandoff();
    void StoreWindowState();
    void OnRecordListKey(WPARAM key);

    // IEntryHost
    void HoldTreeRepaints(bool hold) override;
    void PumpMessages() override;
    void SaveSelectedRecord() override;
    void ShowLastRecordedPath() override {}
    void ReselectRecord() override;
    void RestoreSmartRecord() override;

    // IStoreHost
    void SetStatusTexts(const std::wstring& panel0, const std::wstring& panel1) override;
    void ShowSearchEntry() override {}
    void TreesChanged() override {}
    void ShowProgress(bool) override {}
    void SetHint(const std::wstring& text) override { hint_ = text; }
    void SetGauge(int, int) override {}
    void Pump() override;
    void ClearStopRequest() override { stopRequest_ = false; }
    bool Confirm(const std::wstring& text) override;
    bool RunSettingsDialog() override { return false; }
    std::optional<std::wstring> AskNewName(const std::wstring& current) override;

    TSettingsStore& store_;
    std::vector<std::wstring> args_;
    TStartFlags flags_;
    TSettings settings_;
    TRecordModel model_;
    TAddOne addOne_;
    TRecordListBox recordList_;
    std::unique_ptr<TRecordStore> records_;
    TFrmReName renameDialog_;
    HWND statusBar_ = nullptr;
    std::wstring hint_;
    bool startupInProgress_ = true;
    bool stopRequest_ = false;
    bool smartRecord_ = false;
    bool inHandoff_ = false;
    int recListWidth_ = 120;
};

}  // namespace qm

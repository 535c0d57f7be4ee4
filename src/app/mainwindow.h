// The main window TQuilmarWindow: the record list, the four document trees, the
// command bar, the progress panel and the status bar. It owns the record model,
// the live settings and the record store, runs the first-run step and receives
// the hand-off from a second copy.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/doctreeview.h"
#include "app/entries.h"
#include "app/handoff.h"
#include "app/menus.h"
#include "app/quilmarsettings.h"
#include "app/recordlistbox.h"
#include "app/renamedialog.h"
#include "app/replayprompt.h"
#include "app/runvalue.h"
#include "app/recordtype.h"
#include "capture/recorder.h"
#include "capture/sources.h"
#include "replay/icons.h"
#include "records/model.h"
#include "records/recordstore.h"
#include "records/settings.h"
#include "replay/launcher.h"
#include "replay/replaydriver.h"
#include "replay/runasadmin.h"
#include "ui/window.h"

namespace qm {

// Work that later parts of the program plug in; each does nothing until then.
struct TFeatureHooks {
    std::function<void()> record;                  // "Scan and Add", "Record"
    std::function<void()> firstRecording;           // the first run with an empty record list
    std::function<void(bool on)> smartRecord;      // the Smart Record check box
    std::function<void()> checkUpdate;             // "Check For &Update" and "/install"
    std::function<void()> removableDiskArrived;    // WM_DEVICECHANGE arrival
    std::function<bool(unsigned command)> command;  // any other menu command
};

class TQuilmarWindow : public TWindowBase,
                       private IEntryHost,
                       private IStoreHost,
                       private IReplayHost,
                       private IRecordHost,
                       private IItemImages {
public:
    TQuilmarWindow(TSettingsStore& store, std::vector<std::wstring> args, TStartFlags flags);
    ~TQuilmarWindow() override;

    // Builds the window (creation steps) and arms the first-run timer.
    bool Create();
    // Shows the window the first time: maximised when it was closed maximised.
    void ShowFirst(int show);

    TRecordModel& Model() { return model_; }
    TSettings& Settings() { return settings_; }
    TRecordStore& Records() { return *records_; }
    TRecordListBox& RecordList() { return recordList_; }
    TDocTreeView& TreeView(int tab) { return trees_[tab]; }
    const TStartFlags& StartFlags() const { return flags_; }
    TFeatureHooks& Hooks() { return hooks_; }
    const std::wstring& WindowsVersion() const { return windowsVersion_; }
    bool StartupInProgress() const { return startupInProgress_; }
    bool StopRequested() const override { return stopRequest_; }
    int ActiveTab() const { return activeTab_; }
    int TextSize() const { return settings_.window.textSize; }
    HMENU MainMenu() const { return mainMenu_.get(); }
    HWND StatusBar() const { return statusBar_; }
    std::wstring StatusText(int panel) const;
    bool MenuBarShown() const { return menuBar_; }
    bool StatusBarShown() const { return statusBarShown_; }
    bool RecordListShown() const { return recordListShown_; }
    // Where the Run value lives (tests point it at a key of their own).
    void SetRunValue(TRunValue run) { runValue_ = std::move(run); }

    // Window-wide keys (F1, Ctrl+F) and keyboard navigation between the controls;
    // true when the message was used.
    bool PreTranslate(MSG& msg);
    // The first-run step (normally 10 ms after creation).
    void FirstRun();
    // Pushes the loaded or confirmed settings into the window.
    void ApplySettings();
    // Runs a menu or keyboard command as the user would.
    void RunCommand(unsigned id);
    void SetTextSize(int size);
    void SetMenuBar(bool on);
    void SetStatusBarShown(bool on);
    void SetRecordListShown(bool on);
    void SelectTab(int tab);
    // The settings command: loads the settings into the dialog, shows it, and
    // stores and applies them when it is confirmed. True when confirmed.
    bool RunSettingsCommand();
    // Restarts the program elevated through the elevation launcher and closes.
    void RestartElevated();

    // Item commands and replay (mainwindow_items.cpp).
    // "&Replay All": counts, asks when "Ask for action when Replay All" is on, replays.
    void Replay1Click();
    // "&Open" (Ctrl+O) and a double click: every selected node of the active tree.
    void OpenSelectedItems();
    // Enter or Space in a tree: the selected node.
    void QuickOpenItem();
    TItemLauncher& Launcher();
    TRunAsAdmin& RunAsAdmin();
    // The tree of the active tab (none outside the four tabs).
    TDocTree* ActiveDocTree();
    TfrmReplayWhenWinStart* ReplayPrompt() { return replayPrompt_.get(); }
    bool Replaying() const { return replaying_; }
    int LastReplayVisits() const { return lastReplayVisits_; }
    // The finish timer's tick: hides the progress panel, drops top-most unless "Always on Top".
    void TimerFinishTimer();
    static constexpr UINT_PTR kTimerFinish = 0x5E7;
    static constexpr UINT kFinishTimerMs = 3000;
    TFrmMySettings* SettingsDialog() { return settingsDialog_.get(); }

    // Recording: the record command ("Scan and Add"), the record operation and
    // the desktop sources it reads (tests hand in fakes).
    void BtnRecClick();
    void RecordOperation(bool newRecord);
    TRecorder& Recorder() { return *recorder_; }
    TFrmRecordType* RecordTypeDialog() { return recordTypeDialog_.get(); }
    void SetCaptureSources(IRunningApplications* apps, IOpenLocations* locations, const std::wstring& recentFolder);
    // Selects the item with this path in the All tree (a child's group is expanded).
    void SelectItemByPath(const std::wstring& path) override;
    // Files dropped on the window: each is added or, when recorded, selected.
    void AddDroppedFiles(const std::vector<std::wstring>& files);
    // Refreshes the removable-disk menu item; with add, records every removable drive.
    void RemovableDisks(bool add);
    // Mirrors the model into the four trees after a bulk change.
    void ShowTrees();

    // The progress panel: shown or hidden, the hint line, the gauge, and a pump
    // of pending messages for long work.
    void ShowProgress(bool show) override;
    void SetHint(const std::wstring& text) override;
    void SetGauge(int position, int maximum) override;
    void Pump() override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void CreateChildren();
    void CreateFonts();
    void Layout();
    void RebuildMenus();
    TMenuState MenuStateFor(TMenuTable table);
    void ShowPopup(TMenuTable table, POINT screen);
    void OnHandoff();
    void StoreWindowState();
    void OnRecordListKey(WPARAM key);
    bool OnTreeKey(int tab, UINT key);
    void OnTreeHover(TTreeNode* node);
    void UpdateTabs();
    void DrawTab(const DRAWITEMSTRUCT* dis);
    void UpdateIntervalLabel();
    void ShowHelp();
    void OpenWeb(const std::wstring& address, int show);
    void PinOnWindows7();
    void CreateSendToShortcut();
    void Reopen();
    bool SplitterHit(POINT client) const;
    int Scale(int v) const;
    int TextWidth(HWND control) const;

    // IEntryHost
    void HoldTreeRepaints(bool hold) override;
    void PumpMessages() override;
    void SaveSelectedRecord() override;
    void ShowLastRecordedPath() override;
    void ReselectRecord() override;
    void RestoreSmartRecord() override;

    // IStoreHost
    void SetStatusTexts(const std::wstring& panel0, const std::wstring& panel1) override;
    void ShowSearchEntry() override;
    void TreesChanged() override;
    void ClearStopRequest() override { stopRequest_ = false; }
    bool Confirm(const std::wstring& text) override;
    bool RunSettingsDialog() override;
    std::optional<std::wstring> AskNewName(const std::wstring& current) override;

    // IRecordHost
    void SetCaption(const std::wstring& text) override;
    void SetTreeRebuilding(bool on) override;
    void ShowFilterList(bool show) override;
    void SelectAllTab() override;
    void SaveRecord(TSaveRule rule) override;

    // IItemImages
    void ResetToBaseImages() override;
    void LoadInstalledPrograms() override;
    std::wstring InstalledName(const std::wstring& path) override;
    int IconOf(const std::wstring& path, const std::wstring& title) override;

    void CreateRecorder();
    void OnDropFiles(HDROP drop);

    TSettingsStore& store_;
    std::vector<std::wstring> args_;
    TStartFlags flags_;
    TSettings settings_;
    TRecordModel model_;
    TInstalledPrograms installed_;
    std::unique_ptr<TRecorder> recorder_;
    std::unique_ptr<IStartupFilter> startupFilter_;
    std::unique_ptr<IRunningApplications> appScan_;
    std::unique_ptr<IOpenLocations> locationScan_;
    std::unique_ptr<TFrmRecordType> recordTypeDialog_;
    bool nameChosen_ = false;
    std::wstring removableDiskLabel_, removableDiskRoot_;  // the Send To menu's removable disk
    bool newRecordFlag_ = false;
    TRecordListBox recordList_;
    std::unique_ptr<TRecordStore> records_;
    TFrmReName renameDialog_;
    std::unique_ptr<TFrmMySettings> settingsDialog_;
    TFeatureHooks hooks_;
    TRunValue runValue_;
    TDocTreeView trees_[4];
    unique_hmenu mainMenu_;
    TTreeNode* hovered_ = nullptr;

    // Child controls
    HWND btnRec_ = nullptr, btnAdd_ = nullptr, btnMore_ = nullptr, cbSmartRecord_ = nullptr;
    HWND lblInterval_ = nullptr, tbInterval_ = nullptr;
    HWND pnlSearch_ = nullptr, cbSearch_ = nullptr, btnSearch_ = nullptr;
    HWND tabs_ = nullptr;
    HWND gbFilter_ = nullptr, lvFilter_ = nullptr;
    HWND pnlHint_ = nullptr, btnStop_ = nullptr, gauge_ = nullptr;
    HWND statusBar_ = nullptr, tooltip_ = nullptr;
    unique_hfont font_, boldFont_, treeFont_;

    std::wstring windowsVersion_;
    std::wstring documentsFolder_, documentsFolderLower_;
    bool ownerDrawTabs_ = true;
    bool isAdmin_ = false;
    bool startupInProgress_ = true;
    bool stopRequest_ = false;
    bool inHandoff_ = false;
    bool handoffPending_ = false;  // a hand-off came during a record operation

    // Item commands and replay (mainwindow_items.cpp).
    bool RunItemCommand(unsigned id);  // true when the command was one of them
    // IReplayHost
    bool HasRecords() override;
    void EnsureRecordSelected() override;
    void ShowReplayProgress(int maximum) override;
    void SetReplayGauge(int position) override;
    void ShowReplayHint(const std::wstring& text) override;
    void Wait(int milliseconds) override;
    void ShowReplayMessage(const std::wstring& text) override;
    void StartFinishTimer() override;
    std::unique_ptr<TRunAsAdmin> runAsAdmin_;
    std::unique_ptr<TItemLauncher> launcher_;
    std::unique_ptr<TfrmReplayWhenWinStart> replayPrompt_;
    bool replaying_ = false;
    int lastReplayVisits_ = 0;
    int replayGaugeMaximum_ = 0;
    bool menuBar_ = false, statusBarShown_ = false, recordListShown_ = true;
    bool progressShown_ = false, searchShown_ = false, searchEntry_ = false;
    bool filterShown_ = false;
    bool draggingSplitter_ = false;
    int recListWidth_ = 120;
    int activeTab_ = 0;
    int dpi_ = 96;
    bool startMaximised_ = false;
    ULONGLONG hintShownAt_ = 0;
};

}  // namespace qm

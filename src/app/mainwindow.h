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
#include "app/runvalue.h"
#include "capture/addone.h"
#include "records/model.h"
#include "records/recordstore.h"
#include "records/settings.h"
#include "ui/window.h"

namespace qm {

// Work that later parts of the program plug in; each does nothing until then.
struct TFeatureHooks {
    std::function<void()> record;                  // "Scan and Add", "Record"
    std::function<void()> firstRecording;           // the first run with an empty record list
    std::function<void()> replayAll;               // "&Replay All"
    std::function<void(bool on)> smartRecord;      // the Smart Record check box
    std::function<void()> checkUpdate;             // "Check For &Update" and "/install"
    std::function<void()> removableDiskArrived;    // WM_DEVICECHANGE arrival
    std::function<bool(unsigned command)> command;  // any other menu command
};

class TQuilmarWindow : public TWindowBase, private IEntryHost, private IStoreHost {
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
    TFrmMySettings* SettingsDialog() { return settingsDialog_.get(); }
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

    TSettingsStore& store_;
    std::vector<std::wstring> args_;
    TStartFlags flags_;
    TSettings settings_;
    TRecordModel model_;
    TAddOne addOne_;
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

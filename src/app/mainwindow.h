// The main window TQuilmarWindow: the command bar, the record list, the
// document trees, the startup-filter group, the progress panel and the status
// bar, each a part of its own. The window owns the record model, the live
// settings and the record store, runs the first-run step, receives the
// hand-off from a second copy, and holds the busy guard that every long
// operation takes and every command that changes a record consults.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/actionadd.h"
#include "app/commandbar.h"
#include "app/droptarget.h"
#include "app/entries.h"
#include "app/filterlist.h"
#include "app/handoff.h"
#include "app/itemimages.h"
#include "app/menus.h"
#include "app/quilmarsettings.h"
#include "app/recordlistbox.h"
#include "app/recordtype.h"
#include "app/renamedialog.h"
#include "app/smartrecordsettings.h"
#include "app/replayprompt.h"
#include "app/runvalue.h"
#include "app/sharecommands.h"
#include "app/systemcommands.h"
#include "app/treemenu.h"
#include "app/treepane.h"
#include "capture/pagetitle.h"
#include "capture/recorder.h"
#include "capture/smartrecord.h"
#include "capture/sources.h"
#include "capture/windowsstart.h"
#include "extras/browsermenus.h"
#include "extras/pcstart.h"
#include "extras/updatecheck.h"
#include "records/model.h"
#include "records/recordstore.h"
#include "records/settings.h"
#include "replay/launcher.h"
#include "replay/replaydesktop.h"
#include "replay/replaydriver.h"
#include "replay/runasadmin.h"
#include "replay/treecommands.h"
#include "ui/busyguard.h"
#include "ui/progresspanel.h"
#include "ui/splitter.h"
#include "ui/window.h"

namespace qm {

// Work that later parts of the program plug in; each does nothing until then.
struct TFeatureHooks {
    std::function<bool(unsigned command)> command;  // any other menu command
};

class TQuilmarWindow : public TWindowBase,
                       private IStoreHost,
                       private IRecordHost,
                       private IReplayHost,
                       private IEntryHost,
                       private ISmartRecordHost {
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
    TDocTreeView& TreeView(int tab) { return trees_.View(tab); }
    TBusyGuard& Busy() { return guard_; }
    TProgressPanel& Progress() { return progress_; }
    const TStartFlags& StartFlags() const { return flags_; }
    TFeatureHooks& Hooks() { return hooks_; }
    const std::wstring& WindowsVersion() const { return windowsVersion_; }
    bool StartupInProgress() const { return startupInProgress_; }
    bool StopRequested() const { return progress_.StopRequested(); }
    int ActiveTab() const { return trees_.ActiveTab(); }
    int TextSize() const { return settings_.window.textSize; }
    HMENU MainMenu() const { return mainMenu_.get(); }
    HWND StatusBar() const { return statusBar_; }
    std::wstring StatusText(int panel) const;
    bool MenuBarShown() const { return settings_.window.menuBar; }
    bool StatusBarShown() const { return settings_.window.statusBar; }
    bool RecordListShown() const { return settings_.window.recordList; }
    // Where the Run value lives (tests point it at a key of their own).
    void SetRunValue(TRunValue run) { runValue_ = std::move(run); }

    // The extras (mainwindow_extras.cpp): the startup programs manager (made
    // on first use), the favourites and history menus, the update check.
    TfrmRun& StartupManager();
    TBrowserMenus& BrowserMenus() { return browserMenus_; }
    TUpdateCheck& UpdateCheck() { return updateCheck_; }

    // Window-wide keys (F1, Ctrl+F) and keyboard navigation between the controls;
    // true when the message was used.
    bool PreTranslate(MSG& msg);
    // The first-run step (normally 10 ms after creation).
    void FirstRun();
    // Pushes the loaded or confirmed settings into the window.
    void ApplySettings();
    // Runs a menu or keyboard command as the user would: through the busy
    // guard, so it waits for (or is refused during) a long operation.
    void RunCommand(unsigned id);
    void SelectTab(int tab) { trees_.SelectTab(tab); }
    // The settings command: loads the settings into the dialog, shows it, and
    // stores and applies them when it is confirmed. True when confirmed.
    bool RunSettingsCommand();
    // Restarts the program elevated through the elevation launcher and closes.
    void RestartElevated();
    // A dialog's "Run QuilMar as admin": notes what the elevated instance reopens, then restarts.
    std::function<void()> RelaunchReopening(TReopen what);

    // Item commands and replay (mainwindow_items.cpp).
    // "&Replay All": counts, asks when "Ask for action when Replay All" is on, replays.
    void Replay1Click();
    // "/replay" with a record's file name: selects and loads that record and
    // replays it as "&Replay All" does (asking first by the same rule).
    // Nothing happens when the name names no listed record.
    void ReplayNamedRecord(const std::wstring& recordFile);
    // "&Open" (Ctrl+O) and a double click: every selected node of the active tree.
    void OpenSelectedItems();
    // Enter or Space in a tree: the selected node.
    void QuickOpenItem();
    TItemLauncher& Launcher();
    // What replay does around the launcher (open windows, placements, browser tabs).
    TReplayDesktop& ReplayDesktop();
    TRunAsAdmin& RunAsAdmin();
    TDocTree* ActiveDocTree() { return trees_.ActiveDocTree(); }
    TfrmReplayWhenWinStart* ReplayPrompt() { return replayPrompt_.get(); }
    bool Replaying() const { return replaying_; }
    int LastReplayVisits() const { return lastReplayVisits_; }
    // The finish timer's tick: hides the progress panel, drops top-most unless "Always on Top".
    void TimerFinishTimer();
    static constexpr UINT_PTR kTimerFinish = 0x5E7;
    static constexpr UINT kFinishTimerMs = 3000;
    TFrmMySettings* SettingsDialog() { return settingsDialog_.get(); }

    // Clipboard, send to and the record export (mainwindow_share.cpp); the
    // Windows places and the system commands.
    TShareCommands& ShareCommands();
    TSystemCommands& SystemCommands() { return systemCommands_; }

    // Recording (mainwindow_record.cpp): the record command ("Scan and Add"),
    // the record operation and the desktop sources it reads (tests hand in fakes).
    void BtnRecClick();
    void RecordOperation(bool newRecord);
    TRecorder& Recorder() { return *recorder_; }
    // What Windows starts at log-on, which "Filter Windows Start" leaves out.
    TWindowsStartMan& StartupPrograms() { return *startupFilter_; }
    TFilterList& FilterList() { return filterList_; }
    TCommandBar& CommandBar() { return commandBar_; }
    TFrmRecordType* RecordTypeDialog() { return recordTypeDialog_.get(); }
    void SetCaptureSources(IRunningApplications* apps, IOpenLocations* locations, const std::wstring& recentFolder);
    // Selects the item with this path in the All tree (a child's group is expanded).
    void SelectItemByPath(const std::wstring& path) override { trees_.SelectItemByPath(path); }
    // Files dropped on the window: each is added or, when recorded, selected.
    void AddDroppedFiles(const std::vector<std::wstring>& files);
    // Refreshes the removable-disk menu item; with add, records every removable drive.
    void RemovableDisks(bool add);

    // Smart Record (mainwindow_smart.cpp): the check box, the menu item, the
    // interval panel and TimerContinueRecord; its dialog is made on first use.
    TSmartRecord& SmartRecord() { return smartRecord_; }
    TFrmSmartRecordSettings* SmartRecordDialog() { return smartRecordDialog_.get(); }
    static constexpr UINT_PTR kTimerContinueRecord = 0x5E8;
    // The startup list's "Open" and "Open container Folder" (true when the command was one of them).
    bool RunStartupListCommand(unsigned id);

    // Tree commands (mainwindow_tree.cpp).
    // Text dropped on the window: each line that is a path or a web address
    // is added (a page without a known title gets its page's title) or selected.
    void AddDroppedText(const std::wstring& text);
    // The search of every record for the search field's text (on focus loss
    // only when the text changed since the last search).
    void RunSearch(bool onFocusLoss);
    bool Searching() const { return records_->Searching(); }
    // How web addresses are captioned (tests hand in a fake).
    void SetPageTitleFetcher(TPageTitleFn fetch) { pageTitle_ = std::move(fetch); }
    TFrmActionAdd* AddItemsDialog() { return addItemsDialog_.get(); }
    // The trees' context menu as it is offered for the active tree's selection.
    unique_hmenu BuildTreeMenu();
    IDropTarget* DropTarget() { return dropTarget_; }

    // The message the window posts itself to run the commands the busy guard queued.
    static constexpr UINT kMsgRunQueued = WM_APP + 0x51;
    // The message the window posts itself to replay the record a hand-off named.
    static constexpr UINT kMsgReplayHandedRecord = WM_APP + 0x52;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // Messages, one handler each.
    void OnCreate();
    void OnTimer(UINT_PTR id);
    void OnCommand(int id, int code, HWND from);
    void OnHScroll(HWND from, int code);
    LRESULT OnNotify(UINT msg, WPARAM wp, LPARAM lp);
    void OnContextMenu(HWND from, POINT pt);
    void OnDropFiles(HDROP drop);
    void OnHandoff();
    void OnReplayHandedRecord();
    void OnDeviceChange(WPARAM event);
    void OnClose();
    void OnDestroy();

    void CreateFonts();
    void CreateDialogs();
    void CreateRecorder();
    void Layout();
    void RebuildMenus();
    TMenuState MenuStateFor(TMenuTable table);
    void ShowPopup(TMenuTable table, POINT screen);
    void StoreWindowState();
    void OnRecordListSelChange();
    void OnRecordListKey(WPARAM key);
    bool OnTreeKey(int tab, UINT key);
    void OnTreeHover(TTreeNode* node);
    void OnSmartRecordClicked();

    // Tree commands (mainwindow_tree.cpp).
    bool RunTreeCommand(unsigned id);  // true when the command was one of them
    void ShowTreeMenu(POINT screen);
    bool TreeMenuShows(unsigned id) const;
    // Leaves the search results for the selected record (loaded again unless
    // told not to): what changes the record acts on a record, never on results.
    void LeaveSearch(bool reload = true);
    void DeleteSelected();
    void DeleteAll();
    void SaveShownRecord();
    TAddItemsSources AddItemsSources();
    void RunAddCommand();
    void AddToRecord();
    void BeginFilterDrag();
    bool OnFilterDrag(UINT msg, POINT client);

    // Commands (mainwindow_commands.cpp).
    void ExecuteCommand(unsigned id);
    bool RunItemCommand(unsigned id);  // true when the command was one of them
    void ToggleView(unsigned id);
    void ApplyTextSize(int size);
    void ShowMenuBar(bool on);
    void ShowStatusBar(bool on);
    void ShowRecordList(bool on);
    void ToggleSearch();
    void ShowHelp();
    void PinOnWindows7();
    void CreateSendToShortcut();
    // "Create desktop shortcut": a replay shortcut on the desktop for each selected record.
    void CreateRecordShortcuts();
    // Takes "/replay" and its record out of arguments (the names are looked up in the record list).
    TReplaySwitch TakeReplaySwitchOf(const std::vector<std::wstring>& args) const;
    void Reopen();
    void CloseWindow();
    void OpenStartupManager();
    void AttachBrowserMenus();
    void OpenBrowserAddress(const std::wstring& address);
    // A settings write the system refuses stops only that write: the first
    // refusal is told in the status bar, every one is in the fault log.
    bool Persist(const wchar_t* what, const std::function<void()>& write);

    int Scale(int v) const { return ::MulDiv(v, dpi_, 96); }
    static TBrowserMenuIds BrowserMenuIds();
    static TUpdateConfig UpdateConfig();

    // IStoreHost
    void SetStatusTexts(const std::wstring& panel0, const std::wstring& panel1) override;
    void ShowSearchEntry() override;
    void HoldTreeRepaints(bool hold) override { trees_.HoldRepaints(hold); }
    void TreesChanged() override { trees_.ShowTrees(); }
    bool Confirm(const std::wstring& text) override;
    bool RunSettingsDialog() override { return RunSettingsCommand(); }
    std::optional<std::wstring> AskNewName(const std::wstring& current) override;

    // IRecordHost
    void SetTreeRebuilding(bool on) override { records_->SetTreeRebuilding(on); }
    void ShowFilterList(bool show) override;
    void SelectAllTab() override { SelectTab(0); }
    void SaveRecord(TSaveRule rule) override { records_->SaveOpenRecord(rule); }

    // IReplayHost
    bool HasRecords() override { return recordList_.Count() > 0; }
    void EnsureRecordSelected() override;
    void Wait(int milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }
    void ShowReplayMessage(const std::wstring& text) override;
    void StartFinishTimer() override { ::SetTimer(Handle(), kTimerFinish, kFinishTimerMs, nullptr); }

    // IEntryHost
    void SaveSelectedRecord() override { records_->SaveSelectedRecord(); }
    void ShowLastRecordedPath() override;
    void ReselectRecord() override { records_->SelectRecord(); }
    void RestoreSmartRecord() override;

    // ISmartRecordHost
    void ShowSmartRecordState(bool on) override;
    bool TakeStartupFlag() override;
    bool AsksForSettings() const override { return settings_.record.showSettingsWhenRecordSmart; }
    bool RunSmartRecordDialog() override;
    void RunSmartRecord() override;
    bool TryRunSmartRecord() override;
    int IntervalSeconds() const override { return commandBar_.Interval(); }
    void ShowIntervalPanel(bool show, int seconds) override;
    void StartTimer(unsigned milliseconds) override;
    void StopTimer() override;
    void StoreSmartRecord(bool on) override;

    TSettingsStore& store_;
    std::vector<std::wstring> args_;
    TStartFlags flags_;
    TSettings settings_;
    TRecordModel model_;
    TBusyGuard guard_;
    std::optional<TBusyGuard::TScope> startup_;  // held from creation to the end of the first-run step
    TFeatureHooks hooks_;
    TRunValue runValue_;

    // Parts.
    TCommandBar commandBar_;
    TRecordListBox recordList_;
    TSplitter splitter_;
    TDocTreePane trees_;
    TFilterList filterList_;
    TProgressPanel progress_;
    HWND statusBar_ = nullptr;
    unique_hmenu mainMenu_;
    unique_hfont font_, boldFont_, treeFont_;

    // Collaborators.
    TItemImages images_{model_, trees_};
    std::unique_ptr<TRecordStore> records_;
    std::unique_ptr<TRecorder> recorder_;
    std::unique_ptr<TWindowsStartMan> startupFilter_;
    std::unique_ptr<IRunningApplications> appScan_;
    std::unique_ptr<IOpenLocations> locationScan_;
    std::unique_ptr<TRunAsAdmin> runAsAdmin_;
    std::unique_ptr<TItemLauncher> launcher_;
    std::unique_ptr<TReplayDesktop> replayDesktop_;
    std::unique_ptr<TShareCommands> shareCommands_;
    TSystemCommands systemCommands_;

    // Dialogs, kept for the life of the window.
    std::unique_ptr<TFrmMySettings> settingsDialog_;
    std::unique_ptr<TFrmRecordType> recordTypeDialog_;
    std::unique_ptr<TfrmReplayWhenWinStart> replayPrompt_;
    std::unique_ptr<TFrmActionAdd> addItemsDialog_;
    std::unique_ptr<TFrmSmartRecordSettings> smartRecordDialog_;
    TSmartRecord smartRecord_{*this};
    TFrmReName renameDialog_;
    std::unique_ptr<TfrmRun> startupManager_;
    TBrowserMenus browserMenus_{BrowserMenuIds(), [this](const std::wstring& a) { OpenBrowserAddress(a); }};
    TUpdateCheck updateCheck_{UpdateConfig()};

    TTreeMenuPlan treeMenuPlan_;
    TRecentFolderSeams recentFolder_ = TRecentFolderSeams::Real();
    TPageTitleFn pageTitle_ = [](const std::wstring& address) { return PageCaption(address); };
    std::wstring lastSearchTerm_;
    std::optional<std::wstring> handedReplay_;  // the record a hand-off named, replayed once the answer is sent
    IDropTarget* dropTarget_ = nullptr;         // the window's drop target (it holds a reference)
    TDropRegistration dropRegistration_;
    bool draggingRows_ = false;

    std::wstring windowsVersion_;
    std::wstring documentsFolder_;
    std::wstring removableDiskLabel_;  // the Send To menu's removable disk
    bool ownerDrawTabs_ = true;
    bool isAdmin_ = false;
    bool startupInProgress_ = true;
    bool nameChosen_ = false;
    bool newRecordFlag_ = false;
    bool replaying_ = false;
    bool searchEntry_ = false;
    bool settingsRefusalShown_ = false;
    int lastReplayVisits_ = 0;
    int recListWidth_ = 120;
    int dpi_ = 96;
    bool startMaximised_ = false;
};

}  // namespace qm

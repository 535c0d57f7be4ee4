#include "app/mainwindow.h"

#include <commctrl.h>
#include <dbt.h>
#include <windowsx.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <utility>

#include "app/commands.h"
#include "app/droptarget.h"
#include "app/product.h"
#include "base/effects.h"
#include "base/files.h"
#include "base/guarded.h"
#include "base/pathtext.h"
#include "base/scope_exit.h"
#include "base/strings.h"
#include "base/system.h"
#include "base/winversion.h"
#include "replay/icons.h"
#include "ui/controls.h"

namespace qm {

namespace {

enum : int { IdRecordList = 1001, IdStatusBar = 1002, IdHint = 1014, IdStop = 1015, IdGauge = 1016 };

constexpr UINT_PTR kTimerFirstRun = 1;

}  // namespace

TQuilmarWindow::TQuilmarWindow(TSettingsStore& store, std::vector<std::wstring> args, TStartFlags flags)
    : store_(store), args_(std::move(args)), flags_(flags), guard_([this] {
          if (Handle()) ::PostMessageW(Handle(), kMsgRunQueued, 0, 0);
      }) {
    records_ = std::make_unique<TRecordStore>(model_, settings_, &store_, recordList_, static_cast<IStoreHost&>(*this),
                                              progress_, ModulePath(), UserDataFolder());
    CreateRecorder();
}

TQuilmarWindow::~TQuilmarWindow() {
    // The window goes while the trees and the model it shows still exist.
    if (Handle()) ::DestroyWindow(Handle());
    dropRegistration_.Revoke();
    if (dropTarget_) dropTarget_->Release();
}

bool TQuilmarWindow::Create() {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    HICON icon = static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    RegisterClassOnce(kMainWindowClass, CS_DBLCLKS, icon, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // 1-7: state the rest of the window reads.
    startupInProgress_ = true;
    documentsFolder_ = SpecialFolder(CSIDL_PERSONAL);
    ownerDrawTabs_ = !IsWow64();
    isAdmin_ = RunAsAdmin().IsAdmin();
    windowsVersion_ = CurrentWindowsVersionName();
    // 12-14: bounds, record panel width and the view toggles come from the settings.
    int sw = ::GetSystemMetrics(SM_CXSCREEN);
    int sh = ::GetSystemMetrics(SM_CYSCREEN);
    TBounds b = store_.LoadBounds(sw, sh);
    startMaximised_ = !store_.LoadNormalState();
    recListWidth_ = store_.LoadRecListWidth();
    store_.Load(settings_, UserDataFolder(), false);

    HWND hwnd =
        CreateWindowObject(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kMainWindowClass, MainCaption().c_str(),
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, b.left, b.top, b.width, b.height, nullptr, nullptr);
    if (!hwnd) return false;
    // Small icon for the caption and the taskbar.
    HICON small = static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    if (small) ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    ::DragAcceptFiles(hwnd, TRUE);
    // Until the first-run step has listed and loaded the records, a hand-off
    // or a drop waits: taken earlier it would make a record of its own.
    startup_ = guard_.TryEnter(L"start-up");
    ShowMenuBar(settings_.window.menuBar);
    ShowStatusBar(settings_.window.statusBar);
    ShowRecordList(settings_.window.recordList);
    ::SetTimer(hwnd, kTimerFirstRun, 10, nullptr);
    return true;
}

void TQuilmarWindow::ShowFirst(int show) {
    ::ShowWindow(Handle(), startMaximised_ ? SW_SHOWMAXIMIZED : show);
    ::UpdateWindow(Handle());
}

void TQuilmarWindow::CreateFonts() {
    {
        unique_window_dc dc(Handle());
        dpi_ = dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    }
    font_.reset(MakeFont(L"Arial", 9, FW_NORMAL, dpi_));
    boldFont_.reset(MakeFont(L"Arial", 9, FW_BOLD, dpi_));
}

void TQuilmarWindow::OnCreate() {
    CreateFonts();
    HWND self = Handle();
    commandBar_.Create(self, font_.get(), settings_.record.recordInterval);
    recordList_.Attach(CreateChild(self, WS_EX_CLIENTEDGE, WC_LISTBOXW, L"",
                                   WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_EXTENDEDSEL | LBS_NOTIFY |
                                       LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT,
                                   IdRecordList, font_.get()));
    splitter_.Attach(self, recordList_.Handle());
    splitter_.onDrag = [this](int x) {
        recListWidth_ = std::max(Scale(40), x);
        Layout();
    };
    model_.SetImages(CreateBaseImageList());
    trees_.Create(self, model_, ownerDrawTabs_, font_.get(), boldFont_.get(), documentsFolder_);
    trees_.onKey = [this](int tab, UINT key) { return OnTreeKey(tab, key); };
    trees_.onHover = [this](TTreeNode* n) { OnTreeHover(n); };
    trees_.onDoubleClick = [this] { RunCommand(CmOpen); };
    trees_.onContextMenu = [this](POINT pt) { ShowTreeMenu(pt); };
    trees_.onExpanded = [this](TTreeNode* n, bool expanded) {
        PumpPendingMessages();
        records_->NodeExpansionChanged(n, expanded);
    };
    trees_.onExpandedAll = [this] { records_->TreeExpansionChanged(); };
    ApplyTextSize(settings_.window.textSize);
    CreateDialogs();
    filterList_.Create(self, font_.get());
    filterList_.List().onBeginDrag = [this] { BeginFilterDrag(); };
    // Text, addresses and files dragged onto the window (OLE drag and drop
    // replaces WM_DROPFILES where it is registered). What a drop adds waits
    // for a long operation like every other change.
    dropTarget_ = new TDropTarget(
        [this](const std::wstring& text) {
            guard_.RunOrQueue(L"dropped text", [this, text] { AddDroppedText(text); });
        },
        [this](std::vector<std::wstring> files) {
            guard_.RunOrQueue(L"dropped files", [this, files] { AddDroppedFiles(files); });
        });
    dropRegistration_.Register(self, dropTarget_);
    progress_.Create(self, IdHint, IdStop, IdGauge, font_.get());
    progress_.onShownChanged = [this] { Layout(); };
    statusBar_ = CreateChild(self, 0, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, IdStatusBar, font_.get());
    int parts[] = {250, -1};
    ::SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"No Items Selected."));
    RebuildMenus();
}

void TQuilmarWindow::CreateDialogs() {
    // The settings dialog lives as long as the window.
    TSettingsDialogHooks settingsHooks;
    settingsHooks.listRecords = [this] { records_->ListRecords(); };
    settingsHooks.relaunchElevated = RelaunchReopening(TReopen::Settings);
    settingsHooks.startedElevated = flags_.startedElevated;
    settingsDialog_ = std::make_unique<TFrmMySettings>(std::move(settingsHooks));
}

TMenuState TQuilmarWindow::MenuStateFor(TMenuTable table) {
    TMenuState state;
    bool win7 = windowsVersion_ == L"windows 7";
    state.visible = [this, table, win7](unsigned id) {
        switch (id) {
            case CmHistory: return !win7;
            case CmSystemProperties: return !win7;
            case CmSearch: return searchEntry_;
            case CmSendToRemovable: return !removableDiskLabel_.empty();
            case CmRunAsAdministrator: return !flags_.startedElevated || table == TMenuTable::Main;
            default: return table != TMenuTable::DocTree || TreeMenuShows(id);
        }
    };
    state.caption = [this](unsigned id) { return id == CmSendToRemovable ? removableDiskLabel_ : std::wstring(); };
    state.checked = [this](unsigned id) {
        if (int size = TextSizeOfCommand(id)) return settings_.window.textSize == size;
        switch (id) {
            case CmMenuBar: return settings_.window.menuBar;
            case CmStatusBar: return settings_.window.statusBar;
            case CmRecordList: return settings_.window.recordList;
            case CmSearch: return trees_.SearchShown();
            case CmReplayAtStart: return settings_.record.runSelectedRecs;
            case CmSmartRecord: return commandBar_.SmartRecordChecked();
            case CmAlwaysRunAsAdmin: return settings_.window.alwaysRunAsAdmin;
            case CmOpenLocationAfterPaste: return settings_.window.openLocationAfterPaste;
            case CmOpenLocationAfterSent: return settings_.window.openLocationAfterSendTo;
            default: return false;
        }
    };
    return state;
}

void TQuilmarWindow::RebuildMenus() {
    unique_hmenu fresh(BuildMenu(TMenuTable::Main, MenuStateFor(TMenuTable::Main)));
    if (settings_.window.menuBar) ::SetMenu(Handle(), fresh.get());
    mainMenu_ = std::move(fresh);
    AttachBrowserMenus();
    if (settings_.window.menuBar) ::DrawMenuBar(Handle());
}

void TQuilmarWindow::ShowPopup(TMenuTable table, POINT screen) {
    unique_hmenu menu(BuildMenu(table, MenuStateFor(table)));
    UINT cmd = ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
    if (cmd) RunCommand(cmd);
}

std::wstring TQuilmarWindow::StatusText(int panel) const {
    wchar_t buf[1024] = {};
    ::SendMessageW(statusBar_, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(buf));
    return buf;
}

void TQuilmarWindow::Layout() {
    if (!trees_.Tabs()) return;
    RECT rc{};
    ::GetClientRect(Handle(), &rc);
    int width = rc.right;
    int y = commandBar_.Layout(width, dpi_);
    int bottom = rc.bottom;
    if (settings_.window.statusBar) {
        ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
        RECT sr{};
        ::GetWindowRect(statusBar_, &sr);
        bottom -= sr.bottom - sr.top;
    }
    bottom = progress_.Layout(width, bottom, dpi_);
    int left = 0;
    if (settings_.window.recordList) {
        int w = std::clamp(recListWidth_, Scale(40), std::max(Scale(40), width - Scale(100)));
        ::MoveWindow(recordList_.Handle(), 0, y, w, bottom - y, TRUE);
        left = w + TSplitter::kWidth;
    }
    int filterHeight = filterList_.Shown() ? std::min(Scale(150), (bottom - y) / 2) : 0;
    int treesBottom = bottom - filterHeight;
    trees_.Layout(RECT{left, y, width, treesBottom}, dpi_);
    filterList_.Layout(RECT{left, treesBottom + TSplitter::kWidth, width, bottom}, dpi_);
}

void TQuilmarWindow::ApplySettings() {
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    ::SetWindowPos(Handle(), settings_.record.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, r.left, r.top,
                   r.right - r.left, r.bottom - r.top, 0);
    runValue_.Apply(settings_.record.runWhenWindowsStarts, RunValueData(ModuleFolder()));
    if (!settings_.record.displayPCStartFilterList) filterList_.Show(false);
    ApplyTextSize(settings_.window.textSize);
    commandBar_.SetInterval(settings_.record.recordInterval);
    smartRecord_.IntervalChanged(settings_.record.recordInterval);  // a running timer follows
    RebuildMenus();
    Layout();
}

void TQuilmarWindow::ApplyTextSize(int size) {
    settings_.window.textSize = size;
    treeFont_.reset(MakeFont(L"Arial", size, FW_NORMAL, dpi_));
    trees_.SetTreeFont(treeFont_.get());
}

void TQuilmarWindow::ShowMenuBar(bool on) {
    settings_.window.menuBar = on;
    ::SetMenu(Handle(), on ? mainMenu_.get() : nullptr);
    Layout();
}

void TQuilmarWindow::ShowStatusBar(bool on) {
    settings_.window.statusBar = on;
    ShowControl(statusBar_, on);
    Layout();
}

void TQuilmarWindow::ShowRecordList(bool on) {
    settings_.window.recordList = on;
    ShowControl(recordList_.Handle(), on);
    Layout();
}

// ---- The first-run step -----------------------------------------------------------

void TQuilmarWindow::FirstRun() {
    ::KillTimer(Handle(), kTimerFirstRun);
    // However the step ends, the window is free for what waited for it.
    scope_exit done([this] {
        startupInProgress_ = false;
        startup_.reset();
    });
    // 2: the run-as-administrator commands are built per menu from the start flags.
    if (windowsVersion_ == L"windows 7") PinOnWindows7();
    store_.Load(settings_, UserDataFolder(), runValue_.Present());
    ApplySettings();
    bool haveRecords = records_->ListRecords();
    // Without records, "/replay" names none and stays an entry.
    TReplaySwitch replay = haveRecords ? TakeReplaySwitchOf(args_) : TReplaySwitch{std::nullopt, args_};
    if (haveRecords) {
        recordList_.SelectOnly(store_.LoadRecordIndex());
        records_->SelectRecord();
        ProcessOwnCommandLine(replay.entries, ContextMenuFilePath(), *recorder_, *this);
    }
    Layout();
    PumpPendingMessages();
    ::Sleep(3);
    if (windowsVersion_ == L"windows 7") CreateSendToShortcut();
    if (flags_.installRequested) updateCheck_.Run(Handle(), true);
    if (haveRecords) {
        // A start replays once: the named record takes the place of the stored one.
        if (replay.record)
            ReplayNamedRecord(*replay.record);
        else if (settings_.record.runSelectedRecs && flags_.startedAtWindowsStart)
            Replay1Click();
    } else {
        // The first record: a start with entries records at once; otherwise as
        // the record command does.
        if (!args_.empty() && args_[0] != kSwitchInstall && args_[0] != kSwitchRun)
            RecordOperation(true);
        else
            BtnRecClick();
        ProcessOwnCommandLine(args_, ContextMenuFilePath(), *recorder_, *this);
    }
    Reopen();
}

// ---- Messages ---------------------------------------------------------------------

LRESULT TQuilmarWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE: OnCreate(); return 0;
        case WM_SIZE: Layout(); return 0;
        case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wp)); return 0;
        case WM_TIMER: OnTimer(wp); return 0;
        case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp)); return 0;
        case WM_HSCROLL: OnHScroll(reinterpret_cast<HWND>(lp), LOWORD(wp)); return 0;
        case WM_NOTIFY: return OnNotify(msg, wp, lp);
        case WM_INITMENUPOPUP: browserMenus_.OnInitMenuPopup(reinterpret_cast<HMENU>(wp)); return 0;
        case WM_DRAWITEM: return trees_.OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp)) ? TRUE : FALSE;
        case WM_SETCURSOR: return splitter_.OnSetCursor(reinterpret_cast<HWND>(wp)) ? TRUE : Default(msg, wp, lp);
        case WM_LBUTTONDOWN: splitter_.OnButtonDown(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}); return 0;
        case WM_MOUSEMOVE:
            if (!OnFilterDrag(msg, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}))
                splitter_.OnMouseMove(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            return 0;
        case WM_LBUTTONUP:
            if (!OnFilterDrag(msg, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)})) splitter_.OnButtonUp();
            return 0;
        case WM_CONTEXTMENU:
            OnContextMenu(reinterpret_cast<HWND>(wp), POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            return 0;
        case WM_VKEYTOITEM:
            if (reinterpret_cast<HWND>(lp) == recordList_.Handle()) OnRecordListKey(LOWORD(wp));
            return -1;
        case WM_COPYDATA: OnHandoff(); return 1;  // the payload only says "read the hand-off file now"
        case WM_DEVICECHANGE: OnDeviceChange(wp); return TRUE;
        case WM_EXITSIZEMOVE: Persist(L"window state", [this] { StoreWindowState(); }); return 0;
        case WM_CLOSE: OnClose(); return 0;
        case WM_DESTROY: OnDestroy(); return 0;
        case kMsgRunQueued: guard_.DrainQueue(); return 0;
        case kMsgReplayHandedRecord: OnReplayHandedRecord(); return 0;
        default: return Default(msg, wp, lp);
    }
}

void TQuilmarWindow::OnTimer(UINT_PTR id) {
    if (id == kTimerFirstRun) Guarded(L"first run", [this] { FirstRun(); });
    if (id == kTimerFinish) TimerFinishTimer();
    if (id == kTimerContinueRecord) smartRecord_.Tick();
}

void TQuilmarWindow::OnCommand(int id, int code, HWND from) {
    if (from == recordList_.Handle()) {
        if (code == LBN_SELCHANGE) OnRecordListSelChange();
        return;
    }
    if (commandBar_.IsInterval(from)) return;
    if (from == trees_.SearchCombo()) {
        if (code == CBN_KILLFOCUS) guard_.RunOrQueue(L"search", [this] { RunSearch(true); });
        return;
    }
    if (filterList_.IsCloseButton(from)) {
        filterList_.Show(false);
        Layout();
        return;
    }
    if (progress_.IsStopButton(from)) {
        progress_.RequestStop();
        return;
    }
    switch (id) {
        case TCommandBar::kIdBtnRec: RunCommand(CmRecord); return;
        case TCommandBar::kIdBtnAdd: RunCommand(CmAdd); return;
        case TCommandBar::kIdBtnMore: RunCommand(CmRecordMore); return;
        case TCommandBar::kIdSmartRecord: OnSmartRecordClicked(); return;
        case TDocTreePane::kIdSearchButton: RunCommand(CmSearchGo); return;
        default:
            if (!from) RunCommand(static_cast<unsigned>(id));  // menus and accelerators
            return;
    }
}

void TQuilmarWindow::OnHScroll(HWND from, int code) {
    if (!commandBar_.IsInterval(from)) return;
    settings_.record.recordInterval = commandBar_.IntervalMoved();
    smartRecord_.IntervalChanged(settings_.record.recordInterval);
    if (code == TB_ENDTRACK) Persist(L"interval", [this] { store_.StoreOption(settings_, keys::tbRecordInterval); });
}

LRESULT TQuilmarWindow::OnNotify(UINT msg, WPARAM wp, LPARAM lp) {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    LRESULT result = 0;
    if (trees_.OnNotify(hdr, result)) return result;
    if (filterList_.List().OnNotify(*hdr)) return 0;
    return Default(msg, wp, lp);
}

void TQuilmarWindow::OnContextMenu(HWND from, POINT pt) {
    if (pt.x == -1 && pt.y == -1) ::GetCursorPos(&pt);
    if (from == recordList_.Handle())
        ShowPopup(TMenuTable::RecList, pt);
    else if (from == filterList_.List().Handle())
        ShowPopup(TMenuTable::FilterStartup, pt);
    else if (from == Handle() || from == trees_.Tabs())
        ShowPopup(TMenuTable::App, pt);
}

void TQuilmarWindow::OnRecordListSelChange() {
    // During a long operation the click is taken afterwards: the list shows the
    // record in use until then, and the operation keeps saving into it.
    int caret = static_cast<int>(::SendMessageW(recordList_.Handle(), LB_GETCARETINDEX, 0, 0));
    std::wstring clicked = caret >= 0 && caret < recordList_.Count() ? recordList_.Text(caret) : std::wstring();
    if (guard_.Busy()) {
        recordList_.ShowCursorSelection();
        guard_.RunOrQueue(L"select record", [this, clicked] {
            int at = recordList_.IndexOf(clicked);
            if (at < 0) return;
            recordList_.SelectOnly(at);
            records_->SelectRecord();
        });
        return;
    }
    guard_.RunOrQueue(L"select record", [this] {
        recordList_.CursorMovedByUser();
        records_->SelectRecord();
    });
}

void TQuilmarWindow::OnSmartRecordClicked() {
    bool on = commandBar_.SmartRecordChecked();
    guard_.RunOrQueue(L"smart record", [this, on] { smartRecord_.Switched(on); });
}

void TQuilmarWindow::OnDropFiles(HDROP drop) {
    // The names are taken now, so the drop can be released at once; adding
    // them waits for a long operation to end.
    unique_hdrop owned(drop);
    std::vector<std::wstring> files = FilesOfDrop(drop);
    guard_.RunOrQueue(L"dropped files", [this, files] { AddDroppedFiles(files); });
}

void TQuilmarWindow::OnHandoff() {
    // The file is read before the answer, so the second copy may end and a
    // third may replace the file; the entries are added once no long operation
    // holds the window (a recording, a record being loaded).
    auto lines = ReadHandoffFile(HandoffFilePath());
    std::optional<std::wstring> replay;
    if (lines) {
        TReplaySwitch taken = TakeReplaySwitchOf(*lines);
        replay = std::move(taken.record);
        if (replay) lines = std::move(taken.entries);
    }
    if (!replay || !lines->empty()) {
        guard_.RunOrQueue(L"hand-off", [this, lines] {
            LeaveSearch();
            AddHandoffEntries(lines, *recorder_, *this, progress_);
        });
    }
    // The replay starts after the answer: the second copy ends at once
    // instead of waiting for the replay (and its question) to end.
    if (replay) {
        handedReplay_ = std::move(replay);
        ::PostMessageW(Handle(), kMsgReplayHandedRecord, 0, 0);
    }
}

void TQuilmarWindow::OnReplayHandedRecord() {
    std::optional<std::wstring> record = std::exchange(handedReplay_, std::nullopt);
    if (!record) return;
    // As "&Replay All": refused while another long operation runs.
    guard_.RunOrRefuse(L"replay from a shortcut", [this, name = *record] { ReplayNamedRecord(name); });
}

TReplaySwitch TQuilmarWindow::TakeReplaySwitchOf(const std::vector<std::wstring>& args) const {
    return TakeReplaySwitch(args, [this](const std::wstring& file) { return records_->ListedIndexOf(file) >= 0; });
}

void TQuilmarWindow::OnDeviceChange(WPARAM event) {
    if (event != DBT_DEVICEARRIVAL) return;
    guard_.RunOrQueue(L"removable disk", [this] { RemovableDisks(true); });
}

void TQuilmarWindow::OnClose() {
    // A close request stops a deletion of records at once; any other long
    // operation ends first, then the window closes.
    progress_.RequestStop();
    guard_.RunOrQueue(L"close", [this] { CloseWindow(); });
}

void TQuilmarWindow::CloseWindow() {
    Persist(L"window state", [this] { StoreWindowState(); });
    ::DestroyWindow(Handle());
}

void TQuilmarWindow::OnDestroy() {
    dropRegistration_.Revoke();
    ::SetMenu(Handle(), nullptr);
    ::PostQuitMessage(0);
}

void TQuilmarWindow::StoreWindowState() {
    TWindowState w;
    w.normal = !::IsZoomed(Handle()) && !::IsIconic(Handle());
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    w.left = r.left;
    w.top = r.top;
    w.width = r.right - r.left;
    w.height = r.bottom - r.top;
    w.smartRecord = commandBar_.SmartRecordChecked();
    w.recListWidth = recListWidth_;
    w.recordIndex = recordList_.Cursor();
    store_.StoreWindowState(w);
}

void TQuilmarWindow::OnRecordListKey(WPARAM key) {
    bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    if (key == VK_DELETE) {
        RunCommand(CmRecDelete);
    } else if (key == VK_F5) {
        RunCommand(CmRecRefresh);
    } else if (ctrl && key == 'A') {
        recordList_.SelectAll();
    } else if (ctrl && key == 'V') {
        RunCommand(CmSaveAsNewRecord);
    }
}

bool TQuilmarWindow::OnTreeKey(int tab, UINT key) {
    bool ctrl = ::GetKeyState(VK_CONTROL) < 0, shift = ::GetKeyState(VK_SHIFT) < 0;
    if (ctrl) {
        switch (key) {
            case 'A': trees_.View(tab).SelectTopLevelAndChildren(); return true;
            case 'O': RunCommand(CmOpen); return true;
            case 'L': RunCommand(CmOpenFileLocation); return true;
            case 'W': RunCommand(CmOpenWith); return true;
            case 'C': RunCommand(CmCopyFile); return true;
            case 'V': RunCommand(CmPasteShortcut); return true;
            default: return false;
        }
    }
    switch (key) {
        case VK_RETURN:
        case VK_SPACE: RunCommand(CmQuickOpen); return true;
        case VK_ESCAPE:
            // Every node of the All tree is deselected, whichever tree has the key.
            trees_.View(0).DeselectAll();
            return true;
        case VK_DELETE: RunCommand(CmDeleteSelected); return true;
        case 'W':
            if (!shift) return false;
            RunCommand(CmOpenWithAdmin);
            return true;
        default: return false;
    }
}

bool TQuilmarWindow::PreTranslate(MSG& msg) {
    if (msg.message == WM_KEYDOWN && (msg.hwnd == Handle() || ::IsChild(Handle(), msg.hwnd))) {
        bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
        if (msg.wParam == VK_F1) {
            RunCommand(CmHelp);
            return true;
        }
        if (ctrl && msg.wParam == 'F') {
            if (!trees_.SearchShown()) RunCommand(CmSearch);
            ::SetFocus(trees_.SearchCombo());
            return true;
        }
        HWND combo = trees_.SearchCombo();
        if (msg.wParam == VK_RETURN && (msg.hwnd == combo || ::IsChild(combo, msg.hwnd))) {
            RunCommand(CmSearchGo);
            return true;
        }
    }
    return ::IsDialogMessageW(Handle(), &msg) != FALSE;
}

void TQuilmarWindow::OnTreeHover(TTreeNode* node) {
    if (!node || !model_.items.IsValid(node->Index())) return;
    SetStatusTexts(L"   Title : " + node->Text(), L" Location : " + model_.items.At(node->Index()).path);
}

// ---- Hosts --------------------------------------------------------------------------

void TQuilmarWindow::SetStatusTexts(const std::wstring& panel0, const std::wstring& panel1) {
    ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(panel0.c_str()));
    ::SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(panel1.c_str()));
}

void TQuilmarWindow::ShowSearchEntry() {
    if (searchEntry_) return;
    searchEntry_ = true;
    RebuildMenus();
}

bool TQuilmarWindow::Confirm(const std::wstring& text) { return AskOkCancel(Handle(), text, kProductName); }

std::optional<std::wstring> TQuilmarWindow::AskNewName(const std::wstring& current) {
    return renameDialog_.Ask(Handle(), current);
}

void TQuilmarWindow::ShowLastRecordedPath() {
    SelectTab(0);
    SelectItemByPath(recorder_->LastRecordedPath());
}

void TQuilmarWindow::RestoreSmartRecord() { smartRecord_.Switched(store_.LoadSmartRecord()); }

bool TQuilmarWindow::Persist(const wchar_t* what, const std::function<void()>& write) {
    try {
        write();
        return true;
    } catch (const TSettingsWriteError& e) {
        ReportFault(what, e.what());
        if (!settingsRefusalShown_ && statusBar_) {
            settingsRefusalShown_ = true;
            ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(e.Message().c_str()));
        }
        return false;
    }
}

}  // namespace qm

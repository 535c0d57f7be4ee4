#include "app/mainwindow.h"

#include <shellapi.h>
#include <shlobj.h>
#include <dbt.h>
#include <wrl/client.h>

#include <algorithm>

#include "app/aboutbox.h"
#include "app/commands.h"
#include "app/product.h"
#include "app/winversion.h"
#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/system.h"
#include "replay/icons.h"

using Microsoft::WRL::ComPtr;

namespace qm {

namespace {

enum : int {
    IdRecordList = 1001, IdStatusBar, IdBtnRec, IdBtnAdd, IdBtnMore, IdSmartRecord, IdIntervalLabel, IdInterval,
    IdSearchCombo, IdSearchButton, IdTabs, IdFilterGroup, IdFilterList, IdHint, IdStop, IdGauge,
    IdTreeFirst = 1100,
};

constexpr UINT_PTR kTimerFirstRun = 1;
constexpr int kSplitter = 4;

const wchar_t* const kTabCaptions[4] = {L"All", L"Application", L"File Folder", L"Web Page"};

struct TTextSizeEntry {
    unsigned command;
    int size;
};
constexpr TTextSizeEntry kTextSizes[] = {
    {CmTextLargest, 15}, {CmTextLarger, 12}, {CmTextMedium, 10}, {CmTextSmaller, 9}, {CmTextSmallest, 8}};


}  // namespace

TQuilmarWindow::TQuilmarWindow(TSettingsStore& store, std::vector<std::wstring> args, TStartFlags flags)
    : store_(store), args_(std::move(args)), flags_(flags) {
    records_ = std::make_unique<TRecordStore>(model_, settings_, &store_, recordList_,
                                              static_cast<IStoreHost&>(*this), ModulePath(), UserDataFolder());
    CreateRecorder();
}

TQuilmarWindow::~TQuilmarWindow() {
    // The window goes while the trees and the model it shows still exist.
    if (Handle()) ::DestroyWindow(Handle());
    for (auto& t : trees_) {
        t.Tree().onAdded = nullptr;
        t.Tree().onRemoving = nullptr;
        t.Tree().onCleared = nullptr;
    }
}

int TQuilmarWindow::Scale(int v) const { return ::MulDiv(v, dpi_, 96); }

int TQuilmarWindow::TextWidth(HWND control) const {
    wchar_t text[256] = {};
    int n = ::GetWindowTextW(control, text, 256);
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, font_.get());
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text, n, &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return size.cx;
}

bool TQuilmarWindow::Create() {
    RegisterClassOnce(kMainWindowClass, CS_DBLCLKS, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)),
                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // 1-7: state the rest of the window reads.
    startupInProgress_ = true;
    documentsFolder_ = SpecialFolder(CSIDL_PERSONAL);
    documentsFolderLower_ = ToLower(Trim(documentsFolder_));
    ownerDrawTabs_ = !IsWow64();
    isAdmin_ = RunAsAdmin().IsAdmin();
    windowsVersion_ = CurrentWindowsVersionName();
    // 12-14: bounds, record panel width and the view toggles come from the settings.
    int sw = ::GetSystemMetrics(SM_CXSCREEN);
    int sh = ::GetSystemMetrics(SM_CYSCREEN);
    TBounds b = store_.LoadBounds(sw, sh);
    bool normal = store_.LoadNormalState();
    recListWidth_ = store_.LoadRecListWidth();
    menuBar_ = store_.User().ReadBool(keys::kSectionDefault, keys::MenuBar1, false);
    statusBarShown_ = store_.User().ReadBool(keys::kSectionDefault, keys::StatusBar1, false);
    recordListShown_ = store_.User().ReadBool(keys::kSectionDefault, keys::RecordList1, true);
    settings_.window.textSize = store_.User().ReadInteger(keys::kSectionDefault, keys::curTextSize, 9);

    HWND hwnd = CreateWindowObject(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kMainWindowClass, MainCaption().c_str(),
                                   WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, b.left, b.top, b.width, b.height, nullptr,
                                   nullptr);
    if (!hwnd) return false;
    ::DragAcceptFiles(hwnd, TRUE);
    startMaximised_ = !normal;
    SetMenuBar(menuBar_);
    SetStatusBarShown(statusBarShown_);
    SetRecordListShown(recordListShown_);
    ::DragAcceptFiles(hwnd, TRUE);
    ::SetTimer(hwnd, kTimerFirstRun, 10, nullptr);
    return true;
}

void TQuilmarWindow::ShowFirst(int show) {
    ::ShowWindow(Handle(), startMaximised_ ? SW_SHOWMAXIMIZED : show);
    ::UpdateWindow(Handle());
}

void TQuilmarWindow::CreateFonts() {
    HDC dc = ::GetDC(Handle());
    dpi_ = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ::ReleaseDC(Handle(), dc);
    auto make = [this](int points, int weight) {
        return ::CreateFontW(-::MulDiv(points, dpi_, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                             L"Arial");
    };
    font_.reset(make(9, FW_NORMAL));
    boldFont_.reset(make(9, FW_BOLD));
}

void TQuilmarWindow::CreateChildren() {
    CreateFonts();
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    HWND self = Handle();
    auto child = [&](DWORD ex, const wchar_t* cls, const wchar_t* text, DWORD style, int id) {
        HWND h = ::CreateWindowExW(ex, cls, text, WS_CHILD | style, 0, 0, 0, 0, self,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        return h;
    };
    // Command bar.
    btnRec_ = child(0, WC_BUTTONW, L"&Record", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IdBtnRec);
    btnAdd_ = child(0, WC_BUTTONW, L"&Add ...", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IdBtnAdd);
    btnMore_ = child(0, WC_BUTTONW, L"More..", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IdBtnMore);
    cbSmartRecord_ = child(0, WC_BUTTONW, L"Smart Record", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, IdSmartRecord);
    lblInterval_ = child(0, WC_STATICW, L"", WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE, IdIntervalLabel);
    tbInterval_ = child(0, TRACKBAR_CLASSW, L"", WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, IdInterval);
    ::SendMessageW(tbInterval_, TBM_SETRANGE, FALSE, MAKELPARAM(kMinRecordInterval, kMaxRecordInterval));
    ::SendMessageW(tbInterval_, TBM_SETPOS, TRUE, settings_.record.recordInterval);
    UpdateIntervalLabel();

    // Record list.
    HWND list = child(WS_EX_CLIENTEDGE, WC_LISTBOXW, L"",
                      WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                          LBS_WANTKEYBOARDINPUT,
                      IdRecordList);
    recordList_.Attach(list);

    // Search panel (hidden until asked for).
    cbSearch_ = child(0, WC_COMBOBOXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, IdSearchCombo);
    btnSearch_ = child(0, WC_BUTTONW, L"Search", WS_TABSTOP | BS_PUSHBUTTON, IdSearchButton);

    // The tabs and their trees.
    model_.SetImages(CreateBaseImageList());
    tabs_ = child(0, WC_TABCONTROLW, L"",
                  WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | (ownerDrawTabs_ ? TCS_OWNERDRAWFIXED : 0), IdTabs);
    TDocTree* models[4] = {&model_.all, &model_.app, &model_.path, &model_.doc};
    for (int i = 0; i < 4; ++i) {
        trees_[i].Create(self, IdTreeFirst + i, *models[i], model_.Images());
        trees_[i].onKey = [this, i](UINT key) { return OnTreeKey(i, key); };
        trees_[i].onHover = [this](TTreeNode* n) { OnTreeHover(n); };
        trees_[i].onDoubleClick = [this] { RunCommand(CmOpen); };
        trees_[i].onContextMenu = [this](POINT pt) { ShowPopup(TMenuTable::DocTree, pt); };
        if (i == 0)
            trees_[i].onExpanded = [this](TTreeNode* n, bool expanded) {
                PumpPendingMessages();
                records_->NodeExpansionChanged(n, expanded);
            };
        ::SetWindowPos(trees_[i].Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    UpdateTabs();
    SetTextSize(settings_.window.textSize);

    // The settings dialog lives as long as the window.
    TSettingsDialogHooks settingsHooks;
    settingsHooks.listRecords = [this] { records_->ListRecords(); };
    settingsHooks.relaunchElevated = [this] {
        store_.StoreReopen(TReopen::Settings);
        RestartElevated();
    };
    settingsHooks.startedElevated = flags_.startedElevated;
    settingsDialog_ = std::make_unique<TFrmMySettings>(settings_, std::move(settingsHooks));

    // Startup-filter group (shown by the settings).
    gbFilter_ = child(0, WC_BUTTONW, L"Windows Start Filter", BS_GROUPBOX, IdFilterGroup);
    lvFilter_ = child(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, IdFilterList);
    ListView_SetExtendedListViewStyle(lvFilter_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 180;
    col.pszText = const_cast<wchar_t*>(L"Name");
    ListView_InsertColumn(lvFilter_, 0, &col);
    col.pszText = const_cast<wchar_t*>(L"Location");
    ListView_InsertColumn(lvFilter_, 1, &col);

    // Progress panel (hidden between operations).
    pnlHint_ = child(WS_EX_STATICEDGE, WC_STATICW, L"", SS_LEFT | SS_CENTERIMAGE | SS_PATHELLIPSIS, IdHint);
    btnStop_ = child(0, WC_BUTTONW, L"Stop", WS_TABSTOP | BS_PUSHBUTTON, IdStop);
    gauge_ = child(0, PROGRESS_CLASSW, L"", 0, IdGauge);

    statusBar_ = child(0, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, IdStatusBar);
    int parts[] = {250, -1};
    ::SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"No Items Selected."));

    // Hints of the command-bar buttons.
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, self,
                                 nullptr, inst, nullptr);
    struct Tip {
        HWND control;
        const wchar_t* text;
    };
    for (Tip tip : {Tip{btnRec_, L"Scan and Add"}, Tip{btnAdd_, L"Add ..."}, Tip{btnMore_, L"Click here for more..."}}) {
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = self;
        ti.uId = reinterpret_cast<UINT_PTR>(tip.control);
        ti.lpszText = const_cast<wchar_t*>(tip.text);
        ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    RebuildMenus();
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
            case CmRunAsAdministrator:
            case CmOpenAsAdmin:
            case CmRunAsAdmin: return !flags_.startedElevated || table == TMenuTable::Main;
            default: return true;
        }
    };
    state.caption = [this](unsigned id) { return id == CmSendToRemovable ? removableDiskLabel_ : std::wstring(); };
    state.checked = [this](unsigned id) {
        for (auto t : kTextSizes)
            if (t.command == id) return settings_.window.textSize == t.size;
        switch (id) {
            case CmMenuBar: return menuBar_;
            case CmStatusBar: return statusBarShown_;
            case CmRecordList: return recordListShown_;
            case CmSearch: return searchShown_;
            case CmReplayAtStart: return settings_.record.runSelectedRecs;
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
    if (menuBar_) ::SetMenu(Handle(), fresh.get());
    mainMenu_ = std::move(fresh);
    if (menuBar_) ::DrawMenuBar(Handle());
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

void TQuilmarWindow::UpdateTabs() {
    int wanted = model_.WebPageTabVisible() ? 4 : 3;
    int have = TabCtrl_GetItemCount(tabs_);
    if (have != wanted) {
        TabCtrl_DeleteAllItems(tabs_);
        for (int i = 0; i < wanted; ++i) {
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<wchar_t*>(kTabCaptions[i]);
            TabCtrl_InsertItem(tabs_, i, &item);
        }
        if (activeTab_ >= wanted) activeTab_ = 0;
    }
    TabCtrl_SetCurSel(tabs_, activeTab_);
    for (int i = 0; i < 4; ++i) ::ShowWindow(trees_[i].Handle(), i == activeTab_ ? SW_SHOW : SW_HIDE);
}

void TQuilmarWindow::SelectTab(int tab) {
    if (tab < 0 || tab >= TabCtrl_GetItemCount(tabs_)) return;
    activeTab_ = tab;
    UpdateTabs();
    ::InvalidateRect(tabs_, nullptr, TRUE);
}

void TQuilmarWindow::DrawTab(const DRAWITEMSTRUCT* dis) {
    int index = static_cast<int>(dis->itemID);
    if (index < 0 || index >= 4) return;
    ::FillRect(dis->hDC, &dis->rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    bool active = index == TabCtrl_GetCurSel(tabs_);
    HGDIOBJ old = ::SelectObject(dis->hDC, active ? boldFont_.get() : font_.get());
    ::SetBkMode(dis->hDC, TRANSPARENT);
    ::SetTextColor(dis->hDC, ::GetSysColor(COLOR_BTNTEXT));
    RECT r = dis->rcItem;
    ::DrawTextW(dis->hDC, kTabCaptions[index], -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SelectObject(dis->hDC, old);
}

void TQuilmarWindow::UpdateIntervalLabel() {
    int v = static_cast<int>(::SendMessageW(tbInterval_, TBM_GETPOS, 0, 0));
    ::SetWindowTextW(lblInterval_, Format(L"Record Every %d seconds", v).c_str());
}

bool TQuilmarWindow::SplitterHit(POINT pt) const {
    if (!recordListShown_) return false;
    RECT r{};
    ::GetWindowRect(recordList_.Handle(), &r);
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
    return pt.x >= r.right && pt.x < r.right + kSplitter && pt.y >= r.top && pt.y < r.bottom;
}

void TQuilmarWindow::Layout() {
    if (!tabs_) return;
    RECT rc{};
    ::GetClientRect(Handle(), &rc);
    int width = rc.right;
    int top = Scale(4), bar = Scale(26);
    // Command bar.
    int x = Scale(4);
    auto place = [&](HWND h, int w) {
        ::MoveWindow(h, x, top, w, bar, TRUE);
        x += w + Scale(4);
    };
    place(btnRec_, Scale(64));
    place(btnAdd_, Scale(60));
    place(btnMore_, Scale(52));
    place(cbSmartRecord_, TextWidth(cbSmartRecord_) + Scale(24));
    // PnlSmartRecord stretches to 10 pixels before the right edge; the trackbar is
    // 10 pixels narrower than the panel.
    int label = TextWidth(lblInterval_) + Scale(6);
    int y = top + bar + Scale(4);
    if (width - Scale(10) - x - label - Scale(10) < Scale(100)) {
        // A narrow window puts the interval on a row of its own, so the trackbar
        // stays wide enough to use.
        x = Scale(4);
        top = y;
        y += bar + Scale(2);
    }
    int panel = std::max(0, width - Scale(10) - x);
    label = std::min(panel, label);
    ::MoveWindow(lblInterval_, x, top, label, bar, TRUE);
    ::MoveWindow(tbInterval_, x + label, top, std::max(0, panel - label - Scale(10)), bar, TRUE);

    int bottom = rc.bottom;
    if (statusBarShown_) {
        ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
        RECT sr{};
        ::GetWindowRect(statusBar_, &sr);
        bottom -= sr.bottom - sr.top;
    }
    if (progressShown_) {
        int h = Scale(22);
        bottom -= h + Scale(2);
        int stop = Scale(60), gauge = std::min(Scale(160), width / 3);
        ::MoveWindow(pnlHint_, Scale(2), bottom, std::max(0, width - stop - gauge - Scale(10)), h, TRUE);
        ::MoveWindow(btnStop_, width - stop - gauge - Scale(6), bottom, stop, h, TRUE);
        ::MoveWindow(gauge_, width - gauge - Scale(2), bottom + Scale(3), gauge, h - Scale(6), TRUE);
        bottom -= Scale(2);
    }
    int left = 0;
    if (recordListShown_) {
        int w = std::clamp(recListWidth_, Scale(40), std::max(Scale(40), width - Scale(100)));
        ::MoveWindow(recordList_.Handle(), 0, y, w, bottom - y, TRUE);
        left = w + kSplitter;
    }
    int detailsWidth = std::max(0, width - left);
    int dy = y;
    if (searchShown_) {
        int h = Scale(24);
        int button = Scale(60);
        // The combo box is 20 pixels narrower than its panel.
        ::MoveWindow(cbSearch_, left, dy, std::max(0, detailsWidth - Scale(20) - button), Scale(200), TRUE);
        ::MoveWindow(btnSearch_, left + detailsWidth - Scale(20) - button + Scale(4), dy, button, h - Scale(2), TRUE);
        dy += h;
    }
    int filterHeight = filterShown_ ? std::min(Scale(150), (bottom - dy) / 2) : 0;
    int tabsBottom = bottom - filterHeight;
    ::MoveWindow(tabs_, left, dy, detailsWidth, std::max(0, tabsBottom - dy), TRUE);
    RECT page{left, dy, left + detailsWidth, tabsBottom};
    TabCtrl_AdjustRect(tabs_, FALSE, &page);
    for (auto& t : trees_)
        ::MoveWindow(t.Handle(), page.left, page.top, std::max(0L, page.right - page.left),
                     std::max(0L, page.bottom - page.top), TRUE);
    if (filterShown_) {
        ::MoveWindow(gbFilter_, left, tabsBottom + kSplitter, detailsWidth, filterHeight - kSplitter, TRUE);
        RECT inner{left + Scale(8), tabsBottom + kSplitter + Scale(18), left + detailsWidth - Scale(8),
                   tabsBottom + filterHeight - Scale(8)};
        ::MoveWindow(lvFilter_, inner.left, inner.top, std::max(0L, inner.right - inner.left),
                     std::max(0L, inner.bottom - inner.top), TRUE);
        // The first column is 180 wide; the second takes the rest less 5.
        RECT lv{};
        ::GetClientRect(lvFilter_, &lv);
        ListView_SetColumnWidth(lvFilter_, 0, 180);
        ListView_SetColumnWidth(lvFilter_, 1, std::max(0L, lv.right - 180 - 5));
    }
}

void TQuilmarWindow::SetMenuBar(bool on) {
    menuBar_ = on;
    ::SetMenu(Handle(), on ? mainMenu_.get() : nullptr);
    Layout();
}

void TQuilmarWindow::SetStatusBarShown(bool on) {
    statusBarShown_ = on;
    ::ShowWindow(statusBar_, on ? SW_SHOW : SW_HIDE);
    Layout();
}

void TQuilmarWindow::SetRecordListShown(bool on) {
    recordListShown_ = on;
    ::ShowWindow(recordList_.Handle(), on ? SW_SHOW : SW_HIDE);
    Layout();
}

void TQuilmarWindow::SetTextSize(int size) {
    settings_.window.textSize = size;
    treeFont_.reset(::CreateFontW(-::MulDiv(size, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH | FF_SWISS, L"Arial"));
    for (auto& t : trees_) ::SendMessageW(t.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(treeFont_.get()), TRUE);
}

void TQuilmarWindow::ApplySettings() {
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    ::SetWindowPos(Handle(), settings_.record.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, r.left, r.top,
                   r.right - r.left, r.bottom - r.top, 0);
    runValue_.Apply(settings_.record.runWhenWindowsStarts, RunValueData(ModuleFolder()));
    filterShown_ = settings_.record.displayPCStartFilterList;
    ::ShowWindow(gbFilter_, filterShown_ ? SW_SHOW : SW_HIDE);
    ::ShowWindow(lvFilter_, filterShown_ ? SW_SHOW : SW_HIDE);
    SetTextSize(settings_.window.textSize);
    ::SendMessageW(tbInterval_, TBM_SETPOS, TRUE, settings_.record.recordInterval);
    UpdateIntervalLabel();
    RebuildMenus();
    Layout();
}

void TQuilmarWindow::ShowTrees() {
    for (auto& t : trees_) {
        t.SetImages(model_.Images());  // a loaded record brings its own images
        t.Rebuild();
    }
    UpdateTabs();
}

// IEntryHost
void TQuilmarWindow::HoldTreeRepaints(bool hold) { trees_[0].HoldRedraw(hold); }
void TQuilmarWindow::PumpMessages() { PumpPendingMessages(); }
void TQuilmarWindow::SaveSelectedRecord() { records_->SaveSelectedRecord(); }
void TQuilmarWindow::ReselectRecord() { records_->SelectRecord(); }
void TQuilmarWindow::RestoreSmartRecord() {
    bool on = store_.LoadSmartRecord();
    ::SendMessageW(cbSmartRecord_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    if (hooks_.smartRecord) hooks_.smartRecord(on);
}

void TQuilmarWindow::ShowLastRecordedPath() {
    SelectTab(0);
    UpdateTabs();
    SelectItemByPath(recorder_->LastRecordedPath());
}

// IStoreHost
void TQuilmarWindow::SetStatusTexts(const std::wstring& panel0, const std::wstring& panel1) {
    ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(panel0.c_str()));
    ::SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(panel1.c_str()));
}

void TQuilmarWindow::ShowSearchEntry() {
    if (searchEntry_) return;
    searchEntry_ = true;
    RebuildMenus();
}

void TQuilmarWindow::TreesChanged() {
    ShowTrees();
    hovered_ = nullptr;
}

void TQuilmarWindow::ShowProgress(bool show) {
    progressShown_ = show;
    for (HWND h : {pnlHint_, btnStop_, gauge_}) ::ShowWindow(h, show ? SW_SHOW : SW_HIDE);
    Layout();
}

void TQuilmarWindow::SetHint(const std::wstring& text) {
    // A save shows every item's path in turn: repainting the line for each of
    // thousands of items would cost more than the save, so it follows at most
    // every 30 ms (an empty text always goes through).
    ULONGLONG now = ::GetTickCount64();
    if (!text.empty() && now - hintShownAt_ < 30) return;
    hintShownAt_ = now;
    ::SetWindowTextW(pnlHint_, text.c_str());
}

void TQuilmarWindow::SetGauge(int position, int maximum) {
    ::SendMessageW(gauge_, PBM_SETRANGE32, 0, std::max(1, maximum));
    ::SendMessageW(gauge_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void TQuilmarWindow::Pump() { PumpPendingMessages(); }

bool TQuilmarWindow::Confirm(const std::wstring& text) {
    return ::MessageBoxW(Handle(), text.c_str(), kProductName, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

bool TQuilmarWindow::RunSettingsDialog() { return RunSettingsCommand(); }

bool TQuilmarWindow::RunSettingsCommand() {
    store_.Load(settings_, UserDataFolder(), runValue_.Present());
    store_.StoreReopen(TReopen::Nothing);
    if (!settingsDialog_->Show(Handle())) return false;
    store_.Store(settings_);
    ApplySettings();
    return true;
}

void TQuilmarWindow::RestartElevated() {
    TShellCall call = ElevationRelaunchCall(ModuleFolder(), L"");
    ::ShellExecuteW(Handle(), call.verb.c_str(), call.file.c_str(), nullptr, nullptr, call.show);
    try {
        store_.User().WriteBool(keys::kSectionDefault, keys::runasadmin, true);
    } catch (const TSettingsWriteError&) {
    }
    ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

std::optional<std::wstring> TQuilmarWindow::AskNewName(const std::wstring& current) {
    return renameDialog_.Ask(Handle(), current);
}

void TQuilmarWindow::PinOnWindows7() {
    int state = store_.User().ReadInteger(keys::kSectionInstall, keys::PinToTaskBar, 0);
    if (state == 0) {
        store_.User().WriteInteger(keys::kSectionInstall, keys::PinToTaskBar, 1);
    } else if (state == 1 && !isAdmin_) {
        store_.User().WriteInteger(keys::kSectionInstall, keys::PinToTaskBar, 2);
        std::wstring link = JoinPath(JoinPath(SpecialFolder(CSIDL_COMMON_PROGRAMS), kProductName), L"QuilMar.lnk");
        ::ShellExecuteW(Handle(), L"TaskbarPin", link.c_str(), nullptr, nullptr, SW_SHOW);
        ::ShellExecuteW(Handle(), L"StartPin", link.c_str(), nullptr, nullptr, SW_SHOW);
    }
}

void TQuilmarWindow::CreateSendToShortcut() {
    std::wstring link = JoinPath(SpecialFolder(CSIDL_SENDTO), L"Quilmar.lnk");
    if (PathExists(link)) return;
    ComPtr<IShellLinkW> shellLink;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&shellLink)))) return;
    shellLink->SetPath(ModulePath().c_str());
    shellLink->SetWorkingDirectory(ModuleFolder().c_str());
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(shellLink.As(&file))) file->Save(link.c_str(), TRUE);
}

void TQuilmarWindow::Reopen() {
    switch (store_.LoadReopen()) {
        case TReopen::AddItems: RunCommand(CmAdd); break;
        case TReopen::Record: RunCommand(CmRecord); break;
        case TReopen::SmartRecordOn:
            ::SendMessageW(cbSmartRecord_, BM_SETCHECK, BST_CHECKED, 0);
            if (hooks_.smartRecord) hooks_.smartRecord(true);
            break;
        case TReopen::Settings: RunCommand(CmSettings); break;
        case TReopen::StartupManager: RunCommand(CmStartupManager); break;
        case TReopen::Nothing: break;
    }
}

void TQuilmarWindow::FirstRun() {
    ::KillTimer(Handle(), kTimerFirstRun);
    // 2: the run-as-administrator commands are built per menu from the start flags.
    if (windowsVersion_ == L"windows 7") PinOnWindows7();
    store_.Load(settings_, UserDataFolder(), runValue_.Present());
    ApplySettings();
    bool haveRecords = records_->ListRecords();
    if (haveRecords) {
        recordList_.SelectOnly(store_.LoadRecordIndex());
        records_->SelectRecord();
        ProcessOwnCommandLine(args_, ContextMenuFilePath(), *recorder_, *this);
    }
    Layout();
    PumpPendingMessages();
    ::Sleep(3);
    if (windowsVersion_ == L"windows 7") CreateSendToShortcut();
    if (flags_.installRequested && hooks_.checkUpdate) hooks_.checkUpdate();
    if (haveRecords) {
        if (settings_.record.runSelectedRecs && flags_.startedAtWindowsStart) Replay1Click();
    } else {
        // The first record: a start with entries records at once; otherwise as
        // the record command does.
        if (!args_.empty() && args_[0] != L"/install" && args_[0] != L"/run")
            RecordOperation(true);
        else
            BtnRecClick();
        ProcessOwnCommandLine(args_, ContextMenuFilePath(), *recorder_, *this);
    }
    Reopen();
    startupInProgress_ = false;
}

void TQuilmarWindow::OnHandoff() {
    // Entries that arrive while a record operation pumps messages wait for its
    // end: added now, they would be saved to a record the run then replaces.
    if (recorder_->Running()) {
        handoffPending_ = true;
        return;
    }
    if (inHandoff_) return;
    inHandoff_ = true;
    try {
        HandleHandoffFile(HandoffFilePath(), *recorder_, *this);
    } catch (...) {
        inHandoff_ = false;
        throw;
    }
    inHandoff_ = false;
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
    w.smartRecord = ::SendMessageW(cbSmartRecord_, BM_GETCHECK, 0, 0) == BST_CHECKED;
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
        records_->SaveOpenRecord(TSaveRule::New);
    }
}

bool TQuilmarWindow::OnTreeKey(int tab, UINT key) {
    bool ctrl = ::GetKeyState(VK_CONTROL) < 0, shift = ::GetKeyState(VK_SHIFT) < 0;
    if (ctrl) {
        switch (key) {
            case 'A': trees_[tab].SelectTopLevelAndChildren(); return true;
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
        case VK_SPACE: QuickOpenItem(); return true;
        case VK_ESCAPE:
            // Every node of the All tree is deselected, whichever tree has the key.
            trees_[0].DeselectAll();
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
            if (!searchShown_) RunCommand(CmSearch);
            ::SetFocus(cbSearch_);
            return true;
        }
    }
    return ::IsDialogMessageW(Handle(), &msg) != FALSE;
}

void TQuilmarWindow::OnTreeHover(TTreeNode* node) {
    if (node == hovered_) return;
    hovered_ = node;
    if (!node || !model_.items.IsValid(node->Index())) return;
    SetStatusTexts(L"   Title : " + node->Text(), L" Location : " + model_.items.At(node->Index()).path);
}

void TQuilmarWindow::ShowHelp() {
    std::wstring help = ModuleFolder() + kProductName + L".chm";
    if (IsExistingFile(help))
        ::ShellExecuteW(Handle(), L"open", help.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    else
        OpenWeb(kOnlineGuide, SW_SHOWMAXIMIZED);
}

void TQuilmarWindow::OpenWeb(const std::wstring& address, int show) {
    ::ShellExecuteW(Handle(), L"open", address.c_str(), nullptr, nullptr, show);
}

void TQuilmarWindow::RunCommand(unsigned id) {
    if (RunItemCommand(id)) return;
    for (auto t : kTextSizes) {
        if (t.command == id) {
            SetTextSize(t.size);
            store_.User().WriteInteger(keys::kSectionDefault, keys::curTextSize, t.size);
            RebuildMenus();
            records_->SelectRecord();
            return;
        }
    }
    switch (id) {
        case CmMenuBar:
            SetMenuBar(!menuBar_);
            store_.User().WriteBool(keys::kSectionDefault, keys::MenuBar1, menuBar_);
            RebuildMenus();
            return;
        case CmStatusBar:
            SetStatusBarShown(!statusBarShown_);
            store_.User().WriteBool(keys::kSectionDefault, keys::StatusBar1, statusBarShown_);
            RebuildMenus();
            return;
        case CmRecordList:
            SetRecordListShown(!recordListShown_);
            store_.User().WriteBool(keys::kSectionDefault, keys::RecordList1, recordListShown_);
            RebuildMenus();
            return;
        case CmReplayAtStart:
            settings_.record.runSelectedRecs = !settings_.record.runSelectedRecs;
            store_.User().WriteBool(keys::kSectionDefault, keys::MnRunSelectedRecs, settings_.record.runSelectedRecs);
            return;
        case CmAlwaysRunAsAdmin:
            settings_.window.alwaysRunAsAdmin = !settings_.window.alwaysRunAsAdmin;
            store_.Common().WriteBool(keys::kSectionDefault, keys::AlwaysRunAsAdmin, settings_.window.alwaysRunAsAdmin);
            if (settings_.window.alwaysRunAsAdmin && !flags_.startedElevated) RunCommand(CmRunAsAdministrator);
            return;
        case CmOpenLocationAfterPaste:
            settings_.window.openLocationAfterPaste = !settings_.window.openLocationAfterPaste;
            store_.User().WriteBool(keys::kSectionDefault, keys::Openfilelocationafterpaste,
                                    settings_.window.openLocationAfterPaste);
            return;
        case CmOpenLocationAfterSent:
            settings_.window.openLocationAfterSendTo = !settings_.window.openLocationAfterSendTo;
            store_.User().WriteBool(keys::kSectionDefault, keys::Openfilelocationaftersendto,
                                    settings_.window.openLocationAfterSendTo);
            return;
        case CmSearch:
            searchShown_ = !searchShown_;
            ::ShowWindow(cbSearch_, searchShown_ ? SW_SHOW : SW_HIDE);
            ::ShowWindow(btnSearch_, searchShown_ ? SW_SHOW : SW_HIDE);
            if (searchShown_) ::SetFocus(cbSearch_);
            if (!searchShown_) records_->SelectRecord();
            RebuildMenus();
            Layout();
            return;
        case CmRecRefresh: records_->ListRecords(); return;
        case CmRecDelete: records_->DeleteSelectedRecords(); return;
        case CmRecRename: records_->RenameSelectedRecord(); return;
        case CmRecord: BtnRecClick(); return;
        case CmFullExpand:
        case CmFullCollapse:
            for (int t : {0, 2, 3, 1}) trees_[t].ExpandAll(id == CmFullExpand);
            return;
        case CmHelp: ShowHelp(); return;
        case CmHomePage: OpenWeb(kHomePage, SW_SHOWNORMAL); return;
        case CmOnlineGuide: OpenWeb(kOnlineGuide, SW_SHOWMAXIMIZED); return;
        case CmOpenApplicationPath:
            ::ShellExecuteW(Handle(), L"explore", ModuleFolder().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            return;
        case CmRecordMore: {
            POINT pt{};
            ::GetCursorPos(&pt);
            ShowPopup(TMenuTable::More, pt);
            return;
        }
        case CmStop: stopRequest_ = true; return;
        case CmSettings: RunSettingsCommand(); return;
        case CmAbout: ShowAboutBox(Handle()); return;
        case CmRunAsAdministrator: RestartElevated(); return;
        case CmExit: ::PostMessageW(Handle(), WM_CLOSE, 0, 0); return;
        default:
            if (hooks_.command) hooks_.command(id);
            return;
    }
}

LRESULT TQuilmarWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE:
            CreateChildren();
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wp));
            return 0;
        case WM_TIMER:
            if (wp == kTimerFirstRun) FirstRun();
            if (wp == kTimerFinish) TimerFinishTimer();
            return 0;
        case WM_COMMAND: {
            int id = LOWORD(wp), code = HIWORD(wp);
            HWND from = reinterpret_cast<HWND>(lp);
            if (from == recordList_.Handle()) {
                if (code == LBN_SELCHANGE) {
                    recordList_.CursorMovedByUser();
                    records_->SelectRecord();
                }
                return 0;
            }
            if (from == tbInterval_) return 0;
            switch (id) {
                case IdBtnRec: RunCommand(CmRecord); return 0;
                case IdBtnAdd: RunCommand(CmAdd); return 0;
                case IdBtnMore: RunCommand(CmRecordMore); return 0;
                case IdStop: RunCommand(CmStop); return 0;
                case IdSmartRecord: {
                    bool on = ::SendMessageW(cbSmartRecord_, BM_GETCHECK, 0, 0) == BST_CHECKED;
                    store_.User().WriteBool(keys::kSectionDefault, keys::cbSmartRecord, on);
                    if (hooks_.smartRecord) hooks_.smartRecord(on);
                    return 0;
                }
                case IdSearchButton: RunCommand(CmSearchGo); return 0;
                default:
                    if (!from) RunCommand(static_cast<unsigned>(id));  // menus and accelerators
                    return 0;
            }
        }
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lp) == tbInterval_) {
                settings_.record.recordInterval = static_cast<int>(::SendMessageW(tbInterval_, TBM_GETPOS, 0, 0));
                UpdateIntervalLabel();
                if (LOWORD(wp) == TB_ENDTRACK)
                    store_.User().WriteInteger(keys::kSectionDefault, keys::tbRecordInterval,
                                               settings_.record.recordInterval);
            }
            return 0;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (hdr->hwndFrom == tabs_ && hdr->code == TCN_SELCHANGE) {
                SelectTab(TabCtrl_GetCurSel(tabs_));
                return 0;
            }
            for (int i = 0; i < 4; ++i) {
                if (hdr->hwndFrom != trees_[i].Handle()) continue;
                if (hdr->code == TVN_GETINFOTIPW) {
                    auto* tip = reinterpret_cast<NMTVGETINFOTIPW*>(lp);
                    TTreeNode* n = trees_[i].NodeOf(tip->hItem);
                    if (n && model_.items.IsValid(n->Index()))
                        lstrcpynW(tip->pszText, model_.items.At(n->Index()).path.c_str(), tip->cchTextMax);
                    return 0;
                }
                bool handled = false;
                LRESULT r = trees_[i].OnNotify(hdr, handled);
                if (handled) return r;
            }
            return Default(msg, wp, lp);
        }
        case WM_DRAWITEM: {
            auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            if (dis->hwndItem == tabs_) {
                DrawTab(dis);
                return TRUE;
            }
            return FALSE;
        }
        case WM_SETCURSOR: {
            POINT pt{};
            ::GetCursorPos(&pt);
            ::ScreenToClient(Handle(), &pt);
            if (reinterpret_cast<HWND>(wp) == Handle() && SplitterHit(pt)) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
                return TRUE;
            }
            return Default(msg, wp, lp);
        }
        case WM_LBUTTONDOWN: {
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            if (SplitterHit(pt)) {
                draggingSplitter_ = true;
                ::SetCapture(Handle());
            }
            return 0;
        }
        case WM_MOUSEMOVE:
            if (draggingSplitter_) {
                recListWidth_ = std::max(Scale(40), static_cast<int>(static_cast<short>(LOWORD(lp))));
                Layout();
            }
            return 0;
        case WM_LBUTTONUP:
            if (draggingSplitter_) {
                draggingSplitter_ = false;
                ::ReleaseCapture();
            }
            return 0;
        case WM_CONTEXTMENU: {
            HWND from = reinterpret_cast<HWND>(wp);
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            if (pt.x == -1 && pt.y == -1) ::GetCursorPos(&pt);
            if (from == recordList_.Handle()) {
                ShowPopup(TMenuTable::RecList, pt);
            } else if (from == Handle() || from == tabs_) {
                ShowPopup(TMenuTable::App, pt);
            }
            return 0;
        }
        case WM_VKEYTOITEM:
            if (reinterpret_cast<HWND>(lp) == recordList_.Handle()) OnRecordListKey(LOWORD(wp));
            return -1;
        case WM_COPYDATA:
            // The payload only says "read the hand-off file now".
            OnHandoff();
            return 1;
        case WM_DEVICECHANGE:
            if (wp == DBT_DEVICEARRIVAL) RemovableDisks(true);
            return TRUE;
        case WM_EXITSIZEMOVE:
            StoreWindowState();
            return 0;
        case WM_CLOSE:
            stopRequest_ = true;
            StoreWindowState();
            ::DestroyWindow(Handle());
            return 0;
        case WM_DESTROY:
            ::SetMenu(Handle(), nullptr);
            ::PostQuitMessage(0);
            return 0;
        default:
            return Default(msg, wp, lp);
    }
}

}  // namespace qm

#include "app/mainwindow.h"

#include <commctrl.h>

#include "app/product.h"
#include "base/files.h"
#include "base/pathtext.h"

namespace qm {

TQuilmarWindow::TQuilmarWindow(TSettingsStore& store, std::vector<std::wstring> args, TStartFlags flags)
    : store_(store), args_(std::move(args)), flags_(flags), addOne_(model_) {
    records_ = std::make_unique<TRecordStore>(model_, settings_, &store_, recordList_,
                                              static_cast<IStoreHost&>(*this), ModulePath(),
                                              UserDataFolder());
}

TQuilmarWindow::~TQuilmarWindow() = default;

bool TQuilmarWindow::Create() {
    RegisterClassOnce(kMainWindowClass, CS_DBLCLKS, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)),
                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    int sw = ::GetSystemMetrics(SM_CXSCREEN);
    int sh = ::GetSystemMetrics(SM_CYSCREEN);
    TBounds b = store_.LoadBounds(sw, sh);
    bool normal = store_.LoadNormalState();
    recListWidth_ = store_.LoadRecListWidth();
    HWND hwnd = CreateWindowObject(WS_EX_APPWINDOW, kMainWindowClass, MainCaption().c_str(),
                                   WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, b.left, b.top, b.width, b.height, nullptr,
                                   nullptr);
    if (!hwnd) return false;
    if (!normal) {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof(wp);
        ::GetWindowPlacement(hwnd, &wp);
        wp.showCmd = SW_SHOWMAXIMIZED;
        ::SetWindowPlacement(hwnd, &wp);
    }
    ::SetTimer(hwnd, kTimerFirstRun, 10, nullptr);
    return true;
}

void TQuilmarWindow::CreateChildren() {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    HWND list = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_EXTENDEDSEL | LBS_NOTIFY |
                                      LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT,
                                  0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(kIdRecordList), inst, nullptr);
    recordList_.Attach(list);
    statusBar_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | SBARS_SIZEGRIP, 0, 0, 0, 0, Handle(),
                                   reinterpret_cast<HMENU>(kIdStatusBar), inst, nullptr);
    int parts[] = {250, -1};
    ::SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"No Items Selected."));
    HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void TQuilmarWindow::Layout() {
    RECT rc{};
    ::GetClientRect(Handle(), &rc);
    int bottom = rc.bottom;
    if (statusBar_ && ::IsWindowVisible(statusBar_)) {
        ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
        RECT sr{};
        ::GetWindowRect(statusBar_, &sr);
        bottom -= sr.bottom - sr.top;
    }
    ::MoveWindow(recordList_.Handle(), 0, 0, recListWidth_, bottom, TRUE);
}

void TQuilmarWindow::PumpMessages() { PumpPendingMessages(); }
void TQuilmarWindow::Pump() { PumpPendingMessages(); }

void TQuilmarWindow::HoldTreeRepaints(bool) {}

void TQuilmarWindow::SaveSelectedRecord() { records_->SaveSelectedRecord(); }

void TQuilmarWindow::ReselectRecord() { records_->SelectRecord(); }

void TQuilmarWindow::RestoreSmartRecord() { smartRecord_ = store_.LoadSmartRecord(); }

void TQuilmarWindow::SetStatusTexts(const std::wstring& panel0, const std::wstring& panel1) {
    ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(panel0.c_str()));
    ::SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(panel1.c_str()));
}

bool TQuilmarWindow::Confirm(const std::wstring& text) {
    return ::MessageBoxW(Handle(), text.c_str(), kProductName, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

std::optional<std::wstring> TQuilmarWindow::AskNewName(const std::wstring& current) {
    return renameDialog_.Ask(Handle(), current);
}

void TQuilmarWindow::FirstRun() {
    ::KillTimer(Handle(), kTimerFirstRun);
    store_.Load(settings_, UserDataFolder(), false);
    if (records_->ListRecords()) {
        recordList_.SelectOnly(store_.LoadRecordIndex());
        records_->SelectRecord();
        ProcessOwnCommandLine(args_, ContextMenuFilePath(), addOne_, *this);
    } else {
        ProcessOwnCommandLine(args_, ContextMenuFilePath(), addOne_, *this);
    }
    startupInProgress_ = false;
}

void TQuilmarWindow::OnHandoff() {
    if (inHandoff_) return;
    inHandoff_ = true;
    try {
        HandleHandoffFile(HandoffFilePath(), addOne_, *this);
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
    w.smartRecord = smartRecord_;
    w.recListWidth = recListWidth_;
    w.recordIndex = recordList_.Cursor();
    store_.StoreWindowState(w);
}

void TQuilmarWindow::OnRecordListKey(WPARAM key) {
    bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    if (key == VK_DELETE) {
        records_->DeleteSelectedRecords();
    } else if (key == VK_F5) {
        records_->ListRecords();
    } else if (ctrl && key == 'A') {
        recordList_.SelectAll();
    } else if (ctrl && key == 'V') {
        records_->SaveOpenRecord(TSaveRule::New);
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
        case WM_TIMER:
            if (wp == kTimerFirstRun) FirstRun();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wp) == kIdRecordList && HIWORD(wp) == LBN_SELCHANGE) {
                recordList_.CursorMovedByUser();
                records_->SelectRecord();
            }
            return 0;
        case WM_VKEYTOITEM:
            if (reinterpret_cast<HWND>(lp) == recordList_.Handle()) {
                OnRecordListKey(LOWORD(wp));
                return -1;
            }
            return -1;
        case WM_COPYDATA:
            // The payload only says "read the hand-off file now".
            OnHandoff();
            return 1;
        case WM_EXITSIZEMOVE:
            StoreWindowState();
            return 0;
        case WM_CLOSE:
            stopRequest_ = true;
            StoreWindowState();
            ::DestroyWindow(Handle());
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return Default(msg, wp, lp);
    }
}

}  // namespace qm

#include "app/mainwindow.h"

#include "app/product.h"
#include "base/files.h"

namespace qm {

TQuilmarWindow::TQuilmarWindow(TSettingsStore& store, std::vector<std::wstring> args, TStartFlags flags)
    : store_(store), args_(std::move(args)), flags_(flags), addOne_(model_) {}

TQuilmarWindow::~TQuilmarWindow() = default;

bool TQuilmarWindow::Create() {
    RegisterClassOnce(kMainWindowClass, CS_DBLCLKS, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)),
                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    int sw = ::GetSystemMetrics(SM_CXSCREEN);
    int sh = ::GetSystemMetrics(SM_CYSCREEN);
    TBounds b = store_.LoadBounds(sw, sh);
    bool normal = store_.LoadNormalState();
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

void TQuilmarWindow::PumpMessages() { PumpPendingMessages(); }

void TQuilmarWindow::RestoreSmartRecord() { smartRecord_ = store_.LoadSmartRecord(); }

void TQuilmarWindow::FirstRun() {
    ::KillTimer(Handle(), kTimerFirstRun);
    store_.Load(settings_, UserDataFolder(), false);
    ProcessOwnCommandLine(args_, ContextMenuFilePath(), addOne_, *this);
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
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    ::GetWindowPlacement(Handle(), &wp);
    w.normal = !::IsZoomed(Handle());
    RECT r{};
    ::GetWindowRect(Handle(), &r);
    w.left = r.left;
    w.top = r.top;
    w.width = r.right - r.left;
    w.height = r.bottom - r.top;
    w.smartRecord = smartRecord_;
    w.recListWidth = store_.LoadRecListWidth();
    w.recordIndex = store_.LoadRecordIndex();
    store_.StoreWindowState(w);
}

LRESULT TQuilmarWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            if (wp == kTimerFirstRun) FirstRun();
            return 0;
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

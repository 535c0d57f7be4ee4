#include "companions/admin/adminwindow.h"

#include "ui/controls.h"

namespace qm {

TAdminLauncherWindow::TAdminLauncherWindow(std::vector<std::wstring> args, TAdminLaunchSeams seams)
    : args_(std::move(args)), seams_(std::move(seams)) {}

bool TAdminLauncherWindow::Create() {
    if (!RegisterClassOnce(kClassName, 0, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)),
                           ::GetSysColorBrush(COLOR_BTNFACE)))
        return false;
    unique_window_dc screen(nullptr);
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    const int w = ::MulDiv(330, dpi, 96), h = ::MulDiv(110, dpi, 96);
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    if (!CreateWindowObject(0, kClassName, kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, x, y, w, h, nullptr,
                            nullptr))
        return false;
    font_.reset(MakeFont(L"Tahoma", 9, FW_NORMAL, dpi));
    HWND label = CreateChild(Handle(), 0, L"STATIC", LauncherLabel(args_).c_str(), WS_VISIBLE | SS_CENTER | SS_NOPREFIX,
                             kIdLabel, font_.get());
    RECT client{};
    ::GetClientRect(Handle(), &client);
    ::MoveWindow(label, 0, (client.bottom - ::MulDiv(20, dpi, 96)) / 2, client.right, ::MulDiv(20, dpi, 96), FALSE);
    return true;
}

void TAdminLauncherWindow::Show() {
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
    ::UpdateWindow(Handle());
    ::SetTimer(Handle(), kTimer, kTimerMs, nullptr);
}

LRESULT TAdminLauncherWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            if (wp != kTimer) return 0;
            ::KillTimer(Handle(), kTimer);  // once
            RunAdminLauncher(args_, Handle(), seams_);
            ::DestroyWindow(Handle());
            return 0;
        case WM_DESTROY: ::PostQuitMessage(0); return 0;
        default: return Default(msg, wp, lp);
    }
}

}  // namespace qm

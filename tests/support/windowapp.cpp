// A plain program with one window for the placement tests: "QmTestWindowApp",
// titled "Window App", at 40,40 with 320 by 200 pixels. It ends when its window
// is closed or after 60 seconds.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = [](HWND w, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
        if (msg == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcW(w, msg, wp, lp);
    };
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"QmTestWindowApp";
    if (!::RegisterClassExW(&wc)) return 2;
    HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"Window App", WS_OVERLAPPEDWINDOW, 40, 40, 320, 200, nullptr,
                                    nullptr, instance, nullptr);
    if (!window) return 3;
    ::ShowWindow(window, show == SW_HIDE ? SW_SHOWNORMAL : show);
    ::SetTimer(nullptr, 0, 60000, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

// A stand-in for a running program with a window, copied under the name of
// the program it stands in for: it shows a top-level window (class
// "QmTitledWindow") with its first argument as the title, ends with exit code
// 7 when the window is asked to close, and ignores that request when its second
// argument is "stubborn" (then only termination ends it).
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

bool g_stubborn = false;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_CLOSE) {
        if (!g_stubborn) ::PostQuitMessage(7);
        return 0;
    }
    return ::DefWindowProcW(window, message, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::wstring title = argv && argc > 1 ? argv[1] : L"";
    g_stubborn = argv && argc > 2 && std::wstring(argv[2]) == L"stubborn";
    if (argv) ::LocalFree(argv);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"QmTitledWindow";
    if (!::RegisterClassExW(&wc)) return 2;
    HWND window = ::CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                                    100, nullptr, nullptr, instance, nullptr);
    if (!window) return 3;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 4;
}

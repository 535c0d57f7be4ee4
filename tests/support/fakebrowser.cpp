// A stand-in browser for the capture tests, run as a program of its own:
//   test_fakebrowser dde       answers "WWW_GetWindowInfo" as the DDE service "Firefox"
//   test_fakebrowser dde-hang  accepts the conversation but never answers a request
//   test_fakebrowser window    shows a window shaped like a current Chrome window
//                              whose address box (an edit control) holds "example.org/path"
// It signals the event "qmtest-fakebrowser-<pid>" once it is ready and ends after
// 60 seconds (or the number of seconds given as the second argument). In window
// mode the third, fourth and fifth arguments, when given, replace the window
// class, the window title and the edit control's text, so the same program
// (copied under another name) stands for other programs of the browser engines.
#include <windows.h>

#include <ddeml.h>

#include <string>

namespace {

DWORD g_instance = 0;
HSZ g_topic = nullptr;
bool g_hang = false;
const char kReply[] = "\"http://a/b\",\"Page B\",\"\"";
const wchar_t kReplyW[] = L"\"http://a/b\",\"Page B\",\"\"";

HDDEDATA CALLBACK DdeCallback(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    switch (type) {
        case XTYP_CONNECT:
            return reinterpret_cast<HDDEDATA>(static_cast<UINT_PTR>(::DdeCmpStringHandles(hsz1, g_topic) == 0));
        case XTYP_REQUEST:
            if (g_hang) {
                for (;;) ::Sleep(1000);  // a browser that stopped answering
            }
            if (format == CF_TEXT)
                return ::DdeCreateDataHandle(g_instance, reinterpret_cast<LPBYTE>(const_cast<char*>(kReply)),
                                             sizeof kReply, 0, hsz2, CF_TEXT, 0);
            if (format == CF_UNICODETEXT)
                return ::DdeCreateDataHandle(g_instance, reinterpret_cast<LPBYTE>(const_cast<wchar_t*>(kReplyW)),
                                             sizeof kReplyW, 0, hsz2, CF_UNICODETEXT, 0);
            return nullptr;
        default: return nullptr;
    }
}

bool StartDdeServer() {
    if (::DdeInitializeW(&g_instance, DdeCallback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) != DMLERR_NO_ERROR)
        return false;
    HSZ service = ::DdeCreateStringHandleW(g_instance, L"Firefox", CP_WINUNICODE);
    g_topic = ::DdeCreateStringHandleW(g_instance, L"WWW_GetWindowInfo", CP_WINUNICODE);
    return service && g_topic && ::DdeNameService(g_instance, service, nullptr, DNS_REGISTER);
}

struct TWindowShape {
    std::wstring cls = L"Chrome_WidgetWin_1";
    std::wstring title = L"Example Domain - Google Chrome";
    std::wstring editText = L"example.org/path";
};

bool ShowBrowserWindow(const TWindowShape& shape) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = shape.cls.c_str();
    if (!::RegisterClassExW(&wc)) return false;
    HWND top = ::CreateWindowExW(0, wc.lpszClassName, shape.title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                 640, 400, nullptr, nullptr, wc.hInstance, nullptr);
    if (!top) return false;
    // The edit control sits in a panel, as a browser's address box sits in its
    // toolbar: a reader must search all descendants, not only the children.
    HWND panel = ::CreateWindowExW(0, L"STATIC", L"Tabs", WS_CHILD | WS_VISIBLE, 0, 0, 640, 10, top, nullptr,
                                   wc.hInstance, nullptr);
    HWND edit =
        ::CreateWindowExW(0, L"EDIT", shape.editText.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10,
                          10, 400, 24, panel ? panel : top, nullptr, wc.hInstance, nullptr);
    return edit != nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"dde";
    UINT seconds = argc > 2 ? static_cast<UINT>(_wtoi(argv[2])) : 60;
    g_hang = mode == L"dde-hang";
    TWindowShape shape;
    if (argc > 3) shape.cls = argv[3];
    if (argc > 4) shape.title = argv[4];
    if (argc > 5) shape.editText = argv[5];
    bool ready = mode == L"window" ? ShowBrowserWindow(shape) : StartDdeServer();
    if (!ready) return 2;
    std::wstring name = L"qmtest-fakebrowser-" + std::to_wstring(::GetCurrentProcessId());
    HANDLE signal = ::CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    if (signal) ::SetEvent(signal);
    ::SetTimer(nullptr, 0, seconds * 1000, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (g_instance) ::DdeUninitialize(g_instance);
    if (signal) ::CloseHandle(signal);
    return 0;
}

#include "ui/window.h"

#include "base/guarded.h"
#include "base/strings.h"

namespace qm {

TWindowBase::~TWindowBase() {
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

bool TWindowBase::RegisterClassOnce(const wchar_t* className, UINT style, HICON icon, HBRUSH background,
                                    const wchar_t* menuName) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    if (::GetClassInfoExW(inst, className, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = &TWindowBase::StaticProc;
    wc.hInstance = inst;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszMenuName = menuName;
    wc.lpszClassName = className;
    return ::RegisterClassExW(&wc) != 0;
}

HWND TWindowBase::CreateWindowObject(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style,
                                     int x, int y, int w, int h, HWND parent, HMENU menu) {
    return ::CreateWindowExW(exStyle, className, caption, style, x, y, w, h, parent, menu, ::GetModuleHandleW(nullptr),
                             this);
}

LRESULT TWindowBase::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

LRESULT CALLBACK TWindowBase::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TWindowBase* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        self = static_cast<TWindowBase*>(cs->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<TWindowBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    // Unhandled errors are dropped without a message (what was done stays
    // done), and written to the fault log.
    try {
        result = self->HandleMessage(msg, wp, lp);
    } catch (const std::exception& e) {
        ReportFault(Format(L"window message 0x%04X", msg).c_str(), e.what());
    } catch (...) {
        ReportFault(Format(L"window message 0x%04X", msg).c_str(), nullptr);
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

bool PumpPendingMessages() {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(m.wParam));
            return false;
        }
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
    }
    return true;
}

}  // namespace qm

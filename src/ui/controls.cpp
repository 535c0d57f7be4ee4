#include "ui/controls.h"

#include "base/unique_any.h"

namespace qm {

HWND CreateChild(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int id,
                 HFONT font) {
    HWND h = ::CreateWindowExW(exStyle, className, text, WS_CHILD | style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    if (h && font) ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
}

int TextWidth(HWND control, HFONT font) {
    int n = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(control, text.data(), n + 1);
    unique_window_dc dc(control);
    if (!dc) return 0;
    unique_select_object select(dc.get(), font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), n, &size);
    return size.cx;
}

std::wstring WindowText(HWND window) {
    int n = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(window, text.data(), n + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

HFONT MakeFont(const wchar_t* family, int points, int weight, int dpi) {
    return ::CreateFontW(-::MulDiv(points, dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, family);
}

}  // namespace qm

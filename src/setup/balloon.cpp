#include "setup/balloon.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "base/strings.h"
#include "ui/controls.h"
#include "ui/ownerdraw.h"

namespace qm {

namespace {

constexpr int kIdTitle = 101;
constexpr int kIdBody = 102;
constexpr int kCorner = 7;

const wchar_t* IconResource(int icon) {
    switch (icon) {
        case kBalloonError: return L"ERROR";
        case kBalloonWarning: return L"WARNING";
        default: return L"INFO";
    }
}

SIZE LabelSize(HWND label, HFONT font) {
    unique_window_dc dc(label);
    int n = ::GetWindowTextLengthW(label);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(label, text.data(), n + 1)));
    SIZE size = CaptionSize(dc.get(), text.empty() ? std::wstring(L" ") : text, font);
    if (text.empty()) size.cx = 0;
    return size;
}

}  // namespace

TBalloonLayout LayoutBalloon(int x, int y, int style, SIZE titleSize, SIZE bodySize) {
    if (style < kBalloonBottomRight || style > kBalloonTopLeft) style = kBalloonTopLeft;
    TBalloonLayout l;
    l.tailUp = style == kBalloonTopRight || style == kBalloonTopLeft;
    const int down = l.tailUp ? 20 : 0;
    l.icon = {10, 10 + down};
    l.title = {34, 12 + down};
    l.body = {10, l.title.y + titleSize.cy + 8};
    l.height = l.body.y + bodySize.cy + (l.tailUp ? 10 : 30);
    l.width = std::max(l.body.x + bodySize.cx, l.title.x + titleSize.cx) + 10 + 30;
    const int w = l.width, h = l.height;
    switch (style) {
        case kBalloonBottomRight: l.left = x - w + 20, l.top = y - h; break;
        case kBalloonBottomLeft: l.left = x - 20, l.top = y - h; break;
        case kBalloonTopRight: l.left = x - w + 20, l.top = y - 2; break;
        default: l.left = x - 20, l.top = y - 2; break;
    }
    l.rounded = l.tailUp ? RECT{0, 22, w, h} : RECT{0, 0, w, h - 18};
    switch (style) {
        case kBalloonBottomRight:
            l.tail[0] = {w - 40, h - 20}, l.tail[1] = {w - 20, h}, l.tail[2] = {w - 20, h - 20};
            break;
        case kBalloonBottomLeft: l.tail[0] = {20, h - 20}, l.tail[1] = {20, h}, l.tail[2] = {40, h - 20}; break;
        case kBalloonTopRight: l.tail[0] = {w - 20, 2}, l.tail[1] = {w - 20, 22}, l.tail[2] = {w - 40, 22}; break;
        default: l.tail[0] = {20, 2}, l.tail[1] = {20, 22}, l.tail[2] = {40, 22}; break;
    }
    l.closeGlyph = {w - 30, l.tailUp ? 26 : 6};
    return l;
}

TBalloon::TBalloon() : background_(::CreateSolidBrush(::GetSysColor(COLOR_INFOBK))) {}

TBalloon::~TBalloon() {
    if (Handle()) ::KillTimer(Handle(), kHideTimer);
}

bool TBalloon::EnsureWindow() {
    if (Handle()) return true;
    if (!RegisterClassOnce(kClassName, CS_DROPSHADOW, nullptr, ::GetSysColorBrush(COLOR_INFOBK))) return false;
    if (!CreateWindowObject(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kClassName, L"", WS_POPUP, 0, 0, 10,
                            10, ::GetDesktopWindow(), nullptr))
        return false;
    unique_window_dc screen(nullptr);
    int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    font_.reset(MakeFont(L"Tahoma", 8, FW_NORMAL, dpi));
    boldFont_.reset(MakeFont(L"Tahoma", 8, FW_BOLD, dpi));
    CreateChild(Handle(), 0, L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_NOTIFY, kIdTitle, boldFont_.get());
    CreateChild(Handle(), 0, L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_NOTIFY, kIdBody, font_.get());
    HMODULE module = ::GetModuleHandleW(nullptr);
    closeGlyph_ = LoadBitmapResource(module, L"BClose", L"bmp");
    return true;
}

bool TBalloon::Show(int x, int y, int style, int seconds, int icon, const std::wstring& title,
                    const std::wstring& body) {
    if (!EnsureWindow()) return false;
    title_ = Trim(title);
    body_ = Trim(body);
    HWND titleLabel = ::GetDlgItem(Handle(), kIdTitle), bodyLabel = ::GetDlgItem(Handle(), kIdBody);
    ::SetWindowTextW(titleLabel, title_.c_str());
    ::SetWindowTextW(bodyLabel, body_.c_str());
    SIZE titleSize = LabelSize(titleLabel, boldFont_.get()), bodySize = LabelSize(bodyLabel, font_.get());
    layout_ = LayoutBalloon(x, y, style, titleSize, bodySize);
    ::MoveWindow(titleLabel, layout_.title.x, layout_.title.y, titleSize.cx, titleSize.cy, FALSE);
    ::MoveWindow(bodyLabel, layout_.body.x, layout_.body.y, bodySize.cx, bodySize.cy, FALSE);
    icon_ = LoadBitmapResource(::GetModuleHandleW(nullptr), IconResource(icon));
    ::SetWindowPos(Handle(), HWND_TOPMOST, layout_.left, layout_.top, layout_.width, layout_.height, SWP_NOACTIVATE);
    HRGN region = ::CreateRoundRectRgn(layout_.rounded.left, layout_.rounded.top, layout_.rounded.right,
                                       layout_.rounded.bottom, kCorner, kCorner);
    unique_hrgn tail(::CreatePolygonRgn(layout_.tail, 3, WINDING));
    if (region && tail) ::CombineRgn(region, region, tail.get(), RGN_OR);
    // The window owns the region from here on.
    if (region && !::SetWindowRgn(Handle(), region, TRUE)) ::DeleteObject(region);
    ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    ::SetTimer(Handle(), kHideTimer, static_cast<UINT>(std::max(1, seconds)) * 1000u, nullptr);
    return true;
}

void TBalloon::Hide() {
    if (!Handle()) return;
    ::KillTimer(Handle(), kHideTimer);
    ::ShowWindow(Handle(), SW_HIDE);
}

void TBalloon::StayOnTop() {
    ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TBalloon::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(Handle(), &ps);
    unique_hrgn outline(::CreateRectRgn(0, 0, 0, 0));
    if (outline && ::GetWindowRgn(Handle(), outline.get()) != ERROR)
        ::FrameRgn(dc, outline.get(), static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)), 1, 1);
    if (icon_) DrawTransparentBitmap(dc, icon_.get(), layout_.icon.x, layout_.icon.y);
    if (closeGlyph_) DrawTransparentBitmap(dc, closeGlyph_.get(), layout_.closeGlyph.x, layout_.closeGlyph.y);
    ::EndPaint(Handle(), &ps);
}

LRESULT TBalloon::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: Paint(); return 0;
        case WM_LBUTTONDOWN:
        case WM_TIMER: Hide(); return 0;
        case WM_COMMAND:
            if (HIWORD(wp) == STN_CLICKED) Hide();
            return 0;
        case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wp);
            ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
            ::SetBkColor(dc, ::GetSysColor(COLOR_INFOBK));
            return reinterpret_cast<LRESULT>(background_.get());
        }
        case WM_ACTIVATE:
        case WM_NCACTIVATE: StayOnTop(); return Default(msg, wp, lp);
        case WM_SHOWWINDOW:
            if (wp) StayOnTop();
            return Default(msg, wp, lp);
        case WM_SIZE:
            if (wp == SIZE_MINIMIZED) ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
            return 0;
        default: return Default(msg, wp, lp);
    }
}

namespace {

std::unique_ptr<TBalloon>& Shown() {
    static std::unique_ptr<TBalloon> balloon;
    return balloon;
}

// Hidden balloons wait here until the next call, so none is freed while a
// message of its own is still being handled.
std::vector<std::unique_ptr<TBalloon>>& Retired() {
    static std::vector<std::unique_ptr<TBalloon>> retired;
    return retired;
}

void Retire() {
    if (!Shown()) return;
    Shown()->Hide();
    Retired().push_back(std::move(Shown()));
}

}  // namespace

void ShowBalloon(int x, int y, int style, int seconds, int icon, const std::wstring& title, const std::wstring& body) {
    Retired().clear();
    Retire();
    Shown() = std::make_unique<TBalloon>();
    if (!Shown()->Show(x, y, style, seconds, icon, title, body)) Shown().reset();
}

void HideBalloon() {
    // Balloons hidden before are let go now; the one hidden here waits, as a
    // message for it may still be on its way.
    Retired().clear();
    Retire();
}

TBalloon* CurrentBalloon() { return Shown().get(); }

}  // namespace qm

#include "capture/placement.h"

#include <algorithm>

#include "base/strings.h"

namespace qm {

namespace {

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
    auto* monitors = reinterpret_cast<std::vector<TMonitor>*>(param);
    MONITORINFOEXW info{};
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoW(monitor, &info)) return TRUE;
    TMonitor m{info.szDevice, info.rcWork};
    if (info.dwFlags & MONITORINFOF_PRIMARY)
        monitors->insert(monitors->begin(), std::move(m));
    else
        monitors->push_back(std::move(m));
    return TRUE;
}

long Width(const RECT& r) { return r.right - r.left; }
long Height(const RECT& r) { return r.bottom - r.top; }

// The squared distance between the centres of two rectangles.
long long CentreDistance(const RECT& a, const RECT& b) {
    long long dx = (static_cast<long long>(a.left) + a.right) / 2 - (static_cast<long long>(b.left) + b.right) / 2;
    long long dy = (static_cast<long long>(a.top) + a.bottom) / 2 - (static_cast<long long>(b.top) + b.bottom) / 2;
    return dx * dx + dy * dy;
}

bool Overlaps(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

RECT Offset(RECT r, long dx, long dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    return r;
}

// The rectangle moved (and shrunk where it must be) to lie inside the area.
RECT Inside(RECT r, const RECT& area) {
    long w = std::min(Width(r), Width(area)), h = std::min(Height(r), Height(area));
    long left = std::clamp(r.left, area.left, area.right - w);
    long top = std::clamp(r.top, area.top, area.bottom - h);
    return RECT{left, top, left + w, top + h};
}

}  // namespace

std::vector<TMonitor> AttachedMonitors() {
    std::vector<TMonitor> monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

std::optional<TWindowPlace> PlaceOfWindow(HWND window) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    if (!::IsWindow(window) || !::GetWindowPlacement(window, &wp)) return std::nullopt;
    TWindowPlace place;
    place.state = ::IsIconic(window)   ? TShowState::Minimised
                  : ::IsZoomed(window) ? TShowState::Maximised
                                       : TShowState::Normal;
    place.normal = wp.rcNormalPosition;
    if (Width(place.normal) <= 0 || Height(place.normal) <= 0) return std::nullopt;
    MONITORINFOEXW info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) {
        place.monitor = info.szDevice;
        place.workArea = info.rcWork;
    }
    return place;
}

RECT RectOnMonitors(const TWindowPlace& place, const std::vector<TMonitor>& monitors) {
    if (monitors.empty()) return place.normal;
    bool recordedArea = Width(place.workArea) > 0 && Height(place.workArea) > 0;
    const TMonitor* target = nullptr;
    for (const TMonitor& m : monitors)
        if (!place.monitor.empty() && EqualsNoCase(m.device, place.monitor)) target = &m;
    if (!target) {
        // The monitor the window overlaps most plausibly: one it overlaps,
        // nearest by centre; otherwise the nearest of all.
        const RECT& where = place.normal;
        long long best = -1;
        for (const TMonitor& m : monitors) {
            long long d = CentreDistance(m.workArea, where) - (Overlaps(m.workArea, where) ? (1LL << 62) : 0);
            if (!target || d < best) {
                target = &m;
                best = d;
            }
        }
    }
    RECT r = place.normal;
    if (recordedArea)
        r = Offset(r, target->workArea.left - place.workArea.left, target->workArea.top - place.workArea.top);
    return Inside(r, target->workArea);
}

bool PutWindowPlace(HWND window, const TWindowPlace& place, const std::vector<TMonitor>& monitors) {
    RECT r = RectOnMonitors(place, monitors);
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    wp.showCmd = static_cast<UINT>(place.state);
    wp.ptMinPosition = POINT{-1, -1};
    wp.ptMaxPosition = POINT{-1, -1};
    wp.rcNormalPosition = r;
    if (::SetWindowPlacement(window, &wp)) return true;
    // Wine refuses the placement of another process's window; moving it and
    // then showing it in its state is the same for a window that was just
    // opened.
    if (!::SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                        SWP_NOZORDER | SWP_NOACTIVATE))
        return false;
    if (place.state != TShowState::Normal) ::ShowWindowAsync(window, static_cast<int>(place.state));
    return true;
}

}  // namespace qm

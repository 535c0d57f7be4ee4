#include "records/itemextras.h"

#include <vector>

#include "base/strings.h"

namespace qm {

namespace {

// Coordinates beyond this are no screen anybody has.
constexpr int kCoordinateLimit = 1 << 20;

std::optional<std::vector<int>> ParseInts(const std::wstring& text, size_t count) {
    std::vector<int> values;
    for (const std::wstring& part : SplitAt(Trim(text), L' ')) {
        if (part.empty()) continue;
        int v = 0;
        if (!TryParseInt(part, v) || v < -kCoordinateLimit || v > kCoordinateLimit) return std::nullopt;
        values.push_back(v);
    }
    if (values.size() != count) return std::nullopt;
    return values;
}

}  // namespace

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
bool operator==(const TWindowPlace& a, const TWindowPlace& b) {
    return a.state == b.state && a.normal == b.normal && a.monitor == b.monitor && a.workArea == b.workArea;
}
bool operator==(const TBrowserTab& a, const TBrowserTab& b) {
    return a.browser == b.browser && a.window == b.window && a.index == b.index;
}

std::wstring RectText(const RECT& r) {
    return Format(L"%ld %ld %ld %ld", static_cast<long>(r.left), static_cast<long>(r.top), static_cast<long>(r.right),
                  static_cast<long>(r.bottom));
}

std::optional<RECT> ParseRect(const std::wstring& text) {
    auto v = ParseInts(text, 4);
    if (!v || (*v)[2] <= (*v)[0] || (*v)[3] <= (*v)[1]) return std::nullopt;
    return RECT{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
}

std::wstring PlacementText(const TWindowPlace& place) {
    return std::to_wstring(static_cast<int>(place.state)) + L" " + RectText(place.normal);
}

std::optional<TWindowPlace> ParsePlacement(const std::wstring& placement, const std::wstring& monitor,
                                           const std::wstring& workArea) {
    auto v = ParseInts(placement, 5);
    if (!v) return std::nullopt;
    TWindowPlace place;
    int state = (*v)[0];
    if (state != SW_SHOWNORMAL && state != SW_SHOWMINIMIZED && state != SW_SHOWMAXIMIZED) return std::nullopt;
    place.state = static_cast<TShowState>(state);
    RECT r{(*v)[1], (*v)[2], (*v)[3], (*v)[4]};
    if (r.right <= r.left || r.bottom <= r.top) return std::nullopt;
    place.normal = r;
    place.monitor = monitor;
    // A missing or damaged work area only costs the move onto another monitor.
    if (auto area = ParseRect(workArea)) place.workArea = *area;
    return place;
}

std::optional<TBrowserTab> ParseBrowserTab(const std::wstring& browser, const std::wstring& window,
                                           const std::wstring& index) {
    TBrowserTab tab;
    tab.browser = Trim(browser);
    if (tab.browser.empty() || !TryParseInt(window, tab.window) || !TryParseInt(index, tab.index) || tab.window < 1 ||
        tab.index < 0)
        return std::nullopt;
    return tab;
}

}  // namespace qm

// What a record item may carry beyond its described fields: where its window
// was (placement, shown state and monitor) and, for a page read from a
// browser's session, the browser, the window and the place in its tab strip.
// They travel as extra attributes of the item's element in the tree file, which
// a reader that knows only the described attributes passes over.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace qm {

namespace attrs {
inline constexpr wchar_t kPlacement[] = L"placement";  // "showCmd left top right bottom"
inline constexpr wchar_t kMonitor[] = L"monitor";      // the monitor's device name
inline constexpr wchar_t kWorkArea[] = L"workArea";    // "left top right bottom"
inline constexpr wchar_t kBrowser[] = L"browser";      // the browser's executable
inline constexpr wchar_t kBrowserWindow[] = L"browserWindow";
inline constexpr wchar_t kTabIndex[] = L"tabIndex";
}  // namespace attrs

// The shown states a placement keeps.
enum class TShowState : int { Normal = SW_SHOWNORMAL, Minimised = SW_SHOWMINIMIZED, Maximised = SW_SHOWMAXIMIZED };

struct TWindowPlace {
    TShowState state = TShowState::Normal;
    RECT normal{};  // the restored rectangle, in workspace coordinates
    std::wstring monitor;
    RECT workArea{};
};

// A page of a browser session: the browser that showed it, its window (1, 2,
// ... in the order the session lists them) and its place in the tab strip.
struct TBrowserTab {
    std::wstring browser;
    int window = 0;
    int index = 0;
};

struct TItemExtras {
    std::optional<TWindowPlace> place;
    std::optional<TBrowserTab> tab;
    bool Empty() const { return !place && !tab; }
};

bool operator==(const RECT& a, const RECT& b);
bool operator==(const TWindowPlace& a, const TWindowPlace& b);
bool operator==(const TBrowserTab& a, const TBrowserTab& b);

// The attribute texts, and back. A text that is not a usable value (a
// rectangle without size or of absurd size, an unknown state, numbers that do
// not parse) gives nothing, so a damaged attribute is ignored.
std::wstring RectText(const RECT& r);
std::optional<RECT> ParseRect(const std::wstring& text);
std::wstring PlacementText(const TWindowPlace& place);
std::optional<TWindowPlace> ParsePlacement(const std::wstring& placement, const std::wstring& monitor,
                                           const std::wstring& workArea);
std::optional<TBrowserTab> ParseBrowserTab(const std::wstring& browser, const std::wstring& window,
                                           const std::wstring& index);

}  // namespace qm

// The browser-page query: the pages of the browsers that answer the DDE request
// "WWW_GetWindowInfo", then the page of the first browser window (Chrome, Edge,
// Firefox and their kin) whose address box shows a web address.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/runningapps.h"
#include "capture/sources.h"

namespace qm {

// A "WWW_GetWindowInfo" reply: quoted fields separated by commas, the address
// first and the title second. Nothing for an empty or ignorable address or a
// reply without a second field; a title that is missing or empty is the address.
std::optional<TLocationPair> ParseDdeReply(const std::wstring& reply);

// The DDE client of the browser-page query. It keeps its DDE instance from the
// first query until it is destroyed; each query connects to each service in turn.
class TWebbrowserActiveUrl {
public:
    // timeoutMs bounds each request, so a hung browser holds a query only briefly.
    explicit TWebbrowserActiveUrl(DWORD timeoutMs = 1000);
    ~TWebbrowserActiveUrl();
    TWebbrowserActiveUrl(const TWebbrowserActiveUrl&) = delete;
    TWebbrowserActiveUrl& operator=(const TWebbrowserActiveUrl&) = delete;

    // Asks "Firefox", "Netscape", "Mosaic", "Netscp6" and "Mozilla"; the pages
    // found are kept until the next query.
    const std::vector<TLocationPair>& Query();
    const std::vector<TLocationPair>& Pages() const { return pages_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::vector<TLocationPair> pages_;
};

// Whether the executable is a web browser whose windows of the Chromium and
// Mozilla window classes show pages (Chrome, Edge, Firefox, Brave, Vivaldi,
// Opera, Chromium), told by its file name. Code editors, chat and mail
// programs built on the same engines share those window classes.
bool IsKnownBrowser(const std::wstring& executablePath);

// The scheme put in front of an address box's text that has none. Old Chrome
// hid only "http://" and showed "https://"; current browsers hide both, and
// try "https://" first for an address typed without one, as most pages are
// secure now (a plain page mostly answers it by sending the browser on).
inline constexpr wchar_t kOldChromeScheme[] = L"http://";
inline constexpr wchar_t kCurrentBrowserScheme[] = L"https://";

// The web address an address box's text stands for, or nothing when the text
// is no web address. Text with "http://" or "https://" stays as it is (trimmed);
// text without a scheme gets defaultScheme in front when it begins with a host:
// a dotted host name ("example.org", also with letters beyond ASCII),
// "localhost", an IPv4 or bracketed IPv6 address, each optionally with a port.
// Words with spaces, e-mail addresses, other schemes ("chrome://", "file:///",
// "about:") and ignorable addresses give nothing.
std::optional<std::wstring> WebAddressOf(const std::wstring& boxText, const wchar_t* defaultScheme);

// The window title without the browser's name (" - Google Chrome", " — Mozilla Firefox", ...).
std::wstring StripBrowserSuffix(const std::wstring& windowTitle);

// The pair of a browser window: nothing when the address box's text is no web
// address; otherwise the web address with the title (the address when the
// title is empty).
std::optional<TLocationPair> BrowserPair(const std::wstring& boxText, const std::wstring& title,
                                         const wchar_t* defaultScheme);

// Reads the address box of a browser window.
class IAddressBoxReader {
public:
    virtual ~IAddressBoxReader() = default;
    // Nothing when the window has no readable address box.
    virtual std::optional<std::wstring> Address(HWND browserWindow) = 0;
};

// Through UI Automation: the value of the first edit control below the window
// that has a value. COM must be initialised by the caller.
class TUiaAddressBoxReader : public IAddressBoxReader {
public:
    TUiaAddressBoxReader();
    ~TUiaAddressBoxReader() override;
    std::optional<std::wstring> Address(HWND browserWindow) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Old Chrome ("Chrome_WidgetWin_0" windows of a known browser): the texts of
// the window's children up to its "Chrome_OmniboxView", the first the title and
// the second the address. imageOf gives the executable of a window's process.
std::optional<TLocationPair> OldChromePage(const TWindowPathFn& imageOf = ExecutableOfWindow);

// The first visible window of the Chromium or Mozilla class that belongs to a
// known browser and whose address box shows a web address. A window that
// gives nothing (no readable box, an empty box, text that is no address)
// gives way to the next; at most a few browser windows are asked.
std::optional<TLocationPair> CurrentBrowserPage(IAddressBoxReader& reader,
                                                const TWindowPathFn& imageOf = ExecutableOfWindow);

// Old Chrome first, then the current browsers.
std::optional<TLocationPair> BrowserWindowPage(IAddressBoxReader& reader,
                                               const TWindowPathFn& imageOf = ExecutableOfWindow);

// The real query: the DDE browsers' pages followed by every tab of the
// browsers' session files (sessionPages, when given), or where those give
// nothing, the browser window's page.
class TBrowserPageQuery : public IBrowserPages {
public:
    explicit TBrowserPageQuery(std::function<std::vector<TLocationPair>()> sessionPages = {});
    ~TBrowserPageQuery() override;
    std::vector<TLocationPair> Query() override;

private:
    std::unique_ptr<TWebbrowserActiveUrl> dde_;  // created on first use
    std::unique_ptr<TUiaAddressBoxReader> reader_;
    std::function<std::vector<TLocationPair>()> sessionPages_;
};

}  // namespace qm

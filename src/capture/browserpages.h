// The browser-page query: the pages of the browsers that answer the DDE request
// "WWW_GetWindowInfo", then the page of the first Chrome, Edge or Firefox window,
// read from its address box.
#pragma once
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/sources.h"

namespace qm {

// The browser pages as the open-location scan asks for them.
class IBrowserPages {
public:
    virtual ~IBrowserPages() = default;
    virtual std::vector<TLocationPair> Query() = 0;
};

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

// "http://" in front of an address that begins with neither "http://" nor "https://".
std::wstring CompleteWebAddress(const std::wstring& address);

// The window title without the browser's name (" - Google Chrome", " — Mozilla Firefox", ...).
std::wstring StripBrowserSuffix(const std::wstring& windowTitle);

// The pair of a browser window: nothing for an ignorable address; otherwise the
// completed address with the title (the address when the title is empty).
std::optional<TLocationPair> BrowserPair(const std::wstring& address, const std::wstring& title);

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

// Old Chrome ("Chrome_WidgetWin_0" windows): the texts of the window's children
// up to its "Chrome_OmniboxView", the first the title and the second the address.
std::optional<TLocationPair> OldChromePage();

// The first visible Chrome, Edge or Firefox window whose address box can be read.
std::optional<TLocationPair> CurrentBrowserPage(IAddressBoxReader& reader);

// Old Chrome first, then the current browsers.
std::optional<TLocationPair> BrowserWindowPage(IAddressBoxReader& reader);

// The real query: the DDE browsers' pages followed by the browser window's page.
class TBrowserPageQuery : public IBrowserPages {
public:
    TBrowserPageQuery();
    ~TBrowserPageQuery() override;
    std::vector<TLocationPair> Query() override;

private:
    std::unique_ptr<TWebbrowserActiveUrl> dde_;  // created on first use
    std::unique_ptr<TUiaAddressBoxReader> reader_;
};

}  // namespace qm

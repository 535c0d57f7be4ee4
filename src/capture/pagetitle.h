// The title of a web page, for addresses that are dropped on the window or
// pasted without one: fetched with WinHTTP on the window's thread, so every
// wait is bounded in time and the read in size, and on any failure the
// address is the caption.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

struct TPageTitleOptions {
    DWORD timeoutMs = 4000;       // connect, send and receive, and the whole fetch
    size_t maxBytes = 64 * 1024;  // what is read of the page at most
    static constexpr size_t kMaxTitle = 260;
};

// The title in a page's first bytes: the text of its <title> element (the tag
// found without regard to case), decoded by the charset the Content-Type
// header or the page declares (UTF-8 when the bytes are valid UTF-8, else the
// Windows Western code page), with entities decoded, white space collapsed
// and at most 260 characters. Nothing when the page has no title.
std::optional<std::wstring> ExtractPageTitle(std::string_view bytes, std::string_view contentType = {});

// Fetches the page (only http:// and https:// addresses) and extracts its
// title; nothing on any failure (no answer in time, an error status, no title).
std::optional<std::wstring> FetchPageTitle(const std::wstring& address, const TPageTitleOptions& options = {});

// The caption of a web address: its page's title, or the address itself.
std::wstring PageCaption(const std::wstring& address, const TPageTitleOptions& options = {});

// What a caller that captions addresses holds as its seam (PageCaption in
// the program, a fake in tests).
using TPageTitleFn = std::function<std::wstring(const std::wstring& address)>;

}  // namespace qm

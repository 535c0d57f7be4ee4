// Every tab of every browser, read from the browsers' own session files at
// record time: the Chromium family (Chrome, Edge, Brave, Vivaldi, Opera,
// Chromium) keeps its open windows and tabs in the profile's "Sessions" folder
// as a command log ("SNSS"); Firefox keeps them in
// "sessionstore-backups\recovery.jsonlz4" ("mozLz40", then an LZ4 block of
// JSON). Private windows are never written there, and a window marked private
// is passed over. A file that is damaged or cut short gives nothing.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/sources.h"

namespace qm {

struct TSessionTab {
    std::wstring url;
    std::wstring title;
};

// The windows of a session in the order the file lists them, each with its
// tabs in tab-strip order.
using TSessionWindows = std::vector<std::vector<TSessionTab>>;

// A Chromium session file ("SNSS", version 1 or 3, then commands). Tabs and
// windows that were closed, windows that are not browser windows, and pages
// that are no web pages are left out.
std::optional<TSessionWindows> ParseSnss(std::string_view bytes);

// The JSON inside a "mozLz40" file; nothing for a file without the mark or
// whose block does not decode to the size the header gives.
std::optional<std::string> DecodeMozLz4(std::string_view bytes);
// The open windows of a Firefox session (its JSON text).
std::optional<TSessionWindows> ParseFirefoxSession(std::string_view json);

// A session file of an installed browser.
struct TSessionSource {
    std::wstring browser;  // the browser's executable
    std::wstring file;
    bool firefox = false;
};

// Where the browsers keep their sessions, under the user's local and roaming
// application data folders: the newest "Session_*" file of each Chromium
// profile (or its "Current Session"), and the recovery file of each Firefox
// profile. browserOf names the executable of a browser by its file name
// ("chrome.exe") and gives nothing for a browser that is not installed.
std::vector<TSessionSource> FindSessionSources(const std::wstring& localAppData, const std::wstring& roamingAppData,
                                               const std::function<std::wstring(const std::wstring&)>& browserOf);

// The executable the system registers for a program file name (App Paths).
std::wstring RegisteredProgram(const std::wstring& fileName);

// Reads a session source; nothing when it cannot be read.
std::optional<TSessionWindows> ReadSessionSource(const TSessionSource& source);

// The tabs of the sources as record locations: one pair per tab, with its
// browser, window (counted from 1 for each browser) and place in the strip.
// Sources of the same browser number their windows on.
std::vector<TLocationPair> SessionPages(const std::vector<TSessionSource>& sources);

// The real desktop's session pages (empty when no session file can be read).
std::vector<TLocationPair> BrowserSessionPages();

}  // namespace qm

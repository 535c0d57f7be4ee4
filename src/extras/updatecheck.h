// The update check: "Check For &Update" and a start with "/install" fetch the
// update file over https, compare its version with the program's own, and on
// a newer version offer its download page. The file goes to a temporary file
// of the temp folder, which is deleted however the check ends; the link is
// opened only when it is an http(s) address on the product's own host.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace qm {

struct TUpdateConfig {
    std::wstring address;      // the update file, an https address
    std::wstring productHost;  // the only host a download link may name
    int versionTenths = 0;     // the running program's version in tenths (30 for 3.0)
    std::wstring caption;      // the caption of the messages
    DWORD deadlineMs = 5000;   // the most the check waits for the server
};

enum class TUpdateOutcome {
    Offered,        // a newer version was offered and its page opened
    Declined,       // a newer version was offered and declined
    NoUpdate,       // the update file names this version or an older one
    CouldNotCheck,  // no answer in time, no connection, or a damaged update file
};

// What the update file says: its first "item"'s "link" and "version" texts.
struct TUpdateInfo {
    std::wstring link;
    std::wstring version;
};

// Reads the update file: the first element inside the document element, the
// first "item" element inside that, and that item's "link" and "version".
// Nothing when the file is not well-formed XML or lacks them.
std::optional<TUpdateInfo> ReadUpdateFile(const std::wstring& path);

// A version written as digits with at most one decimal, after a "." whatever
// the user's decimal separator ("3.1" is 31 tenths); nothing for other text.
std::optional<int> VersionTenths(const std::wstring& text);
// "3.1" for 31.
std::wstring VersionText(int tenths);
// The link is an http or https address on the host (no user name, nothing a
// browser would read as parameters).
bool IsProductLink(const std::wstring& link, const std::wstring& host);
// "You have version 3.0. Version 3.1 is available from our web site.Do you want to download now?"
std::wstring UpdateQuestion(int haveTenths, int availableTenths);

inline constexpr wchar_t kNoConnection[] = L"Unable to connect to the Internet, make sure you are connected!";
inline constexpr wchar_t kUnreadableUpdate[] = L"The update information could not be read.";

class TUpdateCheck {
public:
    explicit TUpdateCheck(TUpdateConfig config) : config_(std::move(config)) {}

    // The address and deadline are changed by tests only.
    TUpdateConfig& Config() { return config_; }

    // Runs the check; the window's messages keep running while it waits.
    // silent (the start with "/install"): only a newer version is told; the
    // menu command also says that there is no update or that it could not check.
    TUpdateOutcome Run(HWND owner, bool silent);

private:
    TUpdateOutcome Check(HWND owner, bool& unreadable);

    TUpdateConfig config_;
};

}  // namespace qm

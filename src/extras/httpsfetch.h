// Fetching a small file over https without holding up the window: WinINet
// works asynchronously while the calling (GUI) thread waits for it with its
// messages running, and gives up at a deadline. No thread of the program's own
// is started.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace qm {

enum class TFetchStatus {
    Ok,
    NotHttps,   // the address is not an https address: nothing was asked
    Failed,     // no connection, a certificate that is not trusted, an HTTP status other than 200
    TimedOut,   // the deadline passed first
    TooLarge,   // more than the most that was wanted
    Refused,    // the sink refused a part (it could not write it)
    Cancelled,  // the program is ending (WM_QUIT came while waiting)
};

struct TFetchResult {
    TFetchStatus status = TFetchStatus::Failed;
    DWORD error = 0;       // WinINet's or the system's error of a failure
    DWORD httpStatus = 0;  // once the server answered
    size_t bytes = 0;
};

struct TFetchRequest {
    std::wstring url;  // https only
    std::wstring userAgent;
    DWORD deadlineMs = 5000;      // for the whole fetch
    size_t maxBytes = 64 * 1024;  // a longer answer is refused
    // Takes each part of the body as it arrives; false stops the fetch.
    std::function<bool(std::string_view part)> sink;
    // Runs the thread's pending messages while the fetch waits; false when
    // the program is ending. PumpPendingMessages unless given.
    std::function<bool()> pump;
};

TFetchResult FetchHttps(const TFetchRequest& request);

}  // namespace qm

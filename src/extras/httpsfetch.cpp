#include "extras/httpsfetch.h"

#include <wininet.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "base/scope_exit.h"
#include "base/strings.h"
#include "base/unique_any.h"
#include "ui/window.h"

namespace qm {

namespace {

// What WinINet's own threads report. A worker may still call back for a
// request the program gave up at its deadline (one blocked on a server that
// never answers), so the state lives as long as the process, and calls for any
// request but the one waited for are ignored.
struct TCallbackState {
    std::mutex lock;
    unique_handle event{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    DWORD_PTR current = 0;  // the request waited for (0: none)
    DWORD_PTR next = 1;
    HINTERNET created = nullptr;
    bool complete = false;
    DWORD_PTR result = 0;
    DWORD error = 0;
};

TCallbackState& State() {
    static TCallbackState* state = new TCallbackState;  // never freed: see above
    return *state;
}

void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    TCallbackState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    if (context == 0 || context != s.current || !info) return;
    const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
    if (status == INTERNET_STATUS_HANDLE_CREATED) {
        s.created = reinterpret_cast<HINTERNET>(result->dwResult);
    } else if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
        s.complete = true;
        s.result = result->dwResult;
        s.error = result->dwError;
        ::SetEvent(s.event.get());
    }
}

// The buffers an operation in progress writes into. One abandoned with an
// operation still in progress is left to WinINet rather than freed under it.
struct TTransfer {
    DWORD available = 0;
    DWORD got = 0;
    char data[8192];
};

enum class TWait { Done, TimedOut, Cancelled };

struct TCompletion {
    DWORD_PTR result = 0;
    DWORD error = 0;
};

TWait WaitForCompletion(ULONGLONG deadline, const std::function<bool()>& pump, TCompletion& completion) {
    TCallbackState& s = State();
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(s.lock);
            if (s.complete) {
                s.complete = false;
                completion = {s.result, s.error};
                return TWait::Done;
            }
        }
        ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return TWait::TimedOut;
        HANDLE event = s.event.get();
        DWORD wait = ::MsgWaitForMultipleObjectsEx(1, &event, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                                   MWMO_INPUTAVAILABLE);
        if (wait == WAIT_OBJECT_0 + 1 && !pump()) return TWait::Cancelled;
        if (wait == WAIT_FAILED) return TWait::TimedOut;
    }
}

TFetchStatus StatusOf(TWait wait) {
    return wait == TWait::Cancelled ? TFetchStatus::Cancelled : TFetchStatus::TimedOut;
}

constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_SECURE;

}  // namespace

TFetchResult FetchHttps(const TFetchRequest& request) {
    TFetchResult out;
    std::wstring url = Trim(request.url);
    if (!StartsWithNoCase(url, L"https://")) {
        out.status = TFetchStatus::NotHttps;
        return out;
    }
    // One fetch at a time: a second one asked for while the first waits
    // (from a message the wait lets through) is refused.
    static bool fetching = false;
    if (fetching) {
        out.error = ERROR_BUSY;
        return out;
    }
    fetching = true;
    scope_exit done([] { fetching = false; });
    std::function<bool()> pump = request.pump ? request.pump : [] { return PumpPendingMessages(); };
    ULONGLONG deadline = ::GetTickCount64() + request.deadlineMs;

    unique_hinternet session(::InternetOpenW(request.userAgent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                                             INTERNET_FLAG_ASYNC));
    if (!session) {
        out.error = ::GetLastError();
        return out;
    }
    ::InternetSetStatusCallbackW(session.get(), &StatusCallback);
    DWORD timeout = request.deadlineMs;
    for (DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionW(session.get(), option, &timeout, sizeof(timeout));

    TCallbackState& s = State();
    DWORD_PTR context = 0;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        context = s.next++;
        s.current = context;
        s.created = nullptr;
        s.complete = false;
        ::ResetEvent(s.event.get());
    }
    auto transfer = std::make_unique<TTransfer>();
    bool pending = false;
    // Runs before the handles close: whatever WinINet reports later is ignored.
    unique_hinternet handle;
    scope_exit forget([&] {
        std::lock_guard<std::mutex> hold(s.lock);
        if (s.current == context) s.current = 0;
        if (pending) transfer.release();
    });

    handle.reset(::InternetOpenUrlW(session.get(), url.c_str(), nullptr, 0, kRequestFlags, context));
    TCompletion completion;
    if (!handle) {
        DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) {
            out.error = error;
            return out;
        }
        TWait wait = WaitForCompletion(deadline, pump, completion);
        if (wait != TWait::Done) {
            std::lock_guard<std::mutex> hold(s.lock);
            handle.reset(s.created);  // closed with the session, before the function returns
            out.status = StatusOf(wait);
            return out;
        }
        if (!completion.result) {
            out.error = completion.error;
            return out;
        }
        handle.reset(reinterpret_cast<HINTERNET>(completion.result));
    }

    DWORD code = 0, size = sizeof(code);
    if (!::HttpQueryInfoW(handle.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr)) {
        out.error = ::GetLastError();
        return out;
    }
    out.httpStatus = code;
    if (code != HTTP_STATUS_OK) return out;
    // The length the server gives ends the body: Wine's reader of a secure
    // connection notices the server's close only at the receive timeout.
    DWORD length = 0;
    size = sizeof(length);
    bool lengthKnown = ::HttpQueryInfoW(handle.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length,
                                        &size, nullptr) != FALSE;
    if (lengthKnown && length > request.maxBytes) {
        out.status = TFetchStatus::TooLarge;
        return out;
    }

    while (!lengthKnown || out.bytes < length) {
        if (::GetTickCount64() >= deadline) {
            out.status = TFetchStatus::TimedOut;
            return out;
        }
        transfer->available = 0;
        if (!::InternetQueryDataAvailable(handle.get(), &transfer->available, 0, 0)) {
            DWORD error = ::GetLastError();
            if (error != ERROR_IO_PENDING) {
                out.error = error;
                return out;
            }
            pending = true;
            TWait wait = WaitForCompletion(deadline, pump, completion);
            if (wait != TWait::Done) {
                out.status = StatusOf(wait);
                return out;
            }
            pending = false;
            if (!completion.result) {
                out.error = completion.error;
                return out;
            }
            continue;  // asked again, the answer is at hand now
        }
        if (transfer->available == 0) break;
        DWORD want = std::min<DWORD>(transfer->available, sizeof(transfer->data));
        transfer->got = 0;
        // What the server sent is at hand: the read does not wait.
        if (!::InternetReadFile(handle.get(), transfer->data, want, &transfer->got)) {
            out.error = ::GetLastError();
            pending = out.error == ERROR_IO_PENDING;
            return out;
        }
        if (transfer->got == 0) break;
        out.bytes += transfer->got;
        if (out.bytes > request.maxBytes) {
            out.status = TFetchStatus::TooLarge;
            return out;
        }
        if (request.sink && !request.sink(std::string_view(transfer->data, transfer->got))) {
            out.status = TFetchStatus::Refused;
            return out;
        }
    }
    out.status = TFetchStatus::Ok;
    return out;
}

}  // namespace qm

// A small base for windows in the classic style: the static window procedure
// forwards to the object's HandleMessage. An error that escapes a handler is
// dropped here, so no command can take the window down.
#pragma once
#include <windows.h>

namespace qm {

class TWindowBase {
public:
    TWindowBase() = default;
    TWindowBase(const TWindowBase&) = delete;
    TWindowBase& operator=(const TWindowBase&) = delete;
    virtual ~TWindowBase();

    HWND Handle() const { return hwnd_; }

protected:
    // Registers the class once per process (later calls are no-ops).
    static bool RegisterClassOnce(const wchar_t* className, UINT style, HICON icon, HBRUSH background,
                                  const wchar_t* menuName = nullptr);
    HWND CreateWindowObject(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int x, int y,
                            int w, int h, HWND parent, HMENU menu);

    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(hwnd_, msg, wp, lp); }

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

// Lets every pending message run (timers, input, paints) and returns. A WM_QUIT
// seen on the way is posted again so the main loop still ends; the answer is
// then false, so a caller waiting for something can give up.
bool PumpPendingMessages();

// A long operation's pump: lets the pending messages run at most every few
// milliseconds. An operation that offers to pump for every item of thousands
// would otherwise spend its time asking the system for messages that are not
// there; input and paints still come many times a second.
class TPacedPump {
public:
    static constexpr ULONGLONG kPaceMs = 10;
    void operator()() {
        ULONGLONG now = ::GetTickCount64();
        if (last_ != 0 && now - last_ < kPaceMs) return;
        PumpPendingMessages();
        last_ = ::GetTickCount64();
    }

private:
    ULONGLONG last_ = 0;
};

}  // namespace qm

// Drives a modal dialog from a thread timer on the test thread: each tick runs
// the next step of a script while the dialog's own modal loop is running. A step
// returns false when what it waits for is not there yet; it then runs again on
// the next tick. A dialog still open after the last step is cancelled, so a
// failing expectation cannot leave the test hanging.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

class TDialogScript {
public:
    using TStep = std::function<bool()>;

    // dialog: the window the script works on (null while it is not up yet).
    static void Start(std::function<HWND()> dialog, std::vector<TStep> steps) {
        State& s = Get();
        s.dialog = std::move(dialog);
        s.steps = std::move(steps);
        s.next = 0;
        s.forcedClose = false;
        s.timer = ::SetTimer(nullptr, 0, 50, &TDialogScript::Tick);
    }

    // After the dialog has returned: every step ran and none had to be forced.
    static bool Completed() {
        State& s = Get();
        Stop();
        return s.next == s.steps.size() && !s.forcedClose;
    }

    static void Stop() {
        State& s = Get();
        if (s.timer) ::KillTimer(nullptr, s.timer);
        s.timer = 0;
    }

private:
    struct State {
        std::function<HWND()> dialog;
        std::vector<TStep> steps;
        size_t next = 0;
        bool forcedClose = false;
        UINT_PTR timer = 0;
    };
    static State& Get() {
        static State state;
        return state;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        State& s = Get();
        HWND dlg = s.dialog ? s.dialog() : nullptr;
        if (!dlg || !::IsWindowVisible(dlg)) return;
        if (s.next < s.steps.size()) {
            if (s.steps[s.next]()) ++s.next;
            return;
        }
        s.forcedClose = true;
        ::PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    }
};

// Presses a key on a control as the user would: through the dialog's loop.
inline void PressKey(HWND target, UINT vk) {
    ::PostMessageW(target, WM_KEYDOWN, vk, 0);
    ::PostMessageW(target, WM_KEYUP, vk, 0xC0000000);
}

inline std::wstring WindowText(HWND hwnd) {
    wchar_t buf[512] = {};
    ::GetWindowTextW(hwnd, buf, 512);
    return buf;
}

// A caption as the user reads it: mnemonic markers dropped.
inline std::wstring ShownText(HWND hwnd) {
    std::wstring text = WindowText(hwnd), shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

inline bool Visible(HWND hwnd) { return hwnd && ::IsWindowVisible(hwnd); }

inline bool IsChecked(HWND button) { return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A control's rectangle in its dialog's client coordinates.
inline RECT RectIn(HWND dialog, HWND control) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace qm::test

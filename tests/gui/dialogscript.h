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

#include "base/strings.h"

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

namespace qm::test {

// What a user would find untidy in a dialog: visible controls that overlap
// (a group box and the tab control hold others by design; a child dialog is
// checked on its own) and captions wider than their controls.
inline std::vector<std::string> LayoutProblems(HWND parent) {
    struct Item {
        HWND hwnd;
        RECT rect;
        std::string name;
    };
    auto nameOf = [](HWND h) {
        wchar_t cls[64] = {};
        ::GetClassNameW(h, cls, 64);
        std::string name = std::to_string(::GetDlgCtrlID(h)) + " ";
        for (wchar_t c : cls) {
            if (!c) break;
            name += static_cast<char>(c < 128 ? c : '?');
        }
        return name;
    };
    std::vector<std::string> problems;
    std::vector<Item> items;
    for (HWND h = ::GetWindow(parent, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(h)) continue;
        wchar_t cls[64] = {};
        ::GetClassNameW(h, cls, 64);
        std::wstring kind = cls;
        LONG style = ::GetWindowLongW(h, GWL_STYLE);
        if (kind == L"#32770") {
            for (std::string& p : LayoutProblems(h)) problems.push_back(std::move(p));
            continue;
        }
        RECT r = RectIn(parent, h);
        // The caption must fit.
        std::wstring text = WindowText(h);
        bool isButton = EqualsNoCase(kind, L"Button");
        bool isGroup = isButton && (style & BS_TYPEMASK) == BS_GROUPBOX;
        if (!text.empty() && (isButton || EqualsNoCase(kind, L"Static"))) {
            HDC dc = ::GetDC(h);
            HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0)));
            RECT need{0, 0, 0, 0};
            ::DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
            // A label taller than one line wraps its text: the wrapped text must fit its height.
            bool wraps = !isButton && (r.bottom - r.top) >= 2 * (need.bottom - need.top);
            RECT wrapped{0, 0, r.right - r.left, 0};
            if (wraps)
                ::DrawTextW(dc, text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
            ::SelectObject(dc, old);
            ::ReleaseDC(h, dc);
            if (wraps) {
                if (wrapped.bottom > r.bottom - r.top)
                    problems.push_back(nameOf(h) + " text needs " + std::to_string(wrapped.bottom) +
                                       " pixels of height, has " + std::to_string(r.bottom - r.top));
                if (isGroup || kind == L"SysTabControl32") continue;
                items.push_back({h, r, nameOf(h)});
                continue;
            }
            LONG width = need.right;
            LONG type = style & BS_TYPEMASK;
            if (isButton && !isGroup) {
                bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                           type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
                width += box ? ::GetSystemMetrics(SM_CXMENUCHECK) + 4 : 8;
            }
            if (width > r.right - r.left) {
                problems.push_back(nameOf(h) + " caption needs " + std::to_string(width) + " pixels, has " +
                                   std::to_string(r.right - r.left));
            }
        }
        if (isGroup || kind == L"SysTabControl32") continue;
        items.push_back({h, r, nameOf(h)});
    }
    for (size_t i = 0; i < items.size(); ++i) {
        for (size_t j = i + 1; j < items.size(); ++j) {
            RECT both{};
            if (::IntersectRect(&both, &items[i].rect, &items[j].rect))
                problems.push_back(items[i].name + " overlaps " + items[j].name);
        }
    }
    return problems;
}

}  // namespace qm::test

#include "app/commandbar.h"

#include <commctrl.h>

#include <algorithm>

#include "app/quilmarsettings.h"
#include "records/settings.h"
#include "ui/controls.h"

namespace qm {

void TCommandBar::Create(HWND parent, HFONT font, int interval) {
    parent_ = parent;
    font_ = font;
    constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    rec_ = CreateChild(parent, 0, WC_BUTTONW, L"&Record", kButton, kIdBtnRec, font);
    add_ = CreateChild(parent, 0, WC_BUTTONW, L"&Add ...", kButton, kIdBtnAdd, font);
    more_ = CreateChild(parent, 0, WC_BUTTONW, L"More..", kButton, kIdBtnMore, font);
    smartRecord_ = CreateChild(parent, 0, WC_BUTTONW, L"Smart Record", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                               kIdSmartRecord, font);
    // The interval panel stays hidden until Smart Record is switched on.
    intervalLabel_ = CreateChild(parent, 0, WC_STATICW, L"", SS_LEFT | SS_CENTERIMAGE, kIdIntervalLabel, font);
    interval_ = CreateChild(parent, 0, TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, kIdInterval, font);
    ::SendMessageW(interval_, TBM_SETRANGE, FALSE, MAKELPARAM(kMinRecordInterval, kMaxRecordInterval));
    SetInterval(interval);

    // The buttons' hints.
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, parent,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
    struct TTip {
        HWND control;
        const wchar_t* text;
    };
    for (TTip tip : {TTip{rec_, L"Scan and Add"}, TTip{add_, L"Add ..."}, TTip{more_, L"Click here for more..."}}) {
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = parent;
        ti.uId = reinterpret_cast<UINT_PTR>(tip.control);
        ti.lpszText = const_cast<wchar_t*>(tip.text);
        ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

int TCommandBar::Layout(int width, int dpi) {
    auto scale = [dpi](int v) { return ::MulDiv(v, dpi, 96); };
    int top = scale(4), bar = scale(26);
    int x = scale(4);
    auto place = [&](HWND h, int w) {
        ::MoveWindow(h, x, top, w, bar, TRUE);
        x += w + scale(4);
    };
    place(rec_, scale(64));
    place(add_, scale(60));
    place(more_, scale(52));
    place(smartRecord_, TextWidth(smartRecord_, font_) + scale(24));
    // PnlSmartRecord stretches to 10 pixels before the right edge; the trackbar is
    // 10 pixels narrower than the panel.
    int label = TextWidth(intervalLabel_, font_) + scale(6);
    int below = top + bar + scale(4);
    if (width - scale(10) - x - label - scale(10) < scale(100)) {
        // A narrow window puts the interval on a row of its own, so the trackbar
        // stays wide enough to use.
        x = scale(4);
        top = below;
        below += bar + scale(2);
    }
    int panel = std::max(0, width - scale(10) - x);
    label = std::min(panel, label);
    ::MoveWindow(intervalLabel_, x, top, label, bar, TRUE);
    ::MoveWindow(interval_, x + label, top, std::max(0, panel - label - scale(10)), bar, TRUE);
    return below;
}

bool TCommandBar::SmartRecordChecked() const { return ::SendMessageW(smartRecord_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCommandBar::SetSmartRecordChecked(bool on) {
    ::SendMessageW(smartRecord_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int TCommandBar::Interval() const { return static_cast<int>(::SendMessageW(interval_, TBM_GETPOS, 0, 0)); }

void TCommandBar::SetInterval(int seconds) {
    ::SendMessageW(interval_, TBM_SETPOS, TRUE, seconds);
    UpdateIntervalLabel();
}

void TCommandBar::ShowIntervalPanel(bool show) {
    ShowControl(intervalLabel_, show);
    ShowControl(interval_, show);
}

std::wstring TCommandBar::IntervalCaption() const { return WindowText(intervalLabel_); }

void TCommandBar::UpdateIntervalLabel() { ::SetWindowTextW(intervalLabel_, RecordIntervalCaption(Interval()).c_str()); }

}  // namespace qm

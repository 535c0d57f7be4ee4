#include "ui/progresspanel.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/controls.h"
#include "ui/window.h"

namespace qm {

namespace {
// A save shows every item's path in turn: repainting the line for each of
// thousands of items would cost more than the save, so it follows at most
// every 30 ms.
constexpr ULONGLONG kHintPaceMs = 30;
}  // namespace

void TProgressPanel::Create(HWND parent, int hintId, int stopId, int gaugeId, HFONT font) {
    hint_ = CreateChild(parent, WS_EX_STATICEDGE, WC_STATICW, L"", SS_LEFT | SS_CENTERIMAGE | SS_PATHELLIPSIS, hintId,
                        font);
    stop_ = CreateChild(parent, 0, WC_BUTTONW, L"Stop", WS_TABSTOP | BS_PUSHBUTTON, stopId, font);
    gauge_ = CreateChild(parent, 0, PROGRESS_CLASSW, L"", 0, gaugeId, font);
}

int TProgressPanel::Layout(int width, int bottom, int dpi) {
    if (!shown_) return bottom;
    auto scale = [dpi](int v) { return ::MulDiv(v, dpi, 96); };
    int h = scale(22);
    int top = bottom - h - scale(2);
    int stop = scale(60), gauge = std::min(scale(160), width / 3);
    ::MoveWindow(hint_, scale(2), top, std::max(0, width - stop - gauge - scale(10)), h, TRUE);
    ::MoveWindow(stop_, width - stop - gauge - scale(6), top, stop, h, TRUE);
    ::MoveWindow(gauge_, width - gauge - scale(2), top + scale(3), gauge, h - scale(6), TRUE);
    return top - scale(2);
}

std::wstring TProgressPanel::HintText() const {
    wchar_t text[1024] = {};
    ::GetWindowTextW(hint_, text, 1024);
    return text;
}

int TProgressPanel::GaugePosition() const { return static_cast<int>(::SendMessageW(gauge_, PBM_GETPOS, 0, 0)); }

void TProgressPanel::ShowProgress(bool show) {
    shown_ = show;
    for (HWND h : {hint_, stop_, gauge_}) ShowControl(h, show);
    if (onShownChanged) onShownChanged();
}

void TProgressPanel::SetCaption(const std::wstring& text) {
    hintShownAt_ = ::GetTickCount64();
    ::SetWindowTextW(hint_, text.c_str());
}

void TProgressPanel::SetHint(const std::wstring& text) {
    ULONGLONG now = ::GetTickCount64();
    if (!text.empty() && now - hintShownAt_ < kHintPaceMs) return;
    hintShownAt_ = now;
    ::SetWindowTextW(hint_, text.c_str());
}

void TProgressPanel::SetGauge(int position, int maximum) {
    ::SendMessageW(gauge_, PBM_SETRANGE32, 0, std::max(1, maximum));
    ::SendMessageW(gauge_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void TProgressPanel::Pump() { pump_(); }

}  // namespace qm

// The progress panel along the bottom of the main window: a hint line, the
// "Stop" button and a gauge, hidden between operations. It is the IProgress of
// every long operation of the window.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "base/progress.h"
#include "ui/window.h"

namespace qm {

class TProgressPanel : public IProgress {
public:
    void Create(HWND parent, int hintId, int stopId, int gaugeId, HFONT font);
    // Places the panel above bottom across width; returns the panel's top (bottom when hidden).
    int Layout(int width, int bottom, int dpi);
    bool Shown() const { return shown_; }
    bool IsStopButton(HWND control) const { return control && control == stop_; }
    // The "Stop" button, or a close request.
    void RequestStop() { stopRequest_ = true; }
    std::wstring HintText() const;
    int GaugePosition() const;

    // Called when the panel is shown or hidden (the window lays itself out again).
    std::function<void()> onShownChanged;

    // IProgress
    void ShowProgress(bool show) override;
    void SetCaption(const std::wstring& text) override;
    void SetHint(const std::wstring& text) override;
    void SetGauge(int position, int maximum) override;
    void Pump() override;
    bool StopRequested() const override { return stopRequest_; }
    void ClearStopRequest() override { stopRequest_ = false; }

private:
    HWND hint_ = nullptr, stop_ = nullptr, gauge_ = nullptr;
    bool shown_ = false;
    bool stopRequest_ = false;
    ULONGLONG hintShownAt_ = 0;
    TPacedPump pump_;
};

}  // namespace qm

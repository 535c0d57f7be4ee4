// How a long operation reports its progress and keeps the window alive: the
// progress panel's caption and hint line, its gauge, a pump of pending
// messages between steps, and the stop request of its "Stop" button. One
// interface serves recording, replay, record deletion, loading and saving
// records and the add-items fill.
#pragma once
#include <string>

namespace qm {

class IProgress {
public:
    virtual ~IProgress() = default;
    virtual void ShowProgress(bool show) = 0;
    // The caption: every text is shown.
    virtual void SetCaption(const std::wstring& text) = 0;
    // The hint line for a text per item (a long save shows each path): it may
    // skip texts that follow each other faster than the eye; an empty text
    // always goes through.
    virtual void SetHint(const std::wstring& text) = 0;
    virtual void SetGauge(int position, int maximum) = 0;
    // Lets every pending message run.
    virtual void Pump() = 0;
    virtual bool StopRequested() const = 0;
    virtual void ClearStopRequest() = 0;
};

// Progress that goes nowhere, for work that runs without a window.
class TNoProgress : public IProgress {
public:
    void ShowProgress(bool) override {}
    void SetCaption(const std::wstring&) override {}
    void SetHint(const std::wstring&) override {}
    void SetGauge(int, int) override {}
    void Pump() override {}
    bool StopRequested() const override { return false; }
    void ClearStopRequest() override {}
};

}  // namespace qm

// What the long steps of the setup program and the uninstaller share: the
// window's side of a step (progress, pending messages, the question before
// running copies end), and the step's own small parts: waiting, moving on,
// noting a failed part, and ending the running copies only after the user
// agrees.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qm {

class IStepHost {
public:
    virtual ~IStepHost() = default;
    // Moves the progress bar one step.
    virtual void Advance() = 0;
    // Lets every pending message run.
    virtual void Pump() = 0;
    // Running copies of the product (their program files) must end: true lets them.
    virtual bool AskToEndRunning(const std::vector<std::wstring>& running) = 0;
};

// The window's question: which copies run, and what then happens.
std::wstring RunningCopiesQuestion(const std::vector<std::wstring>& running, const std::wstring& then);

// The running copies of the product in a folder, and ending them (true when
// none runs afterwards).
struct TRunningCopySeams {
    std::function<std::vector<std::wstring>(const std::wstring& folder)> find;
    std::function<bool(const std::wstring& folder)> end;
};

class TStepRun {
protected:
    TStepRun(IStepHost& host, std::function<void(DWORD ms)> wait) : stepHost_(host), wait_(std::move(wait)) {}

    void Wait(DWORD ms) const {
        if (wait_) wait_(ms);
    }
    void Step() {
        stepHost_.Advance();
        stepHost_.Pump();
    }
    void Problem(const std::wstring& text) { problems_.push_back(text); }
    const std::vector<std::wstring>& Problems() const { return problems_; }
    // Asks before the running copies in the folder end; false when the user
    // keeps them (then nothing was ended).
    bool EndRunningCopies(const std::wstring& folder, const TRunningCopySeams& copies);

private:
    IStepHost& stepHost_;
    std::function<void(DWORD)> wait_;
    std::vector<std::wstring> problems_;
};

}  // namespace qm

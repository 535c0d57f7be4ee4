// The shell starts a test makes, recorded instead of made (through the
// Effects() seam) for as long as the recorder lives.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/effects.h"

namespace qm::test {

class TShellRecorder {
public:
    // answer: what the shell reports (true: started).
    explicit TShellRecorder(bool answer = true) : answer_(answer), override_(Make(this)) {}

    // "verb|file|parameters|show", in order.
    const std::vector<std::wstring>& Calls() const { return calls_; }
    void Clear() { calls_.clear(); }
    void SetAnswer(bool answer) { answer_ = answer; }
    static std::wstring Call(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                             int show) {
        return verb + L"|" + file + L"|" + parameters + L"|" + std::to_wstring(show);
    }

private:
    static TEffects Make(TShellRecorder* self) {
        TEffects e = Effects();
        e.shellExecute = [self](HWND, const std::wstring& verb, const std::wstring& file,
                                const std::wstring& parameters, int show) {
            self->calls_.push_back(Call(verb, file, parameters, show));
            return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(self->answer_ ? 42 : 2));
        };
        return e;
    }
    bool answer_;
    std::vector<std::wstring> calls_;
    TEffectsOverride override_;
};

}  // namespace qm::test

#include "setup/steps.h"

#include "setup/setupnames.h"

namespace qm {

std::wstring RunningCopiesQuestion(const std::vector<std::wstring>& running, const std::wstring& then) {
    std::wstring text = std::wstring(kProductDisplayName) + L" is running:";
    for (const std::wstring& r : running) text += L"\n    " + r;
    return text + L"\n\n" + then;
}

bool TStepRun::EndRunningCopies(const std::wstring& folder, const TRunningCopySeams& copies) {
    std::vector<std::wstring> running = copies.find ? copies.find(folder) : std::vector<std::wstring>{};
    if (running.empty()) return true;
    if (!stepHost_.AskToEndRunning(running)) return false;
    if (copies.end && !copies.end(folder))
        Problem(L"A running copy of " + std::wstring(kProductDisplayName) + L" could not be ended.");
    return true;
}

}  // namespace qm

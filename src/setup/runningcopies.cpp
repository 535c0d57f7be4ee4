#include "setup/runningcopies.h"

#include "setup/setupnames.h"
#include "ui/window.h"

namespace qm {

namespace {
constexpr wchar_t kHelpViewer[] = L"hh.exe";
constexpr wchar_t kHelpTitle[] = L"QuilMar Help";
constexpr DWORD kCloseWaitMs = 5000;
}  // namespace

std::vector<TRunningProcess> RunningProductCopies(const std::wstring& installFolder) {
    std::vector<TRunningProcess> running =
        ProcessesInFolder(installFolder, {std::begin(kInstalledPrograms), std::end(kInstalledPrograms)});
    for (TRunningProcess& viewer : ProcessesShowing({kHelpViewer}, kHelpTitle)) running.push_back(std::move(viewer));
    return running;
}

std::vector<std::wstring> RunningProductCopyNames(const std::wstring& installFolder) {
    std::vector<std::wstring> names;
    for (const TRunningProcess& p : RunningProductCopies(installFolder)) names.push_back(p.image);
    return names;
}

bool EndRunningProductCopies(const std::wstring& installFolder) {
    return CloseThenEnd(RunningProductCopies(installFolder), kCloseWaitMs, &PumpPendingMessages).empty();
}

}  // namespace qm

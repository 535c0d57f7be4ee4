#include "replay/runasadmin.h"

#include "base/effects.h"
#include "base/system.h"

#include "base/guarded.h"

namespace qm {

TRunAsAdmin::TRunAsAdmin(TShellExecuteExFn shellExecuteEx, TAdminTestFn adminTest)
    : shellExecuteEx_(std::move(shellExecuteEx)), adminTest_(std::move(adminTest)) {
    if (!shellExecuteEx_) shellExecuteEx_ = [](SHELLEXECUTEINFOW* info) { return ::ShellExecuteExW(info); };
    if (!adminTest_) adminTest_ = [] { return qm::IsAdmin(); };
}

bool TRunAsAdmin::IsAdmin() {
    if (tested_) return admin_;
    tested_ = true;
    if (!Guarded(L"is admin", [&] { admin_ = adminTest_(); })) admin_ = false;
    return admin_;
}

bool TRunAsAdmin::RunAs(HWND owner, const std::wstring& file, const std::wstring& parameters) {
    SHELLEXECUTEINFOW info = ElevatedStartInfo(owner, file, parameters);
    return shellExecuteEx_(&info) != FALSE;
}

}  // namespace qm

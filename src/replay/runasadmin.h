// TRunAsAdmin: whether the program runs as an administrator (asked once, then
// remembered) and starting a file elevated through the shell's "runas" verb.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

namespace qm {

class TRunAsAdmin {
public:
    // The shell call RunAs makes, and the token test IsAdmin makes; tests
    // replace them.
    using TShellExecuteExFn = std::function<BOOL(SHELLEXECUTEINFOW* info)>;
    using TAdminTestFn = std::function<bool()>;

    explicit TRunAsAdmin(TShellExecuteExFn shellExecuteEx = {}, TAdminTestFn adminTest = {});

    // True when the process token lists the Administrators group; the token
    // is read on the first call only.
    bool IsAdmin();
    // Starts the file elevated ("runas", shown normally, parameters only when
    // there are any). True when the shell started it; a refused elevation
    // prompt gives false.
    bool RunAs(HWND owner, const std::wstring& file, const std::wstring& parameters);

private:
    TShellExecuteExFn shellExecuteEx_;
    TAdminTestFn adminTest_;
    bool tested_ = false;
    bool admin_ = false;
};

}  // namespace qm

// The test servers' classes, as the DLL's class factory creates them.
#pragma once
#include <windows.h>

namespace qm::testserver {

// A new shell-window collection (the ShellWindows class), asked for iid.
HRESULT CreateShellWindows(REFIID iid, void** out);

// A new automation object (the CUIAutomation class), asked for iid.
HRESULT CreateAutomation(REFIID iid, void** out);

// A new test history folder (the test class kTestHistoryFolderClass), asked for iid.
HRESULT CreateHistoryFolder(REFIID iid, void** out);

// The timeouts the last automation object was given (0 when none).
void LastUiaTimeouts(DWORD& connectionMs, DWORD& transactionMs);

}  // namespace qm::testserver

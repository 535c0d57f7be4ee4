// Facts about the running process and system that more than one program needs.
#pragma once
#include <string>

namespace qm {

// The thread's token (the process token when the thread has none) lists the
// built-in Administrators group (S-1-5-32-544) among its groups. Asked once;
// any failure answers false.
bool IsAdmin();

// The process is a 32-bit process on 64-bit Windows (asked once).
bool IsWow64();

// The system's text for an error code, trimmed (empty when it has none).
std::wstring SystemErrorText(unsigned long code);

}  // namespace qm

// Facts about the running process and system that more than one program needs.
#pragma once

namespace qm {

// The process token belongs to the Administrators group (S-1-5-32-544) and it
// is enabled (an elevated process on systems with UAC).
bool IsAdmin();

// The process is a 32-bit process on 64-bit Windows (asked once).
bool IsWow64();

}  // namespace qm

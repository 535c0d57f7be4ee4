// The Windows version name ("windows xp", "windows 7", ...) that decides a few
// version-specific behaviours.
#pragma once
#include <string>

namespace qm {

// The version word for a platform id (0 Win32s, 1 Windows 9x, 2 NT) and version.
std::wstring WindowsVersionWord(unsigned platformId, unsigned major, unsigned minor);

// "Windows " + word, lower-cased and trimmed.
std::wstring WindowsVersionName(unsigned platformId, unsigned major, unsigned minor);

// The name of the running system (the true version, whatever the manifest says).
std::wstring CurrentWindowsVersionName();

}  // namespace qm

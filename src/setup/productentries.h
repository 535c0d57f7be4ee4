// The setup program's entries in the machine's registry: the product key, the
// uninstall entry and the Run value that starts the main program with Windows.
// All of them are written below root (HKEY_LOCAL_MACHINE in the program).
#pragma once
#include <windows.h>

#include <string>

#include "setup/contextmenu.h"

namespace qm {

class TInstallRecord;

// "3.0": the product version with "." whatever the user's decimal separator.
std::wstring UninstallDisplayVersion();
// "QuilMar 3.1 Installer", the version with the user's decimal separator.
std::wstring InstallerCaption(wchar_t decimalSeparator);
wchar_t UserDecimalSeparator();

// "\"<path>\" /run".
std::wstring RunAtStartupCommand(const std::wstring& mainProgramPath);

// The product key: "name" and "app". True when both were written.
bool WriteProductKey(const TRegistryPlace& place, const std::wstring& mainProgramPath, TInstallRecord* record);

// The uninstall entry: "DisplayIcon", "DisplayName", "DisplayVersion",
// "InstallLocation" (with its trailing "\") and "UninstallString" (the quoted
// uninstaller). True when all five were written.
bool WriteUninstallEntry(const TRegistryPlace& place, const std::wstring& installFolder, TInstallRecord* record);

// On: writes the Run value of that name; off: deletes it. True when the
// registry holds what was asked for afterwards.
bool SetRunAtStartup(const TRegistryPlace& place, const std::wstring& valueName, const std::wstring& commandLine,
                     bool on, TInstallRecord* record);

}  // namespace qm

// The setup program's product constants, the resources it carries and the
// registry places it writes; the uninstaller removes what they name.
#pragma once
#include <string>

#include "base/productfiles.h"
#include "quilmar_version.h"

namespace qm {

// Three names that happen to be equal and are kept apart.
inline constexpr wchar_t kProductFolderName[] = L"QuilMar";   // Start-menu folder; middle part of the product key
inline constexpr wchar_t kProductKeyName[] = L"QuilMar";      // default install folder; last part of the product key
inline constexpr wchar_t kProductDisplayName[] = L"QuilMar";  // captions, uninstall entry, Run value, shortcuts
inline constexpr wchar_t kMainProgramFile[] = L"quilmar.exe";
inline constexpr wchar_t kUninstallerBaseName[] = L"QuilmarUninstall";
// A literal of its own, spelled differently from the display name.
inline constexpr wchar_t kSendToLinkName[] = L"Quilmar";
// "3.0" in the uninstall entry; "QuilMar 3.1 Installer" in the caption.
inline constexpr double kSetupProductVersion = QM_VERSION_MAJOR + QM_VERSION_MINOR / 10.0;
inline constexpr double kInstallerVersion = 3.1;

// The archive copy the payload is unpacked from, in the install folder.
inline constexpr wchar_t kArchiveCopyName[] = L"quilmar.7z";
// The 64-bit context-menu DLL beside the 32-bit one, for 64-bit Explorer.
inline constexpr wchar_t kContextMenuDll64File[] = L"QuilmarMenuDLL64.dll";

// The programs of the payload, which the setup ends and replaces.
inline constexpr const wchar_t* kInstalledPrograms[] = {kExeName, kElevationLauncher, kUninstallerFile, kLinkOpenerFile,
                                                        kSendToTarget};

// Resources of the setup program: (type, name).
inline constexpr wchar_t kPayloadType[] = L"7z";
inline constexpr wchar_t kPayloadName[] = L"DuVidu7z";
inline constexpr wchar_t kLibraryType[] = L"dll";
inline constexpr wchar_t kLibraryName[] = L"7zdll";
inline constexpr wchar_t kMenuDllType[] = L"udl";
inline constexpr wchar_t kMenuDllName[] = L"QuilmarMenuDLL";
inline constexpr wchar_t kMenuDll64Name[] = L"QuilmarMenuDLL64";

// Registry places under HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kUninstallKeyBase[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kRunKeyPath[] = L"SOFTWARE\\Microsoft\\windows\\CurrentVersion\\Run";
inline constexpr wchar_t kSoftwareKey[] = L"Software";

// "Software\QuilMar\QuilMar" and "Software\QuilMar".
std::wstring ProductKeyPath();
std::wstring ProductKeyParentPath();
// "SOFTWARE\...\Uninstall\QuilMar".
std::wstring UninstallKeyPath();

}  // namespace qm

// The Explorer context-menu handler's registration: its class under CLSID
// (in-process server, apartment threading), its approval, and its handler keys
// for all files ("*") and for folders; writing the handler DLL into the
// install folder with the old one kept as "_bak". Keys are written below
// root\SOFTWARE\Classes (HKEY_LOCAL_MACHINE in the programs, a test key in the
// tests) in one registry view: a 64-bit Explorer reads only the 64-bit view.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "base/registry.h"

namespace qm {

class TInstallRecord;

// {ADE68C79-6ACF-41A3-A787-39ED643F4786}
inline constexpr GUID CLSID_QuilmarMenu = {
    0xade68c79, 0x6acf, 0x41a3, {0xa7, 0x87, 0x39, 0xed, 0x64, 0x3f, 0x47, 0x86}};
inline constexpr wchar_t kQuilmarMenuClsidText[] = L"{ADE68C79-6ACF-41A3-A787-39ED643F4786}";
inline constexpr wchar_t kQuilmarMenuDescription[] = L"quilmar menu item.";
inline constexpr wchar_t kQuilmarMenuHandlerName[] = L"Quilmar Menu";
inline constexpr wchar_t kQuilmarMenuThreading[] = L"Apartment";
inline constexpr wchar_t kShellExtensionsApproved[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// "SOFTWARE\Classes\CLSID\{...}" and the handler key of a file class.
std::wstring MenuClassKeyPath();
std::wstring MenuHandlerKeyPath(std::wstring_view fileClass, std::wstring_view handlerName);

// Unregisters first, then writes every key; stops silently at the first
// write that fails. True when every key was written; what it wrote and the
// keys it created are noted in the record.
bool RegisterContextMenuHandler(const TRegistryPlace& place, const std::wstring& dllPath, TInstallRecord* record);
// Removes the handler keys and the class; the "shellex" keys go when the
// handler was their last subkey. The approval value is left (see
// RemoveContextMenuApproval). True when the handler and class keys are gone.
bool UnregisterContextMenuHandler(const TRegistryPlace& place);
bool RemoveContextMenuApproval(const TRegistryPlace& place);

// The DLL path for a file name in the install folder, and its backup: the
// extension replaced by "_bak.dll".
std::wstring ContextMenuBackupPath(const std::wstring& dllPath);

// Writes the DLL's bytes to folder + fileName: an existing DLL (which Explorer
// may hold loaded) is first renamed to the backup path, an older backup
// deleted; then registers it. False when the DLL could not be written (the old
// one then stays, and its registration is not renewed) or not registered.
bool InstallContextMenuDll(const std::wstring& folder, const std::wstring& fileName, std::string_view bytes,
                           const TRegistryPlace& place, TInstallRecord* record);

}  // namespace qm

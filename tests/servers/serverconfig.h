// What the tests tell the test servers, and where: the servers' DLL reads it
// from the registry each time one of its objects is created.
#pragma once
#include <windows.h>

namespace qm::testserver {

// HKEY_CURRENT_USER key of the servers' settings.
inline constexpr wchar_t kConfigKey[] = L"Software\\QuilMarTests\\TestServers";

// REG_MULTI_SZ: the windows of the shell's window collection, one a string:
//   "F\t<LocationURL>"          a folder window (a document without "title")
//   "P\t<LocationURL>\t<title>" a page window (a document whose "title" is given)
//   "N\t<LocationURL>"          a window without a document (still loading)
inline constexpr wchar_t kShellWindowsValue[] = L"ShellWindows";
// REG_DWORD 1: the collection answers E_NOTIMPL to Count and Item, as Wine's own does.
inline constexpr wchar_t kShellWindowsFailValue[] = L"ShellWindowsFail";

// REG_MULTI_SZ: the items of the test history folder, one a string:
//   "<parent>\t<F|P>\t<name>\t<address>"   parent "" for the top level, "Today"
//   for a folder of the top level; F a folder, P a page (its info tip is the
//   name and the address on two lines)
inline constexpr wchar_t kHistoryFolderValue[] = L"HistoryFolder";
// The class of the test history folder (the tests' own, registered only in
// the test prefix while a test runs).
inline constexpr GUID kTestHistoryFolderClass = {
    0x6d1c5e2a, 0x0b7f, 0x4c33, {0x9a, 0x51, 0x2e, 0x8c, 0x41, 0x7d, 0x60, 0x18}};

// The file of the servers' DLL beside the test programs.
inline constexpr wchar_t kServerDll[] = L"test_desktopservers.dll";

// Exported by the DLL: the timeouts the last automation object was given
// through IUIAutomation2 (0 when none was set).
using TUiaTimeoutsFn = void(__stdcall*)(unsigned long* connectionMs, unsigned long* transactionMs);
inline constexpr char kUiaTimeoutsExport[] = "QmTestUiaTimeouts";

}  // namespace qm::testserver

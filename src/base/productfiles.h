// The names every program of the product shares: the product, the files
// installed beside the main program, the hand-off files between them and the
// two data folders.
#pragma once
#include <string>

namespace qm {

inline constexpr wchar_t kProductName[] = L"QuilMar";
inline constexpr wchar_t kExeName[] = L"quilmar.exe";

// The companions, installed beside the main program.
inline constexpr wchar_t kElevationLauncher[] = L"quilmaradmin.exe";
inline constexpr wchar_t kSendToTarget[] = L"quilmarmenu.exe";
inline constexpr wchar_t kLinkOpenerFile[] = L"QuilmarOpen64Link.exe";
inline constexpr wchar_t kUninstallerFile[] = L"QuilmarUninstall.exe";
inline constexpr wchar_t kContextMenuDllFile[] = L"QuilmarMenuDLL.dll";
inline constexpr wchar_t kHelpFile[] = L"QuilMar.chm";

// Files in the user data folder that one program writes for another.
inline constexpr wchar_t kHandoffFileName[] = L"sendparam.txt";
inline constexpr wchar_t kContextMenuFileName[] = L"ctmenu.txt";
inline constexpr wchar_t kLinkHandoffFileName[] = L"open64link.txt";

// Documents folder + "\QuilMar" and shared documents folder + "\QuilMar".
std::wstring UserDataFolder();
std::wstring CommonDataFolder();

}  // namespace qm

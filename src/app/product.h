// Product constants and the program's data folders.
#pragma once
#include <string>

namespace qm {

inline constexpr wchar_t kProductName[] = L"QuilMar";
inline constexpr wchar_t kExeName[] = L"quilmar.exe";
inline constexpr float kProductVersion = 3.0f;
inline constexpr wchar_t kMainWindowClass[] = L"TQuilmarWindow";
inline constexpr wchar_t kElevationLauncher[] = L"quilmaradmin.exe";
inline constexpr wchar_t kHandoffFileName[] = L"sendparam.txt";
inline constexpr wchar_t kContextMenuFileName[] = L"ctmenu.txt";
inline constexpr wchar_t kHomePage[] = L"https://www.quilmar.com";
inline constexpr wchar_t kOnlineGuide[] = L"https://www.quilmar.com/documentation";

// "QuilMar 3.0": the product name and the version as "%s %1.1f".
std::wstring MainCaption();

// Documents folder + "\QuilMar" and shared documents folder + "\QuilMar".
std::wstring UserDataFolder();
std::wstring CommonDataFolder();

std::wstring HandoffFilePath();
std::wstring ContextMenuFilePath();

}  // namespace qm

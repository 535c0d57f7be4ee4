// Product constants and the program's data folders.
#pragma once
#include <string>

#include "base/productfiles.h"
#include "quilmar_version.h"

namespace qm {

// The version as one number with a tenth, "%1.1f" making "3.0".
inline constexpr float kProductVersion = QM_VERSION_MAJOR + QM_VERSION_MINOR / 10.0f;
// The full version with the build number.
inline constexpr wchar_t kProductVersionText[] = QM_VERSION_WSTRING;
inline constexpr wchar_t kMainWindowClass[] = L"TQuilmarWindow";
inline constexpr wchar_t kHomePage[] = L"https://www.quilmar.com";
inline constexpr wchar_t kOnlineGuide[] = L"https://www.quilmar.com/documentation";
// The update file, and the host its download link must name.
inline constexpr wchar_t kUpdateAddress[] = L"https://www.quilmar.com/quilmar/update.xml";
inline constexpr wchar_t kProductHost[] = L"www.quilmar.com";
inline constexpr int kProductVersionTenths = QM_VERSION_MAJOR * 10 + QM_VERSION_MINOR;

// "QuilMar 3.0": the product name and the version as "%s %1.1f".
std::wstring MainCaption();

std::wstring HandoffFilePath();
std::wstring ContextMenuFilePath();
// The program's help file, beside the program: "QuilMar.chm".
std::wstring HelpFilePath();

}  // namespace qm

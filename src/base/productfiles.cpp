#include "base/productfiles.h"

#include <shlobj.h>

#include "base/files.h"

namespace qm {

std::wstring UserDataFolder() { return JoinPath(SpecialFolder(CSIDL_PERSONAL), kProductName); }
std::wstring CommonDataFolder() { return JoinPath(SpecialFolder(CSIDL_COMMON_DOCUMENTS), kProductName); }

}  // namespace qm

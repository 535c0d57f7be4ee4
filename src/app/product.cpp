#include "app/product.h"

#include <shlobj.h>

#include "base/files.h"
#include "base/strings.h"

namespace qm {

std::wstring MainCaption() { return Format(L"%ls %1.1f", kProductName, static_cast<double>(kProductVersion)); }

std::wstring HandoffFilePath() { return JoinPath(UserDataFolder(), kHandoffFileName); }
std::wstring ContextMenuFilePath() { return JoinPath(UserDataFolder(), kContextMenuFileName); }
std::wstring HelpFilePath() { return ModuleFolder() + kProductName + L".chm"; }

}  // namespace qm

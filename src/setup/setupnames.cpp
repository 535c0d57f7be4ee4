#include "setup/setupnames.h"

#include "base/files.h"

namespace qm {

std::wstring ProductKeyParentPath() { return JoinPath(kSoftwareKey, kProductFolderName); }
std::wstring ProductKeyPath() { return JoinPath(ProductKeyParentPath(), kProductKeyName); }
std::wstring UninstallKeyPath() { return JoinPath(kUninstallKeyBase, kProductDisplayName); }

}  // namespace qm

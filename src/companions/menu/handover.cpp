#include "companions/menu/handover.h"

#include "base/effects.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/productfiles.h"

namespace qm {

std::wstring ContextMenuFile() { return JoinPath(UserDataFolder(), kContextMenuFileName); }

bool HandOverPaths(const std::vector<std::wstring>& paths, const std::wstring& programFolder, HWND owner) {
    if (!paths.empty()) {
        const std::wstring file = ContextMenuFile();
        if (CreateFolderTree(FolderOf(file))) WriteListFile(file, paths);
    }
    return ShellOpen(owner, L"Open", JoinPath(programFolder, kExeName), L"/ctmenu", SW_SHOW);
}

}  // namespace qm

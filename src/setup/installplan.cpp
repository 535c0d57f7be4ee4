#include "setup/installplan.h"

#include "base/files.h"
#include "base/productfiles.h"
#include "setup/allusers.h"
#include "setup/contextmenu.h"
#include "setup/setupnames.h"
#include "setup/shortcuts.h"

namespace qm {

std::vector<std::wstring> InstallFolderFileNames() {
    std::vector<std::wstring> names{kHelpFile,
                                    kArchiveCopyName,
                                    kContextMenuDllFile,
                                    ContextMenuBackupPath(kContextMenuDllFile),
                                    kContextMenuDll64File,
                                    ContextMenuBackupPath(kContextMenuDll64File)};
    names.insert(names.end(), std::begin(kInstalledPrograms), std::end(kInstalledPrograms));
    return names;
}

TInstallRecord KnownInstallation(const std::wstring& installFolder, const TPlanFolders& folders,
                                 const TAllUserControl& users) {
    TInstallRecord plan;
    for (const std::wstring& name : InstallFolderFileNames()) plan.AddFile(JoinPath(installFolder, name));

    const std::wstring display = kProductDisplayName;
    std::wstring programs = folders.commonFolder ? folders.commonFolder(kLocationCommonPrograms) : std::wstring();
    if (!programs.empty()) {
        const std::wstring menu = JoinPath(programs, kProductFolderName);
        const std::wstring uninstall = JoinPath(menu, L"Uninstall");
        plan.AddFile(JoinPath(menu, ShortcutFileName(display)));
        plan.AddFile(JoinPath(menu, ShortcutFileName(display + L" help")));
        plan.AddFile(JoinPath(uninstall, ShortcutFileName(L"Uninstall " + display)));
        plan.AddFolder(menu);
        plan.AddFolder(uninstall);
    }
    std::wstring desktop = folders.commonFolder ? folders.commonFolder(kLocationCommonDesktop) : std::wstring();
    if (!desktop.empty()) plan.AddFile(JoinPath(desktop, display + L".lnk"));
    for (const std::wstring& f : users.FoldersForAllUsers(folders.quickLaunchFolder))
        plan.AddFile(JoinPath(f, display + L".lnk"));
    for (const std::wstring& f : users.FoldersForAllUsers(folders.sendToFolder))
        plan.AddFile(JoinPath(f, std::wstring(kSendToLinkName) + L".lnk"));

    plan.AddValue(TRegView::Native, kRunKeyPath, kProductDisplayName);
    plan.AddValue(TRegView::Native, kShellExtensionsApproved, kQuilmarMenuClsidText);
    if (folders.windows64) plan.AddValue(TRegView::Bits64, kShellExtensionsApproved, kQuilmarMenuClsidText);
    plan.AddKey(TRegView::Native, ProductKeyParentPath());
    plan.AddKey(TRegView::Native, ProductKeyPath());
    plan.AddKey(TRegView::Native, UninstallKeyPath());
    return plan;
}

}  // namespace qm

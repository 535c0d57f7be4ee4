// What the setup program of this version writes, by name: the files of the
// install folder, the shortcuts, the Start-menu folders and the registry
// entries. The uninstaller removes these as well as what the install record
// names, so an installation whose record is lost still goes.
#pragma once
#include <functional>
#include <string>

#include "setup/installrecord.h"

namespace qm {

class TAllUserControl;

struct TPlanFolders {
    std::function<std::wstring(int location)> commonFolder;  // see CommonLocationFolder
    std::wstring sendToFolder;                               // the current user's
    std::wstring quickLaunchFolder;                          // the current user's
    bool windows64 = false;
};

// The entries for an installation in installFolder (with its trailing "\"),
// every user's Send To and Quick Launch shortcut included.
TInstallRecord KnownInstallation(const std::wstring& installFolder, const TPlanFolders& folders,
                                 const TAllUserControl& users);

// The files the payload and the setup put into the install folder, by name.
std::vector<std::wstring> InstallFolderFileNames();

}  // namespace qm

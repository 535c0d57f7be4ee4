// The rows of the add-items dialog's pages that are not the desktop's: the
// installed programs of the Start-menu folders and the entries of the Recent
// folder, split into documents and folders.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "capture/runningapps.h"

namespace qm {

// What the listings need from the dialog: the icon of a path in the dialog's
// own image list, and a step of its gauge (with the path it is at) that lets
// pending messages run.
struct TRowListingHooks {
    std::function<int(const std::wstring& path)> iconOf;
    std::function<void(const std::wstring& text)> step;
};

// The programs of the Programs folders (the user's, then all users'): every
// entry found by the folder scan whose resolved target is a program
// (".exe", ".msi", ".bat", ".cmd", ".cpl", ".msc") other than this program,
// its setup program and its uninstaller; duplicates stay.
std::vector<TAddItemRow> InstalledProgramRows(const std::vector<std::wstring>& programFolders,
                                              const TRowListingHooks& hooks);

// The Recent folder's files (no folders, no hidden entries, at most 5000) whose
// targets still exist and are neither hidden nor system nor in a recycle bin:
// folders in one list, documents in the other.
struct TRecentRows {
    std::vector<TAddItemRow> documents;
    std::vector<TAddItemRow> folders;
};
TRecentRows RecentRows(const std::wstring& recentFolder, const TRowListingHooks& hooks);

}  // namespace qm

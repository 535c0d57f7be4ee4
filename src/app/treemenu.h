// What the trees' context menu offers for the selected node: the elevation
// and Open With entries by the path's extension, "Paste" for a folder, the
// delete entries on the "All" tab only, and the "Recent" submenu of the
// recorded documents in the selected folder.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "records/model.h"

namespace qm {

// An entry of the "Recent" submenu: the node's text, the document it opens
// and the node's image.
struct TRecentEntry {
    std::wstring caption;
    std::wstring target;
    int image = 0;
};

struct TTreeMenuPlan {
    bool runAsAdmin = false;           // "Run as admin"
    bool openWith = false;             // "Open &with..."
    bool openAsAdmin = false;          // "Open as admin"
    bool openWithAdmin = false;        // "Open with (admin)"
    bool paste = false;                // "Paste", "Open file location after paste" and their separator
    bool deleteEntries = false;        // "&Deleted Selected", "Delete All (&l)" and their separator
    std::vector<TRecentEntry> recent;  // "Recent" is shown when it has entries
};

// The node the menu is for (the active tree's focused selected node).
struct TMenuNode {
    std::wstring path;
    bool hasChildren = false;
};

// The plan for the menu of the tab; allTab: the "All" tab is the active one.
TTreeMenuPlan PlanTreeMenu(const std::optional<TMenuNode>& node, bool allTab, bool startedElevated,
                           const TRecordModel& model, const std::wstring& documentsFolder);

// The "Recent" entries of a folder: every node of the All tree (top-level
// nodes and their children, the first 5000 top-level nodes) whose resolved
// item path is a document directly in the folder.
std::vector<TRecentEntry> RecentEntriesOf(const std::wstring& folder, const TRecordModel& model);

}  // namespace qm

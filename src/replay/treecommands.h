// The commands of the document trees that change the open record: searching
// every record for a word, and deleting selected items together with the
// Recent-folder shortcuts that point at them.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "base/progress.h"
#include "capture/recorder.h"
#include "records/model.h"

namespace qm {

// Adds to the open record every item of the record files whose path (with
// "%20" read as a blank) or text contains the term without regard to case and
// that the record does not hold yet, through the location adder. The files
// are only read. Returns the number of items added.
int SearchRecords(const std::wstring& term, const std::vector<std::wstring>& recordFiles, TRecorder& recorder,
                  const TPumpFn& pump = {});

// The selected nodes of the tree in selection order, without the nodes that
// have a selected ancestor (deleting the ancestor deletes them).
std::vector<TTreeNode*> SelectedRoots(const TDocTree& tree);

// What deleting items asks of the system.
struct TRecentFolderSeams {
    // The files directly in the user's Recent folder (no folders, no hidden
    // files), at most 5000.
    std::function<std::vector<std::wstring>()> list;
    // A shortcut's target (its own path when it is no shortcut).
    std::function<std::wstring(const std::wstring&)> resolve;
    std::function<bool(const std::wstring&)> remove;
    static TRecentFolderSeams Real();
};

// Deletes the selected nodes of the All tree (at most 5000) with their
// children, and every shortcut of the Recent folder that leads to a deleted
// item (directly, or through the copy in the links folder). Only ".lnk" files
// are deleted. Returns the number of nodes deleted.
int DeleteSelectedItems(TRecordModel& model, const std::wstring& linksFolder, const TRecentFolderSeams& seams);

}  // namespace qm

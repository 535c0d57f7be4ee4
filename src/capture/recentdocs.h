// The recent-document list: the documents and folders that the user's Recent
// folder has shortcuts to, within the age that the settings allow.
#pragma once
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "records/model.h"
#include "records/settings.h"

namespace qm {

// Whether a shortcut of the given age (in days) is taken: at the maximum of the
// trackbar every age is; below it, ages strictly below the limit; with the option
// off, only ages below 0.1 day.
bool RecentAgeAccepted(bool recordRecent, int limitDays, double ageDays);

class TRecentDocuments {
public:
    // Scans the Recent folder (folder given with or without a trailing "\").
    // Outside Smart Record the list is emptied first; in smart mode it grows.
    void Scan(const std::wstring& recentFolder, const TRecordOptions& options, bool smart, const TPumpFn& pump = {});
    // The Recent folder of the user (CSIDL 8).
    static std::wstring UserRecentFolder();

    // Sorted without regard to case, each path once.
    const std::vector<std::wstring>& List() const;
    void Clear() {
        sorted_.clear();
        list_.clear();
        present_.clear();
        added_.clear();
        ++generation_;
    }
    // Every path added since the list was last emptied, in the order they came,
    // and a count of the emptyings: a reader that keeps lookups over the list
    // takes the new paths from here instead of walking the list again.
    const std::vector<std::wstring>& Added() const { return added_; }
    unsigned Generation() const { return generation_; }
    // Adds a path at its sorted place unless it is there already (ignoring case).
    void Add(const std::wstring& path);
    // The file attributes the last scan read for a path it added (the record
    // operation reads them instead of asking the file system again).
    std::optional<DWORD> ScannedAttributes(const std::wstring& path) const;

private:
    // Each path by its sort key, equal keys in the order the list gives them: a
    // batch places thousands of documents among thousands, one at a time.
    std::multimap<std::string, std::wstring> sorted_;
    // The paths in that order, made again when asked for after an add (paths
    // only come and go all at once, so a shorter list is an old one).
    mutable std::vector<std::wstring> list_;
    std::unordered_set<std::wstring> present_;  // the list's paths lower-cased
    std::unordered_map<std::wstring, DWORD> attributes_;
    std::vector<std::wstring> added_;
    unsigned generation_ = 0;
};

}  // namespace qm

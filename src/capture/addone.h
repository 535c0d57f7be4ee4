// Adding single locations to the open record: what the hand-off, the command line
// and dropped files use. Each location becomes one item and one top-level node of
// the All tree (and of its category tree); a location already in the record is
// marked as current instead.
#pragma once
#include <string>

#include "capture/entrytarget.h"
#include "records/model.h"

namespace qm {

class TAddOne : public IEntryTarget {
public:
    explicit TAddOne(TRecordModel& model) : model_(model) {}

    void LoadInstalledPrograms() override {}
    void ClearLastRecordedPath() override { lastRecordedPath_.clear(); }
    void SetLastRecordedPath(const std::wstring& path) override { lastRecordedPath_ = path; }
    bool IsRecordedPath(const std::wstring& location) override;
    bool CheckIfRecentDocInTreeNode(const std::wstring& location) override { return IsRecordedPath(location); }
    void MarkAsCurrent(const std::wstring& location) override { lastRecordedPath_ = location; }
    void AddLocation(const std::wstring& location) override;

    const std::wstring& LastRecordedPath() const { return lastRecordedPath_; }

private:
    TRecordModel& model_;
    std::wstring lastRecordedPath_;
};

}  // namespace qm

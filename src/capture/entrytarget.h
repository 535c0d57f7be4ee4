// The capture engine's add-one operations, as the hand-off and the command line
// use them.
#pragma once
#include <string>

namespace qm {

// The capture engine's add-one operations.
class IEntryTarget {
public:
    virtual ~IEntryTarget() = default;
    virtual void LoadInstalledPrograms() = 0;
    virtual void ClearLastRecordedPath() = 0;
    virtual void SetLastRecordedPath(const std::wstring& path) = 0;
    // The recorded-path test.
    virtual bool IsRecordedPath(const std::wstring& location) = 0;
    // Whether a recent document already stands in the tree.
    virtual bool CheckIfRecentDocInTreeNode(const std::wstring& location) = 0;
    virtual void MarkAsCurrent(const std::wstring& location) = 0;
    // The location adder.
    virtual void AddLocation(const std::wstring& location) = 0;
    // Around the adds of one hand-off: the lookups built for the first entry
    // serve every later one instead of being built again from the whole record.
    virtual void BeginBatch() {}
    virtual void EndBatch() {}
};

// One batch of adds, ended on every path out.
class TEntryBatch {
public:
    explicit TEntryBatch(IEntryTarget& target) : target_(target) { target_.BeginBatch(); }
    ~TEntryBatch() { target_.EndBatch(); }
    TEntryBatch(const TEntryBatch&) = delete;
    TEntryBatch& operator=(const TEntryBatch&) = delete;

private:
    IEntryTarget& target_;
};

}  // namespace qm

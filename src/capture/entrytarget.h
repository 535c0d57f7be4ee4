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
};

}  // namespace qm

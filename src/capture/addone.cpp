#include "capture/addone.h"

#include <algorithm>

#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"

namespace qm {

namespace {
std::wstring ComparableLocation(const std::wstring& s) {
    return StripTrailingBackslash(Trim(ReplaceAll(Trim(s), L"%20", L" ")));
}

// Walks the All tree, nodes and children, at most 5000 top-level nodes.
bool TreeHasPath(const TTreeNode& node, const TItemTable& items, const std::wstring& wanted) {
    for (const auto& child : node.Children()) {
        if (items.IsValid(child->Index()) && EqualsNoCase(ComparableLocation(items.At(child->Index()).path), wanted))
            return true;
        if (TreeHasPath(*child, items, wanted)) return true;
    }
    return false;
}
}  // namespace

bool TAddOne::IsRecordedPath(const std::wstring& location) {
    std::wstring wanted = ComparableLocation(location);
    int count = std::min(model_.all.TopCount(), kWalkLimit);
    for (int i = 0; i < count; ++i) {
        const TTreeNode* top = model_.all.Top(i);
        if (model_.items.IsValid(top->Index()) &&
            EqualsNoCase(ComparableLocation(model_.items.At(top->Index()).path), wanted))
            return true;
        if (TreeHasPath(*top, model_.items, wanted)) return true;
    }
    return false;
}

void TAddOne::AddLocation(const std::wstring& location) {
    std::wstring path = ReplaceAll(Trim(location), L"%20", L" ");
    if (path.empty()) return;
    int32_t kind = IsWebAddress(path) ? kDocWebPage : IsExistingFolder(path) ? kDocFolder : kDocAppOrFile;
    std::wstring title = kind == kDocWebPage ? path : NameWithoutExtension(FileNameOf(StripTrailingBackslash(path)));
    if (title.empty()) title = path;
    int image = kind == kDocWebPage ? kImageWebPage : kind == kDocFolder ? kImageFolder : 12;

    int index = model_.items.Append();
    TMyDoc& item = model_.items.At(index);
    item.path = path;
    item.groupKey = path;
    item.title = title;
    item.docType = kind;
    item.expanded = true;
    model_.all.Add(nullptr, title, index, image);
    if (TDocTree* category = model_.CategoryTree(kind)) category->Add(nullptr, title, index, image);
    model_.NoteDocType(kind);
    lastRecordedPath_ = path;
}

}  // namespace qm

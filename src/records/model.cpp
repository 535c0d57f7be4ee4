#include "records/model.h"

#include <algorithm>

namespace qm {

int TItemTable::Append() {
    items_.emplace_back();
    ++revision_;
    return Count() - 1;
}

const std::wstring& TItemTable::PathAt(int index) const {
    const std::wstring& p = At(index).path;
    if (onPathRead) onPathRead(p);
    return p;
}

int TTreeNode::Level() const {
    int level = -1;
    for (const TTreeNode* n = parent_; n; n = n->parent_) ++level;
    return level;
}

int CompareNodeText(const std::wstring& a, const std::wstring& b) {
    int r = ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                             static_cast<int>(b.size()));
    return r == 0 ? a.compare(b) : r - CSTR_EQUAL;
}

std::string NodeSortKey(std::wstring_view text) {
    std::string key;
    if (!text.empty()) {
        const int length = static_cast<int>(text.size());
        key.resize(static_cast<size_t>(length) * 6 + 16);
        int n = ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.data(), length,
                               reinterpret_cast<LPWSTR>(key.data()), static_cast<int>(key.size()));
        if (n == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            n = ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.data(), length, nullptr, 0);
            key.resize(static_cast<size_t>(std::max(n, 0)));
            n = n > 0 ? ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text.data(), length,
                                       reinterpret_cast<LPWSTR>(key.data()), n)
                      : 0;
        }
        // The key ends with a zero byte, which a comparison needs no more than
        // a string's end.
        key.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
        if (n > 0) return key;
    }
    // No key to be had: the code units, high byte first, order the text.
    key.clear();
    for (wchar_t c : text) key.push_back(static_cast<char>(c >> 8)), key.push_back(static_cast<char>(c & 0xFF));
    return key;
}

const std::string& TTreeNode::SortKey() const {
    if (sortKey_.empty() && !text_.empty()) sortKey_ = NodeSortKey(text_);
    return sortKey_;
}

TDocTree::TDocTree() = default;

TTreeNode* TDocTree::Add(TTreeNode* parent, std::wstring text, int itemIndex, int image) {
    TTreeNode* owner = parent ? parent : &root_;
    auto node = std::make_unique<TTreeNode>();
    node->text_ = std::move(text);
    node->data_.index = itemIndex;
    node->image_ = node->selectedImage_ = image;
    node->parent_ = parent ? parent : &root_;
    auto& kids = owner->children_;
    // After the last sibling whose text is not greater: equal texts keep insertion order.
    // The common case (captures and loads arrive mostly sorted) is the end of the list.
    auto pos = kids.end();
    const std::string& key = node->SortKey();
    if (!kids.empty() && kids.back()->SortKey() > key) {
        pos = std::upper_bound(
            kids.begin(), kids.end(), key,
            [](const std::string& k, const std::unique_ptr<TTreeNode>& n) { return k < n->SortKey(); });
    }
    TTreeNode* raw = node.get();
    TTreeNode* previous = pos == kids.begin() ? nullptr : std::prev(pos)->get();
    kids.insert(pos, std::move(node));
    ++revision_;
    if (onAdded) onAdded(raw, previous);
    return raw;
}

void TDocTree::Remove(TTreeNode* node) {
    if (!node || !node->parent_) return;
    for (TTreeNode* f = focused_; f; f = f->parent_)
        if (f == node) {
            focused_ = nullptr;
            break;
        }
    if (onRemoving) onRemoving(node);
    auto& kids = node->parent_->children_;
    auto it = std::find_if(kids.begin(), kids.end(), [node](const auto& p) { return p.get() == node; });
    if (it != kids.end()) kids.erase(it);
    ++revision_;
}

void TDocTree::Clear() {
    focused_ = nullptr;
    root_.children_.clear();
    ++revision_;
    if (onCleared) onCleared();
}

int TDocTree::SiblingIndex(const TTreeNode* node) const {
    if (!node || !node->parent_) return -1;
    const auto& kids = node->parent_->children_;
    // Siblings stay in key order, so the node is among those of its own key.
    const std::string& key = node->SortKey();
    auto less = [](const std::unique_ptr<TTreeNode>& n, const std::string& k) { return n->SortKey() < k; };
    for (auto it = std::lower_bound(kids.begin(), kids.end(), key, less); it != kids.end() && (*it)->SortKey() == key;
         ++it)
        if (it->get() == node) return static_cast<int>(it - kids.begin());
    return -1;
}

void TDocTree::Select(TTreeNode* node, bool on) {
    if (!node) return;
    if (on && !node->selectOrder_) node->selectOrder_ = ++selectCounter_;
    if (!on) node->selectOrder_ = 0;
}

void TDocTree::ClearSelection() {
    ForEachNode([](TTreeNode* n) { n->selectOrder_ = 0; });
}

std::vector<TTreeNode*> TDocTree::SelectedNodes() const {
    std::vector<TTreeNode*> out;
    ForEachNode([&out](TTreeNode* n) {
        if (n->selectOrder_) out.push_back(n);
    });
    std::stable_sort(out.begin(), out.end(),
                     [](const TTreeNode* a, const TTreeNode* b) { return a->selectOrder_ < b->selectOrder_; });
    return out;
}

namespace {
int CountBelow(const TTreeNode& n) {
    int c = 0;
    for (const auto& k : n.Children()) c += 1 + CountBelow(*k);
    return c;
}
}  // namespace

int TDocTree::NodeCount() const { return CountBelow(root_); }

TRecordModel::TRecordModel() = default;

void TRecordModel::NoteDocType(int32_t docType) {
    if (docType == kDocWebPage) webPageTabVisible_ = true;
}

void TRecordModel::ClearTrees() {
    all.Clear();
    app.Clear();
    path.Clear();
    doc.Clear();
}

void TRecordModel::ClearAll() {
    ClearTrees();
    items.Clear();
}

TDocTree* TRecordModel::CategoryTree(int32_t docType) {
    switch (docType) {
        case kDocWebPage: return &doc;
        case kDocAppOrFile: return &app;
        case kDocFolder: return &path;
        default: return nullptr;
    }
}

void TRecordModel::RebuildCategoryTrees(const TPumpFn& pump) {
    int count = std::min(all.TopCount(), kWalkLimit);
    for (int i = 0; i < count && i < all.TopCount(); ++i) {
        if (pump) pump();
        if (i >= all.TopCount()) break;  // the pump may have let a command change the tree
        TTreeNode* top = all.Top(i);
        if (!items.IsValid(top->Index())) continue;
        TMyDoc item = items.Item(top->Index());
        TDocTree* target = CategoryTree(item.docType);
        if (!target) continue;
        TTreeNode* made = target->Add(nullptr, item.title, top->Index(), item.imageIndex);
        for (const auto& child : top->Children()) {
            if (!items.IsValid(child->Index())) continue;
            const TMyDoc& c = items.At(child->Index());
            target->Add(made, c.title, child->Index(), c.imageIndex);
        }
    }
}

}  // namespace qm

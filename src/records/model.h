// The open record in memory: an append-only item table and four trees whose nodes
// refer to it by index. The All tree is the authority; the category trees are
// derived from it. Nothing here needs a window; the main window mirrors the trees.
#pragma once
#include <windows.h>
#include <objidl.h>  // before commctrl.h: declares the image-list stream calls
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/unique_any.h"
#include "records/itemextras.h"

namespace qm {

// Document kinds.
enum TDocType : int32_t { kDocWebPage = 1, kDocAppOrFile = 2, kDocFolder = 3 };

// Image indexes with a fixed meaning in the item image list.
constexpr int kImageFolder = 0;
constexpr int kImageWebPage = 1;
constexpr int kBaseImageCount = 78;

// Walks over top-level nodes, directory entries and "*" lists stop here.
constexpr int kWalkLimit = 5000;

// One record item, a plain value.
struct TMyDoc {
    std::wstring groupKey;
    std::wstring path;
    std::wstring title;
    uint8_t reservedFlag = 0;
    int32_t reservedValue = 0;
    int32_t docType = 0;
    std::wstring date;
    int32_t imageIndex = 0;
    bool expanded = false;
    TItemExtras extras;  // written as extra attributes of the item's element
};

// The process-wide item table: entries are only appended, so an index stays valid.
class TItemTable {
public:
    int Append();
    TMyDoc& At(int index) { return items_.at(static_cast<size_t>(index)); }
    const TMyDoc& At(int index) const { return items_.at(static_cast<size_t>(index)); }
    TMyDoc Item(int index) const { return At(index); }
    // The item's path; reported to the path observer (the progress hint line).
    const std::wstring& PathAt(int index) const;
    void Clear() {
        items_.clear();
        ++revision_;
    }
    // Changes with every append and clear (lookups built on the table check it).
    unsigned Revision() const { return revision_; }
    int Count() const { return static_cast<int>(items_.size()); }
    bool IsValid(int index) const { return index >= 0 && index < Count(); }

    std::function<void(const std::wstring&)> onPathRead;

private:
    std::vector<TMyDoc> items_;
    unsigned revision_ = 0;
};

struct TNodeData {
    int32_t index = -1;
};

// A tree node: text, images, expansion and children kept sorted by text.
class TTreeNode {
public:
    const std::wstring& Text() const { return text_; }
    // The key the node sorts among its siblings by (made when first asked for).
    const std::string& SortKey() const;
    int Image() const { return image_; }
    int SelectedImage() const { return selectedImage_; }
    int StateIndex() const { return stateIndex_; }
    bool Expanded() const { return expanded_; }
    const TNodeData& Data() const { return data_; }
    int Index() const { return data_.index; }
    TTreeNode* Parent() const { return parent_; }
    bool HasChildren() const { return !children_.empty(); }
    int ChildCount() const { return static_cast<int>(children_.size()); }
    TTreeNode* Child(int i) const { return children_.at(static_cast<size_t>(i)).get(); }
    const std::vector<std::unique_ptr<TTreeNode>>& Children() const { return children_; }
    int Level() const;

    void SetImages(int image, int selected) {
        image_ = image;
        selectedImage_ = selected;
    }
    void SetImage(int image) { SetImages(image, image); }
    void SetStateIndex(int s) { stateIndex_ = s; }
    void SetExpanded(bool e) { expanded_ = e; }

    // Selection lives in the model so commands read it without a window; the
    // order number says when the node was selected.
    bool Selected() const { return selectOrder_ != 0; }
    unsigned SelectOrder() const { return selectOrder_; }

    // Opaque handle of the on-screen item that mirrors this node, and whether
    // its children have been put on screen (they are when it is first expanded).
    void* viewItem = nullptr;
    bool viewFilled = false;

private:
    friend class TDocTree;
    std::wstring text_;
    mutable std::string sortKey_;
    int image_ = 0;
    int selectedImage_ = 0;
    int stateIndex_ = -1;
    bool expanded_ = false;
    unsigned selectOrder_ = 0;
    TNodeData data_;
    TTreeNode* parent_ = nullptr;
    std::vector<std::unique_ptr<TTreeNode>> children_;
};

// Compares node texts the way a text-sorted tree view does (user locale, ignoring case).
int CompareNodeText(const std::wstring& a, const std::wstring& b);
// The text's sort key for that order: two texts compare as their keys do,
// byte by byte, so a text kept with its key is compared without the locale
// (which costs microseconds a time under a long list's binary search).
std::string NodeSortKey(std::wstring_view text);

class TDocTree {
public:
    TDocTree();
    // Adds a node under parent (nullptr: top level) at its sorted place; equal texts
    // keep insertion order. The node's data refers to itemIndex; image is both its
    // image and its selected image.
    TTreeNode* Add(TTreeNode* parent, std::wstring text, int itemIndex, int image = 0);
    // Removes the node with its children.
    void Remove(TTreeNode* node);
    void Clear();

    int TopCount() const { return root_.ChildCount(); }
    TTreeNode* Top(int i) const { return root_.Child(i); }
    const std::vector<std::unique_ptr<TTreeNode>>& TopNodes() const { return root_.Children(); }
    int NodeCount() const;
    bool Empty() const { return root_.children_.empty(); }
    // Position of a node among its siblings.
    int SiblingIndex(const TTreeNode* node) const;

    // Selection: several nodes at once, remembered in the order they were chosen.
    void Select(TTreeNode* node, bool on);
    void ClearSelection();
    std::vector<TTreeNode*> SelectedNodes() const;  // in selection order
    TTreeNode* Focused() const { return focused_; }
    void SetFocused(TTreeNode* node) { focused_ = node; }
    // Top-level nodes and their children in display order (expanded or not).
    template <class Fn>
    void ForEachNode(Fn&& fn) const {
        std::vector<const TTreeNode*> stack;
        for (auto it = root_.children_.rbegin(); it != root_.children_.rend(); ++it) stack.push_back(it->get());
        while (!stack.empty()) {
            auto* n = const_cast<TTreeNode*>(stack.back());
            stack.pop_back();
            fn(n);
            for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it) stack.push_back(it->get());
        }
    }

    // Called after a node is added (with the sibling it follows, or nullptr when it
    // is the first) or before one is removed: the on-screen mirror.
    std::function<void(TTreeNode*, TTreeNode*)> onAdded;
    std::function<void(TTreeNode*)> onRemoving;
    std::function<void()> onCleared;

    // Changes with every add, remove and clear (lookups built on the tree check it).
    unsigned Revision() const { return revision_; }

private:
    TTreeNode root_;
    unsigned revision_ = 0;
    TTreeNode* focused_ = nullptr;
    unsigned selectCounter_ = 0;
};

// Lets pending window messages run during long walks; empty means do nothing.
using TPumpFn = std::function<void()>;

// The model the main window owns.
class TRecordModel {
public:
    TRecordModel();

    TItemTable items;
    TDocTree all;   // "All"
    TDocTree app;   // "Application"
    TDocTree path;  // "File Folder"
    TDocTree doc;   // "Web Page"

    // The "Web Page" tab: hidden until the first web page is loaded or captured.
    bool WebPageTabVisible() const { return webPageTabVisible_; }
    void NoteDocType(int32_t docType);

    HIMAGELIST Images() const { return images_.get(); }
    // Replaces the item image list (the model owns the new one).
    void SetImages(HIMAGELIST list) {
        images_.reset(list);
        ++imagesGeneration_;
    }
    // Changes with every replacement of the image list.
    unsigned ImagesGeneration() const { return imagesGeneration_; }

    void ClearTrees();
    void ClearAll();  // trees and item table

    // The category tree that holds items of a kind, or nullptr.
    TDocTree* CategoryTree(int32_t docType);

    // Derives the three category trees from the All tree (two levels, the first
    // 5000 top-level nodes), pumping before each top-level node.
    void RebuildCategoryTrees(const TPumpFn& pump = {});

private:
    bool webPageTabVisible_ = false;
    unique_himagelist images_;
    unsigned imagesGeneration_ = 0;
};

}  // namespace qm

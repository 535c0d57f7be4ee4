// One SysTreeView32 that mirrors a document tree of the model: same order,
// texts, images and expansion. Tree views have no multiple selection of their
// own, so it is built here on the model's selection: Ctrl toggles, Shift takes a
// range, a plain click selects one, and the selected items are painted selected.
// A node's children go on screen when it is first expanded (the control asks
// whether a node has children), so a large record shows at once; a node the
// window selects or scrolls to is put on screen with its parents first.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <commctrl.h>

#include <functional>
#include <unordered_set>

#include "records/model.h"

namespace qm {

class TDocTreeView {
public:
    // Creates the control as a child of parent (hidden) and binds it to the tree.
    void Create(HWND parent, int id, TDocTree& tree, HIMAGELIST images);
    HWND Handle() const { return hwnd_; }
    TDocTree& Tree() const { return *tree_; }

    // Builds the items again from the model (after a load or bulk change): the
    // top level, and the children of what the model has expanded.
    void Rebuild();
    // While deferred, nodes the model adds are not put on screen one by one;
    // the view is built again once, when the deferral ends (a batch of adds).
    // A view marked stale is built when it is next needed or shown.
    void Defer(bool defer);
    void MarkStale() { stale_ = true; }
    void BuildIfStale();
    void SetImages(HIMAGELIST images);
    void HoldRedraw(bool hold);
    // Expands or collapses the items as the model's nodes say.
    void SyncExpansion();
    // step runs after each node; it returns false to end the walk there.
    void ExpandAll(bool expand, const std::function<bool()>& step = {});
    // Expands or collapses one node, putting it and its children on screen first.
    void Expand(TTreeNode* node, bool expand);

    TTreeNode* NodeOf(HTREEITEM item) const;
    TTreeNode* NodeAtPoint(POINT client, UINT* hitFlags = nullptr) const;

    // Selection, mirrored from the model.
    void ClickSelect(TTreeNode* node, bool ctrl, bool shift);
    void SelectOnly(TTreeNode* node);
    void DeselectAll();
    void SelectTopLevelAndChildren();
    void ShowSelection();
    void EnsureVisible(TTreeNode* node);
    void FocusNode(TTreeNode* node);

    // Events for the window: keys it does not handle itself, a double click, and
    // expansion changes made by the user.
    std::function<bool(UINT key)> onKey;      // true when the window used the key
    std::function<void(TTreeNode*)> onHover;  // the pointer is on a node's label or icon
    std::function<void()> onDoubleClick;
    std::function<void(TTreeNode*, bool expanded)> onExpanded;
    std::function<void(POINT screen)> onContextMenu;

    // The window forwards the tree's WM_NOTIFY here.
    LRESULT OnNotify(NMHDR* hdr, bool& handled);

private:
    static LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled);
    void Insert(TTreeNode* node, TTreeNode* previous);
    // Puts a node's children on screen (once), and a node with its parents.
    void Fill(TTreeNode* node);
    void Materialise(TTreeNode* node);
    void SetItemSelected(TTreeNode* node, bool on);

    HWND hwnd_ = nullptr;
    WNDPROC controlProc_ = nullptr;
    // The nodes painted selected on screen (the model's selection, as last shown).
    std::unordered_set<TTreeNode*> shownSelected_;
    TDocTree* tree_ = nullptr;
    TTreeNode* anchor_ = nullptr;
    bool syncing_ = false;
    bool swallowChar_ = false;
    int deferred_ = 0;
    int redrawHeld_ = 0;
    bool stale_ = false;
};

}  // namespace qm

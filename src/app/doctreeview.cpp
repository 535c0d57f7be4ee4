#include "app/doctreeview.h"

#include <algorithm>
#include <vector>

#include "base/guarded.h"

namespace qm {

void TDocTreeView::Create(HWND parent, int id, TDocTree& tree, HIMAGELIST images) {
    tree_ = &tree;
    hwnd_ = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
        WS_CHILD | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_INFOTIP, 0, 0,
        0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    TreeView_SetExtendedStyle(hwnd_, TVS_EX_DOUBLEBUFFER, TVS_EX_DOUBLEBUFFER);
    SetImages(images);
    // Subclassed the classic way: the common controls' subclass chain asks the
    // window manager for a window property on every message, which under Wine
    // is a round trip to the server for each item put on screen.
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    controlProc_ =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
    tree.onAdded = [this](TTreeNode* n, TTreeNode* previous) {
        if (deferred_ > 0 || stale_)
            stale_ = true;
        else
            Insert(n, previous);
    };
    tree.onRemoving = [this](TTreeNode* n) {
        if (n == anchor_) anchor_ = nullptr;
        if (!shownSelected_.empty()) {
            std::vector<TTreeNode*> stack{n};
            while (!stack.empty()) {
                TTreeNode* gone = stack.back();
                stack.pop_back();
                shownSelected_.erase(gone);
                for (const auto& child : gone->Children()) stack.push_back(child.get());
            }
        }
        if (n->viewItem) TreeView_DeleteItem(hwnd_, static_cast<HTREEITEM>(n->viewItem));
    };
    tree.onCleared = [this] {
        anchor_ = nullptr;
        shownSelected_.clear();
        syncing_ = true;
        TreeView_DeleteAllItems(hwnd_);
        syncing_ = false;
    };
}

void TDocTreeView::SetImages(HIMAGELIST images) { TreeView_SetImageList(hwnd_, images, TVSIL_NORMAL); }

void TDocTreeView::Insert(TTreeNode* node, TTreeNode* previous) {
    TTreeNode* parent = node->Level() > 0 ? node->Parent() : nullptr;
    if (parent && (!parent->viewItem || !parent->viewFilled)) {
        // The parent is not shown or its children wait for its expansion: the
        // control asks again whether it has children.
        if (parent->viewItem) {
            TVITEMW tv{};
            tv.mask = TVIF_CHILDREN;
            tv.hItem = static_cast<HTREEITEM>(parent->viewItem);
            tv.cChildren = I_CHILDRENCALLBACK;
            TreeView_SetItem(hwnd_, &tv);
        }
        return;
    }
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent ? static_cast<HTREEITEM>(parent->viewItem) : TVI_ROOT;
    ins.hInsertAfter = previous && previous->viewItem ? static_cast<HTREEITEM>(previous->viewItem) : TVI_FIRST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN | TVIF_STATE;
    ins.item.pszText = const_cast<wchar_t*>(node->Text().c_str());
    ins.item.iImage = node->Image();
    ins.item.iSelectedImage = node->SelectedImage();
    ins.item.lParam = reinterpret_cast<LPARAM>(node);
    ins.item.cChildren = I_CHILDRENCALLBACK;
    ins.item.stateMask = TVIS_SELECTED;
    ins.item.state = node->Selected() ? TVIS_SELECTED : 0;
    node->viewFilled = false;
    node->viewItem = reinterpret_cast<void*>(TreeView_InsertItem(hwnd_, &ins));
    if (node->viewItem && node->Selected()) shownSelected_.insert(node);
}

void TDocTreeView::Fill(TTreeNode* node) {
    if (!node->viewItem || node->viewFilled) return;
    node->viewFilled = true;
    bool was = syncing_;
    syncing_ = true;
    TTreeNode* prev = nullptr;
    for (const auto& child : node->Children()) {
        Insert(child.get(), prev);
        prev = child.get();
    }
    syncing_ = was;
}

void TDocTreeView::Materialise(TTreeNode* node) {
    if (!node || node->viewItem) return;
    BuildIfStale();
    if (node->viewItem) return;
    TTreeNode* parent = node->Level() > 0 ? node->Parent() : nullptr;
    if (!parent) return;  // a top-level node is always shown once the view is built
    Materialise(parent);
    Fill(parent);
}

void TDocTreeView::Expand(TTreeNode* node, bool expand) {
    if (!node || !node->HasChildren()) return;
    node->SetExpanded(expand);
    if (expand) {
        Materialise(node);
        Fill(node);
    }
    if (node->viewItem)
        TreeView_Expand(hwnd_, static_cast<HTREEITEM>(node->viewItem), expand ? TVE_EXPAND : TVE_COLLAPSE);
}

void TDocTreeView::Rebuild() {
    stale_ = false;
    HoldRedraw(true);
    syncing_ = true;
    TreeView_DeleteAllItems(hwnd_);
    shownSelected_.clear();
    tree_->ForEachNode([](TTreeNode* n) {
        n->viewItem = nullptr;
        n->viewFilled = false;
    });
    TTreeNode* prev = nullptr;
    for (const auto& top : tree_->TopNodes()) {
        Insert(top.get(), prev);
        prev = top.get();
    }
    syncing_ = false;
    SyncExpansion();
    ShowSelection();
    HoldRedraw(false);
}

void TDocTreeView::Defer(bool defer) {
    deferred_ += defer ? 1 : -1;
    // The view of another tab stays stale until it is shown or needed; the
    // shown tab's is built now, even while the window itself is hidden.
    if (deferred_ == 0 && (::GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE)) BuildIfStale();
}

void TDocTreeView::BuildIfStale() {
    if (stale_ && deferred_ == 0) Rebuild();
}

void TDocTreeView::HoldRedraw(bool hold) {
    // Holds nest: only the outermost release lets the control draw again, as
    // the control measures every item on screen each time it is let draw.
    redrawHeld_ += hold ? 1 : -1;
    if (redrawHeld_ == (hold ? 1 : 0)) {
        ::SendMessageW(hwnd_, WM_SETREDRAW, hold ? FALSE : TRUE, 0);
        if (!hold) ::InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

void TDocTreeView::SyncExpansion() {
    BuildIfStale();
    syncing_ = true;
    // Nodes the model has expanded, at every level, are put on screen expanded.
    std::vector<TTreeNode*> stack;
    for (auto it = tree_->TopNodes().rbegin(); it != tree_->TopNodes().rend(); ++it) stack.push_back(it->get());
    while (!stack.empty()) {
        TTreeNode* n = stack.back();
        stack.pop_back();
        if (!n->HasChildren() || !n->viewItem) continue;
        if (n->Expanded()) {
            Fill(n);
            for (auto it = n->Children().rbegin(); it != n->Children().rend(); ++it) stack.push_back(it->get());
        }
        // An item is collapsed only when it is expanded on screen: a collapse of
        // one the control has never expanded would ask whether it has children.
        HTREEITEM item = static_cast<HTREEITEM>(n->viewItem);
        if (n->Expanded())
            TreeView_Expand(hwnd_, item, TVE_EXPAND);
        else if (TreeView_GetItemState(hwnd_, item, TVIS_EXPANDED) & TVIS_EXPANDED)
            TreeView_Expand(hwnd_, item, TVE_COLLAPSE);
    }
    syncing_ = false;
}

void TDocTreeView::ExpandAll(bool expand, const std::function<bool()>& step) {
    BuildIfStale();
    HoldRedraw(true);
    // The walk is told as a whole by the caller, not node by node.
    bool was = syncing_;
    syncing_ = true;
    // A shown control paints its scroll bars at each change even with redraw
    // off (5 ms a node under Wine): for the walk it is marked hidden, as
    // WM_SETREDRAW does for other windows, and painted whole at the end.
    const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
    if (style & WS_VISIBLE) ::SetWindowLongPtrW(hwnd_, GWL_STYLE, style & ~WS_VISIBLE);
    // Parents before their children, so each child is on screen when it is reached.
    std::vector<TTreeNode*> stack;
    for (auto it = tree_->TopNodes().rbegin(); it != tree_->TopNodes().rend(); ++it) stack.push_back(it->get());
    while (!stack.empty()) {
        TTreeNode* n = stack.back();
        stack.pop_back();
        if (!n->HasChildren()) continue;
        if (expand) Fill(n);
        // The control tells of expansions it makes itself, not of these.
        n->SetExpanded(expand);
        // The state is set rather than the item expanded: an expansion also
        // scrolls the control to show the children, each time.
        if (n->viewItem)
            TreeView_SetItemState(hwnd_, static_cast<HTREEITEM>(n->viewItem),
                                  expand ? TVIS_EXPANDED | TVIS_EXPANDEDONCE : 0,
                                  TVIS_EXPANDED | (expand ? TVIS_EXPANDEDONCE : 0));
        for (auto it = n->Children().rbegin(); it != n->Children().rend(); ++it) stack.push_back(it->get());
        if (step && !step()) break;
    }
    syncing_ = was;
    if (style & WS_VISIBLE) ::SetWindowLongPtrW(hwnd_, GWL_STYLE, ::GetWindowLongPtrW(hwnd_, GWL_STYLE) | WS_VISIBLE);
    HoldRedraw(false);
    if (style & WS_VISIBLE) ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

TTreeNode* TDocTreeView::NodeOf(HTREEITEM item) const {
    if (!item) return nullptr;
    TVITEMW tv{};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    if (!TreeView_GetItem(hwnd_, &tv)) return nullptr;
    return reinterpret_cast<TTreeNode*>(tv.lParam);
}

TTreeNode* TDocTreeView::NodeAtPoint(POINT client, UINT* hitFlags) const {
    TVHITTESTINFO hit{};
    hit.pt = client;
    HTREEITEM item = TreeView_HitTest(hwnd_, &hit);
    if (hitFlags) *hitFlags = hit.flags;
    return NodeOf(item);
}

void TDocTreeView::SetItemSelected(TTreeNode* node, bool on) {
    if (!node || !node->viewItem) return;
    if (on ? !shownSelected_.insert(node).second : shownSelected_.erase(node) == 0) return;  // shown so already
    TreeView_SetItemState(hwnd_, static_cast<HTREEITEM>(node->viewItem), on ? TVIS_SELECTED : 0, TVIS_SELECTED);
}

void TDocTreeView::ShowSelection() {
    if (stale_) return;  // the build shows it
    // Only what changed is painted again: the nodes shown selected that are no
    // longer, then the selected nodes on screen.
    std::vector<TTreeNode*> shown(shownSelected_.begin(), shownSelected_.end());
    for (TTreeNode* n : shown)
        if (!n->Selected()) SetItemSelected(n, false);
    for (TTreeNode* n : tree_->SelectedNodes()) SetItemSelected(n, true);
}

void TDocTreeView::DeselectAll() {
    tree_->ClearSelection();
    ShowSelection();
}

void TDocTreeView::SelectOnly(TTreeNode* node) {
    tree_->ClearSelection();
    tree_->Select(node, true);
    anchor_ = node;
    FocusNode(node);
    ShowSelection();
}

void TDocTreeView::FocusNode(TTreeNode* node) {
    tree_->SetFocused(node);
    Materialise(node);
    if (node && node->viewItem) {
        syncing_ = true;
        TreeView_SelectItem(hwnd_, static_cast<HTREEITEM>(node->viewItem));
        syncing_ = false;
    }
}

void TDocTreeView::EnsureVisible(TTreeNode* node) {
    Materialise(node);
    if (node && node->viewItem) TreeView_EnsureVisible(hwnd_, static_cast<HTREEITEM>(node->viewItem));
}

void TDocTreeView::ClickSelect(TTreeNode* node, bool ctrl, bool shift) {
    if (!node) return;
    if (ctrl) {
        tree_->Select(node, !node->Selected());
        anchor_ = node;
    } else if (shift && anchor_) {
        // Everything shown between the anchor and the node, in display order.
        std::vector<TTreeNode*> shown;
        for (HTREEITEM it = TreeView_GetRoot(hwnd_); it; it = TreeView_GetNextVisible(hwnd_, it))
            shown.push_back(NodeOf(it));
        auto a = std::find(shown.begin(), shown.end(), anchor_);
        auto b = std::find(shown.begin(), shown.end(), node);
        tree_->ClearSelection();
        if (a != shown.end() && b != shown.end()) {
            if (a > b) std::swap(a, b);
            for (auto it = a; it <= b; ++it) tree_->Select(*it, true);
        } else {
            tree_->Select(node, true);
        }
    } else {
        tree_->ClearSelection();
        tree_->Select(node, true);
        anchor_ = node;
    }
    FocusNode(node);
    ShowSelection();
}

void TDocTreeView::SelectTopLevelAndChildren() {
    for (const auto& top : tree_->TopNodes()) {
        tree_->Select(top.get(), true);
        for (const auto& child : top->Children()) tree_->Select(child.get(), true);
    }
    ShowSelection();
}

LRESULT TDocTreeView::OnNotify(NMHDR* hdr, bool& handled) {
    handled = false;
    switch (hdr->code) {
        case TVN_SELCHANGEDW:
            // The control painted its caret's old and new items itself: they show
            // the model's selection again.
            for (HTREEITEM item : {reinterpret_cast<NMTREEVIEWW*>(hdr)->itemOld.hItem,
                                   reinterpret_cast<NMTREEVIEWW*>(hdr)->itemNew.hItem})
                if (TTreeNode* n = NodeOf(item)) {
                    shownSelected_.erase(n);
                    TreeView_SetItemState(hwnd_, item, 0, TVIS_SELECTED);
                    SetItemSelected(n, n->Selected());
                }
            // The control moved its own caret (keyboard): that node alone is selected,
            // except while the model itself is being shown.
            if (!syncing_) {
                auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
                if (nm->action == TVC_BYKEYBOARD) {
                    TTreeNode* n = NodeOf(nm->itemNew.hItem);
                    bool shift = ::GetKeyState(VK_SHIFT) < 0;
                    ClickSelect(n, false, shift);
                }
            }
            return 0;
        case TVN_GETDISPINFOW: {
            auto* di = reinterpret_cast<NMTVDISPINFOW*>(hdr);
            if (di->item.mask & TVIF_CHILDREN) {
                TTreeNode* n = reinterpret_cast<TTreeNode*>(di->item.lParam);
                di->item.cChildren = n && n->HasChildren() ? 1 : 0;
            }
            return 0;
        }
        case TVN_ITEMEXPANDINGW: {
            auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
            if (nm->action & TVE_EXPAND)
                if (TTreeNode* n = NodeOf(nm->itemNew.hItem)) Fill(n);
            return 0;
        }
        case TVN_ITEMEXPANDEDW: {
            auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
            TTreeNode* n = NodeOf(nm->itemNew.hItem);
            if (n) {
                bool expanded = (nm->itemNew.state & TVIS_EXPANDED) != 0;
                n->SetExpanded(expanded);
                if (!syncing_ && onExpanded) onExpanded(n, expanded);
            }
            return 0;
        }
        case NM_DBLCLK:
            if (onDoubleClick) onDoubleClick();
            handled = true;
            return 1;
        case NM_RCLICK: {
            POINT pt{};
            ::GetCursorPos(&pt);
            if (onContextMenu) onContextMenu(pt);
            handled = true;
            return 1;
        }
        default: return 0;
    }
}

LRESULT TDocTreeView::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    handled = false;
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            UINT flags = 0;
            TTreeNode* n = NodeAtPoint(pt, &flags);
            if (msg == WM_LBUTTONDOWN && (flags & TVHT_ONITEMBUTTON)) return 0;  // the control expands it
            bool ctrl = (wp & MK_CONTROL) != 0, shift = (wp & MK_SHIFT) != 0;
            ::SetFocus(hwnd_);
            if (msg == WM_RBUTTONDOWN) {
                // A right click selects the node under the pointer unless it is selected already.
                if (n && !n->Selected()) ClickSelect(n, false, false);
                handled = true;
                return 0;
            }
            if (n && (flags & (TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT))) {
                ClickSelect(n, ctrl, shift);
                handled = true;
                return 0;
            }
            if (!n && !ctrl && !shift) DeselectAll();
            return 0;
        }
        case WM_KEYDOWN:
            if (onKey && onKey(static_cast<UINT>(wp))) {
                swallowChar_ = true;
                handled = true;
            }
            return 0;
        case WM_CHAR:
            if (swallowChar_) {
                swallowChar_ = false;
                handled = true;  // no beep, no incremental search for a key the window used
            }
            return 0;
        case WM_MOUSEMOVE: {
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            UINT flags = 0;
            TTreeNode* n = NodeAtPoint(pt, &flags);
            if (onHover && n && (flags & TVHT_ONITEM)) onHover(n);
            return 0;
        }
        case WM_GETDLGCODE:
            handled = true;
            return DLGC_WANTALLKEYS | ::CallWindowProcW(controlProc_, hwnd_, msg, wp, lp);
        default: return 0;
    }
}

LRESULT CALLBACK TDocTreeView::WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TDocTreeView*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(h, msg, wp, lp);
    bool handled = false;
    LRESULT r = 0;
    // A failing command ends quietly, with a trace.
    if (!Guarded(L"tree message", [&] { r = self->OnMessage(msg, wp, lp, handled); })) handled = true;
    return handled ? r : ::CallWindowProcW(self->controlProc_, h, msg, wp, lp);
}

}  // namespace qm

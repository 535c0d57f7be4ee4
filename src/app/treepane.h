// The centre of the main window: the search row (hidden until asked for) and
// the tab control with the four document trees ("All", "Application", "File
// Folder", "Web Page") that mirror the record model.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "app/doctreeview.h"
#include "base/progress.h"
#include "records/model.h"
#include "ui/tabstrip.h"

namespace qm {

class TDocTreePane {
public:
    static constexpr int kIdSearchCombo = 1009, kIdSearchButton = 1010, kIdTabs = 1011, kIdTreeFirst = 1100;
    static constexpr int kTabCount = 4;

    // documentsFolder: the grouping rule's documents folder (selection by path).
    void Create(HWND parent, TRecordModel& model, bool ownerDrawTabs, HFONT font, HFONT boldFont,
                std::wstring documentsFolder);
    ~TDocTreePane();

    // Lays the search row, the tabs and the trees out in the area.
    void Layout(const RECT& area, int dpi);

    TDocTreeView& View(int tab) { return trees_[tab]; }
    int ActiveTab() const { return activeTab_; }
    void SelectTab(int tab);
    // The "Web Page" tab appears once the model has a web page.
    void UpdateTabs();
    // The tree of the active tab.
    TDocTree* ActiveDocTree();

    // Builds every tree again from the model (after a load or bulk change),
    // with the model's current image list.
    void ShowTrees();
    void ResetImages();
    // Around a batch of adds: the All tree is not repainted, and no tree puts
    // the new nodes on screen one by one (each is built once at the end).
    void HoldRepaints(bool hold) {
        trees_[0].HoldRedraw(hold);
        for (auto& t : trees_) t.Defer(hold);
    }
    void SetTreeFont(HFONT font);
    // Expands or collapses every node of every tree, the All tree first.
    // A large record shows its progress, pumping messages (Stop ends it there).
    void ExpandAll(bool expand, IProgress* progress = nullptr);
    // Selects the item with this path in the All tree (a child's group is
    // expanded); a folder group is matched by its group key.
    void SelectItemByPath(const std::wstring& path);

    bool SearchShown() const { return searchShown_; }
    void ShowSearch(bool show);
    HWND SearchCombo() const { return searchCombo_; }

    // The window's WM_NOTIFY and WM_DRAWITEM; true when they were the pane's.
    bool OnNotify(NMHDR* hdr, LRESULT& result);
    bool OnDrawItem(const DRAWITEMSTRUCT& dis) const { return tabs_.Draw(dis); }
    HWND Tabs() const { return tabs_.Handle(); }

    // Events for the window.
    std::function<bool(int tab, UINT key)> onKey;
    std::function<void()> onDoubleClick;
    std::function<void(POINT screen)> onContextMenu;
    std::function<void(TTreeNode*, bool expanded)> onExpanded;  // by the user, in the All tree
    std::function<void()> onExpandedAll;                        // by Full Expand or Full Collapse
    std::function<void(TTreeNode*)> onHover;                    // a new node under the pointer

private:
    TRecordModel* model_ = nullptr;
    TDocTreeView trees_[kTabCount];
    TTabStrip tabs_;
    HWND searchCombo_ = nullptr, searchButton_ = nullptr;
    std::wstring documentsFolder_;
    TTreeNode* hovered_ = nullptr;
    int activeTab_ = 0;
    bool searchShown_ = false;
};

}  // namespace qm

#include "app/treepane.h"

#include <algorithm>

#include "base/guarded.h"
#include "base/scope_exit.h"
#include "base/strings.h"
#include "capture/links.h"
#include "capture/pathutil.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace qm {

namespace {
const std::vector<std::wstring> kTabCaptions = {L"All", L"Application", L"File Folder", L"Web Page"};
}

TDocTreePane::~TDocTreePane() {
    // The trees outlive nothing of the window: their mirrors are unhooked.
    for (auto& t : trees_) {
        if (!t.Handle()) continue;
        t.Tree().onAdded = nullptr;
        t.Tree().onRemoving = nullptr;
        t.Tree().onCleared = nullptr;
    }
}

void TDocTreePane::Create(HWND parent, TRecordModel& model, bool ownerDrawTabs, HFONT font, HFONT boldFont,
                          std::wstring documentsFolder) {
    model_ = &model;
    documentsFolder_ = std::move(documentsFolder);
    searchCombo_ = CreateChild(parent, 0, WC_COMBOBOXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                               kIdSearchCombo, font);
    searchButton_ = CreateChild(parent, 0, WC_BUTTONW, L"Search", WS_TABSTOP | BS_PUSHBUTTON, kIdSearchButton, font);
    tabs_.Create(parent, kIdTabs, ownerDrawTabs, font, boldFont);
    TDocTree* models[kTabCount] = {&model.all, &model.app, &model.path, &model.doc};
    for (int i = 0; i < kTabCount; ++i) {
        TDocTreeView& view = trees_[i];
        view.Create(parent, kIdTreeFirst + i, *models[i], model.Images());
        view.onKey = [this, i](UINT key) { return onKey && onKey(i, key); };
        view.onHover = [this](TTreeNode* n) {
            if (n == hovered_) return;
            hovered_ = n;
            if (onHover) onHover(n);
        };
        view.onDoubleClick = [this] {
            if (onDoubleClick) onDoubleClick();
        };
        view.onContextMenu = [this](POINT pt) {
            if (onContextMenu) onContextMenu(pt);
        };
        if (i == 0)
            view.onExpanded = [this](TTreeNode* n, bool expanded) {
                if (onExpanded) onExpanded(n, expanded);
            };
        ::SetWindowPos(view.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    UpdateTabs();
}

void TDocTreePane::Layout(const RECT& area, int dpi) {
    auto scale = [dpi](int v) { return ::MulDiv(v, dpi, 96); };
    int width = std::max(0L, area.right - area.left);
    int top = area.top;
    if (searchShown_) {
        int h = scale(24), button = scale(60);
        // The combo box is 20 pixels narrower than its panel.
        ::MoveWindow(searchCombo_, area.left, top, std::max(0, width - scale(20) - button), scale(200), TRUE);
        ::MoveWindow(searchButton_, area.left + width - scale(20) - button + scale(4), top, button, h - scale(2), TRUE);
        top += h;
    }
    ::MoveWindow(tabs_.Handle(), area.left, top, width, std::max(0L, area.bottom - top), TRUE);
    RECT page = tabs_.PageRect(RECT{area.left, top, area.right, area.bottom});
    for (auto& t : trees_)
        ::MoveWindow(t.Handle(), page.left, page.top, std::max(0L, page.right - page.left),
                     std::max(0L, page.bottom - page.top), TRUE);
}

void TDocTreePane::UpdateTabs() {
    int wanted = model_->WebPageTabVisible() ? 4 : 3;
    tabs_.SetTabs(std::vector<std::wstring>(kTabCaptions.begin(), kTabCaptions.begin() + wanted));
    if (activeTab_ >= wanted) activeTab_ = 0;
    if (tabs_.Selected() != activeTab_) tabs_.Select(activeTab_);
    // A tree is built when it is first shown after a load or change.
    trees_[activeTab_].BuildIfStale();
    for (int i = 0; i < kTabCount; ++i) ShowControl(trees_[i].Handle(), i == activeTab_);
}

void TDocTreePane::SelectTab(int tab) {
    if (tab < 0 || tab >= tabs_.Count()) return;
    activeTab_ = tab;
    tabs_.Select(tab);
    UpdateTabs();
}

TDocTree* TDocTreePane::ActiveDocTree() {
    if (activeTab_ < 0 || activeTab_ >= kTabCount) return nullptr;
    return &trees_[activeTab_].Tree();
}

void TDocTreePane::ShowTrees() {
    for (int i = 0; i < kTabCount; ++i) {
        trees_[i].SetImages(model_->Images());  // a loaded record brings its own images
        if (i == activeTab_)
            trees_[i].Rebuild();
        else
            trees_[i].MarkStale();
    }
    hovered_ = nullptr;
    UpdateTabs();
}

void TDocTreePane::ResetImages() {
    for (auto& t : trees_) t.SetImages(model_->Images());
}

void TDocTreePane::SetTreeFont(HFONT font) {
    for (auto& t : trees_) ::SendMessageW(t.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TDocTreePane::ExpandAll(bool expand, IProgress* progress) {
    // Below this many nodes the walk is over before a panel would be seen.
    constexpr int kShowProgressFrom = 5000;
    constexpr int kGaugeEvery = 256;
    int total = 0;
    for (const auto& t : trees_) total += t.Tree().NodeCount();
    // The walk tells its changes once, at its end (or where Stop ended it).
    // A tab chosen during the walk is the one shown after it.
    scope_exit told([this] {
        UpdateTabs();
        if (onExpandedAll) onExpandedAll();
    });
    if (!progress || total < kShowProgressFrom) {
        for (int t : {0, 2, 3, 1}) trees_[t].ExpandAll(expand);
        return;
    }
    progress->ClearStopRequest();
    progress->ShowProgress(true);
    scope_exit hide([progress] {
        progress->ClearStopRequest();
        progress->ShowProgress(false);
    });
    progress->SetCaption(expand ? L"Full Expand" : L"Full Collapse");
    progress->SetGauge(0, total);
    int done = 0;
    auto step = [&] {
        if (++done % kGaugeEvery == 0) progress->SetGauge(done, total);
        progress->Pump();
        return !progress->StopRequested();
    };
    for (int t : {0, 2, 3, 1}) {
        trees_[t].ExpandAll(expand, step);
        if (progress->StopRequested()) break;
    }
}

void TDocTreePane::ShowSearch(bool show) {
    searchShown_ = show;
    ShowControl(searchCombo_, show);
    ShowControl(searchButton_, show);
    if (show) ::SetFocus(searchCombo_);
}

void TDocTreePane::SelectItemByPath(const std::wstring& rawPath) {
    Guarded(L"select item by path", [&] {
        std::wstring path = Trim(rawPath);
        if (path.empty()) return;
        TDocTreeView& view = trees_[0];
        if (::IsWindowVisible(view.Handle())) ::SetFocus(view.Handle());
        view.DeselectAll();
        std::wstring target = ToLower(ResolveLink(path));
        auto matches = [&](std::wstring p) {
            p = ToLower(Trim(p));
            return p == target || p == target + L"\\" || p + L"\\" == target;
        };
        const TItemTable& items = model_->items;
        TTreeNode* last = nullptr;
        for (const auto& top : model_->all.TopNodes()) {
            if (items.IsValid(top->Index())) {
                std::wstring p = items.At(top->Index()).path;
                if (top->HasChildren() && FolderExists(p)) p = GroupKeyOf(p, documentsFolder_);
                if (matches(p)) {
                    view.SelectOnly(top.get());
                    last = top.get();
                }
            }
            for (const auto& child : top->Children()) {
                if (!items.IsValid(child->Index()) || !matches(items.At(child->Index()).path)) continue;
                view.SelectOnly(child.get());
                last = child.get();
                top->SetExpanded(true);
                view.Expand(top.get(), true);
            }
        }
        if (last) view.EnsureVisible(last);
    });
}

bool TDocTreePane::OnNotify(NMHDR* hdr, LRESULT& result) {
    result = 0;
    if (hdr->hwndFrom == tabs_.Handle()) {
        if (hdr->code == TCN_SELCHANGE) SelectTab(tabs_.Selected());
        return true;
    }
    for (auto& view : trees_) {
        if (hdr->hwndFrom != view.Handle()) continue;
        if (hdr->code == TVN_GETINFOTIPW) {
            // The hover tip is the item's path.
            auto* tip = reinterpret_cast<NMTVGETINFOTIPW*>(hdr);
            TTreeNode* n = view.NodeOf(tip->hItem);
            if (n && model_->items.IsValid(n->Index()))
                lstrcpynW(tip->pszText, model_->items.At(n->Index()).path.c_str(), tip->cchTextMax);
            return true;
        }
        bool handled = false;
        result = view.OnNotify(hdr, handled);
        return handled;
    }
    return false;
}

}  // namespace qm

// The main window's tree commands: the trees' context menu with its "Recent"
// submenu, search across records, deleting items, text and files dropped on
// the window, the add-items dialog and "Add to Record" from the startup list.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "app/commands.h"
#include "app/mainwindow.h"
#include "app/product.h"
#include "base/files.h"
#include "base/listfile.h"
#include "base/guarded.h"
#include "base/pathtext.h"
#include "base/scope_exit.h"
#include "base/strings.h"
#include "capture/pagetitle.h"
#include "capture/pathutil.h"
#include "replay/treecommands.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace qm {

namespace {

constexpr wchar_t kDeleteQuestion[] = L"Are you sure you want to remove selected item of current record?";

// A line of dropped or pasted text that names something to record: a path or
// a web address.
bool IsRecordableText(const std::wstring& line) {
    std::wstring lower = ToLower(line);
    if (lower.rfind(L"http://", 0) == 0 || lower.rfind(L"https://", 0) == 0) return true;
    if (lower.rfind(L"file:///", 0) == 0 || lower.rfind(L"\\\\", 0) == 0) return true;
    return IsValidDrivePath(line);
}

}  // namespace

// ---- The trees' context menu -------------------------------------------------------

unique_hmenu TQuilmarWindow::BuildTreeMenu() {
    std::optional<TMenuNode> node;
    if (auto item = Launcher().CurrentItem(ActiveDocTree(), model_.items)) {
        progress_.SetHint(item->path);  // the hint line follows the node, as for every item command
        node = TMenuNode{item->path, item->hasChildren};
    }
    RemovableDisks(false);  // the "Send to " submenu's removable disk
    treeMenuPlan_ = PlanTreeMenu(node, trees_.ActiveTab() == 0, flags_.startedElevated, model_, documentsFolder_);
    unique_hmenu menu(BuildMenu(TMenuTable::DocTree, MenuStateFor(TMenuTable::DocTree)));
    if (HMENU recent = SubmenuById(menu.get(), CmRecentFirst)) {
        for (size_t i = 0; i < treeMenuPlan_.recent.size() && i < kRecentEntries; ++i)
            ::AppendMenuW(recent, MF_STRING, CmRecentFirst + 1 + static_cast<unsigned>(i),
                          treeMenuPlan_.recent[i].caption.c_str());
    }
    return menu;
}

void TQuilmarWindow::ShowTreeMenu(POINT screen) {
    unique_hmenu menu = BuildTreeMenu();
    UINT cmd = ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
    if (cmd > CmRecentFirst && cmd <= CmRecentFirst + treeMenuPlan_.recent.size()) {
        std::wstring target = treeMenuPlan_.recent[cmd - CmRecentFirst - 1].target;
        Guarded(L"recent entry", [&] { OpenLocation(target, Handle()); });
        return;
    }
    if (cmd) RunCommand(cmd);
}

bool TQuilmarWindow::TreeMenuShows(unsigned id) const {
    const TTreeMenuPlan& p = treeMenuPlan_;
    switch (id) {
        case CmRecentFirst: return !p.recent.empty();
        case CmRunAsAdmin: return p.runAsAdmin;
        case CmOpenWith: return p.openWith;
        case CmOpenAsAdmin: return p.openAsAdmin;
        case CmOpenWithAdmin: return p.openWithAdmin;
        case CmPaste:
        case CmOpenLocationAfterPaste: return p.paste;
        // Search results belong to no record: nothing of them can be deleted.
        case CmDeleteSelected:
        case CmDeleteAll: return p.deleteEntries && !records_->Searching();
        default: return true;
    }
}

bool TQuilmarWindow::RunTreeCommand(unsigned id) {
    switch (id) {
        case CmSearchGo: RunSearch(false); return true;
        case CmDeleteSelected: DeleteSelected(); return true;
        case CmDeleteAll: DeleteAll(); return true;
        case CmAdd: RunAddCommand(); return true;
        case CmAddToRecord: AddToRecord(); return true;
        default: return false;
    }
}

// ---- Search across records -----------------------------------------------------------

void TQuilmarWindow::RunSearch(bool onFocusLoss) {
    HWND combo = trees_.SearchCombo();
    std::wstring text = Trim(WindowText(combo));
    if (onFocusLoss) {
        // The history keeps what was searched for; a user who only tabbed
        // through the field, or left it as it was, starts no search.
        if (!text.empty() && ::SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(text.c_str())) == CB_ERR)
            ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (ToLower(text) == lastSearchTerm_) return;
    }
    std::wstring term = ToLower(text);
    lastSearchTerm_ = term;
    if (term.empty()) {
        LeaveSearch(false);
        records_->SelectRecord();
        return;
    }
    // The search shows what every record holds; none of it is saved anywhere.
    records_->SetSearching(true);
    HoldTreeRepaints(true);
    scope_exit release([this] { HoldTreeRepaints(false); });
    model_.ClearAll();
    images_.ResetToBaseImages();
    trees_.ShowTrees();
    if (recordList_.Cursor() < 0) return;
    SelectTab(0);
    std::vector<std::wstring> files;
    for (int i = 0; i < recordList_.Count(); ++i) files.push_back(records_->EntryPath(recordList_.Text(i)));
    recorder_->LoadInstalledPrograms();
    ULONGLONG pumped = 0;
    SearchRecords(term, files, *recorder_, [this, &pumped] {
        ULONGLONG now = ::GetTickCount64();
        if (now - pumped < 30) return;
        pumped = now;
        progress_.Pump();
    });
    trees_.UpdateTabs();
}

void TQuilmarWindow::LeaveSearch(bool reload) {
    if (!records_->Searching()) return;
    // The term stays the last searched for: leaving the field later starts no
    // search of it again by itself.
    records_->SetSearching(false);
    if (reload) records_->SelectRecord();
}

// ---- Deleting items ---------------------------------------------------------------------

void TQuilmarWindow::DeleteSelected() {
    if (records_->Searching() || !Confirm(kDeleteQuestion)) return;
    {
        HoldTreeRepaints(true);
        scope_exit release([this] { HoldTreeRepaints(false); });
        DeleteSelectedItems(model_, NormaliseFolderPath(JoinPath(UserDataFolder(), L"links")), recentFolder_);
    }
    SaveShownRecord();
    records_->SelectRecord();
}

void TQuilmarWindow::DeleteAll() {
    if (records_->Searching() || !Confirm(kDeleteQuestion)) return;
    model_.ClearTrees();
    SaveShownRecord();
    records_->SelectRecord();
}

void TQuilmarWindow::SaveShownRecord() {
    int cursor = recordList_.Cursor();
    if (cursor < 0) return;
    std::wstring path = records_->EntryPath(recordList_.Text(cursor));
    records_->SetCurrentRecordPath(path);
    CreateFolderTree(FolderOf(path));
    records_->SaveRecordTo(path);
}

// ---- Dropped text and files ---------------------------------------------------------

void TQuilmarWindow::AddDroppedText(const std::wstring& text) {
    LeaveSearch();
    std::vector<std::wstring> entries;
    for (const std::wstring& line : SplitLines(text)) {
        std::wstring entry = Trim(line);
        if (!entry.empty() && IsRecordableText(entry)) entries.push_back(entry);
    }
    if (entries.empty()) return;
    // A text that names an open folder or page takes its title.
    std::vector<TLocationPair> open;
    Guarded(L"open locations", [&] {
        if (locationScan_) locationScan_->Scan(false, open, nullptr);
    });
    recorder_->LoadInstalledPrograms();
    bool changed = false;
    {
        HoldTreeRepaints(true);
        scope_exit release([this] { HoldTreeRepaints(false); });
        TRecorder::TBatch batch(*recorder_);
        for (const std::wstring& entry : entries) {
            std::wstring path = ReplaceAll(entry, L"%20", L" ");
            std::wstring title;
            for (const TLocationPair& location : open)
                if (location.location == entry) title = location.title;
            if (recorder_->IsRecordedPath(path, title)) {
                recorder_->MarkAsCurrent(path);
                continue;
            }
            if (title.empty() && IsWebAddress(path)) title = pageTitle_(path);
            recorder_->AddLocation(path, title);
            changed = true;
        }
    }
    if (changed) records_->SaveSelectedRecord();
    SelectTab(0);
    SelectItemByPath(entries.back());
}

// ---- The add-items dialog -------------------------------------------------------------

TAddItemsSources TQuilmarWindow::AddItemsSources() {
    TAddItemsSources s;
    s.installedPrograms = [](const TRowListingHooks& hooks) {
        return InstalledProgramRows({SpecialFolder(CSIDL_PROGRAMS), SpecialFolder(CSIDL_COMMON_PROGRAMS)}, hooks);
    };
    auto listingHooks = [](const TRowListingHooks& hooks) {
        TAddItemListingHooks h;
        h.iconOf = hooks.iconOf;
        h.step = [step = hooks.step] {
            if (step) step(L"");
        };
        return h;
    };
    s.runningPrograms = [this, listingHooks](const TRowListingHooks& hooks) {
        std::vector<TAppPair> apps;
        std::vector<TFilterRow> filterRows;
        if (appScan_) appScan_->Scan(settings_.record.filterPCStart, apps, filterRows, [&] { hooks.step(L""); });
        std::vector<TAddItemRow> rows;
        AppendRunningApplicationRows(apps, filterRows, rows, listingHooks(hooks));
        return rows;
    };
    s.openLocations = [this, listingHooks](const TRowListingHooks& hooks) {
        std::vector<TLocationPair> locations;
        if (locationScan_) locationScan_->Scan(true, locations, [&] { hooks.step(L""); });
        std::vector<TAddItemRow> rows;
        AppendOpenLocationRows(locations, rows, listingHooks(hooks));
        return rows;
    };
    s.recent = [this](const TRowListingHooks& hooks) { return RecentRows(recorder_->RecentFolder(), hooks); };
    s.storeReopen = [this](int what) {
        Persist(L"reopen add", [&] { store_.StoreReopen(static_cast<TReopen>(what)); });
    };
    s.relaunchElevated = [this] { RestartElevated(); };
    s.pageChanged = [this](int page) {
        settings_.window.addItemsPage = page;
        Persist(L"add-items page", [this] { store_.StoreOption(settings_, keys::FrmActionAddInd); });
    };
    s.openLocation = [this](const std::wstring& path) { OpenLocation(path, Handle()); };
    s.programFilesFolder = SpecialFolder(CSIDL_PROGRAM_FILES);
    s.startedElevated = flags_.startedElevated;
    return s;
}

void TQuilmarWindow::RunAddCommand() {
    if (!addItemsDialog_) addItemsDialog_ = std::make_unique<TFrmActionAdd>(AddItemsSources());
    TAddItemsValues values;
    values.address = settings_.window.addAddress;
    values.alterName = settings_.window.needAlterName;
    values.page = settings_.window.addItemsPage;
    bool confirmed = addItemsDialog_->Show(Handle(), values);
    settings_.window.addAddress = values.address;
    settings_.window.needAlterName = values.alterName;
    Persist(L"add-items address", [this] {
        store_.StoreOption(settings_, keys::EdtAction);
        store_.StoreOption(settings_, keys::NeedAlterName);
    });
    if (!confirmed || values.chosen.empty()) return;
    LeaveSearch();
    recorder_->LoadInstalledPrograms();
    recorder_->SetLastRecordedPath(values.address);
    bool changed = false;
    {
        HoldTreeRepaints(true);
        scope_exit release([this] { HoldTreeRepaints(false); });
        TRecorder::TBatch batch(*recorder_);
        for (const auto& [path, title] : values.chosen) changed |= recorder_->AddOne(path, title);
    }
    if (changed) records_->SaveSelectedRecord();
    SelectTab(0);
    SelectItemByPath(recorder_->LastRecordedPath());
}

// ---- The startup list's "Add to Record" ------------------------------------------------

void TQuilmarWindow::AddToRecord() {
    std::vector<int> rows = filterList_.List().SelectedRows();
    if (rows.empty()) return;
    LeaveSearch();
    recorder_->LoadInstalledPrograms();
    {
        HoldTreeRepaints(true);
        scope_exit release([this] { HoldTreeRepaints(false); });
        TRecorder::TBatch batch(*recorder_);
        for (int row : rows) recorder_->AddLocation(filterList_.List().Text(row, 1), filterList_.List().Text(row, 0));
    }
    records_->SaveSelectedRecord();
    SelectTab(0);
    records_->SelectRecord();
}

bool TQuilmarWindow::OnFilterDrag(UINT msg, POINT client) {
    // A drag of startup-list rows that ends over the All tree adds them.
    switch (msg) {
        case WM_MOUSEMOVE: return draggingRows_;
        case WM_LBUTTONUP: {
            if (!draggingRows_) return false;
            draggingRows_ = false;
            ::ReleaseCapture();
            POINT screen = client;
            ::ClientToScreen(Handle(), &screen);
            HWND under = ::WindowFromPoint(screen);
            if (under == trees_.View(0).Handle() && trees_.ActiveTab() == 0) RunCommand(CmAddToRecord);
            return true;
        }
        default: return false;
    }
}

void TQuilmarWindow::BeginFilterDrag() {
    draggingRows_ = true;
    ::SetCapture(Handle());
}

}  // namespace qm

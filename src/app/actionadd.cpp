#include "app/actionadd.h"

#include <commctrl.h>

#include <algorithm>

#include "base/guarded.h"
#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "capture/pathutil.h"
#include "replay/icons.h"
#include "ui/folderchooser.h"
#include "ui/window.h"

namespace qm {

namespace {

using namespace layout;

constexpr short kWidth = 400;
constexpr short kInner = kWidth - 2 * kMargin;
constexpr short kTabY = kMargin, kTabH = 146;
constexpr short kProgressY = kTabY + kTabH + kGap;
constexpr short kPanelHintY = kProgressY + kLabelH + kGap;
constexpr short kAddressY = kPanelHintY + 2 * kLabelH + kCheckH + 2 * kGap;
constexpr short kNameY = kAddressY + kEditH + kGap;
constexpr short kButtonsY = kNameY + kEditH + kGap + 2;
constexpr short kFieldX = kMargin + 30;
constexpr short kFieldW = kInner - 30 - kButtonW - kGap;
constexpr UINT_PTR kTimerInit = 1;
constexpr UINT kTimerInitMs = 200;
// Menu commands of the lists' context menu.
constexpr UINT kCmOpenFolder = 1, kCmOpen = 2, kCmRefresh = 3;

constexpr wchar_t kPanelHintText[] =
    L"Some running programs require the admin to view,including Installer or other programs that run as admin. For a "
    L"full vistion of \"Running Programs Record\",you can select \"Run QuilMar as admin\".";
constexpr wchar_t kBrowseTitle[] = L"Please Select a Path,Current path is ";

const std::vector<std::wstring> kTabCaptions = {L"   Installed Programs   ", L"   Running Programs   ",
                                                L"   Folders and Webpage   ", L"   Recent Documents   ",
                                                L"      Recent Folders      "};
struct TColumns {
    const wchar_t* first;
    const wchar_t* second;
};
constexpr TColumns kColumns[TFrmActionAdd::kPageCount] = {{L"Name", L"Address"},
                                                          {L"Name", L"Location"},
                                                          {L"Name", L"Address"},
                                                          {L"Caption", L"Location"},
                                                          {L"Caption", L"Location"}};

TDialogTemplate Template() {
    using T = TFrmActionAdd;
    TDialogTemplate tpl(L"Add document", kWidth, kButtonsY + kButtonH + kMargin, kModalDialogStyle | WS_THICKFRAME);
    tpl.Add(WC_TABCONTROLW, L"", T::kIdTabs, kMargin, kTabY, kInner, kTabH, WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS)
        .Add(kStaticAtom, L"", T::kIdPnlHint, kMargin, kProgressY, kInner - 104, kLabelH, kLabelStyle | SS_PATHELLIPSIS)
        .Add(PROGRESS_CLASSW, L"", T::kIdGauge, kWidth - kMargin - 100, kProgressY, 100, kLabelH, 0)
        .Add(kStaticAtom, kPanelHintText, T::kIdPanelHint, kMargin, kPanelHintY, kInner, 2 * kLabelH, kLabelStyle)
        .Add(kButtonAtom, L"Run QuilMar as ad&min", T::kIdCheckBox1, kMargin, kPanelHintY + 2 * kLabelH + 2, 110,
             kCheckH, kCheckStyle)
        .Add(kStaticAtom, L"A&ddress", T::kIdAddressLabel, kMargin, kAddressY + 3, 28, kLabelH, SS_LEFT)
        .Add(kEditAtom, L"", T::kIdEdtAction, kFieldX, kAddressY, kFieldW, kEditH, kEditStyle | WS_GROUP)
        .Add(kButtonAtom, L"&Browse...", T::kIdBtnChoose, kWidth - kMargin - kButtonW, kAddressY, kButtonW, kButtonH,
             WS_TABSTOP)
        .Add(kStaticAtom, L"&Name", T::kIdNameLabel, kMargin, kNameY + 3, 28, kLabelH, SS_LEFT)
        .Add(kEditAtom, L"", T::kIdEdtName, kFieldX, kNameY, kFieldW, kEditH, kEditStyle)
        .Add(kButtonAtom, L"Alter Name", T::kIdCbNeedAlterName, kMargin, kButtonsY + 2, 60, kCheckH, kCheckStyle)
        .AddOkCancel(kButtonsY, L"&Add", L"Cancel");
    return tpl;
}

std::vector<TDialogTemplate> PageTemplates() {
    std::vector<TDialogTemplate> pages;
    for (int i = 0; i < TFrmActionAdd::kPageCount; ++i) {
        TDialogTemplate tpl(L"", kInner - 8, kTabH - 18, DS_CONTROL | WS_CHILD);
        tpl.Add(WC_LISTVIEWW, L"", static_cast<WORD>(TFrmActionAdd::kIdListFirst + i), 0, 0, kInner - 8, kTabH - 18,
                WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SORTASCENDING);
        pages.push_back(std::move(tpl));
    }
    return pages;
}

}  // namespace

TFrmActionAdd::TFrmActionAdd(TAddItemsSources sources) : sources_(std::move(sources)) {}

bool TFrmActionAdd::Show(HWND owner, TAddItemsValues& values) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);
    // The dialog's icons go into an image list of its own: the record's list is
    // saved with the record and must not grow with every showing.
    images_.reset(CreateBaseImageList());
    TAddItemsValues working = values;
    working.chosen.clear();
    values_ = &working;
    pendingPage_ = -1;
    filling_ = false;
    bool confirmed = RunDialog(owner, Template());
    values_ = nullptr;
    // The address and the "Alter Name" state are kept whether or not items were added.
    values.address = working.address;
    values.alterName = working.alterName;
    values.page = working.page;
    values.chosen.clear();
    if (confirmed) {
        values.name = working.name;
        values.chosen = std::move(working.chosen);
    }
    return confirmed;
}

void TFrmActionAdd::OnInit() {
    pages_.Create(*this, kIdTabs, kTabCaptions, PageTemplates());
    for (int i = 0; i < kPageCount; ++i) {
        TReportList& list = lists_[static_cast<size_t>(i)];
        HWND page = pages_.Page(i);
        list.Attach(::GetDlgItem(page, kIdListFirst + i));
        RECT area{};
        ::GetClientRect(page, &area);
        ::MoveWindow(list.Handle(), 0, 0, area.right, area.bottom, FALSE);
        list.AddColumn(kColumns[i].first, 220);
        list.AddColumn(kColumns[i].second, 200);
        list.SetImages(images_.get());
    }
    SizeColumns();
    SetText(kIdEdtAction, values_->address);
    SetChecked(kIdCbNeedAlterName, values_->alterName);
    ShowItem(kIdCbNeedAlterName, false);
    UpdateNameField();
    MarkValid(kIdEdtAction);
    ShowProgress(false);
    ShowItems({kIdPanelHint, kIdCheckBox1}, false);
    if (sources_.storeReopen) sources_.storeReopen(0);
    // The stored page is selected without filling it: the timer fills it once
    // the dialog shows. A page chosen while another fills waits for that fill.
    pages_.Select(std::clamp(values_->page, 0, kPageCount - 1));
    pages_.onSelected = [this](int page) {
        if (filling_)
            pendingPage_ = page;
        else
            FillPage(page);
    };
    ::SetTimer(Handle(), kTimerInit, kTimerInitMs, nullptr);
    FocusItem(kIdEdtAction);
}

void TFrmActionAdd::SizeColumns() {
    // The first column is 220 pixels wide; the second takes the page control's width less 240.
    RECT tabs{};
    ::GetClientRect(Item(kIdTabs), &tabs);
    for (TReportList& list : lists_) {
        list.SetColumnWidth(0, 220);
        list.SetColumnWidth(1, std::max(60L, tabs.right - 240));
    }
}

void TFrmActionAdd::UpdateNameField() {
    bool alter = Checked(kIdCbNeedAlterName);
    EnableItem(kIdEdtName, alter);
    SetFieldColour(kIdEdtName, alter ? kFieldWhite : kFieldGrey);
}

void TFrmActionAdd::ShowProgress(bool show) {
    ShowItems({kIdPnlHint, kIdGauge}, show);
    gauge_ = 0;
    ::SendMessageW(Item(kIdGauge), PBM_SETPOS, 0, 0);
}

TRowListingHooks TFrmActionAdd::ListingHooks() {
    TRowListingHooks hooks;
    hooks.iconOf = [this](const std::wstring& path) { return RegisterIcon(path, images_.get(), L""); };
    hooks.step = [this](const std::wstring& text) {
        ::SendMessageW(Item(kIdGauge), PBM_SETPOS, static_cast<WPARAM>(++gauge_ % 100), 0);
        // Repainting for every row would cost more than listing it.
        ULONGLONG now = ::GetTickCount64();
        if (now - pumpedAt_ < 30) return;
        pumpedAt_ = now;
        SetText(kIdPnlHint, text);
        PumpPendingMessages();
    };
    return hooks;
}

void TFrmActionAdd::FillRows(int page, const std::vector<TAddItemRow>& rows) {
    TReportList& list = lists_[static_cast<size_t>(page)];
    ::SendMessageW(list.Handle(), WM_SETREDRAW, FALSE, 0);
    list.Clear();
    for (const TAddItemRow& row : rows) list.AddRow({row.caption, row.path}, row.image);
    ::SendMessageW(list.Handle(), WM_SETREDRAW, TRUE, 0);
}

void TFrmActionAdd::FillPage(int page) {
    if (!Handle() || filling_) return;
    filling_ = true;
    TReportList& list = lists_[static_cast<size_t>(page)];
    ShowItems({kIdPanelHint, kIdCheckBox1}, page == kRunning && !sources_.startedElevated);
    ShowProgress(true);
    ::ShowWindow(list.Handle(), SW_HIDE);
    SetText(kIdPnlHint, L"Loading...");
    PumpPendingMessages();
    // A failing source leaves its list as it got; the list shows again whatever happens.
    Guarded(L"add-items page", [&] {
        TRowListingHooks hooks = ListingHooks();
        switch (page) {
            case kInstalled:
                if (sources_.installedPrograms) FillRows(page, sources_.installedPrograms(hooks));
                break;
            case kRunning:
                if (sources_.runningPrograms) FillRows(page, sources_.runningPrograms(hooks));
                break;
            case kLocations:
                if (sources_.openLocations) FillRows(page, sources_.openLocations(hooks));
                break;
            default: {
                if (!sources_.recent) break;
                TRecentRows rows = sources_.recent(hooks);
                FillRows(kRecentDocuments, rows.documents);
                FillRows(kRecentFolders, rows.folders);
                break;
            }
        }
    });
    if (Handle()) {
        ShowProgress(false);
        ::ShowWindow(list.Handle(), SW_SHOWNA);
        if (values_) values_->page = page;
        if (sources_.pageChanged) sources_.pageChanged(page);
    }
    filling_ = false;
    if (pendingPage_ >= 0 && Handle()) {
        int next = std::exchange(pendingPage_, -1);
        FillPage(next);
    }
}

void TFrmActionAdd::RowClicked(int page, int row) {
    TReportList& list = lists_[static_cast<size_t>(page)];
    std::wstring path = list.Text(row, 1);
    if (page <= kLocations && path.empty()) return;
    SetText(kIdEdtAction, path);
    SetText(kIdEdtName, list.Text(row, 0));
    MarkValid(kIdEdtAction);
}

void TFrmActionAdd::ShowRowMenu(int page, POINT screen) {
    unique_hmenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, kCmOpenFolder, L"Open &containing folder");
    ::AppendMenuW(menu.get(), MF_STRING, kCmOpen, L"&Open");
    ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu.get(), MF_STRING, kCmRefresh, L"&Refresh");
    UINT cmd = ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
    if (cmd == kCmRefresh) {
        FillPage(page);
        return;
    }
    TReportList& list = lists_[static_cast<size_t>(page)];
    std::vector<int> rows = list.SelectedRows();
    if (cmd == 0 || rows.empty() || !sources_.openLocation) return;
    // Both entries open the folder the row's path is in.
    std::wstring path = list.Text(rows.front(), 1);
    std::wstring folder = FolderExists(path) ? path : FolderOf(path);
    if (!folder.empty()) Guarded(L"add-items open", [&] { sources_.openLocation(folder); });
}

bool TFrmActionAdd::OnNotify(const NMHDR& hdr) {
    if (pages_.OnNotify(hdr)) return true;
    int page = static_cast<int>(hdr.idFrom) - kIdListFirst;
    if (page < 0 || page >= kPageCount) return false;
    TReportList& list = lists_[static_cast<size_t>(page)];
    switch (hdr.code) {
        case NM_CLICK: {
            int row = reinterpret_cast<const NMITEMACTIVATE&>(hdr).iItem;
            if (row >= 0) RowClicked(page, row);
            return true;
        }
        case NM_DBLCLK:
            if (reinterpret_cast<const NMITEMACTIVATE&>(hdr).iItem >= 0 && OnOk()) End(true);
            return true;
        case NM_RCLICK: {
            POINT pt{};
            ::GetCursorPos(&pt);
            ShowRowMenu(page, pt);
            return true;
        }
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN&>(hdr).wVKey == 'A' && ::GetKeyState(VK_CONTROL) < 0)
                ListView_SetItemState(list.Handle(), -1, LVIS_SELECTED, LVIS_SELECTED);
            return true;
        default: return false;
    }
}

bool TFrmActionAdd::OnOtherMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR& result) {
    if (msg == WM_TIMER && wp == kTimerInit) {
        ::KillTimer(Handle(), kTimerInit);
        FillPage(pages_.Active());
        result = TRUE;
        return true;
    }
    if (msg == WM_SIZE) {
        SizeColumns();
        return false;
    }
    return false;
}

void TFrmActionAdd::OnCommand(int id, int code) {
    switch (id) {
        case kIdCbNeedAlterName:
            if (code == BN_CLICKED) UpdateNameField();
            return;
        case kIdBtnChoose:
            if (code == BN_CLICKED) Browse();
            return;
        case kIdCheckBox1:
            if (code == BN_CLICKED && Checked(kIdCheckBox1)) {
                if (sources_.storeReopen) sources_.storeReopen(1);
                if (sources_.relaunchElevated) sources_.relaunchElevated();
                End(false);
            }
            return;
        default: return;
    }
}

void TFrmActionAdd::Browse() {
    Guarded(L"add-items browse", [&] {
        std::wstring start = sources_.programFilesFolder;
        std::wstring chosen = ChooseFolder(Handle(), kBrowseTitle + start, start);
        if (chosen.empty()) return;
        std::wstring folder = NormaliseFolderPath(chosen);
        SetText(kIdEdtAction, folder);
        SetText(kIdEdtName, DisplayName(folder));
        MarkValid(kIdEdtAction);
    });
}

bool TFrmActionAdd::OnOk() {
    TAddItemsValues& v = *values_;
    v.address = Text(kIdEdtAction);
    v.name = Text(kIdEdtName);
    v.alterName = Checked(kIdCbNeedAlterName);
    v.chosen.clear();
    // The rows chosen on the page, or else the address typed.
    TReportList& list = lists_[static_cast<size_t>(pages_.Active())];
    for (int row : list.SelectedRows()) {
        std::wstring path = list.Text(row, 1);
        if (!Trim(path).empty()) v.chosen.emplace_back(path, list.Text(row, 0));
    }
    if (!v.chosen.empty()) return true;
    std::wstring address = Trim(v.address);
    if (address.empty()) {
        MarkInvalid(kIdEdtAction);
        return false;
    }
    std::wstring name = Trim(v.name);
    v.chosen.emplace_back(address, name.empty() ? address : name);
    return true;
}

void TFrmActionAdd::OnEnd(bool) {
    ::KillTimer(Handle(), kTimerInit);
    if (values_) {
        values_->address = Text(kIdEdtAction);
        values_->alterName = Checked(kIdCbNeedAlterName);
        values_->page = pages_.Active();
    }
    pages_.Destroy();
}

}  // namespace qm

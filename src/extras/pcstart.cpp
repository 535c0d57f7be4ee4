#include "extras/pcstart.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "base/effects.h"
#include "base/files.h"
#include "base/guarded.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "base/system.h"
#include "base/unique_any.h"
#include "capture/links.h"
#include "ui/filechooser.h"

namespace qm {
namespace {

using namespace layout;

// The system's reason for a failed change, or the code itself where it has none.
std::wstring FailureText(DWORD error) {
    std::wstring text = SystemErrorText(error);
    return text.empty() ? Format(L"Error %lu", error) : text;
}

// Layout in dialog units: about 755 by 539 pixels of window at 96 dots per inch.
constexpr short kWidth = 500;
constexpr short kInner = kWidth - 2 * kMargin;
constexpr short kTabY = kMargin;
constexpr short kTabH = 200;
constexpr short kFieldX = 44;
constexpr short kFieldW = 330;
constexpr short kNameY = kTabY + kTabH + 8;
constexpr short kPathY = kNameY + kEditH + kGap;
constexpr short kButtonsY = kPathY + kEditH + 6;
constexpr short kHintY = kButtonsY + kButtonH + 8;
constexpr short kHeight = kHintY + kLabelH + kGap + kCheckH + kMargin;
constexpr short kButtonStep = kButtonW + kGap;

// The first column is 180 pixels wide; the second takes the tab's width less 180 and 20.
constexpr int kNameColumn = 180;
constexpr int kColumnSlack = 20;

const std::vector<std::wstring> kTabCaptions = {L"    Current User    ", L"    All Users    "};

TDialogTemplate MainTemplate() {
    using T = TfrmRun;
    TDialogTemplate tpl(kStartupCaption, kWidth, kHeight);
    tpl.Add(kStaticAtom, L"Name", T::kIdNameLabel, kMargin, kNameY + 3, kFieldX - kMargin - kGap, kLabelH, kLabelStyle)
        .Add(kEditAtom, L"", T::kIdTxtStartName, kFieldX, kNameY, kFieldW, kEditH, kEditStyle)
        .Add(kStaticAtom, L"Location", T::kIdPathLabel, kMargin, kPathY + 3, kFieldX - kMargin - kGap, kLabelH,
             kLabelStyle)
        .Add(kEditAtom, L"", T::kIdTxtStartPath, kFieldX, kPathY, kFieldW, kEditH, kEditStyle)
        .Add(kButtonAtom, L"&Select", T::kIdBtnSelectPath, kFieldX + kFieldW + kGap, kPathY, kButtonW, kButtonH,
             WS_TABSTOP)
        .Add(kButtonAtom, L"&Run", T::kIdBtnSSPCRun, kFieldX, kButtonsY, kButtonW, kButtonH, WS_TABSTOP)
        .Add(kButtonAtom, L"&Add", T::kIdBtnSSAddPCStart, kFieldX + kButtonStep, kButtonsY, kButtonW, kButtonH,
             WS_TABSTOP)
        .Add(kButtonAtom, L"Re&move", T::kIdBtnSSDeletePCStart, kFieldX + 2 * kButtonStep, kButtonsY, kButtonW,
             kButtonH, WS_TABSTOP)
        .Add(kStaticAtom, kStartupHint, T::kIdPanelHint, kMargin, kHintY, kInner, kLabelH, kLabelStyle)
        .Add(kButtonAtom, L"Run QuilMar as a&dmin", T::kIdCheckBox1, kMargin, kHintY + kLabelH + kGap, 120, kCheckH,
             kCheckStyle | WS_GROUP)
        // The pages go above the tab control, whose painting clips them out.
        .Add(WC_TABCONTROLW, L"", T::kIdTabs, kMargin, kTabY, kInner, kTabH, WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS)
        .AddCloseButton(kButtonsY, L"Close");
    return tpl;
}

TDialogTemplate PageTemplate(int listId) {
    TDialogTemplate tpl(L"", kInner - 8, kTabH - 18, DS_CONTROL | WS_CHILD);
    tpl.Add(WC_LISTVIEWW, L"", static_cast<WORD>(listId), 2, 2, kInner - 12, kTabH - 22,
            WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS);
    return tpl;
}

// The system's small icon of a path, and the system's list that holds it. A
// path that is not there (or an address) gets the icon of its kind.
int IconOf(const std::wstring& path, HIMAGELIST& list) {
    SHFILEINFOW info{};
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    std::wstring asked = path;
    if (IsWebAddress(path)) asked = L"address.url";
    if (IsWebAddress(path) || !PathExists(path)) flags |= SHGFI_USEFILEATTRIBUTES;
    auto images = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(asked.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), flags));
    if (!images) return -1;
    list = images;
    return info.iIcon;
}

}  // namespace

DWORD RecycleFile(const std::wstring& file) {
    if (!PathExists(file)) return ERROR_FILE_NOT_FOUND;  // gone already: nothing to take away
    // The shell wants the list of names ended by an empty name.
    std::wstring names = file + L'\0';
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = names.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    int result = ::SHFileOperationW(&op);
    if (result != 0) return static_cast<DWORD>(result);
    return op.fAnyOperationsAborted ? ERROR_CANCELLED : ERROR_SUCCESS;
}

TStartRow MakeStartRow(const TStartEntry& entry) {
    TStartRow row;
    row.entry = entry;
    row.location = entry.data;
    if (entry.FromRunKey()) {
        row.caption = entry.name;
        row.command = SplitStartCommand(entry.data);
        row.launchPath = NormaliseLocation(ResolveLink(row.command.program));
    } else {
        row.launchPath = NormaliseLocation(ResolveLink(entry.data));
        row.caption = FileNameOf(row.launchPath);
        if (row.caption.empty()) row.caption = entry.name;
        row.command = {entry.data, {}};
    }
    return row;
}

TfrmRun::TfrmRun(THooks hooks, TStartPlaces places) : hooks_(std::move(hooks)), startMan_(std::move(places)) {
    seams_.hasRunValue = [this](TStartScope scope, const std::wstring& name) {
        return startMan_.HasRunValue(scope, name);
    };
    seams_.setRunValue = [this](TStartScope scope, const std::wstring& name, const std::wstring& data) {
        return startMan_.SetRunValue(scope, name, data);
    };
    seams_.deleteRunValue = [this](TStartScope scope, const std::wstring& name) {
        return startMan_.DeleteRunValue(scope, name);
    };
    seams_.recycle = RecycleFile;
    seams_.chooseFile = ChooseFile;
}

void TfrmRun::SetPlaces(TStartPlaces places) { startMan_ = TWindowsStartMan(std::move(places)); }

bool TfrmRun::Show(HWND owner, TfrmRunValues& values) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    elevating_ = false;
    startTab_ = values.tab;
    RunDialog(owner, MainTemplate());
    values.tab = shownTab_;
    for (auto& rows : rows_) rows.clear();
    return !elevating_;
}

void TfrmRun::OnInit() {
    pages_.onSelected = nullptr;
    pages_.Create(*this, kIdTabs, kTabCaptions, {PageTemplate(kIdLvCurrentUser), PageTemplate(kIdLVLocalMachine)});
    RECT tabs{};
    ::GetClientRect(pages_.Tabs(), &tabs);
    for (int i = 0; i < kTabCount; ++i) {
        TReportList& list = lists_[static_cast<size_t>(i)];
        list.Attach(Item(i == kTabCurrentUser ? kIdLvCurrentUser : kIdLVLocalMachine));
        list.AddColumn(L"  Name  ", kNameColumn);
        list.AddColumn(L"  Location  ", std::max<int>(0, tabs.right - kNameColumn - kColumnSlack));
        list.onActivate = [this](int) { StartSelected(); };
        list.onSelect = [this](int row) { ShowRowInFields(row); };
        list.onContextMenu = [this](POINT pt) { ShowMenu(pt); };
        list.onKey = [this](UINT key) {
            if (key == VK_DELETE) RemoveSelected();
            if (key == VK_SPACE) StartSelected();
        };
    }
    autoName_.clear();
    SetChecked(kIdCheckBox1, false);
    ShowItems({kIdPanelHint, kIdCheckBox1}, !hooks_.startedElevated);
    pages_.onSelected = [this](int index) {
        shownTab_ = index;
        Refresh(index);
    };
    pages_.Select(startTab_);
}

bool TfrmRun::OnOk() {
    // Enter in a list starts its selected entries; anywhere else it closes.
    HWND focus = ::GetFocus();
    for (TReportList& list : lists_) {
        if (focus && focus == list.Handle()) {
            StartSelected();
            return false;
        }
    }
    return true;
}

void TfrmRun::OnEnd(bool) {
    pages_.onSelected = nullptr;
    pages_.Destroy();
}

void TfrmRun::OnCommand(int id, int code) {
    if (code == BN_CLICKED) {
        switch (id) {
            case kIdBtnSelectPath: SelectFile(); return;
            case kIdBtnSSPCRun: StartSelected(); return;
            case kIdBtnSSAddPCStart: AddFromFields(); return;
            case kIdBtnSSDeletePCStart: RemoveSelected(); return;
            case kIdCheckBox1:
                if (!Checked(kIdCheckBox1)) return;
                elevating_ = true;
                if (hooks_.relaunchElevated) hooks_.relaunchElevated();
                End(false);
                return;
            default: return;
        }
    }
    if (id == kIdTxtStartPath && code == EN_KILLFOCUS) NameFollowsLocation(Text(kIdTxtStartPath));
}

bool TfrmRun::OnNotify(const NMHDR& hdr) {
    if (pages_.OnNotify(hdr)) return true;
    for (TReportList& list : lists_)
        if (list.OnNotify(hdr)) return true;
    return false;
}

void TfrmRun::Refresh(int tab) {
    if (tab < 0 || tab >= kTabCount) return;
    TReportList& list = lists_[static_cast<size_t>(tab)];
    std::vector<TStartRow>& rows = rows_[static_cast<size_t>(tab)];
    list.Clear();
    rows.clear();
    TStartScope scope = ScopeOf(tab);
    // Each reader swallows its own failures: a key or folder that cannot be
    // read adds nothing, and the other source is still listed.
    Guarded(L"startup run entries", [&] {
        for (const TStartEntry& e : startMan_.RunEntries(scope)) rows.push_back(MakeStartRow(e));
    });
    Guarded(L"startup folder entries", [&] {
        for (const TStartEntry& e : startMan_.FolderEntries(scope)) rows.push_back(MakeStartRow(e));
    });
    for (size_t i = 0; i < rows.size(); ++i) {
        int image = IconOf(rows[i].launchPath, icons_);
        if (icons_ && !ListView_GetImageList(list.Handle(), LVSIL_SMALL)) list.SetImages(icons_);
        list.AddRow({rows[i].caption, rows[i].location}, image, static_cast<LPARAM>(i));
    }
}

std::vector<const TStartRow*> TfrmRun::SelectedRows() {
    int tab = pages_.Active();
    std::vector<const TStartRow*> chosen;
    const std::vector<TStartRow>& rows = rows_[static_cast<size_t>(tab)];
    TReportList& list = lists_[static_cast<size_t>(tab)];
    for (int row : list.SelectedRows()) {
        auto index = static_cast<size_t>(list.Data(row));
        if (index < rows.size()) chosen.push_back(&rows[index]);
    }
    return chosen;
}

void TfrmRun::StartSelected() {
    Guarded(L"startup start", [&] {
        for (const TStartRow* row : SelectedRows())
            if (!row->command.program.empty())
                ShellOpen(Handle(), L"open", row->command.program, row->command.arguments, SW_SHOW);
    });
}

void TfrmRun::OpenSelectedFolders() {
    Guarded(L"startup open folder", [&] {
        for (const TStartRow* row : SelectedRows()) {
            std::wstring folder = FolderOf(row->launchPath);
            if (!folder.empty() && !IsWebAddress(row->launchPath)) ShellOpen(Handle(), L"open", folder, {}, SW_SHOW);
        }
    });
}

void TfrmRun::RemoveSelected() {
    if (!AskOkCancel(Handle(), kAskRemove, kStartupCaption)) return;
    std::vector<const TStartRow*> chosen = SelectedRows();
    if (chosen.empty()) {
        Error(kNothingToRemove);
        return;
    }
    std::wstring failures;
    TStartScope scope = ScopeOf(pages_.Active());
    for (const TStartRow* row : chosen) {
        // Exactly the value or the file the row came from.
        DWORD status = row->entry.FromRunKey() ? static_cast<DWORD>(seams_.deleteRunValue(scope, row->entry.name))
                                               : seams_.recycle(row->entry.data);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            failures += Format(L"Unable to remove \"%ls\": %ls\n", row->caption.c_str(), FailureText(status).c_str());
    }
    Refresh(pages_.Active());
    if (!failures.empty()) Error(Trim(failures));
}

void TfrmRun::AddFromFields() {
    MarkValid(kIdTxtStartName);
    MarkValid(kIdTxtStartPath);
    std::wstring name = Trim(Text(kIdTxtStartName));
    if (name.empty()) {
        Error(kEnterName);
        MarkInvalid(kIdTxtStartName, kFieldYellow);
        return;
    }
    std::wstring location = Trim(Text(kIdTxtStartPath));
    if (location.empty()) {
        Error(kEnterPath);
        MarkInvalid(kIdTxtStartPath, kFieldYellow);
        return;
    }
    TStartScope scope = ScopeOf(pages_.Active());
    if (seams_.hasRunValue(scope, name) &&
        !AskOkCancel(Handle(),
                     Format(L"A startup item named \"%ls\" already exists. Do you want to replace it?", name.c_str()),
                     kStartupCaption))
        return;
    LSTATUS status = seams_.setRunValue(scope, name, location);
    Refresh(pages_.Active());
    if (status != ERROR_SUCCESS)
        Error(Format(L"Unable to add \"%ls\": %ls", name.c_str(), FailureText(static_cast<DWORD>(status)).c_str()));
}

void TfrmRun::ShowRowInFields(int row) {
    auto index = static_cast<size_t>(lists_[static_cast<size_t>(pages_.Active())].Data(row));
    const std::vector<TStartRow>& rows = rows_[static_cast<size_t>(pages_.Active())];
    if (index >= rows.size()) return;
    SetText(kIdTxtStartName, rows[index].caption);
    SetText(kIdTxtStartPath, rows[index].location);
    autoName_ = rows[index].caption;
}

void TfrmRun::NameFollowsLocation(const std::wstring& location) {
    // A name the user typed stays; one the fields took earlier follows.
    std::wstring name = Trim(Text(kIdTxtStartName));
    std::wstring file = FileNameOf(Trim(location));
    if (file.empty() || (!name.empty() && name != autoName_)) return;
    SetText(kIdTxtStartName, file);
    autoName_ = file;
}

void TfrmRun::SelectFile() {
    std::wstring chosen = seams_.chooseFile ? seams_.chooseFile(Handle(), Text(kIdTxtStartPath)) : std::wstring();
    if (chosen.empty()) return;
    SetText(kIdTxtStartPath, chosen);
    SetText(kIdTxtStartName, FileNameOf(chosen));
    autoName_ = FileNameOf(chosen);
}

void TfrmRun::ShowMenu(POINT screen) {
    unique_hmenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, kIdMnOpenFolder, L"Open containing folder");
    ::AppendMenuW(menu.get(), MF_STRING, kIdMnOpen, L"Open");
    ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu.get(), MF_STRING, kIdMnRemove, L"Remove");
    UINT cmd = ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
    switch (cmd) {
        case kIdMnOpenFolder: OpenSelectedFolders(); break;
        case kIdMnOpen: StartSelected(); break;
        case kIdMnRemove: RemoveSelected(); break;
        default: break;
    }
}

void TfrmRun::Error(const std::wstring& text) {
    Effects().messageBox(Handle(), text, kStartupCaption, MB_OK | MB_ICONERROR);
}

}  // namespace qm

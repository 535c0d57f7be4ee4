// The main window's recording side: the record command and its dialog, the
// record operation's window work (progress, filter list, saving, selecting the
// last recorded path), dropped files and removable disks.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "app/mainwindow.h"
#include "app/product.h"
#include "base/files.h"
#include "base/pathtext.h"
#include "base/strings.h"
#include "capture/links.h"
#include "capture/openlocations.h"
#include "capture/pathutil.h"
#include "capture/runningapps.h"

namespace qm {

void TQuilmarWindow::CreateRecorder() {
    recorder_ = std::make_unique<TRecorder>(model_, settings_.record, static_cast<IItemImages&>(*this),
                                            SpecialFolder(CSIDL_PERSONAL));
    startupFilter_ = std::make_unique<TNoStartupFilter>();
    appScan_ = std::make_unique<TRunningApplicationScan>(*startupFilter_);
    locationScan_ = std::make_unique<TOpenLocationScan>();
    recorder_->SetSources(appScan_.get(), locationScan_.get(), TRecentDocuments::UserRecentFolder(),
                          JoinPath(UserDataFolder(), L"links"));
    recorder_->SetHost(static_cast<IRecordHost*>(this));
}

void TQuilmarWindow::SetCaptureSources(IRunningApplications* apps, IOpenLocations* locations,
                                       const std::wstring& recentFolder) {
    recorder_->SetSources(apps, locations, recentFolder, JoinPath(UserDataFolder(), L"links"));
}

// ---- The record command ---------------------------------------------------------

void TQuilmarWindow::BtnRecClick() {
    newRecordFlag_ = true;
    if (::SendMessageW(cbSmartRecord_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        ::SendMessageW(cbSmartRecord_, BM_SETCHECK, BST_UNCHECKED, 0);
        if (hooks_.smartRecord) hooks_.smartRecord(false);
    }
    TRecordOptions& r = settings_.record;
    if (!r.showSettingsWhenRecord) {
        RecordOperation(newRecordFlag_);
        return;
    }
    if (!recordTypeDialog_) {
        TFrmRecordType::THooks hooks;
        hooks.relaunchElevated = [this] {
            store_.StoreReopen(TReopen::Record);
            RestartElevated();
        };
        hooks.startedElevated = flags_.startedElevated;
        recordTypeDialog_ = std::make_unique<TFrmRecordType>(std::move(hooks));
    }
    // Until the dialog is confirmed, the next save goes to a new default name.
    nameChosen_ = true;
    records_->SetCurrentRecordPath(records_->NewRecordName());
    std::wstring newName = RecordName(FileNameOf(records_->CurrentRecordPath()));
    std::wstring existingName = newName;
    if (recordList_.Count() > 0 && recordList_.Cursor() >= 0) {
        int cursor = recordList_.Cursor() < recordList_.Count() ? recordList_.Cursor() : 0;
        existingName = recordList_.Text(cursor);
    }

    TRecordTypeValues values = RecordTypeValuesOf(r);
    auto& ini = store_.User();
    try {
        ini.WriteBool(keys::kSectionDefault, keys::cbDisplayPCStartFilterList, values.displayPCStartFilterList);
        store_.StoreReopen(TReopen::Nothing);
    } catch (const TSettingsWriteError&) {
    }
    if (!recordTypeDialog_->Show(Handle(), values, newName, existingName)) return;

    records_->SetCurrentRecordPath(records_->RecordFolder() + values.renameTo + kRecordExt);
    TakeRecordTypeValues(values, r);
    try {
        ini.WriteBool(keys::kSectionDefault, keys::CbWebpage, r.webpage);
        ini.WriteBool(keys::kSectionDefault, keys::CbRecrodRecentDocument, r.recordRecentDocument);
        ini.WriteInteger(keys::kSectionDefault, keys::tbRecRecentDoc, r.recRecentDoc);
        ini.WriteBool(keys::kSectionDefault, keys::CbFilterPCStart, r.filterPCStart);
        ini.WriteBool(keys::kSectionDefault, keys::cbDisplayPCStartFilterList, r.displayPCStartFilterList);
        ini.WriteBool(keys::kSectionDefault, keys::CbShowSettingsWhenRecord, r.showSettingsWhenRecord);
        ini.WriteInteger(keys::kSectionDefault, keys::RgRecordType, r.recordType);
    } catch (const TSettingsWriteError&) {
    }
    newRecordFlag_ = r.recordType == 0;
    RecordOperation(newRecordFlag_);
}

void TQuilmarWindow::RecordOperation(bool newRecord) {
    newRecordFlag_ = newRecord;
    bool smart = ::SendMessageW(cbSmartRecord_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    TRecordRun run{newRecord, smart, nameChosen_};
    nameChosen_ = false;
    HoldTreeRepaints(true);
    recorder_->Record(run);
    HoldTreeRepaints(false);
    UpdateTabs();
    if (handoffPending_) {
        handoffPending_ = false;
        OnHandoff();
    }
}

// ---- IRecordHost ------------------------------------------------------------------

void TQuilmarWindow::SetCaption(const std::wstring& text) {
    hintShownAt_ = ::GetTickCount64();
    ::SetWindowTextW(pnlHint_, text.c_str());
}

void TQuilmarWindow::SetTreeRebuilding(bool on) { records_->SetTreeRebuilding(on); }

void TQuilmarWindow::ShowFilterList(bool show) {
    ListView_DeleteAllItems(lvFilter_);
    if (show) {
        ::SetWindowTextW(gbFilter_, L"Filter Startup Programs - You can drag to the top of the list...");
        int row = 0;
        for (const TFilterRow& f : recorder_->FilterRows()) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = const_cast<wchar_t*>(f.title.c_str());
            int at = ListView_InsertItem(lvFilter_, &item);
            ListView_SetItemText(lvFilter_, at, 1, const_cast<wchar_t*>(f.location.c_str()));
            ++row;
        }
    }
    filterShown_ = show;
    ::ShowWindow(gbFilter_, show ? SW_SHOW : SW_HIDE);
    ::ShowWindow(lvFilter_, show ? SW_SHOW : SW_HIDE);
    Layout();
}

void TQuilmarWindow::SelectAllTab() { SelectTab(0); }

void TQuilmarWindow::SaveRecord(TSaveRule rule) { records_->SaveOpenRecord(rule); }

void TQuilmarWindow::SelectItemByPath(const std::wstring& rawPath) {
    try {
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
        TTreeNode* last = nullptr;
        for (const auto& top : model_.all.TopNodes()) {
            if (model_.items.IsValid(top->Index())) {
                std::wstring p = model_.items.At(top->Index()).path;
                if (top->HasChildren() && FolderExists(p)) p = GroupKeyOf(p, documentsFolder_);
                if (matches(p)) {
                    view.SelectOnly(top.get());
                    last = top.get();
                }
            }
            for (const auto& child : top->Children()) {
                if (!model_.items.IsValid(child->Index()) || !matches(model_.items.At(child->Index()).path)) continue;
                view.SelectOnly(child.get());
                last = child.get();
                top->SetExpanded(true);
                if (top->viewItem) TreeView_Expand(view.Handle(), static_cast<HTREEITEM>(top->viewItem), TVE_EXPAND);
            }
        }
        if (last) view.EnsureVisible(last);
    } catch (...) {
    }
}

// ---- IItemImages --------------------------------------------------------------------

void TQuilmarWindow::ResetToBaseImages() {
    model_.SetImages(CreateBaseImageList());
    for (auto& t : trees_) t.SetImages(model_.Images());
}

void TQuilmarWindow::LoadInstalledPrograms() {
    if (!installed_.Loaded()) installed_.Load();
}

std::wstring TQuilmarWindow::InstalledName(const std::wstring& path) { return installed_.Name(path); }

int TQuilmarWindow::IconOf(const std::wstring& path, const std::wstring& title) {
    return RegisterIcon(path, model_.Images(), title);
}

// ---- Dropped files and removable disks -----------------------------------------------

void TQuilmarWindow::OnDropFiles(HDROP drop) {
    std::vector<std::wstring> files;
    UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring file(length + 1, L'\0');
        ::DragQueryFileW(drop, i, file.data(), length + 1);
        file.resize(length);
        files.push_back(file);
    }
    ::DragFinish(drop);
    AddDroppedFiles(files);
}

void TQuilmarWindow::AddDroppedFiles(const std::vector<std::wstring>& files) {
    try {
        recorder_->LoadInstalledPrograms();
        bool changed = false;
        HoldTreeRepaints(true);
        {
            TRecorder::TBatch batch(*recorder_);
            for (const std::wstring& file : files) {
                if (recorder_->CheckIfRecentDocInTreeNode(file)) {
                    recorder_->MarkAsCurrent(file);
                } else {
                    recorder_->AddLocation(file, L"");
                    changed = true;
                }
            }
        }
        HoldTreeRepaints(false);
        if (changed) records_->SaveSelectedRecord();
        ShowLastRecordedPath();
    } catch (...) {
        HoldTreeRepaints(false);
    }
}

void TQuilmarWindow::RemovableDisks(bool add) {
    try {
        std::vector<std::wstring> roots = RemovableDriveRoots();
        removableDiskLabel_.clear();
        removableDiskRoot_.clear();
        bool changed = false;
        TRecorder::TBatch batch(*recorder_);
        for (const std::wstring& root : roots) {
            std::wstring label = L"Removable Disk (" + root.substr(0, 2) + L")";
            removableDiskLabel_ = label;
            removableDiskRoot_ = root;
            if (!add) continue;
            if (recorder_->IsRecordedPath(root, label)) {
                recorder_->MarkAsCurrent(root);
            } else {
                recorder_->AddLocation(root, label);
                changed = true;
            }
        }
        RebuildMenus();
        if (!add) return;
        if (changed) records_->SaveSelectedRecord();
        ShowLastRecordedPath();
    } catch (...) {
    }
}

}  // namespace qm

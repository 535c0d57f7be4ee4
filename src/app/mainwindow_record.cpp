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
#include "base/scope_exit.h"
#include "base/strings.h"
#include "capture/links.h"
#include "capture/openlocations.h"
#include "capture/pathutil.h"
#include "capture/runningapps.h"

namespace qm {

void TQuilmarWindow::CreateRecorder() {
    recorder_ = std::make_unique<TRecorder>(model_, settings_.record, images_, SpecialFolder(CSIDL_PERSONAL));
    startupFilter_ = std::make_unique<TWindowsStartMan>();
    appScan_ = std::make_unique<TRunningApplicationScan>(*startupFilter_);
    locationScan_ = std::make_unique<TOpenLocationScan>(settings_.record.recordAllTabs);
    recorder_->SetSources(appScan_.get(), locationScan_.get(), TRecentDocuments::UserRecentFolder(),
                          JoinPath(UserDataFolder(), L"links"));
    recorder_->SetHost(static_cast<IRecordHost*>(this), &progress_);
}

void TQuilmarWindow::SetCaptureSources(IRunningApplications* apps, IOpenLocations* locations,
                                       const std::wstring& recentFolder) {
    recorder_->SetSources(apps, locations, recentFolder, JoinPath(UserDataFolder(), L"links"));
}

// ---- The record command ---------------------------------------------------------

void TQuilmarWindow::BtnRecClick() {
    newRecordFlag_ = true;
    if (commandBar_.SmartRecordChecked() || smartRecord_.On()) smartRecord_.Switched(false);
    TRecordOptions& r = settings_.record;
    if (!r.showSettingsWhenRecord) {
        RecordOperation(newRecordFlag_);
        return;
    }
    if (!recordTypeDialog_) {
        TFrmRecordType::THooks hooks;
        hooks.relaunchElevated = RelaunchReopening(TReopen::Record);
        hooks.startedElevated = flags_.startedElevated;
        recordTypeDialog_ = std::make_unique<TFrmRecordType>(std::move(hooks));
    }
    // Until the dialog is confirmed, the next save goes to a new default name.
    nameChosen_ = true;
    records_->SetCurrentRecordPath(records_->NewRecordName());
    TRecordTypeValues values = RecordTypeValuesOf(r);
    values.newRecordName = RecordName(FileNameOf(records_->CurrentRecordPath()));
    values.existingRecordName = values.newRecordName;
    if (recordList_.Count() > 0 && recordList_.Cursor() >= 0) {
        int cursor = recordList_.Cursor() < recordList_.Count() ? recordList_.Cursor() : 0;
        values.existingRecordName = recordList_.Text(cursor);
    }
    Persist(L"record command", [&] {
        store_.User().WriteBool(keys::kSectionDefault, keys::cbDisplayPCStartFilterList,
                                values.displayPCStartFilterList);
        store_.StoreReopen(TReopen::Nothing);
    });
    if (!recordTypeDialog_->Show(Handle(), values)) return;

    // The dialog accepts only names that stay in the record folder.
    std::wstring target = records_->RecordPathFor(values.renameTo);
    if (target.empty()) return;
    records_->SetCurrentRecordPath(target);
    TakeRecordTypeValues(values, r);
    Persist(L"record command", [&] { store_.StoreOptions(r, kRecordTypeKeys); });
    newRecordFlag_ = r.recordType == 0;
    RecordOperation(newRecordFlag_);
}

void TQuilmarWindow::RecordOperation(bool newRecord) {
    // A recording makes or extends a record: the search results go.
    LeaveSearch(!newRecord);
    newRecordFlag_ = newRecord;
    TRecordRun run{newRecord, commandBar_.SmartRecordChecked(), nameChosen_};
    nameChosen_ = false;
    HoldTreeRepaints(true);
    scope_exit release([this] { HoldTreeRepaints(false); });
    recorder_->Record(run);
    release.release();
    HoldTreeRepaints(false);
    trees_.UpdateTabs();
}

// ---- IRecordHost ------------------------------------------------------------------

void TQuilmarWindow::ShowFilterList(bool show) {
    filterList_.Show(show, recorder_->FilterRows());
    Layout();
}

// ---- Dropped files and removable disks -----------------------------------------------

void TQuilmarWindow::AddDroppedFiles(const std::vector<std::wstring>& files) {
    LeaveSearch();
    recorder_->LoadInstalledPrograms();
    bool changed = false;
    {
        HoldTreeRepaints(true);
        scope_exit release([this] { HoldTreeRepaints(false); });
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
    if (changed) records_->SaveSelectedRecord();
    ShowLastRecordedPath();
}

void TQuilmarWindow::RemovableDisks(bool add) {
    if (add) LeaveSearch();
    std::vector<std::wstring> roots = RemovableDriveRoots();
    removableDiskLabel_.clear();
    bool changed = false;
    {
        TRecorder::TBatch batch(*recorder_);
        for (const std::wstring& root : roots) {
            std::wstring label = L"Removable Disk (" + root.substr(0, 2) + L")";
            removableDiskLabel_ = label;
            if (!add) continue;
            if (recorder_->IsRecordedPath(root, label)) {
                recorder_->MarkAsCurrent(root);
            } else {
                recorder_->AddLocation(root, label);
                changed = true;
            }
        }
    }
    RebuildMenus();
    if (!add) return;
    if (changed) records_->SaveSelectedRecord();
    ShowLastRecordedPath();
}

}  // namespace qm

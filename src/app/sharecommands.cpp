#include "app/sharecommands.h"

#include <shlobj.h>

#include "app/commands.h"
#include "base/files.h"
#include "base/guarded.h"
#include "base/pathtext.h"
#include "base/scope_exit.h"
#include "base/strings.h"
#include "capture/pathutil.h"
#include "replay/clipboard.h"
#include "ui/window.h"

namespace qm {

namespace {

// The folder part of a path, with its trailing "\"; of a web address, the
// address up to its last "/" ("http://host/a/" for "http://host/a/b.html"),
// not the scheme.
std::wstring LocationOf(const std::wstring& path) {
    size_t scheme = IsWebAddress(path) ? path.find(L"://") : std::wstring::npos;
    if (scheme == std::wstring::npos) return LocationFolderOf(path);
    size_t slash = path.rfind(L'/');
    return slash == std::wstring::npos || slash < scheme + 3 ? path + L"/" : path.substr(0, slash + 1);
}

}  // namespace

TShareCommands::TShareCommands(HWND owner, TRecordModel& model, TRecorder& recorder, TWindowOptions& options,
                               std::wstring documentsFolder, THost host, TSendTo sendTo)
    : pageTitle([](const std::wstring& address) { return address; }),
      owner_(owner),
      model_(model),
      recorder_(recorder),
      options_(options),
      documentsFolder_(std::move(documentsFolder)),
      host_(std::move(host)),
      sendTo_(std::move(sendTo)) {}

bool TShareCommands::Run(unsigned command) {
    void (TShareCommands::*run)() = nullptr;
    switch (command) {
        case CmCopyFile: run = &TShareCommands::CopyFiles; break;
        case CmCopyFileName: run = &TShareCommands::CopyFileName; break;
        case CmCopyFileLocation: run = &TShareCommands::CopyFileLocation; break;
        case CmPasteShortcut: run = &TShareCommands::PasteShortcut; break;
        case CmPaste: run = &TShareCommands::PasteIntoFolders; break;
        case CmSendToDesktop: run = &TShareCommands::SendToDesktop; break;
        case CmSendToDocuments: run = &TShareCommands::SendToDocuments; break;
        case CmSendToRemovable: run = &TShareCommands::SendToRemovable; break;
        case CmSendToRecord: run = &TShareCommands::ExportRecord; break;
        default: return false;
    }
    // A failure ends the command; what it did so far stays done.
    Guarded(L"clipboard and send to", [&] { (this->*run)(); });
    return true;
}

std::optional<TLaunchItem> TShareCommands::LastSelected() {
    std::vector<TLaunchItem> items = host_.selectedItems();
    if (items.empty()) return std::nullopt;
    return items.back();
}

bool TShareCommands::PasteOffered() {
    std::vector<TLaunchItem> items = host_.selectedItems();
    return !items.empty() && IsExistingFolder(items.back().path);
}

void TShareCommands::CopyFiles() {
    std::vector<std::wstring> paths;
    for (const TLaunchItem& item : host_.selectedItems()) paths.push_back(item.path);
    if (!paths.empty()) PutFilesOnClipboard(owner_, paths);
}

void TShareCommands::CopyFileName() {
    // Each selected item's path replaces the one before: the last one stays.
    if (auto item = LastSelected()) PutTextOnClipboard(owner_, item->path);
}

void TShareCommands::CopyFileLocation() {
    auto item = LastSelected();
    if (!item) return;
    std::wstring text;
    if (!IsExistingFolder(item->path))
        text = LocationOf(item->path);
    else if (item->hasChildren)
        text = GroupKeyOf(item->path, documentsFolder_);
    else
        text = item->path;
    PutTextOnClipboard(owner_, text);
}

std::wstring TShareCommands::TitleOf(const std::wstring& address) {
    std::wstring title = pageTitle ? Trim(pageTitle(address)) : std::wstring();
    // The address itself is no title: the adder then names the page by it.
    return EqualsNoCase(title, Trim(address)) ? std::wstring() : title;
}

void TShareCommands::PasteShortcut() {
    std::vector<std::wstring> entries = PasteEntries(ReadClipboard(owner_));
    if (entries.empty()) return;
    if (host_.leaveSearch) host_.leaveSearch();
    bool changed = false;
    {
        host_.holdTreeRepaints(true);
        scope_exit release([this] { host_.holdTreeRepaints(false); });
        PumpPendingMessages();
        recorder_.LoadInstalledPrograms();
        PumpPendingMessages();
        TRecorder::TBatch batch(recorder_);
        for (const std::wstring& entry : entries) {
            if (recorder_.CheckIfRecentDocInTreeNode(entry)) {
                recorder_.MarkAsCurrent(entry);
                continue;
            }
            recorder_.AddLocation(entry, IsWebAddress(entry) ? TitleOf(entry) : std::wstring());
            changed = true;
        }
    }
    if (changed) host_.saveSelectedRecord();
    host_.showLastRecordedPath();
}

void TShareCommands::PasteIntoFolders() {
    std::vector<TLaunchItem> items = host_.selectedItems();
    if (items.empty()) return;
    std::vector<std::wstring> files = PasteFiles(ReadClipboard(owner_));
    sendTo_.PasteIntoFolders(items, files, options_.openLocationAfterPaste, owner_);
}

void TShareCommands::SendToDesktop() {
    std::vector<TLaunchItem> items = host_.selectedItems();
    if (items.empty()) return;
    TSendReport report = sendTo_.SendToDesktop(items, options_.openLocationAfterSendTo);
    ShowSendReport(owner_, L"These shortcuts could not be made on the desktop:", report);
}

void TShareCommands::SendToDocuments() {
    std::vector<TLaunchItem> items = host_.selectedItems();
    if (items.empty()) return;
    std::wstring documents = sendTo_.Seams().folderPath ? sendTo_.Seams().folderPath(CSIDL_PERSONAL) : L"";
    TSendReport report = sendTo_.SendToFolder(items, documents, options_.openLocationAfterSendTo, owner_);
    ShowSendReport(owner_, L"These items were not copied to Documents:", report);
}

void TShareCommands::SendToRemovable() {
    std::vector<TLaunchItem> items = host_.selectedItems();
    std::wstring root = sendTo_.RemovableRoot();
    if (items.empty() || root.empty()) return;
    TSendReport report = sendTo_.SendToFolder(items, root, options_.openLocationAfterSendTo, owner_);
    ShowSendReport(owner_, L"These items were not copied to " + root + L":", report);
}

void TShareCommands::ExportRecord() {
    std::wstring record = host_.selectedRecordName();
    if (record.empty()) return;
    if (!dialog_) {
        std::wstring desktop = sendTo_.Seams().folderPath ? sendTo_.Seams().folderPath(CSIDL_DESKTOP) : L"";
        dialog_ = std::make_unique<TFormSendTo>(desktop);
    }
    TSendToValues values;
    values.recordName = record;
    values.asRecordFileName = options_.asRecordFileName;
    bool confirmed = dialog_->Show(owner_, values);
    options_.asRecordFileName = values.asRecordFileName;
    host_.storeOption(keys::cbAsRecordFileName);
    if (!confirmed) return;
    TExportResult result = sendTo_.ExportRecord(model_.all, model_.items, values.request, owner_);
    std::wstring heading = result.folder.empty() ? L"The record could not be sent:"
                                                 : L"The record was not sent completely to " + result.folder + L":";
    ShowSendReport(owner_, heading, result.report);
}

}  // namespace qm

// The document trees' clipboard and send-to commands and the record export, as
// the main window runs them: "Copy file", "Copy file Name", "Copy file
// location", "Paste shortcut", "Paste", the "Send to " submenu and "Send To".
// They act on the active tree's selection; what they need of the window comes
// through THost, their outside effects through TSendToSeams and the clipboard.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/sendtodialog.h"
#include "capture/recorder.h"
#include "records/model.h"
#include "records/settings.h"
#include "replay/launcher.h"
#include "replay/sendto.h"

namespace qm {

class TShareCommands {
public:
    // What the commands ask of the main window.
    struct THost {
        // The active tree's selected items, in the order they were selected.
        std::function<std::vector<TLaunchItem>()> selectedItems;
        std::function<void(bool hold)> holdTreeRepaints;
        std::function<void()> saveSelectedRecord;
        // Ends a search across records (its results are no record to add to)
        // and shows the selected record again.
        std::function<void()> leaveSearch;
        // The "All" tab with the last recorded path selected.
        std::function<void()> showLastRecordedPath;
        // The record list's selected entry, or empty.
        std::function<std::wstring()> selectedRecordName;
        // Writes one option of the window's settings.
        std::function<void(const wchar_t* key)> storeOption;
    };

    TShareCommands(HWND owner, TRecordModel& model, TRecorder& recorder, TWindowOptions& options,
                   std::wstring documentsFolder, THost host, TSendTo sendTo);

    // Runs the command when it is one of these; true when it was.
    bool Run(unsigned command);
    // "Paste" is offered: the selected item is an existing folder.
    bool PasteOffered();

    TSendTo& SendTo() { return sendTo_; }
    TFormSendTo* Dialog() { return dialog_.get(); }
    // The page-title fetch for pasted web addresses: the title of the page, or
    // the address itself when none is known (which is all it does until a
    // fetch is connected).
    std::function<std::wstring(const std::wstring& address)> pageTitle;

    void CopyFiles();
    void CopyFileName();
    void CopyFileLocation();
    void PasteShortcut();
    void PasteIntoFolders();
    void SendToDesktop();
    void SendToDocuments();
    void SendToRemovable();
    // "Send To": the selected record as a folder of shortcuts.
    void ExportRecord();

private:
    std::optional<TLaunchItem> LastSelected();
    std::wstring TitleOf(const std::wstring& address);

    HWND owner_;
    TRecordModel& model_;
    TRecorder& recorder_;
    TWindowOptions& options_;
    std::wstring documentsFolder_;
    THost host_;
    TSendTo sendTo_;
    std::unique_ptr<TFormSendTo> dialog_;
};

}  // namespace qm

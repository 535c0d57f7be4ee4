// TFrmMySettings: the settings dialog. It edits the record options of TSettings
// (the record folder, start-up and always-on-top, what a record captures) with
// four tabs for the record, Smart Record, replay and desktop options, and checks the
// record folder as the user types it.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "records/settings.h"
#include "ui/dialog.h"
#include "ui/tabpages.h"

namespace qm {

// The folder browser's title (the current path follows it).
inline constexpr wchar_t kFolderBrowseTitle[] = L"Please Select a Path,Current path is ";

// Caption beside the recent-documents age trackbar (1 to 60 days; 60 means all).
std::wstring RecentDocAgeCaption(int days);
// Caption above the Smart Record interval trackbar (3 to 60 seconds).
std::wstring RecordIntervalCaption(int seconds);

// What the dialog asks of its owner.
struct TSettingsDialogHooks {
    // The record folder in use (the options' recPath) may have changed: list
    // its records. Called when the path field is left with another folder and
    // whenever the dialog closes, so the list and the store always name the
    // same folder.
    std::function<void()> listRecords;
    // "Run QuilMar as admin" was ticked in the elevation hint: start the program
    // elevated so that it reopens this dialog ("openwindow" 4). The dialog then
    // closes unconfirmed.
    std::function<void()> relaunchElevated;
    // The process already runs elevated: "Run Quilmar at Startup" needs no hint.
    bool startedElevated = false;
};

class TFrmMySettings : public TDialog {
public:
    // Controls of the dialog itself.
    static constexpr int kIdAddressLabel = 100;
    static constexpr int kIdEdtRecordPath = 101;
    static constexpr int kIdBtnBrowse = 102;
    static constexpr int kIdBtnOpenFolder = 103;
    static constexpr int kIdPathHint = 104;
    static constexpr int kIdCbRunWhenWS = 110;
    static constexpr int kIdAlwaysontop1 = 111;
    static constexpr int kIdCbRunSelectedRecord = 112;
    static constexpr int kIdSeparator = 113;
    static constexpr int kIdCbRecrodRecentDocument = 120;
    static constexpr int kIdRecentDocLabel = 121;
    static constexpr int kIdTbRecRecentDoc = 122;
    static constexpr int kIdCbWebpage = 123;
    static constexpr int kIdCbFilterPCStart = 124;
    static constexpr int kIdCbDisplayPCStartFilterList = 125;
    static constexpr int kIdTabs = 130;
    static constexpr int kIdElevationHint = 140;
    static constexpr int kIdCbElevate = 141;
    static constexpr int kIdCbRunAsAdmin = 142;
    // Controls of the tab pages.
    static constexpr int kIdRgRecordType = 200;
    static constexpr int kIdRbCreateNewFile = 201;
    static constexpr int kIdRbAddToExistFile = 202;
    static constexpr int kIdCbShowSettingsWhenRecord = 203;
    static constexpr int kIdIntervalLabel = 210;
    static constexpr int kIdTbRecordInterval = 211;
    static constexpr int kIdCbShowSettingsWhenRecordSmart = 212;
    static constexpr int kIdCbShowSettingsWhenReplay = 220;
    static constexpr int kIdRbReplayFirstChildDoc = 221;
    static constexpr int kIdRbReplayAllChildDoc = 222;
    static constexpr int kIdCbRecordAllTabs = 230;
    static constexpr int kIdCbKeepAddressesPrivate = 231;
    static constexpr int kIdCbRestorePlacement = 232;
    static constexpr int kIdCbDonotReopenOpen = 233;

    enum TTab : int { kTabRecord = 0, kTabSmartRecord = 1, kTabReplayAll = 2, kTabDesktop = 3, kTabCount = 4 };

    explicit TFrmMySettings(TSettingsDialogHooks hooks);

    // Shows the dialog modally with the values; on confirm copies every
    // control back into them and returns true. The record folder
    // (values.recPath) follows the path field as soon as it is left with a
    // valid folder, and when the dialog closes, even when it is cancelled.
    bool Show(HWND owner, TRecordOptions& values);

    // While the dialog is shown: a control of the dialog or of one of its tab
    // pages, found by identifier (null when there is none).
    HWND Control(int id) const { return Item(id); }

private:
    void OnInit() override;
    bool OnOk() override;
    void OnEnd(bool confirmed) override;
    void OnCommand(int id, int code) override;
    bool OnNotify(const NMHDR& hdr) override;
    void OnHScroll(HWND bar) override;
    bool OnOtherMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

    void LoadControls();
    void ReadControls();
    // The path field's text names an existing folder: paints the field and
    // shows or hides the hint beside it.
    bool CheckPath();
    // When the path is valid: normalises the field and makes it the record
    // folder; true when the folder in use changed.
    bool TakeOverPath();
    void Browse();
    void OpenFolder();

    void PlaceRecentDocPanel();
    void UpdateAgeLabel();
    void UpdateIntervalLabel();

    TSettingsDialogHooks hooks_;
    TTabPages pages_;
    TRecordOptions* values_ = nullptr;
    bool pathValid_ = true;
    bool prepared_ = false;
    bool closing_ = false;
};

}  // namespace qm

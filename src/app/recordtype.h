// TFrmRecordType: the dialog the record command shows when "Ask for action when
// Record" is on. It fixes whether a new record is made or the selected one is
// extended, under which name, and what the run captures.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "base/unique_any.h"
#include "records/settings.h"
#include "ui/dialog.h"

namespace qm {

// The choices the dialog edits.
struct TRecordTypeValues {
    int recordType = 0;  // 0 "Create a new file", 1 "Add to exist file"
    bool webpage = false;
    bool recordRecentDocument = true;
    int recRecentDoc = 60;
    bool filterPCStart = true;
    bool displayPCStartFilterList = false;
    bool dontShowAgain = false;
    std::wstring renameTo;  // after a confirm: the record name chosen
};

// The dialog's choices as the settings hold them, and back.
TRecordTypeValues RecordTypeValuesOf(const TRecordOptions& options);
void TakeRecordTypeValues(const TRecordTypeValues& values, TRecordOptions& options);

class TFrmRecordType : public TDialogBase {
public:
    static constexpr int kIdRgRecordType = 100;
    static constexpr int kIdRbCreateNewFile = 101;
    static constexpr int kIdRbAddToExistFile = 102;
    static constexpr int kIdCbRecrodRecentDocument = 103;
    static constexpr int kIdRecentDocLabel = 104;
    static constexpr int kIdTbRecRecentDoc = 105;
    static constexpr int kIdCbFilterPCStart = 106;
    static constexpr int kIdCbDisplayPCStartFilterList = 107;
    static constexpr int kIdCbWebpage = 108;
    static constexpr int kIdRenameLabel = 109;
    static constexpr int kIdEdtRename = 110;
    static constexpr int kIdCbDonotshow = 111;
    static constexpr int kIdDonotshowHint = 112;
    static constexpr int kIdElevationHint = 113;
    static constexpr int kIdCbElevate = 114;

    struct THooks {
        // "Run QuilMar as admin" was ticked: restart elevated; the dialog then
        // closes unconfirmed.
        std::function<void()> relaunchElevated;
        bool startedElevated = false;
    };

    explicit TFrmRecordType(THooks hooks);
    ~TFrmRecordType() override;

    // Shows the dialog modally; on confirm the values are taken back and true is returned.
    bool Show(HWND owner, TRecordTypeValues& values, const std::wstring& newRecordName,
              const std::wstring& existingRecordName);

    // The "Rename to" field's colour: white, light grey (disabled) or red.
    COLORREF RenameColour() const { return renameColour_; }
    bool ElevationHintShown() const { return hintShown_; }

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnInitDialog();
    void OnCommand(int id, int code);
    void RecordTypeClick();
    void UpdateAgePanel();
    void SetRenameColour(COLORREF colour);
    bool Checked(int id) const;
    void SetChecked(int id, bool on);
    HWND Item(int id) const { return ::GetDlgItem(Handle(), id); }

    THooks hooks_;
    TRecordTypeValues* values_ = nullptr;
    std::wstring newName_, existingName_;
    COLORREF renameColour_ = RGB(255, 255, 255);
    unique_hbrush renameBrush_;
    bool hintShown_ = false;
};

}  // namespace qm

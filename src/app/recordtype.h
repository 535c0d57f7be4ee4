// TFrmRecordType: the dialog the record command shows when "Ask for action when
// Record" is on. It fixes whether a new record is made or the selected one is
// extended, under which name, and what the run captures.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "records/settings.h"
#include "ui/dialog.h"

namespace qm {

// The dialog edits the options kRecordTypeKeys names; its "Don't show again"
// is the opposite of "Ask for action when Record".
struct TRecordTypeValues : TRecordOptions {
    std::wstring newRecordName;       // the name "Create a new file" proposes
    std::wstring existingRecordName;  // the name "Add to exist file" shows
    std::wstring renameTo;            // after a confirm: the record name chosen
};

// The dialog's choices as the settings hold them, and back.
TRecordTypeValues RecordTypeValuesOf(const TRecordOptions& options);
void TakeRecordTypeValues(const TRecordTypeValues& values, TRecordOptions& options);

class TFrmRecordType : public TDialog {
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

    // Shows the dialog modally; on confirm the values are taken back and true is returned.
    bool Show(HWND owner, TRecordTypeValues& values);

    // The "Rename to" field's colour: white, light grey (disabled) or red.
    COLORREF RenameColour() const { return FieldColour(kIdEdtRename); }
    bool ElevationHintShown() const { return hintShown_; }

private:
    void OnInit() override;
    bool OnOk() override;
    void OnCommand(int id, int code) override;
    void OnHScroll(HWND bar) override;
    void RecordTypeClick();
    void UpdateAgePanel();

    THooks hooks_;
    TRecordTypeValues* values_ = nullptr;
    bool hintShown_ = false;
};

}  // namespace qm

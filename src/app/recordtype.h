// TFrmRecordType: the dialog the record command shows when "Ask for action when
// Record" is on. It fixes whether a new record is made or the selected one is
// extended, under which name, and what the run captures.
#pragma once
#include <windows.h>

#include <string>

#include "app/captureoptions.h"
#include "records/settings.h"

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

class TFrmRecordType : public TCaptureOptionsDialog {
public:
    static constexpr int kIdRgRecordType = 100;
    static constexpr int kIdRbCreateNewFile = 101;
    static constexpr int kIdRbAddToExistFile = 102;
    static constexpr int kIdRenameLabel = 109;
    static constexpr int kIdEdtRename = 110;

    explicit TFrmRecordType(THooks hooks);

    // Shows the dialog modally; on confirm the values are taken back and true is returned.
    bool Show(HWND owner, TRecordTypeValues& values);

    // The "Rename to" field's colour: white, light grey (disabled) or red.
    COLORREF RenameColour() const { return FieldColour(kIdEdtRename); }

private:
    void OnInit() override;
    bool OnOk() override;
    void OnCommand(int id, int code) override;
    void OnHScroll(HWND bar) override { OnCaptureOptionScroll(bar); }
    void RecordTypeClick();

    TRecordTypeValues* values_ = nullptr;
};

}  // namespace qm

// TFrmSmartRecordSettings: the dialog shown when Smart Record is switched on
// while "Ask for action when Smart Record" is on. It offers the capture options
// of the runs and the interval; its "Don't show again" is the opposite of that
// setting.
#pragma once
#include <windows.h>

#include "app/captureoptions.h"
#include "records/settings.h"

namespace qm {

// The options the dialog edits, in the order a confirm stores them: every one
// it shows, so a restart keeps what the user chose.
inline constexpr const wchar_t* kSmartRecordKeys[] = {
    keys::CbWebpage,       keys::CbRecrodRecentDocument,     keys::tbRecRecentDoc,
    keys::CbFilterPCStart, keys::cbDisplayPCStartFilterList, keys::CbShowSettingsWhenRecordSmart,
    keys::tbRecordInterval};

// Prepare: the dialog's values from the settings (the interval is the main
// window's trackbar, which the settings follow). Take over: back again.
TRecordOptions SmartRecordValuesOf(const TRecordOptions& options);
void TakeSmartRecordValues(const TRecordOptions& values, TRecordOptions& options);

class TFrmSmartRecordSettings : public TCaptureOptionsDialog {
public:
    static constexpr int kIdIntervalLabel = 100;
    static constexpr int kIdTbRecordInterval = 101;
    static constexpr int kIdCbDoNotShowSmartSetting = kIdCbDonotshow;

    explicit TFrmSmartRecordSettings(THooks hooks) : TCaptureOptionsDialog(std::move(hooks)) {}

    // Shows the dialog modally; on confirm the values are taken back and true is returned.
    bool Show(HWND owner, TRecordOptions& values);

private:
    void OnInit() override;
    bool OnOk() override;
    void OnCommand(int id, int code) override { OnCaptureOptionCommand(id, code); }
    void OnHScroll(HWND bar) override;

    TRecordOptions* values_ = nullptr;
};

}  // namespace qm

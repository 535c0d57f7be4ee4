// What the record-type and Smart Record dialogs share: "Record Recent
// Documents" with its age panel, "Filter Startup Program", "Show Shartup
// Program Filter", "Record web pages", "Don't show again" with its hint, and
// the elevation hint with "Run QuilMar as admin" (ticking it relaunches the
// program elevated and closes the dialog unconfirmed).
#pragma once
#include <windows.h>

#include <functional>

#include "records/settings.h"
#include "ui/dialog.h"

namespace qm {

class TCaptureOptionsDialog : public TDialog {
public:
    static constexpr int kIdCbRecrodRecentDocument = 103;
    static constexpr int kIdRecentDocLabel = 104;
    static constexpr int kIdTbRecRecentDoc = 105;
    static constexpr int kIdCbFilterPCStart = 106;
    static constexpr int kIdCbDisplayPCStartFilterList = 107;
    static constexpr int kIdCbWebpage = 108;
    static constexpr int kIdCbDonotshow = 111;
    static constexpr int kIdDonotshowHint = 112;
    static constexpr int kIdElevationHint = 113;
    static constexpr int kIdCbElevate = 114;

    struct THooks {
        // "Run QuilMar as admin" was ticked: restart elevated (the new instance
        // reopens the dialog's work); the dialog then closes unconfirmed.
        std::function<void()> relaunchElevated;
        bool startedElevated = false;
    };

    bool ElevationHintShown() const { return hintShown_; }

    // The rows of the shared controls: the capture options from y (three rows,
    // 52 units), "Don't show again" and its hint from y (37 units), the
    // elevation hint where the buttons are (the dialog grows while it shows).
    static void AddCaptureOptionRows(TDialogTemplate& tpl, short y);
    static void AddDontShowAgainRows(TDialogTemplate& tpl, short y, const wchar_t* hint);
    static void AddElevationRows(TDialogTemplate& tpl, short buttonsY, const wchar_t* hint);

protected:
    explicit TCaptureOptionsDialog(THooks hooks) : hooks_(std::move(hooks)) {}

    // Runs the dialog modally on a working copy of the values, which the
    // handlers reach through slot; a confirm copies it back.
    template <class TValues>
    bool ShowEditing(HWND owner, const TDialogTemplate& tpl, TValues& values, TValues*& slot) {
        InitBarControls();
        TValues working = values;
        slot = &working;
        bool confirmed = RunDialog(owner, tpl);
        slot = nullptr;
        if (confirmed) values = working;
        return confirmed;
    }

    // Shows the values in the shared controls (and the elevation hint unless
    // the program runs elevated), and reads them back.
    void ShowCaptureOptions(const TRecordOptions& v, bool dontShowAgain);
    void ReadCaptureOptions(TRecordOptions& v) const;
    bool DontShowAgain() const { return Checked(kIdCbDonotshow); }
    // A click or a trackbar move on a shared control; true when it was one.
    bool OnCaptureOptionCommand(int id, int code);
    bool OnCaptureOptionScroll(HWND bar);

private:
    static void InitBarControls();
    void UpdateAgePanel();

    THooks hooks_;
    bool hintShown_ = false;
};

}  // namespace qm

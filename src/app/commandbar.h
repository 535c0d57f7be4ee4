// The command bar along the top of the main window: "&Record", "&Add ...",
// "More..", the Smart Record check box and the interval label with its
// trackbar, with the buttons' hints as tooltips.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace qm {

class TCommandBar {
public:
    static constexpr int kIdBtnRec = 1003, kIdBtnAdd = 1004, kIdBtnMore = 1005, kIdSmartRecord = 1006,
                         kIdIntervalLabel = 1007, kIdInterval = 1008;

    void Create(HWND parent, HFONT font, int interval);
    // Lays the bar out from the top; returns the y below it.
    int Layout(int width, int dpi);

    bool SmartRecordChecked() const;
    void SetSmartRecordChecked(bool on);
    int Interval() const;
    void SetInterval(int seconds);
    bool IsInterval(HWND control) const { return control && control == interval_; }
    // The trackbar moved: the label follows; returns the new interval.
    int IntervalMoved() {
        UpdateIntervalLabel();
        return Interval();
    }
    HWND SmartRecordBox() const { return smartRecord_; }
    // PnlSmartRecord, the interval label and trackbar: shown while Smart Record is on.
    void ShowIntervalPanel(bool show);
    bool IntervalPanelShown() const { return ::IsWindowVisible(interval_) != FALSE; }
    std::wstring IntervalCaption() const;

private:
    void UpdateIntervalLabel();

    HWND parent_ = nullptr;
    HFONT font_ = nullptr;
    HWND rec_ = nullptr, add_ = nullptr, more_ = nullptr, smartRecord_ = nullptr;
    HWND intervalLabel_ = nullptr, interval_ = nullptr, tooltip_ = nullptr;
};

}  // namespace qm

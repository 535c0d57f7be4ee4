// Smart Record: while it is on, the record operation runs in smart mode at a
// fixed interval (3 to 60 seconds), adding to the open record whatever was
// opened since the last run. TSmartRecord keeps the switch, the tick and the
// interval; the window behind ISmartRecordHost owns the check box, the menu
// item, the interval panel, the timer and the settings dialog.
#pragma once

namespace qm {

class ISmartRecordHost {
public:
    virtual ~ISmartRecordHost() = default;
    // The check box and the menu item show the state (setting them runs nothing).
    virtual void ShowSmartRecordState(bool on) = 0;
    // The program is still starting: clears the start-up flag and tells whether it was set.
    virtual bool TakeStartupFlag() = 0;
    // "Ask for action when Smart Record" is on.
    virtual bool AsksForSettings() const = 0;
    // Shows the Smart Record settings dialog; true when confirmed (its values are taken over).
    virtual bool RunSmartRecordDialog() = 0;
    // One smart-mode record operation; the caller already holds the window's busy guard.
    virtual void RunSmartRecord() = 0;
    // The same from the timer: false (nothing done) while a long operation holds the window.
    virtual bool TryRunSmartRecord() = 0;
    // The interval trackbar's position in seconds, and the panel that holds it.
    virtual int IntervalSeconds() const = 0;
    virtual void ShowIntervalPanel(bool show, int seconds) = 0;
    // The timer: started (or restarted with a new interval) and stopped.
    virtual void StartTimer(unsigned milliseconds) = 0;
    virtual void StopTimer() = 0;
    // The stored "cbSmartRecord".
    virtual void StoreSmartRecord(bool on) = 0;
};

class TSmartRecord {
public:
    explicit TSmartRecord(ISmartRecordHost& host) : host_(host) {}

    // The check box or the menu item was switched, or code set it (the record
    // command, the "/ctmenu" hand-off, the relaunch that reopens Smart Record).
    void Switched(bool on);
    // The timer's tick: one run, unless Smart Record is off, the timer was
    // stopped by a failure or a long operation holds the window (the tick is
    // then skipped, so runs never overlap).
    void Tick();
    // The trackbar moved: the label and a running timer follow (the window
    // stores the position when the move ends).
    void IntervalChanged(int seconds);

    bool On() const { return on_; }
    bool TimerRunning() const { return timerRunning_; }
    unsigned TimerMilliseconds() const { return timerMs_; }
    int Runs() const { return runs_; }
    int SkippedTicks() const { return skipped_; }

private:
    void Start();
    void Stop();

    ISmartRecordHost& host_;
    bool on_ = false;
    bool timerRunning_ = false;
    unsigned timerMs_ = 3000;
    int runs_ = 0, skipped_ = 0;
};

}  // namespace qm

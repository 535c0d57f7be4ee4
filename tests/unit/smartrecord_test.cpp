// TSmartRecord with a host of the test's own: the switch, the dialog and its
// cancel, the silent start, the ticks (skipped while the window is busy,
// stopped by a failure that escapes a run) and the interval.
#include "capture/smartrecord.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qm {
namespace {

class FakeHost : public ISmartRecordHost {
public:
    bool shownOn = false, startupFlag = false, asks = true, confirm = true, busy = false, failRun = false;
    bool panelShown = false, timerOn = false;
    int interval = 7, dialogs = 0, runs = 0;
    unsigned timerMs = 0;
    std::vector<bool> stored;
    std::vector<std::string> calls;

    void ShowSmartRecordState(bool on) override { shownOn = on; }
    bool TakeStartupFlag() override { return std::exchange(startupFlag, false); }
    bool AsksForSettings() const override { return asks; }
    bool RunSmartRecordDialog() override {
        ++dialogs;
        calls.push_back("dialog");
        return confirm;
    }
    void RunSmartRecord() override {
        calls.push_back("run");
        if (failRun) throw std::runtime_error("run failed");
        ++runs;
    }
    bool TryRunSmartRecord() override {
        if (busy) return false;
        RunSmartRecord();
        return true;
    }
    int IntervalSeconds() const override { return interval; }
    void ShowIntervalPanel(bool show, int) override { panelShown = show; }
    void StartTimer(unsigned ms) override {
        timerOn = true;
        timerMs = ms;
        calls.push_back("timer " + std::to_string(ms));
    }
    void StopTimer() override { timerOn = false; }
    void StoreSmartRecord(bool on) override { stored.push_back(on); }
};

struct TSwitchCase {
    const char* name;
    bool asks, startupFlag, confirm;
    int dialogs;
    bool on;  // Smart Record is on afterwards (one run, the timer going)
};

TEST(SmartRecord, SwitchingOnAsksWhenToldStartsSilentlyDuringStartUpAndACancelLeavesItOff) {
    const TSwitchCase cases[] = {
        {"asked and confirmed", true, false, true, 1, true},
        {"asked and cancelled", true, false, false, 1, false},
        {"not asked", false, false, false, 0, true},
        {"during start-up", true, true, false, 0, true},
    };
    for (const TSwitchCase& c : cases) {
        FakeHost host;
        host.asks = c.asks;
        host.startupFlag = c.startupFlag;
        host.confirm = c.confirm;
        TSmartRecord smart(host);
        smart.Switched(true);
        EXPECT_EQ(host.dialogs, c.dialogs) << c.name;
        EXPECT_EQ(smart.On(), c.on) << c.name;
        EXPECT_EQ(host.shownOn, c.on) << c.name;
        EXPECT_EQ(host.stored.back(), c.on) << c.name;
        EXPECT_EQ(host.runs, c.on ? 1 : 0) << c.name;
        EXPECT_EQ(host.timerOn, c.on) << c.name;
        EXPECT_EQ(host.panelShown, c.on) << c.name;
        EXPECT_FALSE(host.startupFlag) << c.name;  // start-up is over once Smart Record was switched
        if (c.on) {
            EXPECT_EQ(host.calls.back(), "timer 7000") << c.name;  // the first run comes at once, then the timer
        }
    }
}

TEST(SmartRecord, SwitchingOffStopsTheTimerHidesThePanelAndStoresIt) {
    FakeHost host;
    host.asks = false;
    TSmartRecord smart(host);
    smart.Switched(true);
    smart.Switched(false);
    EXPECT_FALSE(smart.On());
    EXPECT_FALSE(host.timerOn);
    EXPECT_FALSE(host.panelShown);
    EXPECT_EQ(host.stored, (std::vector<bool>{true, false}));
    smart.Tick();
    EXPECT_EQ(host.runs, 1);
}

TEST(SmartRecord, TicksRunUnlessTheWindowIsBusyAndAFailureStopsThem) {
    FakeHost host;
    host.asks = false;
    host.interval = 3;
    TSmartRecord smart(host);
    smart.Switched(true);
    EXPECT_EQ(host.timerMs, 3000u);
    smart.Tick();
    EXPECT_EQ(host.runs, 2);
    host.busy = true;  // a record load, a deletion, a replay, a search...
    smart.Tick();
    smart.Tick();
    EXPECT_EQ(host.runs, 2);
    EXPECT_EQ(smart.SkippedTicks(), 2);
    host.busy = false;
    host.failRun = true;
    smart.Tick();
    EXPECT_FALSE(host.timerOn);
    EXPECT_TRUE(smart.On());  // the box stays on; nothing runs until it is switched again
    host.failRun = false;
    smart.Tick();
    EXPECT_EQ(host.runs, 2);
    smart.Switched(true);
    EXPECT_TRUE(host.timerOn);
    EXPECT_EQ(host.runs, 3);
}

TEST(SmartRecord, AMovedTrackbarKeepsARunningTimerAtTheNewInterval) {
    FakeHost host;
    host.asks = false;
    TSmartRecord smart(host);
    smart.IntervalChanged(20);  // off: no timer is started
    EXPECT_FALSE(host.timerOn);
    host.interval = 3;
    smart.Switched(true);
    host.calls.clear();
    for (int seconds : {60, 99, 1}) {
        host.interval = seconds;
        smart.IntervalChanged(seconds);
    }
    EXPECT_EQ(host.calls, (std::vector<std::string>{"timer 60000", "timer 60000", "timer 3000"}));
    EXPECT_TRUE(host.timerOn);
    EXPECT_EQ(smart.TimerMilliseconds(), 3000u);
}

}  // namespace
}  // namespace qm

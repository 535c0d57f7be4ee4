#include "capture/smartrecord.h"

#include "base/guarded.h"
#include "records/settings.h"

namespace qm {

namespace {

int ClampInterval(int seconds) {
    return seconds < kMinRecordInterval   ? kMinRecordInterval
           : seconds > kMaxRecordInterval ? kMaxRecordInterval
                                          : seconds;
}

}  // namespace

void TSmartRecord::Switched(bool on) {
    host_.ShowSmartRecordState(on);
    if (!on) {
        Stop();
        host_.StoreSmartRecord(false);
        return;
    }
    // Switched on during start-up, it starts silently; otherwise the settings
    // are offered when asked for, and a cancel leaves Smart Record off.
    if (host_.AsksForSettings() && !host_.TakeStartupFlag() && !host_.RunSmartRecordDialog()) {
        Switched(false);
        return;
    }
    on_ = true;
    host_.StoreSmartRecord(true);
    if (!Guarded(L"smart record run", [this] {
            ++runs_;
            host_.RunSmartRecord();
        })) {
        // A failure that escaped the run: the box stays on, nothing runs again
        // until Smart Record is switched anew.
        host_.ShowIntervalPanel(true, ClampInterval(host_.IntervalSeconds()));
        return;
    }
    Start();
}

void TSmartRecord::Tick() {
    if (!on_ || !timerRunning_) return;
    bool ran = false;
    if (!Guarded(L"smart record tick", [&] { ran = host_.TryRunSmartRecord(); })) {
        host_.StopTimer();
        timerRunning_ = false;
        return;
    }
    if (ran)
        ++runs_;
    else
        ++skipped_;
}

void TSmartRecord::IntervalChanged(int seconds) {
    seconds = ClampInterval(seconds);
    timerMs_ = static_cast<unsigned>(seconds) * 1000u;
    if (timerRunning_) host_.StartTimer(timerMs_);  // goes on at the new interval
    if (on_) host_.ShowIntervalPanel(true, seconds);
}

void TSmartRecord::Start() {
    int seconds = ClampInterval(host_.IntervalSeconds());
    timerMs_ = static_cast<unsigned>(seconds) * 1000u;
    host_.ShowIntervalPanel(true, seconds);
    host_.StartTimer(timerMs_);
    timerRunning_ = true;
}

void TSmartRecord::Stop() {
    on_ = false;
    host_.StopTimer();
    timerRunning_ = false;
    host_.ShowIntervalPanel(false, ClampInterval(host_.IntervalSeconds()));
}

}  // namespace qm

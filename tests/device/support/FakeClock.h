#pragma once
// Instant time for the transport and the engine: timers fire when the test advances
// the clock, in deadline order, including timers started by what fired.
#include "DeviceTimer.h"

#include <QtGlobal>
#include <optional>
#include <vector>

class FakeClock final : public TimerSource {
public:
    std::unique_ptr<OneShotTimer> createTimer() override;

    qint64 now() const { return now_; }
    // Moves time forward by ms, firing every timer that falls due on the way.
    void advance(qint64 ms);
    // Milliseconds until the next timer falls due, nothing when none runs.
    std::optional<qint64> untilNext() const;
    int activeTimers() const;

private:
    class Timer;
    Timer *nextDue(qint64 limit) const;

    std::vector<Timer *> timers_;
    qint64 now_ = 0;
    quint64 order_ = 0;
};

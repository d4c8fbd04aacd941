#include "FakeClock.h"

#include <algorithm>

class FakeClock::Timer final : public OneShotTimer {
public:
    explicit Timer(FakeClock &clock) : clock_(clock) { clock_.timers_.push_back(this); }
    ~Timer() override { std::erase(clock_.timers_, this); }

    void start(int milliseconds) override
    {
        active_ = true;
        deadline_ = clock_.now_ + std::max(0, milliseconds);
        order_ = ++clock_.order_;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }

    void expire()
    {
        active_ = false;
        fire();
    }

    FakeClock &clock_;
    bool active_ = false;
    qint64 deadline_ = 0;
    quint64 order_ = 0;
};

std::unique_ptr<OneShotTimer> FakeClock::createTimer() { return std::make_unique<Timer>(*this); }

FakeClock::Timer *FakeClock::nextDue(qint64 limit) const
{
    Timer *best = nullptr;
    for (Timer *t : timers_) {
        if (!t->active_ || t->deadline_ > limit) continue;
        if (!best || t->deadline_ < best->deadline_ || (t->deadline_ == best->deadline_ && t->order_ < best->order_))
            best = t;
    }
    return best;
}

void FakeClock::advance(qint64 ms)
{
    const qint64 target = now_ + std::max<qint64>(0, ms);
    while (Timer *t = nextDue(target)) {
        now_ = t->deadline_;
        t->expire();
    }
    now_ = target;
}

std::optional<qint64> FakeClock::untilNext() const
{
    std::optional<qint64> next;
    for (const Timer *t : timers_)
        if (t->active_ && (!next || t->deadline_ - now_ < *next)) next = t->deadline_ - now_;
    return next;
}

int FakeClock::activeTimers() const
{
    return int(std::count_if(timers_.begin(), timers_.end(), [](const Timer *t) { return t->active_; }));
}

#pragma once
// One-shot timers behind an interface, so the transport and the protocol engine run
// on Qt timers in the program and on an instant fake clock in tests.
#include <functional>
#include <memory>

class OneShotTimer {
public:
    virtual ~OneShotTimer() = default;
    // Starts afresh (a running timer is restarted with the new interval).
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    // Called once each time the interval runs out; the timer is inactive by then.
    void onTimeout(std::function<void()> handler) { handler_ = std::move(handler); }

protected:
    void fire()
    {
        if (handler_) handler_();
    }

private:
    std::function<void()> handler_;
};

class TimerSource {
public:
    virtual ~TimerSource() = default;
    virtual std::unique_ptr<OneShotTimer> createTimer() = 0;
};

// Timers of the current thread's Qt event loop.
TimerSource &qtTimers();

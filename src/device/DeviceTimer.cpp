#include "DeviceTimer.h"

#include <QTimer>

namespace {

class QtOneShotTimer final : public OneShotTimer {
public:
    QtOneShotTimer()
    {
        timer_.setSingleShot(true);
        // Waits of a few milliseconds (a frame at 115200 baud) must not drift by the
        // 5 % a coarse timer allows.
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
    }
    void start(int milliseconds) override { timer_.start(milliseconds); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

class QtTimerSource final : public TimerSource {
public:
    std::unique_ptr<OneShotTimer> createTimer() override { return std::make_unique<QtOneShotTimer>(); }
};

}  // namespace

TimerSource &qtTimers()
{
    static QtTimerSource source;
    return source;
}

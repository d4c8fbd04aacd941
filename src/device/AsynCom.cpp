#include "AsynCom.h"

#include "QtSerialLine.h"

#include <QDir>
#include <QSerialPortInfo>

// An expiry travels through the transport's queue, so it never runs inside another
// hook; the serial number tells a stale expiry (the timer was restarted or stopped
// while it waited in the queue) from a live one.
class TAsynCom::DeliveredTimer final : public OneShotTimer {
public:
    DeliveredTimer(TAsynCom &owner, std::unique_ptr<OneShotTimer> inner)
        : owner_(owner), inner_(std::move(inner))
    {
        inner_->onTimeout([this] {
            pending_ = true;
            owner_.post({Notice::Call, {}, [this, serial = serial_] {
                             if (serial != serial_) return;
                             pending_ = false;
                             fire();
                         }});
        });
    }
    void start(int milliseconds) override
    {
        ++serial_;
        pending_ = false;
        inner_->start(milliseconds);
    }
    void stop() override
    {
        ++serial_;
        pending_ = false;
        inner_->stop();
    }
    bool isActive() const override { return pending_ || inner_->isActive(); }

private:
    TAsynCom &owner_;
    std::unique_ptr<OneShotTimer> inner_;
    quint64 serial_ = 0;
    bool pending_ = false;
};

TAsynCom::TAsynCom() : TAsynCom(std::make_unique<QtSerialLine>(), qtTimers()) {}

TAsynCom::TAsynCom(std::unique_ptr<SerialLine> line, TimerSource &timers)
    : line_(std::move(line)), timers_(timers), trace_(ExchangeTrace::fromEnvironment())
{
    transmitTimer_ = createTimer();
    transmitTimer_->onTimeout([this] { transmitted(); });
    line_->setEvents({
        [this](const QByteArray &chunk) {
            if (trace_) trace_->record(ExchangeTrace::Direction::FromDevice, chunk);
            post({Notice::Chunk, chunk, {}});
        },
        [this] { handedOver(); },
        [this] { lineLost(); },
    });
}

TAsynCom::~TAsynCom()
{
    Close();
    line_->setEvents({});
}

bool TAsynCom::Open()
{
    if (Connected()) return true;
    dropPortNotices();
    if (!line_->open(portName_, settings_)) return false;
    rtsState_ = 0;
    if (trace_) trace_->note(QStringLiteral("open %1 at %2").arg(portName_).arg(baudRateValue(settings_.baudRate)));
    return true;
}

void TAsynCom::Close()
{
    dropPortNotices();
    if (!line_->isOpen()) return;
    line_->close();
    if (trace_) trace_->note(QStringLiteral("close %1").arg(portName_));
}

bool TAsynCom::Connected() const { return line_->isOpen(); }

void TAsynCom::Write(const QByteArray &s)
{
    setRtsState(0);
    lastWritten_ = s;
    if (!line_->isOpen()) return;
    if (trace_) trace_->record(ExchangeTrace::Direction::ToDevice, s);
    // A frame written while another is still on the line: the notice comes once,
    // after both, and counts the line time of both.
    inFlight_ = true;
    awaitingHandOver_ = true;
    inFlightBytes_ += s;
    transmitTimer_->stop();
    // The line may report the hand-over from inside write(); the state above is ready.
    if ((s.isEmpty() || !line_->write(s)) && awaitingHandOver_) {
        // Nothing left; time it as if it had, so the reply wait still starts and a dead
        // line ends in a time-out rather than in an exchange that waits for ever.
        handedOver();
    }
}

quint32 TAsynCom::TransmitTime(qsizetype n) const { return transmitTime(n, settings_); }

void TAsynCom::EnumPorts(QStringList &list)
{
    list.clear();
    const QString extra = qEnvironmentVariable("RT519_EXTRA_PORTS");
    for (const QString &path : extra.split(QDir::listSeparator(), Qt::SkipEmptyParts))
        if (!list.contains(path)) list << path;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (!list.contains(info.portName())) list << info.portName();
}

void TAsynCom::reopenWith(const std::function<void()> &store)
{
    if (!Connected()) {
        store();
        return;
    }
    Close();
    store();
    Open();
}

void TAsynCom::setComNumber(int n)
{
    if (n == comNumber_) return;
    reopenWith([&] {
        comNumber_ = n;
        portName_ = QStringLiteral("COM%1").arg(n);
    });
}

void TAsynCom::setPortName(const QString &name)
{
    if (name == portName_) return;
    reopenWith([&] { portName_ = name; });
}

void TAsynCom::setByteSize(TByteSize size)
{
    if (size == settings_.byteSize) return;
    settings_.byteSize = size;
    applySettings();
}

void TAsynCom::setParity(TParity parity)
{
    if (parity == settings_.parity) return;
    settings_.parity = parity;
    applySettings();
}

void TAsynCom::setStopbits(TStopbits stopBits)
{
    if (stopBits == settings_.stopBits) return;
    settings_.stopBits = stopBits;
    applySettings();
}

void TAsynCom::SetBaudRate(TBaudRate rate)
{
    if (rate == settings_.baudRate) return;
    settings_.baudRate = rate;
    applySettings();
    if (trace_ && Connected()) trace_->note(QStringLiteral("rate %1").arg(baudRateValue(rate)));
}

void TAsynCom::applySettings()
{
    if (line_->isOpen()) line_->configure(settings_);
}

void TAsynCom::setRtsState(int k)
{
    if (!rts_ || k == rtsState_) return;
    line_->setRequestToSend(k == 1);
    rtsState_ = k;
}

void TAsynCom::DoReadBuffer(const QByteArray &chunk, const TPortStatus &status, quint32 errCode,
                            quint32 modemState)
{
    if (OnReadBuffer) OnReadBuffer(chunk, status, errCode, modemState);
}

void TAsynCom::DoWriteBuffer()
{
    if (OnWriteBuffer) OnWriteBuffer(transmittedBytes_);
    setRtsState(1);
}

std::unique_ptr<OneShotTimer> TAsynCom::createTimer()
{
    return std::make_unique<DeliveredTimer>(*this, timers_.createTimer());
}

void TAsynCom::handedOver()
{
    if (!inFlight_ || !awaitingHandOver_) return;
    awaitingHandOver_ = false;
    transmitTimer_->start(static_cast<int>(TransmitTime(inFlightBytes_.size())));
}

void TAsynCom::transmitted()
{
    if (!inFlight_) return;
    inFlight_ = false;
    transmittedBytes_ = std::exchange(inFlightBytes_, {});
    // What was held arrived before anything still queued: it goes first.
    while (!held_.empty()) {
        queue_.push_front(std::move(held_.back()));
        held_.pop_back();
    }
    DoWriteBuffer();
}

void TAsynCom::lineLost()
{
    // Bytes that never reached the driver won't: time what was written as sent, so the
    // chunks held behind it still come, then the loss.
    if (awaitingHandOver_) handedOver();
    post({Notice::Lost, {}, {}});
}

void TAsynCom::dropPortNotices()
{
    transmitTimer_->stop();
    inFlight_ = false;
    awaitingHandOver_ = false;
    inFlightBytes_.clear();
    held_.clear();
    std::erase_if(queue_, [](const Notice &n) { return n.kind != Notice::Call; });
}

void TAsynCom::post(Notice notice)
{
    queue_.push_back(std::move(notice));
    if (!delivering_) deliverAll();
}

void TAsynCom::deliverAll()
{
    delivering_ = true;
    while (!queue_.empty()) {
        Notice notice = std::move(queue_.front());
        queue_.pop_front();
        dispatch(notice);
    }
    delivering_ = false;
}

void TAsynCom::dispatch(Notice &notice)
{
    switch (notice.kind) {
    case Notice::Chunk:
        if (inFlight_) {
            held_.push_back(std::move(notice));
            return;
        }
        DoReadBuffer(notice.bytes, TPortStatus{}, 0, 0);
        return;
    case Notice::Lost:
        if (inFlight_) {
            held_.push_back(std::move(notice));
            return;
        }
        DoLineLost();
        return;
    case Notice::Call:
        notice.call();
        return;
    }
}

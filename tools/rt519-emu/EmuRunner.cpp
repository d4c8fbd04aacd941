#include "EmuRunner.h"

#include <QSaveFile>
#include <cmath>

namespace emu {

EmuRunner::EmuRunner(DeviceCore &core, Link &link, WireTrace &trace, RunnerSettings settings)
    : core_(core), link_(link), trace_(trace), settings_(std::move(settings))
{
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, &EmuRunner::pump);
    connect(&link_, &Link::received, this, &EmuRunner::onReceived);
    // Queued: a pty reports drained from inside write(), in the middle of releaseOutput().
    connect(&link_, &Link::drained, this, &EmuRunner::pump, Qt::QueuedConnection);
    connect(&link_, &Link::failed, this, &EmuRunner::failed);
    core_.onNote = [this](const QString &text) { trace_.note(nowMs(), text); };
    core_.onSessionEnded = [this] { sessionEnded_ = true; };
    core_.onWrittenChanged = [this] {
        QString error;
        if (!writeDump(&error)) emit failed(error);
    };
}

bool EmuRunner::start(QString *error)
{
    clock_.start();
    return settings_.dumpWritten.isEmpty() || writeDump(error);
}

bool EmuRunner::writeDump(QString *error)
{
    if (settings_.dumpWritten.isEmpty()) return true;
    QSaveFile f(settings_.dumpWritten);
    if (f.open(QIODevice::WriteOnly | QIODevice::Text)) {
        f.write(core_.base().writtenAsText().toUtf8());
        if (f.commit()) return true;
    }
    *error = QStringLiteral("cannot write %1: %2").arg(settings_.dumpWritten, f.errorString());
    return false;
}

void EmuRunner::onReceived(const QByteArray &bytes)
{
    const double now = nowMs();
    trace_.bytes(now, true, bytes);
    if (!settings_.simulateRate) {
        core_.receive(bytes, qint64(now));
    } else {
        if (in_.isEmpty()) inFreeAt_ = std::max(inFreeAt_, now); // the line was quiet
        in_.append(bytes);
    }
    pump();
}

void EmuRunner::releaseInput(double now)
{
    // A byte reaches the device when its stop bit has passed.
    QByteArray batch;
    while (!in_.isEmpty() && inFreeAt_ + byteMs() <= now) {
        inFreeAt_ += byteMs();
        batch.append(in_.front());
        in_.remove(0, 1);
    }
    if (!batch.isEmpty()) core_.receive(batch, qint64(now));
}

void EmuRunner::takeCoreActions(double now)
{
    for (auto &a : core_.takeActions()) {
        if (out_.isEmpty()) outFreeAt_ = std::max(outFreeAt_, now); // the line was quiet
        if (a.kind == DeviceCore::Action::Discard) {
            // Output of an abandoned exchange never goes out; rate changes still count.
            QList<DeviceCore::Action> kept;
            for (auto &old : out_)
                if (old.kind == DeviceCore::Action::SetRate) kept.append(old);
            out_ = kept;
            continue;
        }
        out_.append(a);
    }
}

void EmuRunner::releaseOutput(double now)
{
    while (!out_.isEmpty()) {
        auto &front = out_.first();
        if (front.kind == DeviceCore::Action::SetRate) {
            const bool lineBusy = link_.bytesPending() > 0 || (settings_.simulateRate && outFreeAt_ > now);
            if (lineBusy) return;
            if (front.baud != lineBaud_) {
                link_.setBaudRate(front.baud);
                lineBaud_ = front.baud;
                trace_.note(now, QStringLiteral("line at %1 baud").arg(lineBaud_));
            }
            out_.removeFirst();
            continue;
        }
        if (!settings_.simulateRate) {
            trace_.bytes(now, false, front.bytes);
            inFlight_ = true;
            link_.write(front.bytes);
            out_.removeFirst();
            continue;
        }
        // Each byte leaves when its time on the line is over.
        qsizetype n = 0;
        while (n < front.bytes.size() && outFreeAt_ + byteMs() <= now) {
            outFreeAt_ += byteMs();
            ++n;
        }
        if (n > 0) {
            const QByteArray part = front.bytes.left(n);
            trace_.bytes(now, false, part);
            inFlight_ = true;
            link_.write(part);
            front.bytes.remove(0, n);
        }
        if (!front.bytes.isEmpty()) return;
        out_.removeFirst();
    }
}

void EmuRunner::pump()
{
    const double now = nowMs();
    if (settings_.simulateRate) releaseInput(now);
    core_.advance(qint64(now));
    takeCoreActions(now);
    releaseOutput(now);
    if (inFlight_ && out_.isEmpty() && link_.bytesPending() == 0) {
        inFlight_ = false;
        core_.transmitted(qint64(now));
    }
    if (settings_.once && sessionEnded_ && core_.state() == DeviceCore::State::Idle && !core_.nextDeadline()
        && out_.isEmpty() && link_.bytesPending() == 0) {
        finishOnceRead();
        return;
    }
    rearm();
}

void EmuRunner::finishOnceRead()
{
    // Closing the pty drops what the PC has not read. The kernel may still hold the
    // last bytes on their way to the slave (not yet counted as unread), so wait until
    // nothing has been unread for a while, but never hang on a PC that is gone.
    if (!finishStarted_) {
        finishStarted_ = true;
        finishClock_.start();
        quietSince_ = 0;
    }
    const qint64 t = finishClock_.elapsed();
    if (link_.unreadByPeer() > 0) quietSince_ = t;
    if (t - quietSince_ >= 200 || t > 2000) {
        emit finished();
        return;
    }
    QTimer::singleShot(10, this, &EmuRunner::finishOnceRead);
}

void EmuRunner::rearm()
{
    const double now = nowMs();
    double next = -1;
    auto consider = [&](double t) { next = next < 0 ? t : std::min(next, t); };
    if (auto d = core_.nextDeadline()) consider(double(*d));
    if (settings_.simulateRate) {
        if (!in_.isEmpty()) consider(inFreeAt_ + byteMs());
        if (!out_.isEmpty())
            consider(out_.first().kind == DeviceCore::Action::SetRate ? outFreeAt_ : outFreeAt_ + byteMs());
    }
    if (next < 0) {
        wake_.stop();
        return;
    }
    wake_.start(int(std::max(0.0, std::ceil(next - now))));
}

} // namespace emu

#include "PseudoTerminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0) return;
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        closeMaster();
        return;
    }
    slavePath_ = QString::fromLocal8Bit(ptsname(master_));
}

PseudoTerminal::~PseudoTerminal() { closeMaster(); }

void PseudoTerminal::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) done += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR) return;
    }
}

QByteArray PseudoTerminal::readWaiting()
{
    QByteArray out;
    char buf[4096];
    while (master_ >= 0) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, n);
    }
    return out;
}

QByteArray PseudoTerminal::readFor(int ms) { return readBytes(-1, ms); }

QByteArray PseudoTerminal::readBytes(qsizetype count, int ms)
{
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && (count < 0 || out.size() < count)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        out += readWaiting();
        QThread::msleep(1);
    }
    return out;
}

void PseudoTerminal::onBytes(std::function<void(const QByteArray &)> handler)
{
    handler_ = std::move(handler);
    if (notifier_ || master_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        const QByteArray bytes = readWaiting();
        if (!bytes.isEmpty() && handler_) handler_(bytes);
    });
}

void PseudoTerminal::closeMaster()
{
    notifier_.reset();
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

#include "Links.h"

#include <QFile>
#include <QSerialPort>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace emu {

static QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

std::unique_ptr<PtyLink> PtyLink::open(QString *error)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        *error = systemError("posix_openpt");
        return nullptr;
    }
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        *error = systemError("grantpt/unlockpt");
        ::close(master);
        return nullptr;
    }
    const char *name = ::ptsname(master);
    if (!name) {
        *error = systemError("ptsname");
        ::close(master);
        return nullptr;
    }
    const QString path = QString::fromLocal8Bit(name);
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) {
        *error = systemError("open slave");
        ::close(master);
        return nullptr;
    }
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    return std::unique_ptr<PtyLink>(new PtyLink(master, slave, path));
}

PtyLink::PtyLink(int master, int slave, QString slavePath)
    : master_(master), slave_(slave), slavePath_(std::move(slavePath))
{
    // Set up before the path is announced, so every open by the PC is seen.
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0
        && ::inotify_add_watch(watch_, QFile::encodeName(slavePath_).constData(), IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(watch_);
        watch_ = -1;
    }
    if (watch_ >= 0) {
        watchNotifier_ = new QSocketNotifier(watch_, QSocketNotifier::Read, this);
        connect(watchNotifier_, &QSocketNotifier::activated, this, &PtyLink::readWatch);
    }
    readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyLink::readMaster);
    writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &PtyLink::flushOut);
}

PtyLink::~PtyLink()
{
    delete readNotifier_;
    delete writeNotifier_;
    delete watchNotifier_;
    if (watch_ >= 0) ::close(watch_);
    ::close(slave_);
    ::close(master_);
}

void PtyLink::readMaster()
{
    QByteArray got;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            got.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // Cannot happen while the emulator holds the slave; stop listening rather than spin.
            readNotifier_->setEnabled(false);
            emit failed(systemError("read pty"));
        }
        break;
    }
    if (!got.isEmpty()) emit received(got);
}

void PtyLink::readWatch()
{
    alignas(inotify_event) char buf[4096];
    for (;;) {
        const ssize_t n = ::read(watch_, buf, sizeof buf);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(buf + at);
            if (e->mask & IN_OPEN) ++peers_;
            if (e->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                peers_ = std::max(0, peers_ - 1);
                if (peers_ == 0) ::tcflush(slave_, TCIFLUSH); // unread bytes go with the port
            }
            at += ssize_t(sizeof(inotify_event) + e->len);
        }
    }
}

qint64 PtyLink::unreadByPeer()
{
    if (watch_ >= 0) {
        readWatch();
        if (peers_ == 0) return 0;
    }
    int n = 0;
    return ::ioctl(slave_, FIONREAD, &n) == 0 ? n : 0;
}

void PtyLink::write(const QByteArray &bytes)
{
    out_.append(bytes);
    flushOut();
}

void PtyLink::flushOut()
{
    while (!out_.isEmpty()) {
        const ssize_t n = ::write(master_, out_.constData(), size_t(out_.size()));
        if (n > 0) {
            out_.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            writeNotifier_->setEnabled(true); // the PC is not reading; wait for room
            return;
        }
        emit failed(systemError("write pty"));
        out_.clear();
        break;
    }
    writeNotifier_->setEnabled(false);
    // The PC's open comes before its first byte, so its event is already queued.
    if (watch_ >= 0) {
        readWatch();
        if (peers_ == 0) ::tcflush(slave_, TCIFLUSH); // nobody listens: the bytes are lost
    }
    emit drained();
}

std::unique_ptr<SerialLink> SerialLink::open(const QString &device, int dataBits, QString *error)
{
    auto port = std::make_unique<QSerialPort>(device);
    port->setBaudRate(300);
    port->setDataBits(dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8);
    port->setParity(QSerialPort::EvenParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("cannot open %1: %2").arg(device, port->errorString());
        return nullptr;
    }
    return std::unique_ptr<SerialLink>(new SerialLink(std::move(port), device));
}

SerialLink::SerialLink(std::unique_ptr<QSerialPort> port, QString device)
    : port_(std::move(port)), device_(std::move(device))
{
    connect(port_.get(), &QSerialPort::readyRead, this, [this] { emit received(port_->readAll()); });
    connect(port_.get(), &QSerialPort::bytesWritten, this, [this] {
        if (port_->bytesToWrite() == 0) emit drained();
    });
    connect(port_.get(), &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError && e != QSerialPort::UnsupportedOperationError)
            emit failed(port_->errorString());
    });
}

SerialLink::~SerialLink() = default;

void SerialLink::write(const QByteArray &bytes) { port_->write(bytes); }

qint64 SerialLink::bytesPending() const { return port_->bytesToWrite(); }

void SerialLink::setBaudRate(int baud)
{
    // The driver may still hold the last frame; it must leave at the old rate.
    port_->flush();
    ::tcdrain(int(port_->handle()));
    port_->setBaudRate(baud);
}

} // namespace emu

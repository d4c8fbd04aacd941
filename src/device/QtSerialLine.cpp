#include "QtSerialLine.h"

#include <QSerialPort>
#include <QTimer>

namespace {

QSerialPort::DataBits dataBits(TByteSize size)
{
    switch (size) {
    case bs5: return QSerialPort::Data5;
    case bs6: return QSerialPort::Data6;
    case bs7: return QSerialPort::Data7;
    case bs8: return QSerialPort::Data8;
    }
    return QSerialPort::Data8;
}

QSerialPort::Parity parity(TParity p)
{
    switch (p) {
    case ptNONE: return QSerialPort::NoParity;
    case ptODD: return QSerialPort::OddParity;
    case ptEVEN: return QSerialPort::EvenParity;
    case ptMARK: return QSerialPort::MarkParity;
    case ptSPACE: return QSerialPort::SpaceParity;
    }
    return QSerialPort::EvenParity;
}

QSerialPort::StopBits stopBits(TStopbits s)
{
    switch (s) {
    case sb1BITS: return QSerialPort::OneStop;
    case sb1HALFBITS: return QSerialPort::OneAndHalfStop;
    case sb2BITS: return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

}  // namespace

QtSerialLine::QtSerialLine() : port_(std::make_unique<QSerialPort>())
{
    QObject::connect(port_.get(), &QSerialPort::readyRead, [this] { readWaiting(); });
    QObject::connect(port_.get(), &QSerialPort::bytesWritten, [this] { bytesWritten(); });
    QObject::connect(port_.get(), &QSerialPort::errorOccurred,
                     [this](QSerialPort::SerialPortError e) { failed(e); });
}

QtSerialLine::~QtSerialLine()
{
    // Closing here, while the members still exist, keeps the port's last signals away
    // from a half-destroyed object.
    close();
}

bool QtSerialLine::open(const QString &portName, const LineSettings &settings)
{
    if (port_->isOpen()) return true;
    port_->setPortName(portName);
    configure(settings);  // stored by the port and applied as it opens
    ++session_;
    if (!port_->open(QIODevice::ReadWrite)) {
        port_->clearError();
        return false;
    }
    configure(settings);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    // Binary mode with DTR and RTS control disabled: both lines start inactive.
    port_->setDataTerminalReady(false);
    port_->setRequestToSend(false);
    port_->clearError();
    return true;
}

void QtSerialLine::close()
{
    ++session_;
    if (port_->isOpen()) port_->close();
    port_->clearError();
}

bool QtSerialLine::isOpen() const { return port_->isOpen(); }

void QtSerialLine::configure(const LineSettings &s)
{
    // A pseudo-terminal refuses parity and some framings; that must not end the exchange.
    port_->setBaudRate(baudRateValue(s.baudRate));
    port_->setDataBits(dataBits(s.byteSize));
    port_->setParity(parity(s.parity));
    port_->setStopBits(stopBits(s.stopBits));
    port_->setFlowControl(QSerialPort::NoFlowControl);
}

bool QtSerialLine::write(const QByteArray &bytes)
{
    if (!port_->isOpen()) return false;
    if (port_->write(bytes) != bytes.size()) return false;
    // Hand the bytes to the driver now: a port closed right after a frame (the break
    // at the end of an exchange) must still send it.
    port_->flush();
    return true;
}

void QtSerialLine::setRequestToSend(bool active)
{
    if (port_->isOpen()) port_->setRequestToSend(active);
}

void QtSerialLine::readWaiting()
{
    const QByteArray chunk = port_->readAll();
    if (!chunk.isEmpty() && events_.received) events_.received(chunk);
}

void QtSerialLine::bytesWritten()
{
    if (port_->bytesToWrite() == 0 && events_.handedOver) events_.handedOver();
}

void QtSerialLine::failed(int error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        // The device went away (an adapter pulled, the peer of a pseudo-terminal closed).
        // The port says so but stays open; close it, and say so once the current
        // handler has returned, so the transport is never re-entered from a write.
        if (port_->isOpen()) {
            close();
            QTimer::singleShot(0, port_.get(), [this, session = session_] {
                if (session == session_) reportLost();
            });
        }
        break;
    default:
        // Unsupported operations (RTS or parity on a pseudo-terminal) and the like.
        break;
    }
}

void QtSerialLine::reportLost()
{
    if (events_.lost) events_.lost();
}

#pragma once
// The port underneath the transport: open a device, set the line, move bytes, drive RTS.
// The program uses QtSerialLine; tests plug in a scripted line.
#include "SerialTypes.h"

#include <QByteArray>
#include <QString>
#include <functional>

class SerialLine {
public:
    struct Events {
        std::function<void(const QByteArray &chunk)> received;  // whatever bytes were waiting
        std::function<void()> handedOver;  // every byte written so far has reached the driver
        std::function<void()> lost;        // the line failed and the line has closed itself
    };

    virtual ~SerialLine() = default;

    // Opens the device exclusively; false when it is absent, busy or not permitted.
    virtual bool open(const QString &portName, const LineSettings &settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Applies rate, data bits, parity and stop bits, no flow control. A setting the
    // device can't take (a pseudo-terminal has no parity) is ignored.
    virtual void configure(const LineSettings &settings) = 0;
    // Queues the bytes for the driver; false when the line refused them.
    virtual bool write(const QByteArray &bytes) = 0;
    // Drives RTS; a line without the signal ignores it.
    virtual void setRequestToSend(bool active) = 0;

    void setEvents(Events events) { events_ = std::move(events); }

protected:
    Events events_;
};

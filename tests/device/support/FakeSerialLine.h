#pragma once
// A serial line played by the test: it records what the transport does to it and
// delivers the instrument's bytes on demand. Written bytes reach "the driver" at once
// unless handOverAtOnce is switched off.
#include "SerialLine.h"

#include <QByteArrayList>
#include <QList>
#include <QStringList>

class FakeSerialLine final : public SerialLine {
public:
    bool open(const QString &portName, const LineSettings &settings) override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void configure(const LineSettings &settings) override { settings_ = settings; }
    bool write(const QByteArray &bytes) override;
    void setRequestToSend(bool active) override { rtsChanges << active; }

    // The instrument's side.
    void receive(const QByteArray &chunk);
    void handOver();   // the driver has taken every byte written
    void loseLine();   // the device vanished: the line closes itself and says so

    const LineSettings &settings() const { return settings_; }
    QByteArray takeWritten();  // every byte written since the last call

    bool openSucceeds = true;
    bool writeSucceeds = true;
    bool handOverAtOnce = true;
    QStringList opened;             // port names, one per successful open
    QList<LineSettings> openedWith;
    QByteArrayList writes;          // every write, in order
    QList<bool> rtsChanges;

private:
    bool open_ = false;
    LineSettings settings_;
    QByteArray unread_;
};

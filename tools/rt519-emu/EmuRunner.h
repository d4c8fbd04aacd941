#pragma once
// Runs the device state machine on a link: feeds it the bytes that arrive and the
// time, carries out what it hands back, optionally holding every byte for the time
// it takes on a line at the current rate (a pty has no speed of its own), and
// traces every byte.
#include "DeviceCore.h"
#include "Links.h"
#include "WireTrace.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace emu {

struct RunnerSettings {
    bool simulateRate = false;
    int bitsPerChar = 11;     // start + 8 data + parity + stop
    bool once = false;        // finish after the first session
    QString dumpWritten;      // file that mirrors the meter records the PC wrote
};

class EmuRunner : public QObject {
    Q_OBJECT
public:
    EmuRunner(DeviceCore &core, Link &link, WireTrace &trace, RunnerSettings settings);
    // Writes the (empty) dump, so a file left from an earlier run never misleads.
    bool start(QString *error);

signals:
    void finished();
    void failed(const QString &why);

private:
    double nowMs() const { return double(clock_.nsecsElapsed()) / 1e6; }
    double byteMs() const { return settings_.bitsPerChar * 1000.0 / lineBaud_; }
    void onReceived(const QByteArray &bytes);
    void pump();
    void takeCoreActions(double now);
    void releaseInput(double now);
    void releaseOutput(double now);
    void rearm();
    bool writeDump(QString *error);
    void finishOnceRead();

    DeviceCore &core_;
    Link &link_;
    WireTrace &trace_;
    RunnerSettings settings_;
    QElapsedTimer clock_;
    QTimer wake_;
    int lineBaud_ = 300;

    QList<DeviceCore::Action> out_; // waiting to go out, in order
    QByteArray in_;                 // arrived, still "on the line" (rate simulation)
    double outFreeAt_ = 0;          // end of the byte last put out
    double inFreeAt_ = 0;           // end of the byte last delivered
    bool sessionEnded_ = false;
    bool inFlight_ = false;
    bool finishStarted_ = false;
    QElapsedTimer finishClock_;
    qint64 quietSince_ = 0;         // bytes written since the line was last quiet
};

} // namespace emu

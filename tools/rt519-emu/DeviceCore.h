#pragma once
// The instrument's side of the exchange as a state machine with no I/O of its own:
// it is fed the bytes that arrive and the time, and hands back what to put on the
// line (bytes, rate changes) in order. The caller owns the clock, so tests drive it
// byte by byte with made-up time.
#include "DeviceBase.h"
#include "Faults.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace emu {

struct DeviceConfig {
    QByteArray maker = "KLV";      // three characters after the "/" of the identification
    char rateChar = '5';           // rate the device offers (5 = 9600 baud)
    QByteArray identText = "RT519";
    QByteArray password = "735";   // presented in the P0 frame
    QByteArray pcPassword = "735"; // expected in the PC's P1 frame
    BlockLayout layout;
    int reactionMs = 50;           // pause before every answer
    int fragmentTimeoutMs = 1500;  // an unfinished frame this old is dropped as noise
    int sessionTimeoutMs = 10000;  // a session this long without a byte from the PC ends
    int closeTimeoutMs = 4000;     // wait for the PC's break after the device's own
    int capacity = 100;            // meter records the base can hold
    int maxRepeats = 3;            // repeats of one frame before the device gives up
    FaultPlan faults;
};

class DeviceCore {
public:
    struct Action {
        enum Kind {
            Send,    // put these bytes on the line
            SetRate, // switch the line to baud once the bytes before have left it
            Discard, // a new sign-on: output of the abandoned exchange still queued is dropped
        } kind;
        QByteArray bytes;
        int baud = 0;
    };

    enum class State { Idle, AwaitOption, AwaitPassword, LoggedIn, Sending, Closing };

    DeviceCore(DeviceConfig config, DeviceBase base);

    void receive(QByteArrayView bytes, qint64 nowMs);
    // Runs what is due by now: delayed answers, time-outs.
    void advance(qint64 nowMs);
    // The line has sent everything handed out so far (time-outs count from here).
    void transmitted(qint64 nowMs);
    // When advance() has something to do next, if anything.
    std::optional<qint64> nextDeadline() const;
    QList<Action> takeActions();

    State state() const { return state_; }
    int baud() const { return baud_; }
    const DeviceBase &base() const { return base_; }

    std::function<void()> onWrittenChanged;
    std::function<void()> onSessionEnded;
    std::function<void(const QString &)> onNote;

private:
    struct Scheduled {
        qint64 due;
        Action action;
    };

    void handleFrame(const QByteArray &frame, qint64 now);
    void handleCommand(const QByteArray &frame, qint64 now);
    void startSession(qint64 now);
    void acceptOptionSelect(const QByteArray &frame, qint64 now);
    void checkPassword(const QByteArray &data, qint64 now);
    void serveBase(const QByteArray &data, qint64 now);
    void storeMeterRecord(const QByteArray &data, qint64 now);
    void erase(const QByteArray &data, qint64 now);
    void nextBlock(qint64 now);
    void repeatLast(qint64 now);
    void refuseAndEnd(const QString &why, qint64 now);
    void endSession(const QString &why, qint64 now);

    // A fault that takes the answer to a command over (silence, NAK, ERR(DATA_ERR)).
    bool answerTakenOver(FaultPoint point, qint64 now);
    // ahead 1 asks about the next occurrence, before it is counted.
    bool strikes(FaultKind kind, FaultPoint point, int ahead = 0);
    void emitDue(qint64 now);
    // Forgets answers not yet sent; the rate is then the one last put on the line.
    void dropScheduled();
    // Sends one of the device's frames after the reaction time; own frames (ident,
    // P0, blocks, closing break) may be spoilt by faults, and all are kept for a NAK.
    void transmit(const QByteArray &frame, FaultPoint point, qint64 now, bool repeat = false);
    void schedule(Action action, qint64 due);
    void switchRate(int baud, qint64 now);
    void note(const QString &text);

    DeviceConfig config_;
    DeviceBase base_;
    State state_ = State::Idle;
    int baud_ = 300;     // rate decided, perhaps still waiting in scheduled_
    int lineBaud_ = 300; // rate last handed out

    QByteArray rx_;
    qint64 rxLastAt_ = 0;
    bool noise_ = false;        // bytes that started no frame arrived
    qint64 lastActivity_ = 0;

    QList<Scheduled> scheduled_;
    QList<Action> actions_;

    QByteArray lastFrame_;
    FaultPoint lastPoint_ = FaultPoint::Ident;
    int repeats_ = 0;

    QList<QByteArray> blocks_;
    qsizetype blockIndex_ = 0;

    std::array<int, 8> occurrences_{};
};

} // namespace emu

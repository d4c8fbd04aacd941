#pragma once
// TAsynCom: the program's serial transport. Opens one port, applies the line settings,
// writes frames, and hands every received chunk and every "frame has left the line"
// notice to its hooks on the thread that owns it (the GUI thread), one at a time and
// in order. The protocol engine TAsynComAscii derives from it.
//
// Transmit complete: once every byte of a write has reached the driver, a single-shot
// timer waits TransmitTime of the frame; then DoWriteBuffer runs. Nothing blocks.
// Chunks that arrive before the frame in flight has been reported sent are held and
// handed over right after that report, so a reply is never seen before its question
// has gone out. A notice that comes while a hook is still running (a modal message
// box spins the event loop) waits until that hook has returned.
#include "DeviceTimer.h"
#include "ExchangeTrace.h"
#include "SerialLine.h"
#include "SerialTypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

class TAsynCom {
public:
    using TReadBuffer = std::function<void(const QByteArray &S, const TPortStatus &PortState,
                                           quint32 ErrCode, quint32 ModemState)>;
    using TWriteBuffer = std::function<void(const QByteArray &S)>;

    TAsynCom();  // a real serial port on Qt timers
    TAsynCom(std::unique_ptr<SerialLine> line, TimerSource &timers);
    virtual ~TAsynCom();
    TAsynCom(const TAsynCom &) = delete;
    TAsynCom &operator=(const TAsynCom &) = delete;

    // Opens PortName exclusively and applies the settings; a failure leaves the port
    // closed and says nothing (callers test Connected). Returns Connected().
    virtual bool Open();
    // Closes the port; nothing of it is delivered afterwards.
    void Close();
    bool Connected() const;

    // Hands s to the port (RTS cleared first when RTS is driven). DoWriteBuffer follows
    // once it has left the line; with the port closed nothing goes out or follows.
    void Write(const QByteArray &s);
    const QByteArray &LastWritten() const { return lastWritten_; }

    // Milliseconds n characters take at the current settings, plus 10, rounded up.
    quint32 TransmitTime(qsizetype n) const;

    // The ports to offer: every path in RT519_EXTRA_PORTS (separated like PATH) in the
    // order given, then the system's serial ports.
    static void EnumPorts(QStringList &list);

    // Properties. A changed port while open closes and reopens at once; changed line
    // settings while open take effect at once.
    bool RTS() const { return rts_; }
    void setRTS(bool drive) { rts_ = drive; }
    int ComNumber() const { return comNumber_; }
    void setComNumber(int n);           // the port "COMn"
    QString PortName() const { return portName_; }
    void setPortName(const QString &name);  // a system port name or a device path
    TByteSize ByteSize() const { return settings_.byteSize; }
    void setByteSize(TByteSize size);
    TParity Parity() const { return settings_.parity; }
    void setParity(TParity parity);
    TStopbits Stopbits() const { return settings_.stopBits; }
    void setStopbits(TStopbits stopBits);
    TBaudRate BaudRate() const { return settings_.baudRate; }
    virtual void SetBaudRate(TBaudRate rate);
    const LineSettings &Settings() const { return settings_; }

    TReadBuffer OnReadBuffer;    // a chunk was received
    TWriteBuffer OnWriteBuffer;  // a transmission has left the line (the bytes sent)

protected:
    // A chunk arrived: raises OnReadBuffer.
    virtual void DoReadBuffer(const QByteArray &chunk, const TPortStatus &status, quint32 errCode,
                              quint32 modemState);
    // The last transmission has left the line: raises OnWriteBuffer, then sets RTS.
    virtual void DoWriteBuffer();
    // The device went away and the port has closed itself.
    virtual void DoLineLost() {}

    // A timer from the transport's clock whose expiry is handed over in turn with the
    // port's notices; an expiry overtaken by a later start() or stop() is dropped.
    std::unique_ptr<OneShotTimer> createTimer();

private:
    class DeliveredTimer;
    struct Notice {
        enum Kind { Chunk, Lost, Call } kind;
        QByteArray bytes;
        std::function<void()> call;
    };

    void post(Notice notice);
    void deliverAll();
    void dispatch(Notice &notice);
    void transmitted();  // the transmit timer ran out (delivered in turn)
    void handedOver();
    void lineLost();
    void dropPortNotices();
    void applySettings();
    void setRtsState(int k);
    void reopenWith(const std::function<void()> &store);

    std::unique_ptr<SerialLine> line_;
    TimerSource &timers_;
    std::unique_ptr<ExchangeTrace> trace_;
    std::unique_ptr<OneShotTimer> transmitTimer_;

    LineSettings settings_;
    QString portName_ = QStringLiteral("COM1");
    int comNumber_ = 1;
    bool rts_ = false;
    int rtsState_ = 0;
    QByteArray lastWritten_;

    bool inFlight_ = false;          // written, DoWriteBuffer not yet run
    bool awaitingHandOver_ = false;  // written, not all bytes with the driver yet
    QByteArray inFlightBytes_;       // everything written since the last DoWriteBuffer
    QByteArray transmittedBytes_;    // what DoWriteBuffer reports
    std::deque<Notice> queue_;
    std::deque<Notice> held_;        // port notices that came while a frame was in flight
    bool delivering_ = false;
};

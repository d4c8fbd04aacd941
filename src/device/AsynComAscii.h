#pragma once
// TAsynComAscii: the exchange protocol engine. Runs one exchange with the instrument
// at a time (read its data base, write the meter list, erase its data base): signs
// on at the start rate, switches to the rate the instrument proposes once the option
// select has left the line, checks the instrument's password and sends its own, then
// reads blocks, sends records or erases. Every awaited reply is guarded by a 2000 ms
// timer counted from the moment the question has left the line; a fragment, a bad
// check, a NAK or ERR(DATA_ERR) is retried three times. Failures end in one of seven
// fixed messages and OnSetError.
//
// Texts cross this boundary as QString: the instrument's CP1251 is decoded for the
// events and encoded for SendData. The raw chunks of OnReadBuffer/OnWriteBuffer stay bytes.
#include "AsynCom.h"

#include <QByteArray>
#include <QString>

enum TTransError { eFormat, eBCC, eDog, ePasswordIN, eProtokol, eEmpty, eOverflow };

enum TExchangeState { stIdle = 0, stIdent = 1, stRead = 2, stPassword = 3, stLogin = 4, stWrite = 5 };
enum TExchangeMode { smRead = 0, smWrite = 1, smErase = 2 };

class TAsynComAscii : public TAsynCom {
public:
    using TReadIdent = std::function<void(const QString &XXX, QChar Z, const QString &Ident)>;
    using TReadBase = std::function<void(const QString &Data)>;
    using TWriteBase = std::function<void()>;
    using TSetError = std::function<void(TTransError Error)>;
    using TEndFrame = std::function<void()>;
    using TBeginFrame = std::function<void()>;
    using TReadCommandPassword = std::function<void(const QString &Data)>;

    static constexpr int ReplyTimeoutMs = 2000;

    TAsynComAscii();  // a real serial port on Qt timers
    TAsynComAscii(std::unique_ptr<SerialLine> line, TimerSource &timers);
    ~TAsynComAscii() override;

    // The port's Open, then ResetExchange. Returns Connected().
    bool Open() override;
    // '0' read, '1' write, '2' erase (any other character keeps the previous mode).
    // The port is opened first by the caller; returns at once, the exchange runs on events.
    void StartExchange(char mode);
    // From the OnWriteBase handler: a meter record frame from SOH to ETX; the engine
    // appends the check byte.
    void SendData(const QString &frame);
    void SendData(const QByteArray &frame);
    // Sends the break frame and ends the exchange (OnEndFrame).
    void EndExchange();
    // Back to idle at BeginBaudRate without sending anything.
    void ResetExchange();

    TBaudRate BeginBaudRate() const { return beginBaudRate_; }
    void setBeginBaudRate(TBaudRate rate) { beginBaudRate_ = rate; }
    QString PasswordIN() const { return passwordIn_; }
    void setPasswordIN(const QString &password) { passwordIn_ = password; }
    QString PasswordOUT() const { return passwordOut_; }
    void setPasswordOUT(const QString &password) { passwordOut_ = password; }

    void SetBaudRate(TBaudRate rate) override;

    // The engine's state, for the progress display and for tests.
    TExchangeState ExchangeState() const { return state_; }
    TExchangeMode ExchangeMode() const { return mode_; }
    int RetryCount() const { return retryCount_; }
    TBaudRate PendingBaudRate() const { return pendingBaudRate_; }
    const QByteArray &RxBuffer() const { return rxBuffer_; }
    const QByteArray &RecordText() const { return recordText_; }
    const QByteArray &LastFrame() const { return lastFrame_; }
    bool ReplyTimerActive() const { return replyTimer_->isActive(); }

    // The fixed text of a failure (these stay Russian under the English interface).
    static QString errorText(TTransError error);

    // Bytes a frame may grow to before it is treated as garbage, and record text that may
    // pile up without a record end; beyond them the exchange fails instead of eating memory.
    static constexpr qsizetype MaxFrameBytes = 64 * 1024;
    static constexpr qsizetype MaxRecordTextBytes = 1024 * 1024;

    TReadIdent OnReadIdent;
    TReadBase OnReadBase;
    TWriteBase OnWriteBase;  // the handler calls exactly one of SendData or EndExchange
    TSetError OnSetError;
    TEndFrame OnEndFrame;
    TBeginFrame OnBeginFrame;
    TReadCommandPassword OnReadCommandPassword;

protected:
    void DoReadBuffer(const QByteArray &chunk, const TPortStatus &status, quint32 errCode,
                      quint32 modemState) override;
    void DoWriteBuffer() override;
    void DoLineLost() override;

private:
    void ProcessInput();
    void retryOrFail(TTransError error, const QByteArray &answer);
    void handleFrame();
    void handleIdent();
    void handlePassword();
    void handleLogin();
    void handleRead();
    void handleWrite();
    void requestNextRecord();

    void SendOptionSelect(char z);
    void SendCommand(char c, char d, const QByteArray &data);
    void SendEraseAll();
    void ExchangeError(TTransError error);
    void send(const QByteArray &frame);  // a command frame: kept for a repeat

    TBaudRate beginBaudRate_ = br300;
    QString passwordIn_ = QStringLiteral("735");
    QString passwordOut_ = QStringLiteral("735");

    TExchangeState state_ = stIdle;
    TExchangeMode mode_ = smRead;
    int retryCount_ = 0;
    QByteArray lastFrame_;
    TBaudRate pendingBaudRate_ = br300;
    QByteArray rxBuffer_;
    QByteArray recordText_;
    bool armTimer_ = false;
    std::unique_ptr<OneShotTimer> replyTimer_;
};

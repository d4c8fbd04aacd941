#include "AsynComAscii.h"

#include "DeviceItems.h"
#include "LineFrames.h"
#include "Prompts.h"
#include "QtSerialLine.h"

using namespace LineFrames;

namespace {

QString fromDevice(QByteArrayView bytes) { return DeviceItems::decodeDeviceText(bytes); }

QByteArray toDevice(const QString &text) { return DeviceItems::encodeDeviceText(text); }

bool isAck(const QByteArray &f) { return f.size() == 1 && f[0] == ACK; }

// SOH c d ... ETX BCC with more than four bytes.
bool isCommandFrame(const QByteArray &f, char c, char d)
{
    const qsizetype n = f.size();
    return n > 4 && f[0] == SOH && f[n - 2] == ETX && f[1] == c && f[2] == d;
}

// The last item of a meter record, of a load-profile slice and of a verification result.
bool closesRecord(const QByteArray &text)
{
    return text.contains("CONST") || text.contains("Q_MINUS") || text.contains("WKPHASE");
}

}  // namespace

TAsynComAscii::TAsynComAscii() : TAsynComAscii(std::make_unique<QtSerialLine>(), qtTimers()) {}

TAsynComAscii::TAsynComAscii(std::unique_ptr<SerialLine> line, TimerSource &timers)
    : TAsynCom(std::move(line), timers)
{
    replyTimer_ = createTimer();
    replyTimer_->onTimeout([this] { ProcessInput(); });
}

TAsynComAscii::~TAsynComAscii() = default;

QString TAsynComAscii::errorText(TTransError error)
{
    switch (error) {
    case eFormat: return QStringLiteral("Неверный формат данных!");
    case eBCC: return QStringLiteral("Неверная контрольная сумма");
    case eDog: return QStringLiteral("Тайм-аут!\r\nНет ответа от устройства.");
    case ePasswordIN: return QStringLiteral("Неверный пароль инициализации");
    case eProtokol: return QStringLiteral("Ошибка протокола !");
    case eEmpty: return QStringLiteral("Нет данных !");
    case eOverflow: return QStringLiteral("База прибора заполнена! Число записей 100");
    }
    return {};
}

bool TAsynComAscii::Open()
{
    TAsynCom::Open();
    ResetExchange();
    return Connected();
}

void TAsynComAscii::SetBaudRate(TBaudRate rate)
{
    TAsynCom::SetBaudRate(rate);
    pendingBaudRate_ = BaudRate();
}

// ---- receiving -------------------------------------------------------------------

void TAsynComAscii::DoReadBuffer(const QByteArray &chunk, const TPortStatus &status, quint32 errCode,
                                 quint32 modemState)
{
    TAsynCom::DoReadBuffer(chunk, status, errCode, modemState);
    replyTimer_->stop();
    rxBuffer_ += chunk;
    // A fragment grown past any frame of the instrument will never complete: handle it
    // as the timer would, instead of collecting line noise for ever.
    if (isComplete(rxBuffer_) || rxBuffer_.size() > MaxFrameBytes)
        ProcessInput();
    else
        replyTimer_->start(ReplyTimeoutMs);
}

void TAsynComAscii::ProcessInput()
{
    replyTimer_->stop();
    if (rxBuffer_.isEmpty()) {
        ExchangeError(eDog);  // silence is final: no repeat, no break
        return;
    }
    if (!isComplete(rxBuffer_)) {
        retryOrFail(eFormat, QByteArray(1, NAK));
        return;
    }
    if (!CheckBCC(rxBuffer_)) {
        retryOrFail(eBCC, QByteArray(1, NAK));
        return;
    }
    if (rxBuffer_.size() == 1 && rxBuffer_[0] == NAK) {
        retryOrFail(eProtokol, lastFrame_);
        return;
    }
    // The instrument's own errors count in every state, idle included.
    if (rxBuffer_.contains("ERR(BASE_EMPTY)")) {
        EndExchange();
        ExchangeError(eEmpty);
        rxBuffer_.clear();
        return;
    }
    if (rxBuffer_.contains("ERR(BASE_OVFLOW)")) {
        EndExchange();
        ExchangeError(eOverflow);
        rxBuffer_.clear();
        return;
    }
    if (rxBuffer_.contains("ERR(DATA_ERR)")) {
        retryOrFail(eFormat, lastFrame_);
        return;
    }
    retryCount_ = 0;
    handleFrame();
}

void TAsynComAscii::retryOrFail(TTransError error, const QByteArray &answer)
{
    if (retryCount_ >= 3) {
        EndExchange();
        ExchangeError(error);
        return;
    }
    ++retryCount_;
    Write(answer);
    armTimer_ = true;
    rxBuffer_.clear();
}

// A frame that the current state does not expect is dropped: nothing is sent and no
// timer runs, so the engine waits for one it accepts (or for the user to give up).
void TAsynComAscii::handleFrame()
{
    switch (state_) {
    case stIdle: rxBuffer_.clear(); return;
    case stIdent: handleIdent(); break;
    case stPassword: handlePassword(); break;
    case stLogin: handleLogin(); break;
    case stRead: handleRead(); break;
    case stWrite: handleWrite(); break;
    }
}

void TAsynComAscii::handleIdent()
{
    const QByteArray f = std::exchange(rxBuffer_, {});
    const qsizetype n = f.size();
    if (n <= 6 || f[0] != '/' || f[n - 1] != LF || f[n - 2] != CR) return;
    const char z = f[4];
    const qsizetype firstCr = f.indexOf(CR, 5);
    if (OnReadIdent) OnReadIdent(fromDevice(f.mid(1, 3)), fromDevice(f.mid(4, 1)).front(), fromDevice(f.mid(5, firstCr - 5)));
    SendOptionSelect(z);
}

void TAsynComAscii::handlePassword()
{
    const QByteArray f = std::exchange(rxBuffer_, {});
    if (isAck(f)) {
        // The instrument's answer to the erase command (or an ACK instead of its password).
        EndExchange();
        return;
    }
    if (!isCommandFrame(f, 'P', '0')) return;
    const QByteArray expected = toDevice(passwordIn_);
    if (f.size() != expected.size() + 8) return;  // SOH P0 STX ( password ) ETX BCC
    const QByteArray received = f.mid(5, expected.size());
    if (OnReadCommandPassword) OnReadCommandPassword(fromDevice(received));
    if (received == expected)
        SendCommand('P', '1', "(" + toDevice(passwordOut_) + ")");
    else
        ExchangeError(ePasswordIN);
}

void TAsynComAscii::handleLogin()
{
    const QByteArray f = std::exchange(rxBuffer_, {});
    if (isCommandFrame(f, 'B', '0')) {
        ExchangeError(ePasswordIN);  // our password was refused; the instrument has hung up
        return;
    }
    if (!isAck(f)) return;
    switch (mode_) {
    case smRead: SendCommand('R', '3', "BASE"); break;
    case smWrite:
        state_ = stWrite;
        requestNextRecord();
        break;
    case smErase: SendEraseAll(); break;
    }
}

void TAsynComAscii::handleRead()
{
    const QByteArray f = std::exchange(rxBuffer_, {});
    const qsizetype n = f.size();
    if (n > 5 && f[0] == STX && f[n - 2] == EOT) {
        Write(QByteArray(1, ACK));
        recordText_ += f.mid(1, n - 3);
        if (closesRecord(recordText_)) {
            const QString text = fromDevice(std::exchange(recordText_, {}));
            if (OnReadBase) OnReadBase(text);
        } else if (recordText_.size() > MaxRecordTextBytes) {
            // No record ever ends: this is not the instrument's data.
            EndExchange();
            ExchangeError(eFormat);
            return;
        }
        armTimer_ = true;
        return;
    }
    if (isCommandFrame(f, 'B', '0')) {  // the instrument has sent everything
        EndExchange();
        ResetExchange();
    }
    // A block closed by ETX instead of EOT is dropped like any unexpected frame.
}

void TAsynComAscii::handleWrite()
{
    const QByteArray f = std::exchange(rxBuffer_, {});
    if (isAck(f)) requestNextRecord();  // the record is stored
}

void TAsynComAscii::requestNextRecord()
{
    // Without a supplier of records there is nothing to write: end rather than wait.
    if (OnWriteBase)
        OnWriteBase();
    else
        EndExchange();
}

// ---- sending ---------------------------------------------------------------------

void TAsynComAscii::StartExchange(char mode)
{
    if (OnBeginFrame) OnBeginFrame();
    replyTimer_->stop();
    SetBaudRate(beginBaudRate_);
    if (mode == '0') mode_ = smRead;
    if (mode == '1') mode_ = smWrite;
    if (mode == '2') mode_ = smErase;
    state_ = stIdent;
    armTimer_ = true;
    send(signOn());
}

void TAsynComAscii::SendOptionSelect(char z)
{
    const std::optional<TBaudRate> rate = rateOfCharacter(z);
    pendingBaudRate_ = rate.value_or(beginBaudRate_);
    state_ = stPassword;
    // The switch itself waits in DoWriteBuffer until this frame has left the line.
    send(optionSelect(rate ? z : '0'));
    armTimer_ = true;
    recordText_.clear();
}

void TAsynComAscii::SendCommand(char c, char d, const QByteArray &data)
{
    send(command(c, d, data));
    if (c == 'P' && d == '1') state_ = stLogin;
    if (c == 'R' && d == '3') state_ = stRead;
    armTimer_ = true;
}

void TAsynComAscii::SendData(const QString &frame) { SendData(toDevice(frame)); }

void TAsynComAscii::SendData(const QByteArray &frame)
{
    send(frame + CalcBCC(QByteArrayView(frame).sliced(std::min<qsizetype>(1, frame.size()))));
    state_ = stWrite;
    armTimer_ = true;
}

void TAsynComAscii::SendEraseAll()
{
    send(eraseCommand());
    state_ = stPassword;
    // No reply timer: the instrument takes as long as it needs to erase.
}

void TAsynComAscii::EndExchange()
{
    send(breakFrame());
    pendingBaudRate_ = beginBaudRate_;  // back to the start rate once the break has left
    state_ = stIdle;
    armTimer_ = false;  // an idle engine awaits nothing
    if (OnEndFrame) OnEndFrame();
}

void TAsynComAscii::ResetExchange()
{
    replyTimer_->stop();
    rxBuffer_.clear();
    state_ = stIdle;
    retryCount_ = 0;
    armTimer_ = false;
    SetBaudRate(beginBaudRate_);
}

void TAsynComAscii::send(const QByteArray &frame)
{
    lastFrame_ = frame;
    Write(frame);
}

void TAsynComAscii::ExchangeError(TTransError error)
{
    const PromptIcon icon = error == eEmpty || error == eOverflow ? PromptIcon::Information : PromptIcon::Error;
    showMessage(errorText(error), QStringLiteral("Ошибка"), icon);
    ResetExchange();
    if (OnSetError) OnSetError(error);
}

// ---- transport hooks -------------------------------------------------------------

void TAsynComAscii::DoWriteBuffer()
{
    TAsynCom::DoWriteBuffer();
    if (pendingBaudRate_ != BaudRate()) SetBaudRate(pendingBaudRate_);
    if (armTimer_) {
        armTimer_ = false;
        replyTimer_->start(ReplyTimeoutMs);
    }
}

void TAsynComAscii::DoLineLost()
{
    // A vanished device reads like a silent one: the usual time-out follows, whatever
    // the exchange was waiting for.
    if (state_ == stIdle) return;
    armTimer_ = false;
    rxBuffer_.clear();
    replyTimer_->start(ReplyTimeoutMs);
}

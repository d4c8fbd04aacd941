#include "DeviceCore.h"

#include "Frames.h"

#include <QRegularExpression>

namespace emu {

namespace {

bool isOwnFrame(FaultPoint p)
{
    return p == FaultPoint::Ident || p == FaultPoint::P0 || p == FaultPoint::Block || p == FaultPoint::Break;
}

// "/?" [address] "!" CR LF
bool isSignOn(const QByteArray &f) { return f.startsWith("/?") && f.endsWith("!\r\n"); }

// A password of the same length that is certainly different.
QByteArray spoiltPassword(const QByteArray &p)
{
    QByteArray out = p;
    for (char &c : out) c = (c == '9') ? '0' : (c >= '0' && c < '9') ? char(c + 1) : (c == 'X' ? 'Y' : 'X');
    return out;
}

// What the device accepts as a meter record: the four items in the PC's order,
// values without control characters, a constant that is a decimal number.
bool isMeterRecord(const QByteArray &data)
{
    static const QRegularExpression form(QStringLiteral(
        "^ADR\\([^)\\x00-\\x1f]*\\)NUM\\([^)\\x00-\\x1f]*\\)TYPE\\([^)\\x00-\\x1f]*\\)"
        "CONST\\([0-9]+(?:[.,][0-9]+)?\\)$"));
    return form.match(QString::fromLatin1(data)).hasMatch();
}

} // namespace

DeviceCore::DeviceCore(DeviceConfig config, DeviceBase base) : config_(std::move(config)), base_(std::move(base)) {}

void DeviceCore::note(const QString &text)
{
    if (onNote) onNote(text);
}

QList<DeviceCore::Action> DeviceCore::takeActions() { return std::exchange(actions_, {}); }

void DeviceCore::schedule(Action action, qint64 due) { scheduled_.append({due, std::move(action)}); }

void DeviceCore::switchRate(int baud, qint64 now)
{
    if (baud == baud_) return;
    baud_ = baud;
    schedule({Action::SetRate, {}, baud}, now);
}

bool DeviceCore::strikes(FaultKind kind, FaultPoint point, int ahead)
{
    return config_.faults.strikes(kind, point, occurrences_[static_cast<int>(point)] + ahead);
}

void DeviceCore::dropScheduled()
{
    scheduled_.clear();
    baud_ = lineBaud_;
}

void DeviceCore::transmit(const QByteArray &frame, FaultPoint point, qint64 now, bool repeat)
{
    lastFrame_ = frame;
    lastPoint_ = point;
    if (!repeat) repeats_ = 0;
    QByteArray out = frame;
    if (isOwnFrame(point)) {
        ++occurrences_[static_cast<int>(point)];
        const QString where = pointName(point);
        if (strikes(FaultKind::Silence, point)) {
            note(QStringLiteral("fault silence@%1: frame not sent").arg(where));
            return;
        }
        if (strikes(FaultKind::Fragment, point)) {
            out = frame.left(std::max<qsizetype>(1, frame.size() / 2));
            note(QStringLiteral("fault fragment@%1: %2 of %3 bytes").arg(where).arg(out.size()).arg(frame.size()));
        } else {
            if (point == FaultPoint::Block && strikes(FaultKind::EtxBlock, point)) {
                out = dataBlock(QByteArrayView(frame).sliced(1, frame.size() - 3), ETX);
                note(QStringLiteral("fault etx-block"));
            }
            if (out.size() > 2 && (out[0] == STX || out[0] == SOH) && strikes(FaultKind::BadBcc, point)) {
                out.back() = char(out.back() + 1);
                note(QStringLiteral("fault bad-bcc@%1").arg(where));
            }
        }
    }
    schedule({Action::Send, out, 0}, now + config_.reactionMs);
}

bool DeviceCore::answerTakenOver(FaultPoint point, qint64 now)
{
    ++occurrences_[static_cast<int>(point)];
    const QString where = pointName(point);
    if (strikes(FaultKind::Silence, point)) {
        note(QStringLiteral("fault silence@%1: command ignored").arg(where));
        return true;
    }
    if (strikes(FaultKind::Nak, point)) {
        note(QStringLiteral("fault nak@%1").arg(where));
        transmit(QByteArray(1, NAK), point, now);
        return true;
    }
    if (strikes(FaultKind::DataErr, point)) {
        note(QStringLiteral("fault data-err@%1").arg(where));
        transmit(errorFrame("DATA_ERR"), point, now);
        return true;
    }
    return false;
}

void DeviceCore::receive(QByteArrayView bytes, qint64 now)
{
    advance(now);
    if (bytes.isEmpty()) return;
    rx_.append(bytes);
    rxLastAt_ = now;
    lastActivity_ = now;
    for (;;) {
        const qsizetype n = frameAtFront(rx_, state_ == State::AwaitOption);
        if (n == 0) break;
        if (n < 0) {
            rx_.remove(0, 1);
            noise_ = true;
            continue;
        }
        const QByteArray frame = rx_.left(n);
        rx_.remove(0, n);
        handleFrame(frame, now);
    }
    advance(now);
}

void DeviceCore::transmitted(qint64 now) { lastActivity_ = std::max(lastActivity_, now); }

void DeviceCore::advance(qint64 now)
{
    emitDue(now);
    if ((!rx_.isEmpty() || noise_) && now - rxLastAt_ >= config_.fragmentTimeoutMs) {
        note(QStringLiteral("%1 byte(s) of noise or an unfinished frame dropped").arg(rx_.size()));
        rx_.clear();
        noise_ = false;
        if (state_ == State::Sending) repeatLast(now); // a bad reply to a block
    }
    if (state_ != State::Idle && scheduled_.isEmpty()) {
        const int limit = state_ == State::Closing ? config_.closeTimeoutMs : config_.sessionTimeoutMs;
        if (now - lastActivity_ >= limit) endSession(QStringLiteral("no word from the PC"), now);
    }
    emitDue(now);
}

void DeviceCore::emitDue(qint64 now)
{
    while (!scheduled_.isEmpty() && scheduled_.first().due <= now) {
        Action a = scheduled_.takeFirst().action;
        if (a.kind == Action::SetRate) lineBaud_ = a.baud;
        actions_.append(std::move(a));
        lastActivity_ = std::max(lastActivity_, now);
    }
}

std::optional<qint64> DeviceCore::nextDeadline() const
{
    std::optional<qint64> next;
    auto consider = [&](qint64 t) { next = next ? std::min(*next, t) : t; };
    if (!scheduled_.isEmpty()) consider(scheduled_.first().due);
    if (!rx_.isEmpty() || noise_) consider(rxLastAt_ + config_.fragmentTimeoutMs);
    if (state_ != State::Idle && scheduled_.isEmpty())
        consider(lastActivity_ + (state_ == State::Closing ? config_.closeTimeoutMs : config_.sessionTimeoutMs));
    return next;
}

void DeviceCore::handleFrame(const QByteArray &f, qint64 now)
{
    noise_ = false;
    if (f.front() == '/') {
        if (isSignOn(f)) startSession(now);
        else note(QStringLiteral("not a sign-on; ignored"));
        return;
    }
    if (f.size() == 1 && f.front() == NAK) {
        if (state_ != State::Idle && !lastFrame_.isEmpty()) repeatLast(now);
        return;
    }
    if (f.front() == ACK && f.size() > 1) {
        acceptOptionSelect(f, now);
        return;
    }
    if (f.size() == 1 && f.front() == ACK) {
        if (state_ == State::Sending) {
            ++blockIndex_;
            nextBlock(now);
        }
        return;
    }
    if (f.front() == SOH) {
        handleCommand(f, now);
        return;
    }
    // STX frames mean nothing coming from the PC.
    if (state_ == State::Sending) repeatLast(now);
}

void DeviceCore::startSession(qint64 now)
{
    if (state_ != State::Idle) note(QStringLiteral("sign-on in the middle of a session: starting afresh"));
    dropScheduled();
    blocks_.clear();
    schedule({Action::Discard, {}, 0}, now);
    switchRate(300, now);
    state_ = State::AwaitOption;
    transmit(identification(config_.maker, config_.rateChar, config_.identText), FaultPoint::Ident, now);
}

void DeviceCore::acceptOptionSelect(const QByteArray &f, qint64 now)
{
    if (state_ != State::AwaitOption) return;
    // ACK V Z Y CR LF: V "0" normal protocol, Y "1" programming mode.
    const int baud = f.size() == 6 ? baudForRateChar(f[2]) : 0;
    if (f.size() != 6 || f[1] != '0' || f[3] != '1' || baud == 0) {
        endSession(QStringLiteral("option select not understood"), now);
        return;
    }
    switchRate(baud, now);
    state_ = State::AwaitPassword;
    QByteArray presented = config_.password;
    // The P0 frame about to go out is the next occurrence of its point.
    if (strikes(FaultKind::WrongPassword, FaultPoint::P0, 1)) {
        presented = spoiltPassword(presented);
        note(QStringLiteral("fault wrong-password"));
    }
    transmit(commandFrame("P0", QByteArray("(") + presented + ")"), FaultPoint::P0, now);
}

void DeviceCore::handleCommand(const QByteArray &f, qint64 now)
{
    // SOH c d STX data ETX BCC, or SOH c d ETX BCC.
    const bool wellFormed = f.size() >= 5 && hasValidCheck(f) && (f[3] == STX || (f[3] == ETX && f.size() == 5));
    if (!wellFormed) {
        if (state_ == State::Sending) repeatLast(now);
        else if (state_ == State::AwaitPassword || state_ == State::LoggedIn) transmit(QByteArray(1, NAK), FaultPoint::P1, now);
        return;
    }
    const QByteArray command = f.mid(1, 2);
    const QByteArray data = f[3] == STX ? f.mid(4, f.size() - 6) : QByteArray();
    if (command == "B0") {
        if (state_ == State::Idle) return;
        dropScheduled();
        endSession(QStringLiteral("break from the PC"), now);
        return;
    }
    switch (state_) {
    case State::AwaitPassword:
        if (command == "P1") checkPassword(data, now);
        else note(QStringLiteral("command before the password; ignored"));
        break;
    case State::LoggedIn:
        if (command == "R3") serveBase(data, now);
        else if (command == "W1") storeMeterRecord(data, now);
        else if (command == "E1") erase(data, now);
        else transmit(errorFrame("DATA_ERR"), FaultPoint::R3, now);
        break;
    case State::Sending:
        repeatLast(now);
        break;
    default:
        break;
    }
}

void DeviceCore::checkPassword(const QByteArray &data, qint64 now)
{
    if (answerTakenOver(FaultPoint::P1, now)) return;
    if (strikes(FaultKind::P1Break, FaultPoint::P1)) {
        refuseAndEnd(QStringLiteral("fault p1-break"), now);
        return;
    }
    if (data != QByteArray("(") + config_.pcPassword + ")") {
        refuseAndEnd(QStringLiteral("wrong password from the PC"), now);
        return;
    }
    state_ = State::LoggedIn;
    transmit(QByteArray(1, ACK), FaultPoint::P1, now);
}

void DeviceCore::serveBase(const QByteArray &data, qint64 now)
{
    if (answerTakenOver(FaultPoint::R3, now)) return;
    if (strikes(FaultKind::BaseEmpty, FaultPoint::R3) || (data == "BASE" && base_.isEmpty())) {
        transmit(errorFrame("BASE_EMPTY"), FaultPoint::R3, now);
        return;
    }
    if (data != "BASE") {
        transmit(errorFrame("DATA_ERR"), FaultPoint::R3, now);
        return;
    }
    blocks_ = layoutBlocks(base_.units(), config_.layout);
    blockIndex_ = 0;
    state_ = State::Sending;
    note(QStringLiteral("serving %1 record(s) in %2 block(s)").arg(base_.units().size()).arg(blocks_.size()));
    nextBlock(now);
}

void DeviceCore::nextBlock(qint64 now)
{
    if (blockIndex_ < blocks_.size()) {
        transmit(dataBlock(blocks_[blockIndex_]), FaultPoint::Block, now);
        return;
    }
    blocks_.clear();
    state_ = State::Closing;
    transmit(breakFrame(), FaultPoint::Break, now);
}

void DeviceCore::storeMeterRecord(const QByteArray &data, qint64 now)
{
    if (answerTakenOver(FaultPoint::W1, now)) return;
    if (strikes(FaultKind::BaseOvflow, FaultPoint::W1) || base_.meterCount() >= config_.capacity) {
        transmit(errorFrame("BASE_OVFLOW"), FaultPoint::W1, now);
        return;
    }
    QString why;
    const auto units = isMeterRecord(data) ? DeviceBase::unitsOf(data, &why) : std::nullopt;
    if (!units || units->size() != 1) {
        note(QStringLiteral("meter record refused: %1").arg(fromDeviceText(data)));
        transmit(errorFrame("DATA_ERR"), FaultPoint::W1, now);
        return;
    }
    BaseUnit unit = units->first();
    unit.written = true;
    base_.append(unit);
    transmit(QByteArray(1, ACK), FaultPoint::W1, now);
    if (onWrittenChanged) onWrittenChanged();
}

void DeviceCore::erase(const QByteArray &data, qint64 now)
{
    if (answerTakenOver(FaultPoint::E1, now)) return;
    if (strikes(FaultKind::NoEraseAnswer, FaultPoint::E1)) {
        note(QStringLiteral("fault no-erase-answer: nothing erased, no answer"));
        return;
    }
    if (data != "(BASE_DEL_ALL)") {
        transmit(errorFrame("DATA_ERR"), FaultPoint::E1, now);
        return;
    }
    base_.clear();
    note(QStringLiteral("base erased"));
    transmit(QByteArray(1, ACK), FaultPoint::E1, now);
    if (onWrittenChanged) onWrittenChanged();
}

void DeviceCore::repeatLast(qint64 now)
{
    if (repeats_ >= config_.maxRepeats) {
        endSession(QStringLiteral("gave up after %1 repeats").arg(repeats_), now);
        return;
    }
    ++repeats_;
    note(QStringLiteral("repeat %1 of the last frame").arg(repeats_));
    transmit(lastFrame_, lastPoint_, now, true);
}

void DeviceCore::refuseAndEnd(const QString &why, qint64 now)
{
    transmit(breakFrame(), FaultPoint::P1, now);
    endSession(why, now + config_.reactionMs);
}

void DeviceCore::endSession(const QString &why, qint64 now)
{
    note(QStringLiteral("session ends: %1").arg(why));
    state_ = State::Idle;
    blocks_.clear();
    lastFrame_.clear();
    repeats_ = 0;
    switchRate(300, now);
    if (onSessionEnded) onSessionEnded();
}

} // namespace emu

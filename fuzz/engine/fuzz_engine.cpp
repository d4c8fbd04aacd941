// Drives the protocol engine with whatever the input says: the instrument's frames
// (well-formed, damaged or random), split into chunks anywhere, time passing, the
// user starting, ending and closing exchanges, the line going away. After every step
// the engine must be in a state it can be in, and it may only ever send the PC's frames.
#include "AsynComAscii.h"
#include "FakeClock.h"
#include "FakeSerialLine.h"
#include "LineFrames.h"
#include "Prompts.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>

using namespace LineFrames;

namespace {

class QuietPrompts final : public Prompts {
public:
    PromptButton ask(const PromptMessage &) override { return PromptButton::Ok; }
    std::optional<FileDialogAnswer> openFile(const FileDialogRequest &) override { return {}; }
    std::optional<FileDialogAnswer> saveFile(const FileDialogRequest &) override { return {}; }
    std::optional<unsigned> chooseColor(unsigned) override { return {}; }
};

class Input {
public:
    Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    QByteArray bytes(size_t n)
    {
        n = std::min(n, size_ - pos_);
        QByteArray out(reinterpret_cast<const char *>(data_ + pos_), qsizetype(n));
        pos_ += n;
        return out;
    }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void check(bool ok, const char *what)
{
    if (!ok) fail(what);
}

QByteArray withCheck(QByteArray frame)
{
    return frame + CalcBCC(QByteArrayView(frame).sliced(1));
}

const QByteArray recordFrame = "\x01W1\x02" "ADR(1)NUM(2)TYPE(3)CONST(4)\x03";

// Every frame the PC may put on the line.
bool isPcFrame(const QByteArray &f)
{
    if (f == signOn() || f == breakFrame() || f == eraseCommand() || f == command('R', '3', "BASE")
        || f == command('P', '1', "(735)") || f == withCheck(recordFrame))
        return true;
    if (f.size() == 1 && (f[0] == ACK || f[0] == NAK)) return true;
    if (f.size() == 6 && f.startsWith(QByteArray(1, ACK) + '0') && f.endsWith("1\r\n")) return f[2] >= '0' && f[2] <= '9';
    return false;
}

QByteArray instrumentFrame(Input &in)
{
    switch (in.byte() % 10) {
    case 0: return "/KLV" + in.bytes(1) + in.bytes(in.byte() % 8) + "\r\n";
    case 1: return withCheck(command('P', '0', "(735)").chopped(1));
    case 2: return withCheck(command('P', '0', "(" + in.bytes(in.byte() % 5) + ")").chopped(1));
    case 3: return QByteArray(1, ACK);
    case 4: return QByteArray(1, NAK);
    case 5: {  // a data block, often holding the end of a record
        static const char *ends[] = {"", "CONST(1)", "Q_MINUS(0)", "WKPHASE(2)"};
        QByteArray text = in.bytes(in.byte() % 40) + ends[in.byte() % 4];
        return withCheck(STX + text + (in.byte() % 4 ? EOT : ETX));
    }
    case 6: return breakFrame();
    case 7: {
        static const char *errors[] = {"ERR(BASE_EMPTY)", "ERR(BASE_OVFLOW)", "ERR(DATA_ERR)"};
        return withCheck(STX + QByteArray(errors[in.byte() % 3]) + ETX);
    }
    case 8: {  // a damaged frame: one byte changed
        QByteArray f = withCheck(STX + in.bytes(in.byte() % 20) + EOT);
        f[in.byte() % f.size()] = char(in.byte());
        return f;
    }
    default: return in.bytes(in.byte() % 32);  // anything at all
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QuietPrompts quiet;
    installPrompts(&quiet);

    Input in(data, size);
    FakeClock clock;
    auto *line = new FakeSerialLine;
    TAsynComAscii engine(std::unique_ptr<SerialLine>(line), clock);
    engine.setByteSize(bs8);
    engine.setPortName(QStringLiteral("ttyFUZZ"));
    bool useRecords = true;
    engine.OnWriteBase = [&] {
        if (useRecords)
            engine.SendData(recordFrame);
        else
            engine.EndExchange();
        useRecords = !useRecords;
    };
    engine.OnSetError = [&](TTransError e) {
        check(e >= eFormat && e <= eOverflow, "error code");
        check(engine.ExchangeState() == stIdle, "failure leaves the engine idle");
        check(engine.RxBuffer().isEmpty() && engine.RetryCount() == 0, "failure resets");
        check(engine.BaudRate() == engine.BeginBaudRate(), "failure returns to the start rate");
    };
    engine.OnReadBase = [&](const QString &) {
        check(engine.ExchangeState() == stRead, "records only while reading");
    };
    engine.Open();

    qsizetype written = 0;
    for (int step = 0; !in.empty() && step < 2000; ++step) {
        switch (in.byte() % 8) {
        case 0:
        case 1:
        case 2: {  // a frame of the instrument, in chunks cut anywhere
            QByteArray frame = instrumentFrame(in);
            while (!frame.isEmpty()) {
                const qsizetype cut = std::max<qsizetype>(1, in.byte() % (frame.size() + 1));
                line->receive(frame.left(cut));
                frame.remove(0, cut);
            }
            break;
        }
        case 3: clock.advance(in.byte() * 16); break;
        case 4: clock.advance(engine.TransmitTime(engine.LastWritten().size())); break;
        case 5: engine.StartExchange(char('0' + in.byte() % 4)); break;
        case 6:
            switch (in.byte() % 4) {
            case 0: engine.Close(); break;
            case 1: engine.Open(); break;
            case 2: line->loseLine(); break;
            default: line->handOverAtOnce = !line->handOverAtOnce; line->handOver(); break;
            }
            break;
        default: engine.ResetExchange(); break;
        }

        const TExchangeState state = engine.ExchangeState();
        check(state >= stIdle && state <= stWrite, "state");
        check(state != stRead || engine.ExchangeMode() == smRead, "reading only in read mode");
        check(state != stWrite || engine.ExchangeMode() == smWrite, "writing only in write mode");
        check(engine.RetryCount() >= 0 && engine.RetryCount() <= 3, "retry count");
        check(engine.RxBuffer().size() <= TAsynComAscii::MaxFrameBytes + 1024, "receive buffer bounded");
        check(engine.RecordText().size() <= TAsynComAscii::MaxRecordTextBytes + 1024, "record text bounded");
        check(clock.activeTimers() <= 2, "timers");
        for (; written < line->writes.size(); ++written)
            check(isPcFrame(line->writes[written]), "the PC sends only its own frames");
    }
    // Left alone, the engine settles: no timer keeps itself running for ever. (Frames
    // written back to back at 300 baud may take a while to leave.)
    for (int i = 0; i < 1000 && clock.untilNext(); ++i) clock.advance(*clock.untilNext());
    check(clock.activeTimers() == 0, "settles");
    return 0;
}

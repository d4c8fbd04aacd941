// The real transport (QSerialPort) on a pseudo-terminal: bytes both ways, the
// transmit-complete notice after the line time, RTS on a line without it, a peer that
// goes away, and a whole exchange with a scripted instrument on the real event loop.
#include "AsynComAscii.h"
#include "ExchangeRun.h"
#include "LineFrames.h"
#include "PseudoTerminal.h"
#include "ScriptedPrompts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

using namespace LineFrames;

namespace {

// Runs the event loop until done() holds or ms have passed.
bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

TEST(SerialPty, BytesBothWaysAndSentNoticeAfterTheLineTime)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.isOpen());
    TAsynCom port;
    port.setByteSize(bs8);
    port.setRTS(true);  // a pseudo-terminal has no RTS: that must not matter
    port.setPortName(pty.slavePath());
    ASSERT_TRUE(port.Open());

    QByteArray received;
    int chunks = 0;
    port.OnReadBuffer = [&](const QByteArray &s, const TPortStatus &, quint32, quint32) {
        received += s;
        ++chunks;
    };
    qint64 sentAfter = -1;
    QElapsedTimer clock;
    port.OnWriteBuffer = [&](const QByteArray &s) {
        EXPECT_EQ(s, "12345");
        sentAfter = clock.elapsed();
    };

    pty.write("/ABC5XYZ\r\n");
    ASSERT_TRUE(waitFor([&] { return received.size() >= 10; }, 3000));
    EXPECT_EQ(received, "/ABC5XYZ\r\n");
    EXPECT_GE(chunks, 1);

    clock.start();
    port.Write("12345");  // 194 ms at 300 baud, 8E1
    EXPECT_EQ(pty.readBytes(5, 3000), "12345");
    ASSERT_TRUE(waitFor([&] { return sentAfter >= 0; }, 3000));
    EXPECT_GE(sentAfter, 194);
    EXPECT_LT(sentAfter, 194 + 1000);
    EXPECT_TRUE(port.Connected());

    port.Close();
    pty.write("late");
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(received, "/ABC5XYZ\r\n");
}

TEST(SerialPty, PeerGoingAwayClosesThePortAndReadsAsSilence)
{
    ScriptedPrompts prompts;
    PseudoTerminal pty;
    TAsynComAscii engine;
    engine.setByteSize(bs8);
    engine.setPortName(pty.slavePath());
    ASSERT_TRUE(engine.Open());
    std::optional<TTransError> error;
    engine.OnSetError = [&](TTransError e) { error = e; };

    engine.StartExchange('0');
    EXPECT_EQ(pty.readBytes(5, 3000), signOn());
    pty.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !engine.Connected(); }, 3000));
    ASSERT_TRUE(waitFor([&] { return error.has_value(); }, 5000));
    EXPECT_EQ(*error, eDog);
    EXPECT_EQ(prompts.shownTexts(), QStringList{TAsynComAscii::errorText(eDog)});
}

TEST(SerialPty, PortIsOpenedExclusively)
{
    PseudoTerminal pty;
    TAsynCom first, second;
    first.setPortName(pty.slavePath());
    second.setPortName(pty.slavePath());
    ASSERT_TRUE(first.Open());
    EXPECT_FALSE(second.Open());
    EXPECT_FALSE(second.Connected());
    first.Close();
    EXPECT_TRUE(second.Open());
}

TEST(SerialPty, PortListOffersThePseudoTerminal)
{
    PseudoTerminal pty;
    qputenv("RT519_EXTRA_PORTS", pty.slavePath().toLocal8Bit());
    QStringList ports;
    TAsynCom::EnumPorts(ports);
    qunsetenv("RT519_EXTRA_PORTS");
    ASSERT_FALSE(ports.isEmpty());
    TAsynCom port;
    port.setPortName(ports.first());
    EXPECT_TRUE(port.Open());
}

// The instrument's side of an erase, just enough to answer each PC frame in turn.
struct ScriptedInstrument {
    PseudoTerminal &pty;
    QByteArray pending;
    QByteArrayList heard;

    explicit ScriptedInstrument(PseudoTerminal &p) : pty(p)
    {
        pty.onBytes([this](const QByteArray &bytes) {
            pending += bytes;
            answer();
        });
    }
    void answer()
    {
        const std::pair<QByteArray, QByteArray> script[] = {
            {signOn(), "/KLV5RT519\r\n"},
            {optionSelect('5'), command('P', '0', "(735)")},
            {command('P', '1', "(735)"), QByteArray(1, ACK)},
            {eraseCommand(), QByteArray(1, ACK)},
            {breakFrame(), {}},
        };
        for (const auto &[question, reply] : script) {
            if (!pending.startsWith(question)) continue;
            heard << question;
            pending.remove(0, question.size());
            if (!reply.isEmpty()) pty.write(reply);
        }
    }
};

TEST(SerialPty, WholeEraseOnTheEventLoop)
{
    ScriptedPrompts prompts;
    PseudoTerminal pty;
    ScriptedInstrument instrument(pty);
    TAsynComAscii engine;
    engine.setByteSize(bs8);
    engine.setPortName(pty.slavePath());
    ExchangeRun run(engine);
    const ExchangeOutcome out = run.run('2', 10000);
    EXPECT_TRUE(out.finished);
    EXPECT_TRUE(out.ended);
    EXPECT_FALSE(out.error.has_value());
    EXPECT_EQ(out.idents, QStringList{"KLV 5 RT519"});
    ASSERT_TRUE(waitFor([&] { return instrument.heard.size() == 5; }, 3000));
    EXPECT_EQ(instrument.heard.last(), breakFrame());
    EXPECT_TRUE(prompts.shown().isEmpty());
    // Back at the start rate once the break has left.
    ASSERT_TRUE(waitFor([&] { return engine.BaudRate() == br300; }, 3000));
}

}  // namespace

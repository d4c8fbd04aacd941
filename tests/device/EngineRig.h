#pragma once
// The engine on a scripted line and an instant clock, with one log of everything it
// did in order: its events, the messages it showed and the bytes it sent.
#include "AsynComAscii.h"
#include "FakeClock.h"
#include "FakeSerialLine.h"
#include "LineFrames.h"
#include "ScriptedPrompts.h"

#include <QByteArrayList>
#include <QStringList>
#include <deque>
#include <gtest/gtest.h>

inline QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

// STX text end BCC, as the instrument sends its blocks.
inline QByteArray block(const QByteArray &text, char end = LineFrames::EOT)
{
    QByteArray f = LineFrames::STX + text + end;
    return f + LineFrames::CalcBCC(QByteArrayView(f).sliced(1));
}

inline QByteArray p0(const QByteArray &password) { return LineFrames::command('P', '0', "(" + password + ")"); }
inline const QByteArray ack(1, LineFrames::ACK);
inline const QByteArray nak(1, LineFrames::NAK);

struct EngineRig {
    FakeClock clock;
    FakeSerialLine *line = new FakeSerialLine;
    ScriptedPrompts prompts;
    TAsynComAscii engine{std::unique_ptr<SerialLine>(line), clock};
    QStringList log;
    std::deque<QByteArray> recordsToWrite;  // handed out on OnWriteBase, then EndExchange
    qsizetype promptsLogged = 0;

    EngineRig()
    {
        engine.setByteSize(bs8);  // the program's line: 8 data bits, even parity, 1 stop bit
        engine.setPortName(QStringLiteral("ttyTEST"));
        engine.OnBeginFrame = [this] { note("BeginFrame"); };
        engine.OnEndFrame = [this] { note("EndFrame"); };
        engine.OnReadIdent = [this](const QString &x, QChar z, const QString &id) {
            note(QStringLiteral("ReadIdent %1|%2|%3").arg(x, z, id));
        };
        engine.OnReadCommandPassword = [this](const QString &p) { note("ReadCommandPassword " + p); };
        engine.OnReadBase = [this](const QString &d) { note("ReadBase " + d); };
        engine.OnSetError = [this](TTransError e) {
            note(QStringLiteral("SetError %1").arg(int(e)));
            // The failure is reported with the engine already reset.
            EXPECT_EQ(engine.ExchangeState(), stIdle);
            EXPECT_TRUE(engine.RxBuffer().isEmpty());
            EXPECT_EQ(engine.RetryCount(), 0);
            EXPECT_EQ(engine.BaudRate(), engine.BeginBaudRate());
        };
        engine.OnWriteBase = [this] {
            note("WriteBase");
            if (recordsToWrite.empty()) {
                engine.EndExchange();
                return;
            }
            engine.SendData(recordsToWrite.front());
            recordsToWrite.pop_front();
        };
        engine.Open();
    }

    void note(const QString &entry)
    {
        syncPrompts();
        log << entry;
    }
    void syncPrompts()
    {
        for (; promptsLogged < prompts.shown().size(); ++promptsLogged)
            log << "Message " + prompts.shown()[promptsLogged].text;
    }
    QStringList takeLog()
    {
        syncPrompts();
        return std::exchange(log, {});
    }

    void device(const QByteArray &bytes) { line->receive(bytes); }
    QByteArray sent() { return line->takeWritten(); }
    qint32 rate() const { return baudRateValue(line->settings().baudRate); }

    // Lets the frame in flight leave the line (and nothing more).
    void leave() { clock.advance(engine.TransmitTime(engine.LastWritten().size())); }

    // Sign-on, identification with rate character z, P0 and P1 done: the engine waits
    // for the instrument's ACK of its password.
    void toLogin(char mode, char z = '5')
    {
        engine.StartExchange(mode);
        leave();
        device(QByteArray("/ABC") + z + "XYZ\r\n");
        leave();
        device(p0("735"));
        leave();
        sent();
        takeLog();
    }
    // Logged in and the read command sent and gone.
    void toRead()
    {
        toLogin('0');
        device(ack);
        leave();
        sent();
        takeLog();
    }
};

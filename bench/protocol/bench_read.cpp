// Read of a 1 MB base in 1 KB blocks from rt519-emu at 115200 baud, against what the
// protocol itself costs: the TransmitTime wait after each ACK (and, with the emulator's
// line-rate simulation, the line time of every byte both ways).
//   build/bench/protocol/bench_read            both runs
#include "AsynComAscii.h"
#include "SerialTypes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QString writeBase(const QString &path, qsizetype targetBytes)
{
    QByteArray text = "ADR(bench)NUM(1)TYPE(CE301)CONST(1000)\n";
    for (int day = 0; text.size() < targetBytes; ++day) {
        text += QByteArray("TIME(30)HOUR(0)MIN(0)SEC(0)DATE(") + QByteArray::number(1 + day % 28)
                + ")MON(" + QByteArray::number(1 + day / 28 % 12) + ")YEAR(24)\n";
        for (int s = 0; s < 48; ++s)
            text += "P_PLUS(1.250)P_MINUS(0.000)Q_PLUS(0.420)Q_MINUS(0.010)\n";
    }
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return path;
}

struct Figures {
    double wallMs = 0, ackWaitMs = 0, lineMs = 0;
    int blocks = 0;
    bool ok = false;
};

double lineMsOf(qsizetype bytes, const TAsynCom &port)
{
    const LineSettings &s = port.Settings();
    const double bits = int(s.byteSize) + 5 + 1 + (s.parity != ptNONE ? 1 : 0) + 1;
    return double(bytes) * bits * 1000.0 / baudRateValue(s.baudRate);
}

Figures readOnce(const QString &base, bool simulateRate)
{
    QProcess emu;
    QStringList args{"--base", base, "--block-size", "1024", "--reaction-ms", "0", "--rate-char", "9"};
    if (simulateRate) args << "--simulate-rate";
    emu.start(QStringLiteral(RT519_EMU_BINARY), args);
    emu.waitForStarted();
    while (!emu.canReadLine()) emu.waitForReadyRead(100);
    const QString port = QString::fromLocal8Bit(emu.readLine()).trimmed().section(' ', 1);

    Figures f;
    TAsynComAscii engine;
    engine.setPortName(port);
    bool done = false;
    engine.OnReadBuffer = [&](const QByteArray &s, const TPortStatus &, quint32, quint32) {
        f.blocks += int(s.count('\x02'));
        f.lineMs += lineMsOf(s.size(), engine);
    };
    engine.OnWriteBuffer = [&](const QByteArray &s) {
        f.lineMs += lineMsOf(s.size(), engine);
        if (s == QByteArray(1, '\x06')) f.ackWaitMs += engine.TransmitTime(1);
    };
    engine.OnEndFrame = [&] { done = f.ok = true; };
    engine.OnSetError = [&](TTransError) { done = true; };
    engine.Open();
    QElapsedTimer t;
    t.start();
    engine.StartExchange('0');
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    f.wallMs = double(t.elapsed());
    engine.Close();
    emu.terminate();
    emu.waitForFinished();
    return f;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString base = writeBase(dir.filePath("bench.base"), 1024 * 1024);

    const Figures fast = readOnce(base, false);
    std::printf("unthrottled: %s, %d blocks, wall %.0f ms, ACK waits %.0f ms, ratio %.3f\n",
                fast.ok ? "ok" : "FAILED", fast.blocks, fast.wallMs, fast.ackWaitMs,
                fast.wallMs / fast.ackWaitMs);
    const Figures slow = readOnce(base, true);
    std::printf("line rate simulated: %s, %d blocks, wall %.0f ms, line time %.0f ms + ACK waits %.0f ms, "
                "ratio %.3f\n",
                slow.ok ? "ok" : "FAILED", slow.blocks, slow.wallMs, slow.lineMs, slow.ackWaitMs,
                slow.wallMs / (slow.lineMs + slow.ackWaitMs));
    return fast.ok && slow.ok ? 0 : 1;
}

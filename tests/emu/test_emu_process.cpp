// Starts the real rt519-emu and talks raw bytes to it through its pseudo-terminal.
#include "Frames.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace emu;

namespace {

class Emulator {
public:
    explicit Emulator(QStringList args)
    {
        process.setProgram(QStringLiteral(RT519_EMU_BINARY));
        process.setArguments(args);
        process.start();
        if (!process.waitForStarted(5000)) return;
        QElapsedTimer t;
        t.start();
        while (!process.canReadLine() && t.elapsed() < 5000) process.waitForReadyRead(100);
        announcement = QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~Emulator()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) process.kill();
        }
    }
    QString slavePath() const { return announcement.section(QLatin1Char(' '), 1); }

    QProcess process;
    QString announcement;
};

// The PC's end: the pty slave in raw mode.
class Port {
public:
    explicit Port(const QString &path)
    {
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) return;
        termios tio{};
        ::tcgetattr(fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ~Port()
    {
        if (fd >= 0) ::close(fd);
    }
    void send(const QByteArray &bytes) { EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size()); }
    // Reads until a whole frame has come (or the time is up).
    QByteArray frame(int timeoutMs = 3000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            const qsizetype n = frameAtFront(pending, false);
            if (n > 0) {
                const QByteArray f = pending.left(n);
                pending.remove(0, n);
                return f;
            }
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                char buf[4096];
                const ssize_t got = ::read(fd, buf, sizeof buf);
                if (got > 0) pending.append(buf, got);
            }
        }
        return std::exchange(pending, {});
    }
    QByteArray exchange(const QByteArray &bytes)
    {
        send(bytes);
        return frame();
    }
    void logIn()
    {
        EXPECT_TRUE(exchange("/?!\r\n").startsWith("/"));
        EXPECT_TRUE(exchange("\x06" "051\r\n").startsWith("\x01P0"));
        EXPECT_EQ(exchange(commandFrame("P1", "(735)")), QByteArray(1, ACK));
    }

    int fd = -1;
    QByteArray pending;
};

QString readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST(EmuProcess, WritesThenServesWhatWasWrittenOverAReopenedPty)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("rt519"));
    const QString dump = dir.filePath(QStringLiteral("written.base"));
    const QString trace = dir.filePath(QStringLiteral("trace.txt"));
    Emulator emu({"--empty", "--reaction-ms", "0", "--link", link, "--dump-written", dump, "--trace", trace});
    ASSERT_TRUE(emu.announcement.startsWith(QStringLiteral("PTY /dev/"))) << emu.announcement.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), emu.slavePath());
    EXPECT_TRUE(QFileInfo::exists(dump)) << "the dump exists from the start";

    const QByteArray type = QByteArray::fromHex("D6DD36383037C1"); // ЦЭ6807Б in CP1251
    {
        Port pc(link);
        ASSERT_GE(pc.fd, 0);
        pc.logIn();
        EXPECT_EQ(pc.exchange(commandFrame("W1", "ADR(1)NUM(22)TYPE(" + type + ")CONST(1600)")), QByteArray(1, ACK));
        EXPECT_EQ(pc.exchange(commandFrame("W1", "ADR(3)NUM()TYPE(CE301)CONST(5000)")), QByteArray(1, ACK));
        pc.send(breakFrame());
    }
    EXPECT_EQ(readText(dump), QStringLiteral("ADR(1)NUM(22)TYPE(ЦЭ6807Б)CONST(1600)\nADR(3)NUM()TYPE(CE301)CONST(5000)\n"));

    // The PC closed the slave; the emulator keeps it alive for the next exchange.
    Port pc(link);
    ASSERT_GE(pc.fd, 0);
    pc.logIn();
    QByteArray served;
    QByteArray frame = pc.exchange(commandFrame("R3", "BASE"));
    while (frame.startsWith(STX) && frame.size() > 2 && frame.at(frame.size() - 2) == EOT) {
        EXPECT_TRUE(hasValidCheck(frame));
        served += frame.mid(1, frame.size() - 3);
        frame = pc.exchange(QByteArray(1, ACK));
    }
    EXPECT_EQ(frame, breakFrame());
    EXPECT_EQ(served, "ADR(1)NUM(22)TYPE(" + type + ")CONST(1600)ADR(3)NUM()TYPE(CE301)CONST(5000)");
    pc.send(breakFrame());
    ::usleep(100 * 1000);

    const QString traced = readText(trace);
    EXPECT_TRUE(traced.contains(QStringLiteral("PC>DEV  2F 3F 21 0D 0A   /?!<CR><LF>"))) << traced.left(400).toStdString();
    EXPECT_TRUE(traced.contains(QStringLiteral("DEV>PC  06   <ACK>")));
    EXPECT_TRUE(traced.contains(QStringLiteral("PC>DEV  01 42 30 03 75")));

    emu.process.terminate();
    EXPECT_TRUE(emu.process.waitForFinished(5000));
    EXPECT_EQ(emu.process.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "the symlink goes with the emulator";
}

// As on a real port, bytes the PC has not read when it closes are lost, and so is
// what the device sends while the port is closed; neither waits for the next open.
TEST(EmuProcess, NothingOfAnAbandonedExchangeWaitsForTheNextOpen)
{
    Emulator emu({"--reaction-ms", "0"});
    {
        Port pc(emu.slavePath());
        pc.send("/?!\r\n"); // the identification is never read
        ::usleep(200 * 1000);
    }
    ::usleep(100 * 1000); // the emulator hears of the close within its event loop's latency
    Port pc(emu.slavePath());
    EXPECT_EQ(pc.exchange("/?!\r\n"), QByteArray("/KLV5RT519\r\n"));
    const QByteArray more = pc.frame(300);
    EXPECT_TRUE(more.isEmpty()) << "a second identification: " << readableBytes(more).toStdString();

    Emulator slow({"--reaction-ms", "300"});
    {
        Port gone(slow.slavePath());
        gone.send("/?!\r\n"); // closed before the answer comes
    }
    ::usleep(600 * 1000);
    Port late(slow.slavePath());
    EXPECT_TRUE(late.frame(200).isEmpty());
}

TEST(EmuProcess, SimulatedRateHoldsEveryByteForItsTime)
{
    Emulator emu({"--reaction-ms", "0", "--simulate-rate", "--rate-char", "0"});
    Port pc(emu.slavePath());
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(pc.exchange("/?!\r\n"), QByteArray("/KLV0RT519\r\n"));
    // 5 bytes in and 12 out at 300 baud, 11 bits each: 623 ms at the least.
    EXPECT_GE(t.elapsed(), 600);
}

TEST(EmuProcess, OnceEndsAfterTheFirstSession)
{
    Emulator emu({"--reaction-ms", "0", "--once", "--pc-password", "999"});
    Port pc(emu.slavePath());
    EXPECT_TRUE(pc.exchange("/?!\r\n").startsWith("/"));
    EXPECT_TRUE(pc.exchange("\x06" "051\r\n").startsWith("\x01P0"));
    EXPECT_EQ(pc.exchange(commandFrame("P1", "(735)")), breakFrame());
    EXPECT_TRUE(emu.process.waitForFinished(5000));
    EXPECT_EQ(emu.process.exitCode(), 0);
}

TEST(EmuProcess, RefusesABrokenBaseFileOrBadOptions)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("bad.base"));
    QFile f(base);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# comment\nADR(1)CONST(1)\nADR(2)NUM(3\n");
    f.close();
    const QStringList bad[] = {{"--base", base}, {"--maker", "AB"}, {"--fault", "nak@ident"}, {"--block-size", "0"}};
    for (const auto &args : bad) {
        QProcess p;
        p.start(QStringLiteral(RT519_EMU_BINARY), args);
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty()) << "no PTY line";
        EXPECT_FALSE(p.readAllStandardError().isEmpty());
    }
    QProcess p;
    p.start(QStringLiteral(RT519_EMU_BINARY), {"--base", base});
    p.waitForFinished(5000);
    EXPECT_TRUE(p.readAllStandardError().contains(":3:")) << "names the line";
}

// The transport on a scripted line: notices in order and one at a time, RTS, settings,
// port changes and the port list.
#include "AsynCom.h"
#include "FakeClock.h"
#include "FakeSerialLine.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TransportRig {
    FakeClock clock;
    FakeSerialLine *line = new FakeSerialLine;
    TAsynCom port{std::unique_ptr<SerialLine>(line), clock};
    QStringList log;

    TransportRig()
    {
        port.setByteSize(bs8);
        port.setPortName("ttyTEST");
        port.OnReadBuffer = [this](const QByteArray &s, const TPortStatus &, quint32, quint32) { log << "read " + s; };
        port.OnWriteBuffer = [this](const QByteArray &s) { log << "sent " + s; };
    }
};

TEST(Transport, WriteIsReportedSentAfterItsLineTimeAndHoldsRepliesTillThen)
{
    TransportRig rig;
    ASSERT_TRUE(rig.port.Open());
    rig.port.Write("12345");
    rig.line->receive("ab");  // a reply can't be taken before its question has left
    rig.line->receive("c");
    rig.clock.advance(193);
    EXPECT_TRUE(rig.log.isEmpty());
    rig.clock.advance(1);
    EXPECT_EQ(rig.log, (QStringList{"sent 12345", "read ab", "read c"}));
    rig.line->receive("d");
    EXPECT_EQ(rig.log.last(), "read d");
}

TEST(Transport, LineTimeCountsFromTheHandOver)
{
    TransportRig rig;
    rig.line->handOverAtOnce = false;
    rig.port.Open();
    rig.port.Write("12345");
    rig.clock.advance(1000);
    EXPECT_TRUE(rig.log.isEmpty());
    rig.line->handOver();
    rig.clock.advance(193);
    EXPECT_TRUE(rig.log.isEmpty());
    rig.clock.advance(1);
    EXPECT_EQ(rig.log, QStringList{"sent 12345"});
}

TEST(Transport, FramesWrittenBackToBackAreReportedOnceWithBothLineTimes)
{
    TransportRig rig;
    rig.port.Open();
    rig.port.Write("12345");
    rig.clock.advance(100);
    rig.port.Write("6");
    rig.clock.advance(229);
    EXPECT_TRUE(rig.log.isEmpty());
    rig.clock.advance(1);  // six characters from the second hand-over: 230 ms
    EXPECT_EQ(rig.log, QStringList{"sent 123456"});
}

TEST(Transport, FailedWriteStillReportsSoRepliesAreTimed)
{
    TransportRig rig;
    rig.port.Open();
    rig.line->writeSucceeds = false;
    rig.port.Write("12345");
    rig.clock.advance(194);
    EXPECT_EQ(rig.log, QStringList{"sent 12345"});
}

TEST(Transport, CloseDeliversNothingAfterwards)
{
    TransportRig rig;
    rig.port.Open();
    rig.port.Write("12345");
    rig.line->receive("held");
    rig.port.Close();
    rig.clock.advance(10000);
    EXPECT_TRUE(rig.log.isEmpty());
    EXPECT_FALSE(rig.port.Connected());

    // Closed: a write goes nowhere and reports nothing.
    rig.port.Write("x");
    rig.clock.advance(10000);
    EXPECT_TRUE(rig.log.isEmpty());
    EXPECT_EQ(rig.port.LastWritten(), "x");
    EXPECT_EQ(rig.line->writes, QByteArrayList{"12345"});
}

TEST(Transport, RtsDrivenOnlyWhenAsked)
{
    for (bool drive : {false, true}) {
        SCOPED_TRACE(drive);
        TransportRig rig;
        rig.port.setRTS(drive);
        rig.port.Open();
        rig.port.Write("a");
        rig.clock.advance(1000);
        rig.port.Write("b");
        rig.clock.advance(1000);
        // Cleared (the state after opening) for every write, set once the frame has gone.
        EXPECT_EQ(rig.line->rtsChanges, drive ? (QList<bool>{true, false, true}) : QList<bool>{});
    }
}

TEST(Transport, SettingsAndPortChanges)
{
    TransportRig rig;
    EXPECT_EQ(rig.port.BaudRate(), br300);
    EXPECT_EQ(rig.port.Parity(), ptEVEN);
    EXPECT_EQ(rig.port.Stopbits(), sb1BITS);

    // While closed the number is only stored.
    rig.port.setComNumber(12);
    EXPECT_EQ(rig.port.PortName(), "COM12");
    EXPECT_TRUE(rig.line->opened.isEmpty());

    rig.port.Open();
    rig.port.SetBaudRate(br9600);
    EXPECT_EQ(rig.line->settings().baudRate, br9600);
    rig.port.setParity(ptNONE);
    EXPECT_EQ(rig.line->settings().parity, ptNONE);

    // While open a new port closes the old one and opens the new one with the settings.
    rig.port.setComNumber(12);  // unchanged: nothing happens
    rig.port.setComNumber(3);
    EXPECT_EQ(rig.line->opened, (QStringList{"COM12", "COM3"}));
    EXPECT_EQ(rig.line->openedWith.last(), (LineSettings{br9600, bs8, ptNONE, sb1BITS}));
    EXPECT_TRUE(rig.port.Connected());

    rig.line->openSucceeds = false;
    rig.port.setPortName("/dev/ttyNONE");
    EXPECT_FALSE(rig.port.Connected());
}

TEST(Transport, PortListOffersExtraPortsFirstInTheirOrder)
{
    qputenv("RT519_EXTRA_PORTS", "/tmp/rt519-b:/tmp/rt519-a::/tmp/rt519-b");
    QStringList ports{"stale"};
    TAsynCom::EnumPorts(ports);
    ASSERT_GE(ports.size(), 2);
    EXPECT_EQ(ports.mid(0, 2), (QStringList{"/tmp/rt519-b", "/tmp/rt519-a"}));
    EXPECT_EQ(ports.count("/tmp/rt519-b"), 1);

    qunsetenv("RT519_EXTRA_PORTS");
    TAsynCom::EnumPorts(ports);
    EXPECT_FALSE(ports.contains("/tmp/rt519-a"));
    EXPECT_FALSE(ports.contains("stale"));
}

TEST(Transport, TraceOnlyWhenAsked)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("trace.txt");
    {
        TransportRig rig;
        rig.port.Open();
        rig.port.Write("\x01" "B0\x03u");
    }
    EXPECT_FALSE(QFile::exists(path));

    qputenv("RT519_TRACE", path.toLocal8Bit());
    {
        TransportRig rig;
        rig.port.Open();
        rig.port.Write("\x01" "B0\x03u");
        rig.clock.advance(1000);
        rig.line->receive("\x06");
    }
    qunsetenv("RT519_TRACE");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);  // opened, one line each way, closed
    EXPECT_TRUE(lines[1].contains(QStringLiteral("PC→   01 42 30 03 75   <SOH>B0<ETX><75>"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral("←DEV  06   <ACK>"))) << lines[2].toStdString();
}

}  // namespace

#include "DeviceBase.h"
#include "EmuTestLine.h"
#include "Faults.h"
#include "Frames.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

using namespace emu;

static QByteArray hex(const char *h) { return QByteArray::fromHex(h); }

TEST(EmuFrames, KnownFramesAndArithmeticCheck)
{
    // The break's check is the byte sum 0x75, where an XOR would give 0x71.
    EXPECT_EQ(breakFrame(), hex("0142300375"));
    EXPECT_EQ(commandFrame("R3", "BASE"), hex("0152330242415345 03A5"));
    EXPECT_EQ(commandFrame("E1", "(BASE_DEL_ALL)"), hex("01453102284241 53455F44454C5F414C4C290353"));
    EXPECT_EQ(commandFrame("P0", "(735)"), hex("01503002283733352903 75"));
    EXPECT_EQ(dataBlock("AB"), QByteArray("\x02" "AB\x04") + char(0x41 + 0x42 + 0x04));
    EXPECT_EQ(errorFrame("BASE_EMPTY"), QByteArray("\x02" "ERR(BASE_EMPTY)\x03") + blockCheck("ERR(BASE_EMPTY)\x03"));
    EXPECT_EQ(identification("ABC", '5', "XYZ"), hex("2F414243355859 5A0D0A"));
    EXPECT_EQ(blockCheck(QByteArray(300, char(0xFF))), char((300 * 0xFF) & 0xFF)) << "carry is dropped";
}

TEST(EmuFrames, RateCharacters)
{
    const std::pair<char, int> table[] = {{'0', 300},  {'1', 600},   {'2', 1200},  {'3', 2400},  {'4', 4800},  {'5', 9600},
                                          {'6', 19200}, {'7', 38400}, {'8', 57600}, {'9', 115200}, {'A', 0}, {'/', 0}};
    for (auto [z, baud] : table) EXPECT_EQ(baudForRateChar(z), baud) << z;
}

TEST(EmuFrames, FrameBoundaries)
{
    struct Case {
        QByteArray buf;
        bool option;
        qsizetype expected;
    } cases[] = {
        {"\x06", false, 1},
        {"\x06" "051\r\n", false, 1},              // a lone ACK outside the option select
        {"\x06" "05", true, 0},                    // option select still coming
        {"\x06" "051\r\n", true, 6},
        {"\x15", false, 1},
        {"/?!\r", false, 0},
        {"/?!\r\n/?!\r\n", false, 5},
        {"\x01" "B0\x03", false, 0},               // the check byte has not come
        {"\x01" "B0\x03u\x06", false, 5},
        {"\x01P1\x02(735)\x03\x03", false, 11},    // a check byte that happens to be ETX
        {"\x02" "ERR(X)\x03", false, 0},
        {"\x02" "ab\x04\x10", false, 5},
        {"x", false, -1},
        {"", false, 0},
    };
    for (const auto &c : cases) EXPECT_EQ(frameAtFront(c.buf, c.option), c.expected) << readableBytes(c.buf).toStdString();
}

TEST(EmuFrames, ReadableTrace)
{
    EXPECT_EQ(readableBytes(QByteArray("\x01R3\x02" "BASE\x03\xA5", 10)), QStringLiteral("<SOH>R3<STX>BASE<ETX><A5>"));
    EXPECT_EQ(readableBytes(*toDeviceText(QStringLiteral("СЭТ"))), QStringLiteral("СЭТ"));
}

TEST(EmuFaults, ParsesNamePointStartAndCount)
{
    struct Case {
        const char *text;
        FaultKind kind;
        FaultPoint point;
        int from, remaining;
    } good[] = {
        {"silence", FaultKind::Silence, FaultPoint::Ident, 1, 1},
        {"bad-bcc=4", FaultKind::BadBcc, FaultPoint::Block, 1, 4},
        {"bad-bcc@p0", FaultKind::BadBcc, FaultPoint::P0, 1, 1},
        {"fragment@block:3=2", FaultKind::Fragment, FaultPoint::Block, 3, 2},
        {"nak=always", FaultKind::Nak, FaultPoint::W1, 1, -1},
        {"data-err@r3", FaultKind::DataErr, FaultPoint::R3, 1, 1},
        {"no-erase-answer", FaultKind::NoEraseAnswer, FaultPoint::E1, 1, 1},
    };
    for (const auto &c : good) {
        QString error;
        const auto f = parseFault(QString::fromLatin1(c.text), &error);
        ASSERT_TRUE(f) << c.text << ": " << error.toStdString();
        EXPECT_EQ(f->kind, c.kind) << c.text;
        EXPECT_EQ(f->point, c.point) << c.text;
        EXPECT_EQ(f->from, c.from) << c.text;
        EXPECT_EQ(f->remaining, c.remaining) << c.text;
    }
    for (const char *bad : {"", "loud", "nak@ident", "bad-bcc=0", "silence@block:0", "silence@nowhere", "nak=-1", "nak=x"}) {
        QString error;
        EXPECT_FALSE(parseFault(QString::fromLatin1(bad), &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
}

TEST(EmuFaults, StrikesFromItsOccurrenceAsOftenAsAsked)
{
    FaultPlan plan;
    plan.add({FaultKind::BadBcc, FaultPoint::Block, 2, 2});
    plan.add({FaultKind::Nak, FaultPoint::W1, 1, -1});
    QList<bool> struck;
    for (int occurrence = 1; occurrence <= 5; ++occurrence)
        struck << plan.strikes(FaultKind::BadBcc, FaultPoint::Block, occurrence);
    EXPECT_EQ(struck, (QList<bool>{false, true, true, false, false}));
    EXPECT_FALSE(plan.strikes(FaultKind::BadBcc, FaultPoint::P0, 2)) << "another point";
    for (int i = 1; i < 50; ++i) EXPECT_TRUE(plan.strikes(FaultKind::Nak, FaultPoint::W1, i));
}

TEST(EmuBase, ParsesRecordsAcrossLinesAndComments)
{
    BaseError error;
    const auto base = DeviceBase::fromText(QStringLiteral("\uFEFF# a comment after a BOM\r\n"
                                                          "  ADR(1)NUM(2)\n"
                                                          "  TYPE(СЭТ)CONST(5000)\n"
                                                          "\n"
                                                          "TIME(30)HOUR(0)MIN(0)SEC(0)DATE(1)MON(1)YEAR(24)\n"
                                                          "P_PLUS(1)P_MINUS(2)Q_PLUS(3)Q_MINUS(4)\n"
                                                          "FOO(x) NUM(blank kept)U1(1)WKPHASE(0)\n"),
                                           &error);
    ASSERT_TRUE(base) << error.message.toStdString();
    ASSERT_EQ(base->units().size(), 3);
    EXPECT_EQ(base->units()[0].text, *toDeviceText(QStringLiteral("ADR(1)NUM(2)TYPE(СЭТ)CONST(5000)")));
    EXPECT_TRUE(base->units()[0].isMeter());
    EXPECT_EQ(base->units()[1].closingName, "Q_MINUS");
    EXPECT_TRUE(base->units()[1].text.startsWith("TIME(30)")) << "a day travels with its first slice";
    EXPECT_EQ(base->units()[2].text, "FOO(x) NUM(blank kept)U1(1)WKPHASE(0)");
    EXPECT_EQ(base->units()[2].closingAt, base->units()[2].text.indexOf("WKPHASE"));
    EXPECT_EQ(base->meterCount(), 1);
}

TEST(EmuBase, RefusesBrokenTextNamingTheLine)
{
    struct Case {
        const char *text;
        int line;
    } cases[] = {
        {"ADR(1)CONST(5)\n\nADR(2)NUM(3", 3},       // no closing parenthesis
        {"ADR(1)CONST(5)\nADR(2)", 2},              // no closing item
        {"ADR(1)CONST(5) tail", 1},                 // text after the last item
        {"ADR(1))CONST(5)", 1},                     // ")" outside an item
        {"(1)CONST(5)", 1},                         // an item without a name
        {"ADR(1)CONST(5)\nTYPE(中)CONST(1)", 2},    // no CP1251 form
    };
    for (const auto &c : cases) {
        BaseError error;
        const auto base = DeviceBase::fromText(QString::fromUtf8(c.text), &error);
        EXPECT_FALSE(base) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text << ": " << error.message.toStdString();
        EXPECT_FALSE(error.message.isEmpty()) << c.text;
    }
}

static DeviceBase demoBase()
{
    QFile f(sourceDataDir() + QStringLiteral("/emu/demo.base"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
    BaseError error;
    auto base = DeviceBase::fromText(QString::fromUtf8(f.readAll()), &error);
    EXPECT_TRUE(base) << error.line << ": " << error.message.toStdString();
    return base ? *base : DeviceBase();
}

// Values of one item over the whole base.
static QSet<QString> valuesOf(const DeviceBase &base, const QString &name)
{
    QSet<QString> out;
    const QString text = base.asText();
    qsizetype at = 0;
    const QString key = name + QLatin1Char('(');
    while ((at = text.indexOf(key, at)) >= 0) {
        const bool wholeName = at == 0 || text.at(at - 1) == QLatin1Char(')') || text.at(at - 1) == QLatin1Char('\n');
        const qsizetype end = text.indexOf(QLatin1Char(')'), at);
        if (wholeName) out.insert(text.mid(at + key.size(), end - at - key.size()));
        at = end;
    }
    return out;
}

TEST(EmuBase, DemoCoversWhatTheIntakeDerives)
{
    const DeviceBase base = demoBase();
    EXPECT_GE(base.meterCount(), 5);
    const auto types = valuesOf(base, QStringLiteral("TYPE"));
    EXPECT_GE(types.size(), 3);
    EXPECT_TRUE(std::any_of(types.begin(), types.end(), [](const QString &t) {
        return std::any_of(t.begin(), t.end(), [](QChar c) { return c.unicode() >= 0x0410 && c.unicode() <= 0x044F; });
    })) << "a type name in Cyrillic";
    EXPECT_EQ(valuesOf(base, QStringLiteral("CONTYPE")), (QSet<QString>{"0", "1", "2"}));
    EXPECT_TRUE(valuesOf(base, QStringLiteral("COSIND")).contains(QStringLiteral("1")));
    EXPECT_TRUE(valuesOf(base, QStringLiteral("COSIND")).contains(QStringLiteral("2")));
    EXPECT_EQ(valuesOf(base, QStringLiteral("TIME")), (QSet<QString>{"30", "60"}));
    EXPECT_TRUE(valuesOf(base, QStringLiteral("U3")).contains(QStringLiteral("0.00"))) << "a missing phase";
    // A profile day that runs past midnight: start hour plus its slices beyond 24 h.
    bool pastMidnight = false;
    int minutes = 0, start = 0;
    for (const auto &u : base.units()) {
        const QString t = fromDeviceText(u.text);
        if (t.startsWith(QStringLiteral("TIME("))) {
            minutes = t.mid(5, t.indexOf(QLatin1Char(')')) - 5).toInt();
            const qsizetype h = t.indexOf(QStringLiteral("HOUR("));
            start = t.mid(h + 5, t.indexOf(QLatin1Char(')'), h) - h - 5).toInt() * 60;
        }
        if (u.closingName == "Q_MINUS") {
            start += minutes;
            if (start > 24 * 60) pastMidnight = true;
        }
    }
    EXPECT_TRUE(pastMidnight);
}

// What the PC does with the blocks: joins them until a closing name has arrived and
// then takes the joined text. Every text taken must be whole records.
static void expectWholeRecordsPerText(const QList<BaseUnit> &units, const QList<QByteArray> &blocks, const QString &what)
{
    QByteArray all;
    QSet<qsizetype> unitEnds{0};
    for (const auto &u : units) {
        all += u.text;
        unitEnds.insert(all.size());
    }
    QByteArray joined;
    qsizetype taken = 0;
    for (const auto &b : blocks) {
        joined += b;
        if (joined.contains("CONST") || joined.contains("Q_MINUS") || joined.contains("WKPHASE")) {
            taken += joined.size();
            ASSERT_TRUE(unitEnds.contains(taken)) << what.toStdString() << ": a text ends inside a record: " << joined.toStdString();
            // Records of one kind only, so the PC's choice of kind keeps them all.
            int kinds = 0;
            for (const char *name : closingNames) kinds += joined.contains(name) ? 1 : 0;
            ASSERT_EQ(kinds, 1) << what.toStdString() << ": " << joined.toStdString();
            joined.clear();
        }
    }
    EXPECT_TRUE(joined.isEmpty()) << what.toStdString();
    EXPECT_EQ(taken, all.size()) << what.toStdString();
}

TEST(EmuBase, BlocksNeverEndARecordTextEarlyWhateverTheBlockSize)
{
    const DeviceBase base = demoBase();
    for (bool pack : {true, false}) {
        for (int size = 1; size <= 400; size += (size < 80 ? 1 : 7)) {
            const auto blocks = layoutBlocks(base.units(), {size, pack, false, false});
            const QString what = QStringLiteral("size %1 pack %2").arg(size).arg(pack);
            expectWholeRecordsPerText(base.units(), blocks, what);
            for (const auto &b : blocks) {
                // Only a closing item longer than a block may make a longer one.
                if (b.size() > size) {
                    EXPECT_TRUE(b.indexOf('(') == b.lastIndexOf('(')) << what.toStdString() << ": " << b.toStdString();
                }
            }
        }
    }
}

TEST(EmuBase, BlockLayoutCutsAndPacks)
{
    const DeviceBase base = test::baseOf("ADR(1)NUM(2)TYPE(3)CONST(4)\nADR(5)NUM(6)TYPE(7)CONST(8)\nU1(1)WKPHASE(0)\n");
    struct Case {
        BlockLayout layout;
        QList<QByteArray> blocks;
    } cases[] = {
        {{100, true, false, false}, {"ADR(1)NUM(2)TYPE(3)CONST(4)ADR(5)NUM(6)TYPE(7)CONST(8)", "U1(1)WKPHASE(0)"}},
        {{100, false, false, false}, {"ADR(1)NUM(2)TYPE(3)CONST(4)", "ADR(5)NUM(6)TYPE(7)CONST(8)", "U1(1)WKPHASE(0)"}},
        // Cut at 10 bytes, but the last cut falls at the start of CONST.
        {{10, true, false, false}, {"ADR(1)NUM(", "2)TYPE(3)", "CONST(4)", "ADR(5)NUM(", "6)TYPE(7)", "CONST(8)", "U1(1)", "WKPHASE(0)"}},
        {{10, false, false, true}, {"ADR(1)NUM(", "2)TYPE(3)C", "ONST(4)", "ADR(5)NUM(", "6)TYPE(7)C", "ONST(8)", "U1(1)WKPHA", "SE(0)"}},
        {{100, true, true, false}, {"ADR(1)NUM(2)TYPE(3)CONST(4)\r\nADR(5)NUM(6)TYPE(7)CONST(8)\r\n", "U1(1)WKPHASE(0)\r\n"}},
    };
    for (const auto &c : cases) EXPECT_EQ(layoutBlocks(base.units(), c.layout), c.blocks) << c.layout.blockSize;
}

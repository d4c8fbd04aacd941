#include "EmuTestLine.h"

#include <gtest/gtest.h>

using namespace emu;
using namespace emu::test;
using State = DeviceCore::State;

static const QString smallBase = QStringLiteral(
    "ADR(ул. Ленина, 12)NUM(0123456789)TYPE(СЭТ-4ТМ)CONST(5000)\n"
    "U1(230.12)U2(229.87)U3(231.05)COS(0.866)COSIND(1)CONTYPE(0)WKPHASE(0)\n"
    "TIME(30)HOUR(23)MIN(0)SEC(0)DATE(13)MON(03)YEAR(24)P_PLUS(1)P_MINUS(0)Q_PLUS(2)Q_MINUS(0)\n"
    "P_PLUS(3)P_MINUS(0)Q_PLUS(4)Q_MINUS(0)\n");

static DeviceConfig withFaults(std::initializer_list<const char *> faults, DeviceConfig config = quickConfig())
{
    for (const char *text : faults) {
        QString error;
        const auto f = parseFault(QString::fromLatin1(text), &error);
        EXPECT_TRUE(f) << text;
        if (f) config.faults.add(*f);
    }
    return config;
}

static QByteArray meterRecord(const char *adr, const char *num, const char *type, const char *constant)
{
    return QByteArray("ADR(") + adr + ")NUM(" + num + ")TYPE(" + type + ")CONST(" + constant + ")";
}

static bool isValidBlock(const QByteArray &f)
{
    return f.size() >= 3 && f.front() == STX && f.at(f.size() - 2) == EOT && hasValidCheck(f);
}

TEST(EmuDevice, SignOnIsAnsweredWithTheIdentificationOnceComplete)
{
    DeviceConfig config = quickConfig();
    config.maker = "ABC";
    config.rateChar = '5';
    config.identText = *toDeviceText(QStringLiteral("РТ519"));
    Line line(config);
    EXPECT_TRUE(line.send("/?").isEmpty()) << "half a sign-on";
    EXPECT_EQ(line.send("!\r\n"), QByteArray("/ABC5") + *toDeviceText(QStringLiteral("РТ519")) + "\r\n");
    EXPECT_EQ(line.core.state(), State::AwaitOption);

    Line addressed;
    EXPECT_EQ(addressed.send("/?12345!\r\n"), QByteArray("/KLV5RT519\r\n")) << "a device address is accepted";
    Line notSignOn;
    EXPECT_TRUE(notSignOn.send("/X!\r\n").isEmpty());
    EXPECT_EQ(notSignOn.core.state(), State::Idle);
}

TEST(EmuDevice, OptionSelectSwitchesTheRateBeforeThePasswordFrame)
{
    struct Case {
        char offered, answered;
        QStringList events;
        State state;
    } cases[] = {
        {'5', '5', {"rate 9600", "send <SOH>P0<STX>(735)<ETX><75>"}, State::AwaitPassword},
        {'9', '9', {"rate 115200", "send <SOH>P0<STX>(735)<ETX><75>"}, State::AwaitPassword},
        {'7', '7', {"rate 38400", "send <SOH>P0<STX>(735)<ETX><75>"}, State::AwaitPassword},
        // An offer the PC does not know is answered with "0": the rate stays at 300.
        {'A', '0', {"send <SOH>P0<STX>(735)<ETX><75>"}, State::AwaitPassword},
        {'5', 'x', {}, State::Idle},
    };
    for (const auto &c : cases) {
        DeviceConfig config = quickConfig();
        config.rateChar = c.offered;
        Line line(config);
        line.send(signOn);
        line.events.clear();
        line.send(optionSelect(c.answered));
        EXPECT_EQ(line.events, c.events) << c.offered << c.answered;
        EXPECT_EQ(line.core.state(), c.state) << c.offered << c.answered;
    }
    Line readoutMode;
    readoutMode.send(signOn);
    EXPECT_TRUE(readoutMode.send("\x06" "050\r\n").isEmpty()) << "data read-out mode is not offered";
    EXPECT_EQ(readoutMode.core.state(), State::Idle);
}

TEST(EmuDevice, PasswordIsCheckedAndARefusalEndsWithABreakAt300AfterIt)
{
    Line good;
    good.send(signOn);
    good.send(optionSelect('5'));
    EXPECT_EQ(good.send(pcCommand("P1", "(735)")), ack);
    EXPECT_EQ(good.core.state(), State::LoggedIn);

    Line wrong;
    wrong.send(signOn);
    wrong.send(optionSelect('5'));
    wrong.events.clear();
    EXPECT_EQ(wrong.send(pcCommand("P1", "(736)")), breakFrame());
    EXPECT_EQ(wrong.events, (QStringList{"send <SOH>B0<ETX><75>", "rate 300"})) << "the break leaves at the session rate";
    EXPECT_EQ(wrong.core.state(), State::Idle);

    Line spoilt;
    spoilt.send(signOn);
    spoilt.send(optionSelect('5'));
    QByteArray p1 = pcCommand("P1", "(735)");
    p1.back() = char(p1.back() + 1);
    EXPECT_EQ(spoilt.send(p1), nak) << "a bad check asks for the frame again";
    EXPECT_EQ(spoilt.send(pcCommand("P1", "(735)")), ack);

    DeviceConfig own = quickConfig();
    own.password = "12345";
    own.pcPassword = "secret";
    Line configured(own);
    configured.send(signOn);
    EXPECT_EQ(configured.send(optionSelect('5')), commandFrame("P0", "(12345)"));
    EXPECT_EQ(configured.send(pcCommand("P1", "(secret)")), ack);
}

TEST(EmuDevice, ReadServesTheBaseInCheckedBlocksAndEndsWithBreaks)
{
    DeviceConfig config = quickConfig();
    config.layout.blockSize = 40;
    Line line(config, baseOf(smallBase));
    line.logIn();
    const QList<QByteArray> texts = line.readAll();
    EXPECT_EQ(line.lastFrame, breakFrame());
    EXPECT_EQ(line.core.state(), State::Closing);
    EXPECT_EQ(texts.join(), *toDeviceText(QString(smallBase).remove(QLatin1Char('\n'))));
    for (const auto &t : texts) EXPECT_LE(t.size(), 40);

    line.events.clear();
    EXPECT_TRUE(line.send(breakFrame()).isEmpty());
    EXPECT_EQ(line.events, QStringList{"rate 300"}) << "back to 300 once the PC's break is in";
    EXPECT_EQ(line.core.state(), State::Idle);
}

TEST(EmuDevice, BlockIsSentAgainOnNakOrABadReply)
{
    Line line(quickConfig(), baseOf(smallBase));
    line.logIn();
    const QByteArray first = line.send(pcCommand("R3", "BASE"));
    ASSERT_TRUE(isValidBlock(first));
    EXPECT_EQ(line.send(nak), first);
    EXPECT_EQ(line.send(pcCommand("P1", "(735)")), first) << "any other frame is a bad reply";
    EXPECT_TRUE(line.send("zz").isEmpty()) << "noise: judged when the line is quiet";
    EXPECT_EQ(line.wait(2000), first);
    const QByteArray second = line.send(ack);
    EXPECT_TRUE(isValidBlock(second));
    EXPECT_NE(second, first);
}

TEST(EmuDevice, GivesUpQuietlyAfterThreeRepeats)
{
    Line line(quickConfig(), baseOf(smallBase));
    line.logIn();
    const QByteArray first = line.send(pcCommand("R3", "BASE"));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(line.send(nak), first) << i;
    line.events.clear();
    EXPECT_TRUE(line.send(nak).isEmpty());
    EXPECT_EQ(line.events, QStringList{"rate 300"});
    EXPECT_EQ(line.core.state(), State::Idle);
}

TEST(EmuDevice, EmptyBaseOrAnUnknownReadAnswersWithAnError)
{
    Line empty;
    empty.logIn();
    EXPECT_EQ(empty.send(pcCommand("R3", "BASE")), errorFrame("BASE_EMPTY"));
    EXPECT_EQ(empty.core.state(), State::LoggedIn) << "the PC ends it with its break";
    EXPECT_EQ(empty.send(pcCommand("R3", "OTHER")), errorFrame("DATA_ERR"));
    EXPECT_EQ(empty.send(pcCommand("X9", "")), errorFrame("DATA_ERR"));
    empty.send(breakFrame());
    EXPECT_EQ(empty.core.state(), State::Idle);
}

TEST(EmuDevice, WrittenMeterRecordsAreStoredAndServed)
{
    Line line(quickConfig(), baseOf(smallBase));
    int changes = 0;
    line.core.onWrittenChanged = [&] { ++changes; };
    line.logIn();
    const QByteArray type = *toDeviceText(QStringLiteral("ЦЭ6807Б"));
    const QByteArray address = *toDeviceText(QStringLiteral("кв"));
    EXPECT_EQ(line.send(pcCommand("W1", meterRecord(address.constData(), "", type.constData(), "3200,5"))), ack)
        << "an empty number is fine";
    EXPECT_EQ(line.send(pcCommand("W1", meterRecord("A", "7", "CE301", "1600"))), ack);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(line.core.base().writtenAsText(),
              QStringLiteral("ADR(кв)NUM()TYPE(ЦЭ6807Б)CONST(3200,5)\nADR(A)NUM(7)TYPE(CE301)CONST(1600)\n"));
    EXPECT_EQ(line.core.base().meterCount(), 3);
    line.send(breakFrame());

    line.logIn();
    const QByteArray served = line.readAll().join();
    EXPECT_TRUE(served.endsWith("ADR(A)NUM(7)TYPE(CE301)CONST(1600)")) << "written records come after the rest";
}

TEST(EmuDevice, MalformedMeterRecordsAreRefusedWithDataError)
{
    const QByteArray refused[] = {
        "ADR(1)NUM(2)TYPE(3)",                     // no constant
        "ADR(1)NUM(2)TYPE(3)CONST()",              // empty constant
        "ADR(1)NUM(2)TYPE(3)CONST(1,6,0)",         // not a number
        "NUM(2)ADR(1)TYPE(3)CONST(1600)",          // not in the device's order
        "ADR(1)NUM(2)TYPE(a)b)CONST(1600)",        // ")" inside a value
        "ADR(1)NUM(2\x01)TYPE(3)CONST(1600)",      // a control character
        "ADR(1)NUM(2)TYPE(3)CONST(1600)ADR(4)",    // something after the record
    };
    Line line;
    int changes = 0;
    line.core.onWrittenChanged = [&] { ++changes; };
    line.logIn();
    for (const auto &data : refused) EXPECT_EQ(line.send(pcCommand("W1", data)), errorFrame("DATA_ERR")) << data.constData();
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(line.core.base().isEmpty());
}

TEST(EmuDevice, HoldsAHundredMeterRecordsThenOverflows)
{
    Line line;
    line.logIn();
    for (int i = 1; i <= 100; ++i)
        ASSERT_EQ(line.send(pcCommand("W1", meterRecord("A", QByteArray::number(i).constData(), "T", "1600"))), ack) << i;
    EXPECT_EQ(line.send(pcCommand("W1", meterRecord("A", "101", "T", "1600"))), errorFrame("BASE_OVFLOW"));
    EXPECT_EQ(line.core.base().meterCount(), 100);
    EXPECT_FALSE(line.core.base().writtenAsText().contains(QStringLiteral("NUM(101)")));
}

TEST(EmuDevice, EraseEmptiesTheBaseAndAnswersAck)
{
    Line line(quickConfig(), baseOf(smallBase));
    int changes = 0;
    line.core.onWrittenChanged = [&] { ++changes; };
    line.logIn();
    EXPECT_EQ(line.send(pcCommand("E1", "(BASE_ALL)")), errorFrame("DATA_ERR"));
    EXPECT_FALSE(line.core.base().isEmpty());
    EXPECT_EQ(line.send(pcCommand("E1", "(BASE_DEL_ALL)")), ack);
    EXPECT_TRUE(line.core.base().isEmpty());
    EXPECT_EQ(changes, 1);
    line.send(breakFrame());
    line.logIn();
    EXPECT_EQ(line.send(pcCommand("R3", "BASE")), errorFrame("BASE_EMPTY"));
}

TEST(EmuDevice, AnswersComeAfterTheReactionTime)
{
    DeviceConfig config = quickConfig();
    config.reactionMs = 200;
    Line line(config);
    EXPECT_TRUE(line.send(signOn).isEmpty());
    EXPECT_TRUE(line.wait(199).isEmpty());
    EXPECT_EQ(line.wait(1), QByteArray("/KLV5RT519\r\n"));
    ASSERT_TRUE(line.core.nextDeadline());
}

TEST(EmuDevice, SessionEndsAfterSilenceFromThePc)
{
    DeviceConfig config = quickConfig();
    config.sessionTimeoutMs = 5000;
    Line line(config);
    int ended = 0;
    line.core.onSessionEnded = [&] { ++ended; };
    line.logIn();
    EXPECT_EQ(line.core.nextDeadline(), line.now + 5000);
    line.wait(4999);
    EXPECT_EQ(line.core.state(), State::LoggedIn);
    line.events.clear();
    line.wait(1);
    EXPECT_EQ(line.core.state(), State::Idle);
    EXPECT_EQ(line.events, QStringList{"rate 300"});
    EXPECT_EQ(ended, 1);
}

TEST(EmuDevice, SignOnInTheMiddleStartsAfresh)
{
    Line line(quickConfig(), baseOf(smallBase));
    line.logIn();
    line.send(pcCommand("R3", "BASE"));
    line.events.clear();
    EXPECT_EQ(line.send(signOn), QByteArray("/KLV5RT519\r\n"));
    EXPECT_EQ(line.events, (QStringList{"discard", "rate 300", "send /KLV5RT519<CR><LF>"}));
    EXPECT_EQ(line.core.state(), State::AwaitOption);
}

// Faults: the device's answer at the faulty point, then what follows.
TEST(EmuDeviceFaults, SilenceFragmentAndBadCheck)
{
    {
        Line line(withFaults({"silence"}));
        EXPECT_TRUE(line.send(signOn).isEmpty());
        EXPECT_EQ(line.send(signOn), QByteArray("/KLV5RT519\r\n")) << "once only";
    }
    {
        Line line(withFaults({"silence@w1"}));
        line.logIn();
        EXPECT_TRUE(line.send(pcCommand("W1", meterRecord("1", "2", "3", "4"))).isEmpty());
        EXPECT_TRUE(line.core.base().isEmpty());
    }
    {
        Line line(withFaults({"fragment=2"}), baseOf(smallBase));
        line.logIn();
        const QByteArray part = line.send(pcCommand("R3", "BASE"));
        EXPECT_FALSE(isValidBlock(part));
        EXPECT_EQ(line.send(nak), part) << "the repeat counts as an occurrence";
        const QByteArray whole = line.send(nak);
        EXPECT_TRUE(isValidBlock(whole));
        EXPECT_TRUE(whole.startsWith(part));
    }
    {
        Line line(withFaults({"fragment@ident"}));
        EXPECT_EQ(line.send(signOn), QByteArray("/KLV5R"));
        EXPECT_EQ(line.send(nak), QByteArray("/KLV5RT519\r\n"));
    }
    {
        Line line(withFaults({"bad-bcc=3"}), baseOf(smallBase));
        line.logIn();
        QByteArray block = line.send(pcCommand("R3", "BASE"));
        for (int i = 0; i < 2; ++i) {
            EXPECT_FALSE(hasValidCheck(block)) << i;
            block = line.send(nak);
        }
        EXPECT_FALSE(hasValidCheck(block));
        EXPECT_TRUE(isValidBlock(line.send(nak))) << "the fourth copy is good";
    }
    {
        Line line(withFaults({"bad-bcc@block:2"}), baseOf(smallBase));
        line.logIn();
        EXPECT_TRUE(isValidBlock(line.send(pcCommand("R3", "BASE"))));
        EXPECT_FALSE(hasValidCheck(line.send(ack))) << "the second block";
        EXPECT_TRUE(isValidBlock(line.send(nak)));
    }
    {
        Line line(withFaults({"bad-bcc@p0"}));
        line.send(signOn);
        const QByteArray p0 = line.send(optionSelect('5'));
        EXPECT_TRUE(p0.startsWith("\x01P0\x02(735)\x03"));
        EXPECT_FALSE(hasValidCheck(p0));
        EXPECT_EQ(line.send(nak), commandFrame("P0", "(735)"));
    }
}

TEST(EmuDeviceFaults, AnswersInsteadOfTheRightOne)
{
    const QByteArray record = pcCommand("W1", meterRecord("1", "2", "3", "4"));
    {
        Line line(withFaults({"nak=2"}));
        line.logIn();
        EXPECT_EQ(line.send(record), nak);
        EXPECT_EQ(line.send(record), nak);
        EXPECT_EQ(line.send(record), ack);
        EXPECT_EQ(line.core.base().meterCount(), 1) << "stored once";
    }
    {
        Line line(withFaults({"data-err"}));
        line.logIn();
        EXPECT_EQ(line.send(record), errorFrame("DATA_ERR"));
        EXPECT_EQ(line.send(record), ack);
        EXPECT_EQ(line.core.base().meterCount(), 1);
    }
    {
        Line line(withFaults({"nak@p1"}));
        line.send(signOn);
        line.send(optionSelect('5'));
        EXPECT_EQ(line.send(pcCommand("P1", "(735)")), nak);
        EXPECT_EQ(line.send(pcCommand("P1", "(735)")), ack);
    }
    {
        Line line(withFaults({"base-ovflow"}));
        line.logIn();
        EXPECT_EQ(line.send(record), errorFrame("BASE_OVFLOW"));
        EXPECT_TRUE(line.core.base().isEmpty());
    }
    {
        Line line(withFaults({"base-empty"}), baseOf(smallBase));
        line.logIn();
        EXPECT_EQ(line.send(pcCommand("R3", "BASE")), errorFrame("BASE_EMPTY"));
    }
    {
        Line line(withFaults({"data-err@r3"}), baseOf(smallBase));
        line.logIn();
        EXPECT_EQ(line.send(pcCommand("R3", "BASE")), errorFrame("DATA_ERR"));
        EXPECT_TRUE(isValidBlock(line.send(pcCommand("R3", "BASE"))));
    }
}

TEST(EmuDeviceFaults, PasswordsBlocksAndErase)
{
    {
        Line line(withFaults({"wrong-password"}));
        line.send(signOn);
        const QByteArray p0 = line.send(optionSelect('5'));
        ASSERT_EQ(p0.size(), commandFrame("P0", "(735)").size()) << "same length, so the PC compares it";
        EXPECT_TRUE(hasValidCheck(p0));
        EXPECT_NE(p0.mid(5, 3), QByteArray("735"));
        line.send(signOn);
        EXPECT_EQ(line.send(optionSelect('5')), commandFrame("P0", "(735)")) << "next session is right";
    }
    {
        Line line(withFaults({"p1-break"}));
        line.send(signOn);
        line.send(optionSelect('5'));
        EXPECT_EQ(line.send(pcCommand("P1", "(735)")), breakFrame());
        EXPECT_EQ(line.core.state(), State::Idle);
    }
    {
        Line line(withFaults({"etx-block"}), baseOf(smallBase));
        line.logIn();
        const QByteArray block = line.send(pcCommand("R3", "BASE"));
        EXPECT_EQ(block.at(block.size() - 2), ETX);
        EXPECT_TRUE(hasValidCheck(block)) << "only the end byte is wrong";
    }
    {
        Line line(withFaults({"no-erase-answer"}), baseOf(smallBase));
        line.logIn();
        EXPECT_TRUE(line.send(pcCommand("E1", "(BASE_DEL_ALL)")).isEmpty());
        EXPECT_FALSE(line.core.base().isEmpty());
        EXPECT_EQ(line.send(pcCommand("E1", "(BASE_DEL_ALL)")), ack) << "once only";
    }
    {
        Line line(withFaults({"silence@break"}), baseOf(smallBase));
        line.logIn();
        line.readAll();
        EXPECT_TRUE(line.lastFrame.isEmpty()) << "no closing break";
        EXPECT_EQ(line.core.state(), State::Closing);
        EXPECT_TRUE(line.wait(DeviceConfig().closeTimeoutMs).isEmpty());
        EXPECT_EQ(line.core.state(), State::Idle);
    }
}

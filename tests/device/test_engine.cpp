// Scripted exchanges of the protocol engine on a fake line and an instant clock.
#include "EngineRig.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace LineFrames;

namespace {

const QString timeoutText = QStringLiteral("Тайм-аут!\r\nНет ответа от устройства.");

TEST(Engine, SignOnAtStartRateAndReplyTimerCountsFromItsDeparture)
{
    EngineRig rig;
    rig.engine.StartExchange('0');
    EXPECT_EQ(rig.takeLog(), QStringList{"BeginFrame"});
    EXPECT_EQ(rig.sent(), hex("2F 3F 21 0D 0A"));
    EXPECT_EQ(rig.rate(), 300);
    EXPECT_EQ(rig.engine.ExchangeState(), stIdent);

    // 5 characters at 300 baud 8E1 take 194 ms; the 2000 ms wait starts after them.
    rig.clock.advance(193);
    EXPECT_FALSE(rig.engine.ReplyTimerActive());
    rig.clock.advance(1);
    EXPECT_TRUE(rig.engine.ReplyTimerActive());
    rig.clock.advance(1999);
    EXPECT_TRUE(rig.takeLog().isEmpty());

    // Silence is final: one wait, the time-out text, no break.
    rig.clock.advance(1);
    EXPECT_EQ(rig.takeLog(), (QStringList{"Message " + timeoutText, "SetError 2"}));
    EXPECT_TRUE(rig.sent().isEmpty());
    EXPECT_EQ(rig.prompts.shown().at(0).icon, PromptIcon::Error);
    EXPECT_EQ(rig.prompts.shown().at(0).caption, QStringLiteral("Ошибка"));
    rig.clock.advance(60000);
    EXPECT_TRUE(rig.takeLog().isEmpty());
}

TEST(Engine, IdentificationAnsweredAndRateSwitchedOnlyAfterTheAnswerLeft)
{
    EngineRig rig;
    rig.engine.StartExchange('0');
    rig.leave();
    rig.sent();
    rig.takeLog();

    rig.device(hex("2F 41 42 43 35 58 59 5A 0D 0A"));
    EXPECT_EQ(rig.takeLog(), QStringList{"ReadIdent ABC|5|XYZ"});
    EXPECT_EQ(rig.sent(), hex("06 30 35 31 0D 0A"));
    EXPECT_EQ(rig.engine.ExchangeState(), stPassword);

    // Six characters at 300 baud: 230 ms on the line before the switch to 9600.
    rig.clock.advance(229);
    EXPECT_EQ(rig.rate(), 300);
    EXPECT_FALSE(rig.engine.ReplyTimerActive());
    rig.clock.advance(1);
    EXPECT_EQ(rig.rate(), 9600);
    EXPECT_TRUE(rig.engine.ReplyTimerActive());
}

TEST(Engine, RateCharacterTable)
{
    struct Case {
        char z;
        TBaudRate begin;
        char answered;
        qint32 rate;
    } cases[] = {
        {'0', br300, '0', 300},     {'1', br300, '1', 600},     {'4', br300, '4', 4800},
        {'6', br300, '6', 19200},   {'7', br300, '7', 38400},   {'8', br300, '8', 57600},
        {'9', br300, '9', 115200},  {'A', br300, '0', 300},     {':', br300, '0', 300},
        {'\xC0', br300, '0', 300},  {'A', br1200, '0', 1200},   {'0', br1200, '0', 300},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(1, c.z) + " from " + std::to_string(baudRateValue(c.begin)));
        EngineRig rig;
        rig.engine.setBeginBaudRate(c.begin);
        rig.engine.StartExchange('0');
        EXPECT_EQ(rig.rate(), baudRateValue(c.begin));
        rig.leave();
        rig.sent();
        rig.device(QByteArray("/XYZ") + c.z + "RT519\r\n");
        EXPECT_EQ(rig.sent(), optionSelect(c.answered));
        rig.leave();
        EXPECT_EQ(rig.rate(), c.rate);
    }
}

TEST(Engine, DevicePasswordChecked)
{
    EngineRig rig;
    rig.engine.StartExchange('0');
    rig.leave();
    rig.device("/ABC5XYZ\r\n");
    rig.leave();
    rig.sent();
    rig.takeLog();

    // A password of another length is dropped: no answer, no timer, the engine waits.
    rig.device(p0("7355"));
    EXPECT_TRUE(rig.sent().isEmpty());
    EXPECT_FALSE(rig.engine.ReplyTimerActive());
    rig.clock.advance(30000);
    EXPECT_TRUE(rig.takeLog().isEmpty());
    EXPECT_EQ(rig.engine.ExchangeState(), stPassword);

    rig.device(p0("735"));
    EXPECT_EQ(rig.takeLog(), QStringList{"ReadCommandPassword 735"});
    EXPECT_EQ(rig.sent(), command('P', '1', "(735)"));
    EXPECT_EQ(rig.engine.ExchangeState(), stLogin);
}

TEST(Engine, WrongDevicePasswordFailsWithoutBreak)
{
    EngineRig rig;
    rig.engine.StartExchange('0');
    rig.leave();
    rig.device("/ABC5XYZ\r\n");
    rig.leave();
    rig.sent();
    rig.takeLog();
    rig.device(p0("736"));
    EXPECT_EQ(rig.takeLog(), (QStringList{"ReadCommandPassword 736", "Message Неверный пароль инициализации",
                                          "SetError 3"}));
    EXPECT_TRUE(rig.sent().isEmpty());
    EXPECT_EQ(rig.rate(), 300);
}

TEST(Engine, BreakInAnswerToOurPasswordFailsWithoutBreak)
{
    EngineRig rig;
    rig.toLogin('0');
    rig.device(breakFrame());
    EXPECT_EQ(rig.takeLog(), (QStringList{"Message Неверный пароль инициализации", "SetError 3"}));
    EXPECT_TRUE(rig.sent().isEmpty());
    EXPECT_EQ(rig.rate(), 300);
}

TEST(Engine, FragmentThenSilenceGetsThreeNaksThenBreak)
{
    EngineRig rig;
    rig.engine.StartExchange('0');
    rig.leave();
    rig.sent();
    rig.takeLog();
    rig.device("/ABC5X");
    for (int i = 0; i < 3; ++i) {
        rig.clock.advance(1999);
        EXPECT_TRUE(rig.sent().isEmpty());
        rig.clock.advance(1);
        EXPECT_EQ(rig.sent(), nak) << i;
        EXPECT_TRUE(rig.engine.RxBuffer().isEmpty());
        rig.leave();
        rig.device("/AB");  // another fragment each time
    }
    rig.clock.advance(2000);
    EXPECT_EQ(rig.sent(), breakFrame());
    EXPECT_EQ(rig.takeLog(), (QStringList{"EndFrame", "Message Неверный формат данных!", "SetError 0"}));
    EXPECT_EQ(rig.prompts.shown().at(0).icon, PromptIcon::Error);
}

TEST(Engine, EachChunkRestartsTheWaitForTheRestOfAFrame)
{
    EngineRig rig;
    rig.engine.StartExchange('0');
    rig.leave();
    rig.device("/AB");
    rig.clock.advance(1500);
    rig.device("C5X");
    rig.clock.advance(1500);
    rig.device("YZ\r\n");
    EXPECT_EQ(rig.takeLog(), (QStringList{"BeginFrame", "ReadIdent ABC|5|XYZ"}));
}

TEST(Engine, NakFourTimesToACommandGivesThreeRepeatsThenProtocolError)
{
    EngineRig rig;
    rig.toLogin('0');
    rig.device(ack);
    rig.leave();
    const QByteArray readCommand = hex("01 52 33 02 42 41 53 45 03 A5");
    EXPECT_EQ(rig.sent(), readCommand);
    for (int i = 0; i < 3; ++i) {
        rig.device(nak);
        EXPECT_EQ(rig.sent(), readCommand) << i;
        EXPECT_EQ(rig.engine.RetryCount(), i + 1);
        rig.leave();
    }
    rig.device(nak);
    EXPECT_EQ(rig.sent(), breakFrame());
    EXPECT_EQ(rig.takeLog(), (QStringList{"EndFrame", "Message Ошибка протокола !", "SetError 4"}));
}

TEST(Engine, BadCheckOnADataBlockIsNakedThenFailsOnTheFourth)
{
    EngineRig rig;
    rig.toRead();
    QByteArray bad = block("ADR(1)NUM(2)TYPE(3)CONST(4)");
    bad.back() = char(bad.back() + 1);

    // A good copy after bad ones is taken and resets the count.
    rig.device(bad);
    EXPECT_EQ(rig.sent(), nak);
    rig.leave();
    rig.device(block("ADR(1)NUM(2)TYPE(3)CONST(4)"));
    EXPECT_EQ(rig.sent(), ack);
    EXPECT_EQ(rig.engine.RetryCount(), 0);
    rig.leave();
    rig.takeLog();

    for (int i = 0; i < 3; ++i) {
        rig.device(bad);
        EXPECT_EQ(rig.sent(), nak) << i;
        rig.leave();
    }
    rig.device(bad);
    EXPECT_EQ(rig.sent(), breakFrame());
    EXPECT_EQ(rig.takeLog(), (QStringList{"EndFrame", "Message Неверная контрольная сумма", "SetError 1"}));
}

TEST(Engine, DeviceErrorsCountInEveryStateIdleIncluded)
{
    const QByteArray empty = block("ERR(BASE_EMPTY)", ETX);
    const QByteArray full = command('E', 'R', "ERR(BASE_OVFLOW)");
    struct Case {
        const char *name;
        std::function<void(EngineRig &)> reach;
        QByteArray frame;
        QString text;
        int code;
    } cases[] = {
        {"idle", [](EngineRig &) {}, empty, "Нет данных !", 5},
        {"ident", [](EngineRig &r) { r.engine.StartExchange('0'); r.leave(); }, empty, "Нет данных !", 5},
        {"read", [](EngineRig &r) { r.toRead(); }, empty, "Нет данных !", 5},
        {"write", [](EngineRig &r) { r.recordsToWrite = {"\x01W1\x02" "ADR(1)\x03"}; r.toLogin('1'); r.device(ack); r.leave(); },
         full, "База прибора заполнена! Число записей 100", 6},
        {"idle, overflow", [](EngineRig &) {}, full, "База прибора заполнена! Число записей 100", 6},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EngineRig rig;
        c.reach(rig);
        rig.sent();
        rig.takeLog();
        rig.device(c.frame);
        EXPECT_EQ(rig.sent(), breakFrame());
        EXPECT_EQ(rig.takeLog(), (QStringList{"EndFrame", "Message " + c.text, QStringLiteral("SetError %1").arg(c.code)}));
        EXPECT_EQ(rig.prompts.shown().at(0).icon, PromptIcon::Information);
        EXPECT_EQ(rig.engine.ExchangeState(), stIdle);
    }
}

TEST(Engine, RecordSplitOverTwoBlocksIsDeliveredOnce)
{
    EngineRig rig;
    rig.toRead();
    rig.device(block("ADR(1)NUM(2)TY"));
    EXPECT_EQ(rig.sent(), ack);
    EXPECT_TRUE(rig.takeLog().isEmpty());
    rig.leave();
    rig.device(block("PE(3)CONST(4)"));
    EXPECT_EQ(rig.sent(), ack);
    EXPECT_EQ(rig.takeLog(), QStringList{"ReadBase ADR(1)NUM(2)TYPE(3)CONST(4)"});
    EXPECT_TRUE(rig.engine.RecordText().isEmpty());
}

TEST(Engine, FullReadDecodesTextsAndEndsWithBreaks)
{
    EngineRig rig;
    rig.toRead();
    const QStringList records = {
        QStringLiteral("ADR(ул. Ленина, 5)NUM(7)TYPE(Меркурий 230)CONST(1600)"),
        QStringLiteral("U1(230.1)U2(229.9)U3(231)CONTYPE(0)WKPHASE(0)"),
        QStringLiteral("TIME(30)HOUR(23)MIN(30)SEC(0)DATE(1)MON(2)YEAR(24)P_PLUS(1)P_MINUS(0)Q_PLUS(0)Q_MINUS(0)"),
    };
    QStringList expected;
    for (const QString &text : records) {
        rig.device(block(QStringEncoder("windows-1251").encode(text)));
        EXPECT_EQ(rig.sent(), ack);
        rig.leave();
        expected << "ReadBase " + text;
    }
    rig.device(breakFrame());
    EXPECT_EQ(rig.sent(), breakFrame());
    EXPECT_EQ(rig.takeLog(), expected << "EndFrame");
    EXPECT_EQ(rig.engine.ExchangeState(), stIdle);
    EXPECT_EQ(rig.rate(), 300);  // at once, not after the break
    EXPECT_FALSE(rig.engine.ReplyTimerActive());
    rig.clock.advance(10000);
    EXPECT_TRUE(rig.takeLog().isEmpty());
}

TEST(Engine, BlockEndingWithEtxIsDropped)
{
    EngineRig rig;
    rig.toRead();
    rig.device(block("ADR(1)NUM(2)TYPE(3)CONST(4)", ETX));
    EXPECT_TRUE(rig.sent().isEmpty());
    EXPECT_TRUE(rig.takeLog().isEmpty());
    EXPECT_TRUE(rig.engine.RecordText().isEmpty());
    EXPECT_FALSE(rig.engine.ReplyTimerActive());
    EXPECT_EQ(rig.engine.ExchangeState(), stRead);
}

TEST(Engine, EraseAcknowledged)
{
    EngineRig rig;
    rig.toLogin('2');
    rig.device(ack);
    EXPECT_EQ(rig.sent(), hex("01 45 31 02 28 42 41 53 45 5F 44 45 4C 5F 41 4C 4C 29 03 53"));
    rig.leave();
    EXPECT_FALSE(rig.engine.ReplyTimerActive());
    rig.device(ack);
    EXPECT_EQ(rig.sent(), breakFrame());
    EXPECT_EQ(rig.takeLog(), QStringList{"EndFrame"});
    // Back to 300 only once the break (5 characters, 16 ms at 9600) has left.
    rig.clock.advance(15);
    EXPECT_EQ(rig.rate(), 9600);
    rig.clock.advance(1);
    EXPECT_EQ(rig.rate(), 300);
    EXPECT_FALSE(rig.engine.ReplyTimerActive());
    EXPECT_TRUE(rig.prompts.shown().isEmpty());
}

TEST(Engine, EraseNeverAnsweredWaitsWithoutTimeout)
{
    EngineRig rig;
    rig.toLogin('2');
    rig.device(ack);
    rig.leave();
    rig.clock.advance(10 * 60 * 1000);
    EXPECT_TRUE(rig.takeLog().isEmpty());
    EXPECT_EQ(rig.engine.ExchangeState(), stPassword);
}

TEST(Engine, WriteSendsEachRecordWithItsCheckAndEndsWithBreak)
{
    EngineRig rig;
    const QByteArray first = "\x01W1\x02" "ADR(1)NUM(2)TYPE(3)CONST(4)\x03";
    const QString second = QStringLiteral("\x01W1\x02" "ADR(Дом)NUM(5)TYPE(Меркурий)CONST(1600)\x03");
    rig.recordsToWrite = {first, QStringEncoder("windows-1251").encode(second)};
    rig.toLogin('1');
    rig.device(ack);
    EXPECT_EQ(rig.sent(), first + CalcBCC(QByteArrayView(first).sliced(1)));
    EXPECT_EQ(rig.engine.ExchangeState(), stWrite);
    rig.leave();

    // A NAK and an ERR(DATA_ERR) each get the same record again.
    rig.device(nak);
    EXPECT_EQ(rig.sent(), rig.engine.LastFrame());
    rig.leave();
    rig.device(block("ERR(DATA_ERR)", ETX));
    EXPECT_EQ(rig.sent(), first + CalcBCC(QByteArrayView(first).sliced(1)));
    rig.leave();

    rig.device(ack);
    const QByteArray encoded = QStringEncoder("windows-1251").encode(second);
    EXPECT_EQ(rig.sent(), encoded + CalcBCC(QByteArrayView(encoded).sliced(1)));
    rig.leave();
    rig.device(ack);
    EXPECT_EQ(rig.sent(), breakFrame());
    EXPECT_EQ(rig.takeLog(), (QStringList{"WriteBase", "WriteBase", "WriteBase", "EndFrame"}));
    EXPECT_TRUE(rig.prompts.shown().isEmpty());
}

TEST(Engine, DataErrorRepeatedFourTimesIsAFormatError)
{
    EngineRig rig;
    rig.recordsToWrite = {"\x01W1\x02" "ADR(1)\x03"};
    rig.toLogin('1');
    rig.device(ack);
    const QByteArray record = rig.sent();
    rig.leave();
    for (int i = 0; i < 3; ++i) {
        rig.device(block("ERR(DATA_ERR)", ETX));
        EXPECT_EQ(rig.sent(), record);
        rig.leave();
    }
    rig.device(block("ERR(DATA_ERR)", ETX));
    EXPECT_EQ(rig.sent(), breakFrame());
    EXPECT_EQ(rig.takeLog().mid(1), (QStringList{"EndFrame", "Message Неверный формат данных!", "SetError 0"}));
}

TEST(Engine, WriteWithoutARecordSupplierEnds)
{
    EngineRig rig;
    rig.engine.OnWriteBase = nullptr;
    rig.toLogin('1');
    rig.device(ack);
    EXPECT_EQ(rig.sent(), breakFrame());
    EXPECT_EQ(rig.engine.ExchangeState(), stIdle);
}

TEST(Engine, ReplyBeforeTheQuestionLeftIsHeldUntilThen)
{
    EngineRig rig;
    rig.engine.StartExchange('0');
    rig.sent();
    rig.takeLog();
    // The identification arrives while the sign-on is still on its way out.
    rig.device("/ABC5");
    rig.device("XYZ\r\n");
    EXPECT_TRUE(rig.takeLog().isEmpty());
    EXPECT_FALSE(rig.engine.ReplyTimerActive());
    rig.leave();
    // Handled right after the transmit-complete step: once, in order, and the timer that
    // step started was stopped by the reply rather than left running behind it.
    EXPECT_EQ(rig.takeLog(), QStringList{"ReadIdent ABC|5|XYZ"});
    EXPECT_EQ(rig.sent(), optionSelect('5'));
    EXPECT_FALSE(rig.engine.ReplyTimerActive());
    rig.leave();
    EXPECT_EQ(rig.rate(), 9600);
    rig.device(p0("735"));
    EXPECT_EQ(rig.takeLog(), QStringList{"ReadCommandPassword 735"});
    rig.clock.advance(1000);
    EXPECT_TRUE(rig.takeLog().isEmpty());
}

TEST(Engine, ChunksDuringAMessageWaitUntilTheFailureIsReported)
{
    // A real message box spins the event loop; bytes that come meanwhile must not run
    // the engine inside its own failure handling.
    struct Reentering final : Prompts {
        std::function<void()> duringMessage;
        PromptButton ask(const PromptMessage &) override
        {
            if (duringMessage) std::exchange(duringMessage, nullptr)();
            return PromptButton::Ok;
        }
        std::optional<FileDialogAnswer> openFile(const FileDialogRequest &) override { return {}; }
        std::optional<FileDialogAnswer> saveFile(const FileDialogRequest &) override { return {}; }
        std::optional<unsigned> chooseColor(unsigned) override { return {}; }
    } reentering;
    EngineRig rig;
    installPrompts(&reentering);
    rig.toRead();
    reentering.duringMessage = [&] {
        rig.device(block("ERR(BASE_EMPTY)", ETX));
        rig.clock.advance(5000);
        rig.log << "message shown";
    };
    rig.device(block("ERR(BASE_EMPTY)", ETX));
    // The second report is handled after the first failure was reported, once the
    // first break has left, and ends its own way in idle.
    EXPECT_EQ(rig.takeLog(), (QStringList{"EndFrame", "message shown", "SetError 5", "EndFrame", "SetError 5"}));
    EXPECT_EQ(rig.sent(), breakFrame() + breakFrame());
    installPrompts(&rig.prompts);
}

TEST(Engine, VanishedDeviceIsReportedLikeSilence)
{
    EngineRig rig;
    rig.toLogin('2');
    rig.device(ack);  // erase sent: no reply timer guards it
    rig.leave();
    rig.line->loseLine();
    EXPECT_FALSE(rig.engine.Connected());
    rig.clock.advance(2000);
    EXPECT_EQ(rig.takeLog(), (QStringList{"Message " + timeoutText, "SetError 2"}));

    EngineRig idle;
    idle.line->loseLine();
    idle.clock.advance(10000);
    EXPECT_TRUE(idle.takeLog().isEmpty());
}

TEST(Engine, LineNoiseNeverGrowsWithoutBound)
{
    EngineRig rig;
    rig.engine.StartExchange('0');
    rig.leave();
    rig.sent();
    const QByteArray noise(4096, 'x');
    // Every 17 chunks overflow a frame: three NAKs, then the fourth time the break.
    for (int i = 0; i < 4 * 17; ++i) {
        rig.device(noise);
        EXPECT_LE(rig.engine.RxBuffer().size(), TAsynComAscii::MaxFrameBytes + noise.size());
        rig.leave();
    }
    EXPECT_EQ(rig.sent(), nak + nak + nak + breakFrame());
    EXPECT_EQ(rig.takeLog().mid(1), (QStringList{"EndFrame", "Message Неверный формат данных!", "SetError 0"}));

    EngineRig reading;
    reading.toRead();
    const QByteArray endless = block(QByteArray(60000, 'A'));
    for (int i = 0; i * 60000 <= TAsynComAscii::MaxRecordTextBytes; ++i) {
        reading.device(endless);
        reading.leave();
    }
    EXPECT_EQ(reading.takeLog(), (QStringList{"EndFrame", "Message Неверный формат данных!", "SetError 0"}));
}

TEST(Engine, OpenResetsAnExchangeLeftBehind)
{
    EngineRig rig;
    rig.toRead();
    rig.device(block("ADR(1)"));
    rig.device("\x02partial");
    rig.engine.Close();
    EXPECT_EQ(rig.engine.ExchangeState(), stRead);  // closing leaves the engine as it was
    rig.engine.Open();
    EXPECT_EQ(rig.engine.ExchangeState(), stIdle);
    EXPECT_TRUE(rig.engine.RxBuffer().isEmpty());
    EXPECT_EQ(rig.rate(), 300);
    EXPECT_FALSE(rig.engine.ReplyTimerActive());
}

}  // namespace

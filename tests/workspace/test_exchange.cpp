// The device commands of the main window against the emulated instrument on a
// pseudo-terminal: what lands in the exchange buffer, what goes to the device, the
// progress window, and the ways an exchange ends.
#include "AppSettings.h"
#include "AsynComAscii.h"
#include "DataView.h"
#include "EmulatorProcess.h"
#include "Messages.h"
#include "Program.h"
#include "PseudoTerminal.h"
#include "RecordParser.h"
#include "RecordTexts.h"
#include "SampleData.h"
#include "ScriptedPrompts.h"
#include "TDM.h"
#include "TestEnvironment.h"
#include "UCom.h"
#include "UFrame.h"
#include "UMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void runEventsFor(int ms)
{
    waitUntil([] { return false; }, ms);
}

using Row = QVariantMap;

std::vector<Row> tableRows(const QString &dbPath, const QString &table)
{
    SQLite::Database db(dbPath.toStdString(), SQLite::OPEN_READONLY, 2000);
    SQLite::Statement st(db, QStringLiteral("SELECT * FROM %1 ORDER BY PIndex").arg(table).toStdString());
    std::vector<Row> rows;
    while (st.executeStep()) {
        Row row;
        for (int c = 0; c < st.getColumnCount(); ++c) {
            const SQLite::Column col = st.getColumn(c);
            const QString name = QString::fromUtf8(st.getColumnName(c));
            if (col.isNull()) row.insert(name, QVariant());
            else if (col.isInteger()) row.insert(name, qlonglong(col.getInt64()));
            else if (col.isFloat()) row.insert(name, col.getDouble());
            else row.insert(name, QString::fromUtf8(col.getText()));
        }
        rows.push_back(row);
    }
    return rows;
}

// How a parsed column value reads back from the store (an empty text is stored as null).
QVariant stored(const QVariant &value)
{
    if (value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty())) return QVariant();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (value.typeId() == QMetaType::Int) return qlonglong(value.toInt());
    return value;
}

// A base written the way the device keeps it: Cyrillic texts, decimal commas, a phase
// missing, a three-wire scheme, an impossible date, a day of 48 slices (many blocks)
// and a next day that takes the interval over.
QString knownBase()
{
    QString base = QStringLiteral("# base of the exchange tests\n");
    base += meterText("ул. Ленина, 12", "0123456789", "СЭТ-4ТМ", "5000") + "\n";
    base += resultText() + "\n";
    base += resultText({{"U2", "0"}, {"COS", "0.999"}, {"COSIND", "2"}, {"DATE", "31"}, {"MON", "2"}}) + "\n";
    base += resultText({{"CONTYPE", "1"}, {"U3", "0"}, {"I1", "0,123456"}, {"F", "49,98"}}) + "\n";
    base += dayText(30, 0, 0, 0, 13, 3, 24) + "\n";
    for (int s = 0; s < 48; ++s)
        base += sliceText(QString::number(1 + s * 0.025, 'f', 3), "0", QString::number(s % 5 * 0.1, 'f', 1)) + "\n";
    base += dayText(std::nullopt, 0, 0, 0, 14, 3, 24) + sliceText("2,5") + "\n";
    base += meterText("пр. Мира, 7", "77", "ЦЭ6803", "1600") + "\n";
    base += resultText({{"U1", "57,7"}, {"U2", "57,7"}, {"U3", "57,7"}}) + "\n";
    base += meterText("", "", "Меркурий23", "3200,5") + "\n";
    return base;
}

// What the buffer must hold after reading `base`: the parse of the whole text at once.
std::vector<BufferRecord> expectedRecords(const QString &base)
{
    QString text;
    for (const QString &line : base.split(QLatin1Char('\n')))
        if (!line.trimmed().startsWith(QLatin1Char('#'))) text += line.trimmed();
    RecordParser parser;
    return parser.feed(text);
}

class Exchange : public ::testing::Test {
public:
    void SetUp() override
    {
        clearAppSettings();
        QString error;
        ASSERT_TRUE(createSampleDatabase(work.path(), &error)) << error.toStdString();
        dm = std::make_unique<TDM>();
        ASSERT_TRUE(dm->open());
        window = std::make_unique<TFMain>(*dm);
        window->setWindowState(Qt::WindowNoState);
        window->resize(1200, 700);
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        window.reset();
        dm.reset();
    }

    TAsynComAscii &engine() { return window->AsynComAscii1(); }
    TFFrame *frame() { return window->FFrame(); }
    QString dbPath() const { return work.file(QStringLiteral("EnergyDB.mdb")); }

    void startEmulator(QStringList args)
    {
        emu = std::make_unique<EmulatorProcess>(args);
        ASSERT_FALSE(emu->port.isEmpty());
        engine().setPortName(emu->port);
    }
    QString writeBase(const QString &text)
    {
        const QString path = work.file(QStringLiteral("device.base"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
        return path;
    }
    // Runs a command and waits until its exchange is over (the progress window closed).
    bool run(void (TFMain::*command)(), int ms = 20000)
    {
        (window.get()->*command)();
        return waitUntil([&] { return !frame()->isVisible() && window->isEnabled(); }, ms);
    }
    void fillBufferWithMeters(const QStringList &numbers)
    {
        for (const QString &n : numbers) {
            dm->ADOSinhro.append();
            dm->ADOSinhro.setField(u"PNumber", n);
            dm->ADOSinhro.setField(u"PAddress", QStringLiteral("ул. Садовая, ") + n);
            dm->ADOSinhro.setField(u"PTipCH", QStringLiteral("СЕ102"));
            dm->ADOSinhro.setField(u"PReductRate", 1000.0 + n.toInt());
            ASSERT_TRUE(dm->ADOSinhro.post());
        }
    }
    QStringList bufferNumbers()
    {
        QStringList numbers;
        for (const Row &r : tableRows(dbPath(), QStringLiteral("TSTip"))) numbers << r.value("PNumber").toString();
        return numbers;
    }

    ScopedWorkDir work;
    ScriptedPrompts user;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TFMain> window;
    std::unique_ptr<EmulatorProcess> emu;
};

TEST_F(Exchange, ReadStoresEveryRecordOfTheDeviceRowByRowUnderItsParent)
{
    fillBufferWithMeters({"1", "2"});   // the read replaces what the buffer held
    const QString base = knownBase();
    startEmulator({QStringLiteral("--base"), writeBase(base)});
    ASSERT_TRUE(run(&TFMain::readDevice));

    ASSERT_EQ(user.shown().size(), 1u) << user.shownTexts().join('\n').toStdString();   // the question only
    EXPECT_EQ(user.shown().front().text, msg(48));
    EXPECT_FALSE(engine().Connected());

    // Every record in order, every column as parsing the whole base gives it, and each
    // row under the meter or day that came before it.
    const std::vector<BufferRecord> expected = expectedRecords(base);
    const QStringList tables = {"TSTip", "TSResult", "TSDataProfile", "TSProfile"};
    std::vector<std::vector<Row>> rows;
    for (const QString &t : tables) rows.push_back(tableRows(dbPath(), t));
    std::vector<std::size_t> next(4, 0);
    std::vector<QVariant> lastKey(4);   // key of the last meter (0) and day (2) stored
    for (const BufferRecord &record : expected) {
        const std::size_t kind = record.index();
        ASSERT_LT(next[kind], rows[kind].size()) << tables[int(kind)].toStdString();
        const Row &actual = rows[kind][next[kind]++];
        const BufferColumns columns = std::visit([](const auto &r) { return columnValues(r); }, record);
        for (const auto &[name, value] : columns)
            EXPECT_EQ(actual.value(name), stored(value))
                << tables[int(kind)].toStdString() << " row " << next[kind] << " " << name.toStdString();
        if (kind == 1 || kind == 2) {
            EXPECT_EQ(actual.value("PSecIndex"), lastKey[0]);
        }
        if (kind == 3) {
            EXPECT_EQ(actual.value("PSecIndex"), lastKey[2]);
        }
        lastKey[kind] = actual.value("PIndex");
    }
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(next[k], rows[k].size()) << tables[int(k)].toStdString();
    EXPECT_EQ(rows[0].size(), 3u);
    EXPECT_EQ(rows[3].size(), 49u);

    EXPECT_EQ(window->bufferCountLabel()->text(), QStringLiteral("Количество счетчиков - 3 "));
    EXPECT_EQ(dm->ADOSinhro.recordCount(), 3);
    EXPECT_TRUE(frame()->received() > 0 && frame()->sent() > 0);
}

TEST_F(Exchange, WhatTheReadCouldNotTakeOverIsReportedOnceAfterTheExchange)
{
    const QString longAddress = QStringLiteral("ул. Академика Королёва, 121");   // 27 of 19 characters
    startEmulator({QStringLiteral("--base"),
                   writeBase(meterText(longAddress, "1", "СЕ301", "1000") + "\n" + resultText({{"POGR", "-0.2.5"}}))});
    ASSERT_TRUE(run(&TFMain::readDevice));
    ASSERT_EQ(user.shown().size(), 2u) << user.shownTexts().join('\n').toStdString();
    EXPECT_EQ(user.shown().at(1).text, intakeReportText(IntakeCounts{.unreadableValues = 1, .cutTexts = 1}));
    const std::vector<Row> meters = tableRows(dbPath(), QStringLiteral("TSTip"));
    ASSERT_EQ(meters.size(), 1u);
    EXPECT_EQ(meters[0].value("PAddress").toString(), longAddress.left(19));
    EXPECT_TRUE(tableRows(dbPath(), QStringLiteral("TSResult")).at(0).value("PMistakeMeasure").isNull());
}

TEST_F(Exchange, WrittenMetersGoInTheGridsOrderAndReadBackTheSame)
{
    fillBufferWithMeters({"10", "30", "20"});
    ASSERT_TRUE(dm->ADOSinhro.setSort(QStringLiteral("PNumber DESC")));
    startEmulator({QStringLiteral("--empty")});
    ASSERT_TRUE(run(&TFMain::writeDevice));
    EXPECT_TRUE(user.shown().isEmpty()) << user.shownTexts().join('\n').toStdString();
    EXPECT_TRUE(dm->ADOSinhro.eof());   // the write leaves the cursor past the last row

    ASSERT_TRUE(run(&TFMain::readDevice));
    EXPECT_EQ(bufferNumbers(), QStringList({"30", "20", "10"}));
    const std::vector<Row> meters = tableRows(dbPath(), QStringLiteral("TSTip"));
    ASSERT_EQ(meters.size(), 3u);
    EXPECT_EQ(meters[0].value("PAddress").toString(), QStringLiteral("ул. Садовая, 30"));
    EXPECT_EQ(meters[0].value("PTipCH").toString(), QStringLiteral("СЕ102"));
    EXPECT_DOUBLE_EQ(meters[0].value("PReductRate").toDouble(), 1030.0);
}

TEST_F(Exchange, FullDeviceTakesTheFirstHundredAndTheWriteEndsWithItsMessage)
{
    QStringList numbers;
    for (int i = 1; i <= 101; ++i) numbers << QString::number(i);
    fillBufferWithMeters(numbers);
    startEmulator({QStringLiteral("--empty"), QStringLiteral("--rate-char"), QStringLiteral("9")});
    ASSERT_TRUE(run(&TFMain::writeDevice));
    ASSERT_TRUE(waitUntil([&] { return !user.shown().isEmpty(); }, 3000));
    EXPECT_EQ(user.shown().front().text, TAsynComAscii::errorText(eOverflow));
    EXPECT_FALSE(engine().Connected());
    EXPECT_EQ(dm->ADOSinhro.recordCount(), 101);   // the buffer keeps every row

    user.clear();
    ASSERT_TRUE(run(&TFMain::readDevice));
    EXPECT_EQ(bufferNumbers(), numbers.mid(0, 100));
}

TEST_F(Exchange, CommandsThatStopBeforeTheExchangeLeaveBufferAndPortAlone)
{
    struct Case {
        const char *name;
        std::function<void(Exchange &)> prepare;
        void (TFMain::*command)();
        int expectedMessage;
    };
    const Case cases[] = {
        {"read declined", [](Exchange &t) { t.user.answer(PromptButton::No); }, &TFMain::readDevice, 48},
        {"write of an empty buffer", [](Exchange &t) { t.window->ClearExchangeBuffer(); }, &TFMain::writeDevice, 44},
        {"erase declined", [](Exchange &t) { t.user.answer(PromptButton::No); }, &TFMain::eraseDevice, 52},
    };
    startEmulator({});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fillBufferWithMeters({"5"});
        c.prepare(*this);
        const QStringList before = bufferNumbers();
        user.clear();
        (window.get()->*c.command)();
        runEventsFor(300);
        ASSERT_EQ(user.shown().size(), 1u) << user.shownTexts().join('\n').toStdString();
        EXPECT_EQ(user.shown().front().text, msg(c.expectedMessage));
        EXPECT_FALSE(engine().Connected());
        EXPECT_FALSE(frame()->isVisible());
        EXPECT_EQ(bufferNumbers(), before);
    }
}

TEST_F(Exchange, MeterTheRecordSyntaxCannotCarryIsRefusedBeforeThePortOpens)
{
    fillBufferWithMeters({"1"});
    dm->ADOSinhro.first();
    dm->ADOSinhro.edit();
    dm->ADOSinhro.setField(u"PAddress", QStringLiteral("дом 5 (корп. 2)"));
    ASSERT_TRUE(dm->ADOSinhro.post());
    startEmulator({QStringLiteral("--empty")});
    window->writeDevice();
    runEventsFor(300);
    ASSERT_EQ(user.shown().size(), 1u);
    EXPECT_EQ(user.shown().front().icon, PromptIcon::Error);
    EXPECT_FALSE(engine().Connected());
    EXPECT_FALSE(frame()->isVisible());
}

TEST_F(Exchange, SilentDeviceTimesOutOnceAndLeavesTheRedWindowAndAnEmptyBuffer)
{
    fillBufferWithMeters({"1", "2"});
    PseudoTerminal nobody;   // a port with nothing behind it
    engine().setPortName(nobody.slavePath());
    QElapsedTimer t;
    t.start();
    window->readDevice();
    ASSERT_TRUE(waitUntil([&] { return user.shown().size() == 2; }, 6000)) << user.shownTexts().join('\n').toStdString();
    const qint64 waited = t.elapsed();
    EXPECT_GE(waited, 2000);
    EXPECT_LT(waited, 4000);
    EXPECT_EQ(user.shown().at(1).text, TAsynComAscii::errorText(eDog));
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(frame()->failed());
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(bufferNumbers().isEmpty());

    runEventsFor(2500);   // no second time-out
    EXPECT_EQ(user.shown().size(), 2u);
    frame()->SpeedButton1->click();
    EXPECT_TRUE(waitUntil([&] { return window->isEnabled(); }, 1000));
    EXPECT_FALSE(engine().Connected());
}

TEST_F(Exchange, ClosingTheProgressWindowMidReadEndsTheExchangeQuietly)
{
    // At 300 baud the demo base takes many seconds; meanwhile the rate label shows it.
    startEmulator({QStringLiteral("--simulate-rate"), QStringLiteral("--rate-char"), QStringLiteral("0")});
    window->readDevice();
    ASSERT_TRUE(waitUntil([&] { return frame()->received() > 40; }, 10000));
    EXPECT_EQ(frame()->LSpeedCom->text(), QStringLiteral("300"));
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(dm->ADOSinhroResult.controlsDisabled() && dm->ADOSDataProfile.controlsDisabled() &&
                dm->ADOSinhroProfile.controlsDisabled());
    frame()->SpeedButton1->click();
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(dm->ADOSinhroResult.controlsDisabled() || dm->ADOSDataProfile.controlsDisabled() ||
                 dm->ADOSinhroProfile.controlsDisabled());
    EXPECT_FALSE(engine().Connected());
    EXPECT_FALSE(engine().ReplyTimerActive());
    runEventsFor(2600);
    EXPECT_EQ(user.shown().size(), 1u) << user.shownTexts().join('\n').toStdString();
}

TEST_F(Exchange, RateLabelFollowsTheIdentification)
{
    startEmulator({QStringLiteral("--rate-char"), QStringLiteral("5")});
    window->readDevice();
    EXPECT_EQ(frame()->LSpeedCom->text(), QStringLiteral("300"));
    EXPECT_TRUE(waitUntil([&] { return frame()->LSpeedCom->text() == QStringLiteral("9600"); }, 5000));
    EXPECT_TRUE(waitUntil([&] { return !frame()->isVisible(); }, 20000));
}

TEST_F(Exchange, ClearingTheBufferEmptiesEveryBufferTableAndReportsAFailure)
{
    ASSERT_TRUE(fillSampleData(*dm));
    ASSERT_GT(tableRows(dbPath(), "TSDataProfile").size(), 0u);
    window->ClearExchangeBuffer();
    for (const char *t : {"TSTip", "TSResult", "TSDataProfile", "TSProfile"})
        EXPECT_EQ(tableRows(dbPath(), t).size(), 0u) << t;
    EXPECT_TRUE(user.shown().isEmpty());
    EXPECT_TRUE(dm->ADOSinhro.isActive() && dm->ADOSinhroResult.isActive() && dm->ADOSinhroProfile.isActive());
    EXPECT_EQ(window->bufferCountLabel()->text(), QStringLiteral("Количество счетчиков - 0 "));

    fillBufferWithMeters({"1"});
    {
        SQLite::Database db(dbPath().toStdString(), SQLite::OPEN_READWRITE, 2000);
        db.exec("CREATE TRIGGER keep BEFORE DELETE ON TSTip BEGIN SELECT RAISE(ABORT, 'locked'); END");
    }
    window->ClearExchangeBuffer();
    ASSERT_EQ(user.shown().size(), 1u);
    EXPECT_EQ(user.shown().front().text, msg(39));
    EXPECT_EQ(user.shown().front().caption, msg(37));
    EXPECT_TRUE(dm->ADOSinhro.isActive());
    EXPECT_EQ(dm->ADOSinhro.recordCount(), 1);   // reopened, and nothing lost
}

TEST_F(Exchange, StartAppliesTheRememberedPortAndF3OffersTheDialog)
{
    window.reset();
    qputenv("RT519_EXTRA_PORTS", "/dev/rt519-first:/dev/rt519-second");
    openAppSettings()->setValue(QStringLiteral("ComNum"), 1);
    std::unique_ptr<Program> program = Program::start();
    qunsetenv("RT519_EXTRA_PORTS");
    ASSERT_TRUE(program);
    EXPECT_EQ(program->mainWindow().AsynComAscii1().PortName(), QStringLiteral("/dev/rt519-second"));
    QAction *f3 = program->mainWindow().action(QStringLiteral("Action5"));
    EXPECT_TRUE(f3->isEnabled());
    EXPECT_EQ(f3->shortcut(), QKeySequence(Qt::Key_F3));
    bool shown = false;
    QTimer::singleShot(200, [&] {
        shown = program->portDialog().isVisible();
        program->portDialog().reject();
    });
    f3->trigger();
    EXPECT_TRUE(shown);
}

}  // namespace

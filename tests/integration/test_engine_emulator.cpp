// The real engine over a real pseudo-terminal against the real emulator process.
#include "AsynComAscii.h"
#include "EmulatorProcess.h"
#include "ExchangeRun.h"
#include "OutgoingRecord.h"
#include "RecordParser.h"
#include "ScriptedPrompts.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Emulator = EmulatorProcess;

struct Outcome {
    bool ended = false;
    std::optional<TTransError> error;
    RecordParser parser;
    std::vector<BufferRecord> records;
};

// Runs one exchange to its end (or 20 s) on the real event loop and parses what was read.
void runExchange(TAsynComAscii &engine, char mode, Outcome &out, QByteArrayList frames = {})
{
    ExchangeRun run(engine);
    run.setRecords(std::move(frames));
    const ExchangeOutcome result = run.run(mode, 20000);
    engine.Close();
    out.ended = result.ended;
    out.error = result.error;
    for (const QString &text : result.records)
        for (auto &r : out.parser.feed(text)) out.records.push_back(std::move(r));
}

template <typename Row>
std::vector<Row> rowsOf(const std::vector<BufferRecord> &records)
{
    std::vector<Row> rows;
    for (const auto &r : records)
        if (auto *row = std::get_if<Row>(&r)) rows.push_back(*row);
    return rows;
}

BufferMeterRow meter(int i)
{
    return {QStringLiteral("ул. Мира, %1").arg(i), QString::number(500000 + i), QStringLiteral("СЕ301"),
            1600.0 + i};
}

}  // namespace

TEST(EngineWithEmulator, ReadsTheDemoBaseWhole)
{
    ScriptedPrompts user;
    Emulator emu;
    ASSERT_FALSE(emu.port.isEmpty());
    TAsynComAscii engine;
    engine.setPortName(emu.port);
    Outcome out;
    runExchange(engine, '0', out);

    EXPECT_TRUE(out.ended);
    EXPECT_FALSE(out.error.has_value());
    EXPECT_TRUE(user.shown().isEmpty()) << user.shownTexts().join('\n').toStdString();
    EXPECT_EQ(rowsOf<BufferMeterRow>(out.records).size(), 6u);
    EXPECT_FALSE(rowsOf<BufferResultRow>(out.records).empty());
    EXPECT_FALSE(rowsOf<BufferProfileDayRow>(out.records).empty());
    EXPECT_FALSE(rowsOf<BufferProfileSliceRow>(out.records).empty());
    const IntakeCounts counts = out.parser.finish();
    EXPECT_EQ(counts, IntakeCounts{});
}

TEST(EngineWithEmulator, WrittenMetersReadBackAndTheHundredAndFirstOverflows)
{
    ScriptedPrompts user;
    Emulator emu({QStringLiteral("--empty")});
    TAsynComAscii engine;
    engine.setPortName(emu.port);

    auto writeMeters = [&](int count) {
        QByteArrayList frames;
        for (int i = 0; i < count; ++i) frames << meterRecordFrame(meter(i), QStringLiteral("."));
        Outcome out;
        runExchange(engine, '1', out, frames);
        return out.error;
    };

    EXPECT_EQ(writeMeters(3), std::nullopt);
    Outcome read;
    runExchange(engine, '0', read);
    const auto meters = rowsOf<BufferMeterRow>(read.records);
    ASSERT_EQ(meters.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(meters[i].PNumber, meter(i).PNumber);
        EXPECT_EQ(meters[i].PAddress, meter(i).PAddress);
        EXPECT_EQ(meters[i].PTipCH, meter(i).PTipCH);
        EXPECT_EQ(meters[i].PReductRate, meter(i).PReductRate);
    }

    user.clear();
    EXPECT_EQ(writeMeters(101), std::optional<TTransError>(eOverflow));
    EXPECT_EQ(user.shown().size(), 1);
}

TEST(EngineWithEmulator, EraseLeavesTheDeviceEmpty)
{
    ScriptedPrompts user;
    Emulator emu;
    TAsynComAscii engine;
    engine.setPortName(emu.port);
    Outcome erase;
    runExchange(engine, '2', erase);
    EXPECT_FALSE(erase.error.has_value());

    Outcome read;
    runExchange(engine, '0', read);
    EXPECT_EQ(read.error, std::optional<TTransError>(eEmpty));
    EXPECT_TRUE(read.records.empty());
}

// Faults injected by the emulator end in the engine's fixed failures, with one message each.
TEST(EngineWithEmulator, InjectedFaultsEndInTheirFailures)
{
    const struct {
        const char *fault;
        TTransError expected;
    } cases[] = {
        {"silence", eDog},
        {"bad-bcc=4", eBCC},
        {"base-empty", eEmpty},
        {"p1-break", ePasswordIN},
    };
    for (const auto &c : cases) {
        ScriptedPrompts user;
        Emulator emu({QStringLiteral("--fault"), QString::fromLatin1(c.fault)});
        TAsynComAscii engine;
        engine.setPortName(emu.port);
        Outcome out;
        runExchange(engine, '0', out);
        EXPECT_EQ(out.error, std::optional<TTransError>(c.expected)) << c.fault;
        EXPECT_EQ(user.shown().size(), 1) << c.fault;
    }
}

// Parse and derive a synthetic read of 100 meters, 1,000 results and 300,000 profile
// slices, delivered as the engine delivers it: fixed-size blocks joined until the text
// holds a closing name. Reports rows per second (meters + results + days + slices).
#include "RecordParser.h"
#include "RecordTexts.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

constexpr int meters = 100, resultsPerMeter = 10, slicesPerMeter = 3000, interval = 30;
constexpr int blockSize = 128;

QStringList deliveries()
{
    QString stream;
    for (int m = 0; m < meters; ++m) {
        stream += meterText(QString("Street %1").arg(m), QString::number(100000 + m), "SET4", "1600") + "\r\n";
        for (int r = 0; r < resultsPerMeter; ++r)
            stream += resultText({{"U1", QString::number(220 + r * 0.37, 'f', 3)}, {"I1", "4.9876"}}) + "\r\n";
        for (int s = 0; s < slicesPerMeter; ++s) {
            if (s % (24 * 60 / interval) == 0)
                stream += dayText(interval, 0, 0, 0, 1 + (s / 48) % 28, 1 + (s / 48 / 28) % 12, 7);
            stream += sliceText(QString::number(s * 0.013, 'f', 3), "0", QString::number(s % 7 * 0.5), "0.001") + "\r\n";
        }
    }
    QStringList texts;
    QString pending;
    for (qsizetype at = 0; at < stream.size(); at += blockSize) {
        pending += stream.mid(at, blockSize);
        if (pending.contains(u"CONST") || pending.contains(u"Q_MINUS") || pending.contains(u"WKPHASE"))
            texts << std::exchange(pending, {});
    }
    if (!pending.isEmpty()) texts << pending;
    return texts;
}

void BM_ParseRead(benchmark::State &state)
{
    const QStringList texts = deliveries();
    std::size_t rows = 0;
    for (auto _ : state) {
        RecordParser parser;
        for (const QString &text : texts) {
            const auto records = parser.feed(text);
            rows += records.size();
            benchmark::DoNotOptimize(records.data());
        }
        if (parser.finish().any()) state.SkipWithError("the synthetic read was not taken over completely");
    }
    state.SetItemsProcessed(int64_t(rows));
    state.counters["rows_per_read"] = double(rows) / double(state.iterations());
    state.counters["deliveries"] = double(texts.size());
}
BENCHMARK(BM_ParseRead)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

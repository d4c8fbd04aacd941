// Parse and derive the synthetic read of SyntheticRead.h. Reports rows per second
// (meters + results + days + slices).
#include "RecordParser.h"
#include "SyntheticRead.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

using syntheticread::deliveries;

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

// Intake of the synthetic read of SyntheticRead.h into the exchange buffer of a fresh
// database: parsing, derived columns and storing through the buffer views, with the
// event loop given its turn before every delivery as during a real read.
//   ./build/bench/records/bench_intake [runs]
#include "BufferIntake.h"
#include "SyntheticRead.h"
#include "TDM.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

double runOnce(const QStringList &texts, int *rows)
{
    QTemporaryDir folder;
    syntheticread::enterFreshDatabase(folder);
    TDM dm;
    if (!dm.open())
        qFatal("cannot open the database");
    for (DataView *view : {&dm.ADOSinhroResult, &dm.ADOSDataProfile, &dm.ADOSinhroProfile})
        view->disableControls();   // as while the progress window is shown
    QElapsedTimer timer;
    timer.start();
    BufferIntake intake(dm);
    for (const QString &text : texts) {
        QCoreApplication::processEvents();
        if (!intake.take(text))
            qFatal("the store refused a row");
    }
    if (intake.finish().any())
        qFatal("the synthetic read was not taken over completely");
    const double seconds = timer.nsecsElapsed() / 1e9;
    *rows = intake.storedRows();
    for (DataView *view : {&dm.ADOSinhroResult, &dm.ADOSDataProfile, &dm.ADOSinhroProfile})
        view->enableControls();
    dm.close();
    QDir::setCurrent(QDir::rootPath());
    return seconds;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QStringList texts = syntheticread::deliveries();
    std::printf("%lld deliveries\n", qlonglong(texts.size()));
    double best = 0;
    for (int r = 0; r < runs; ++r) {
        int rows = 0;
        const double seconds = runOnce(texts, &rows);
        best = std::max(best, rows / seconds);
        std::printf("run %d: %d rows in %.3f s = %.0f rows/s\n", r + 1, rows, seconds, rows / seconds);
        std::fflush(stdout);
    }
    std::printf("best: %.0f rows/s\n", best);
    return 0;
}

// The intake of bench_intake as a read runs it in the program: the main window shown
// over the buffer, the progress window up (result and slice grids suspended), and the
// event loop given its turn after every delivery.
//   QT_QPA_PLATFORM=offscreen ./build/bench/records/bench_intake_window
#include "BufferIntake.h"
#include "SyntheticRead.h"
#include "TDM.h"
#include "UFrame.h"
#include "UMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList texts = syntheticread::deliveries();
    QTemporaryDir folder;
    syntheticread::enterFreshDatabase(folder);
    TDM dm;
    if (!dm.open())
        qFatal("cannot open the database");
    int rows = 0;
    double seconds = 0;
    {
        TFMain window(dm);
        window.setWindowState(Qt::WindowNoState);
        window.resize(1366, 768);
        window.show();
        QApplication::processEvents();
        window.ShowExchangeWindow();
        QElapsedTimer timer;
        timer.start();
        BufferIntake intake(dm);
        for (const QString &text : texts) {
            if (!intake.take(text))
                qFatal("the store refused a row");
            QApplication::processEvents();
        }
        intake.finish();
        seconds = timer.nsecsElapsed() / 1e9;
        rows = intake.storedRows();
        window.FFrame()->close();
    }
    std::printf("%lld deliveries, %d rows in %.3f s = %.0f rows/s\n", qlonglong(texts.size()), rows, seconds,
                rows / seconds);
    dm.close();
    QDir::setCurrent(QDir::rootPath());
    return 0;
}

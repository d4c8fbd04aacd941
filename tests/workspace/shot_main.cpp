// rt519-shot <out.png> [grid-to-enter]
// Runs the program in the working directory, shows the main window maximised,
// optionally puts the focus on a grid, and saves a picture of the whole screen.
#include "DBGrid.h"
#include "Program.h"
#include "QtPrompts.h"
#include "UMain.h"

#include <QApplication>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvatron RT519"));
    QtPrompts prompts;
    installPrompts(&prompts);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: rt519-shot <out.png> [grid]\n");
        return 2;
    }
    std::unique_ptr<Program> program = Program::start();
    if (!program)
        return 1;
    TFMain &window = program->mainWindow();
    window.showMaximized();
    // Without a window manager nothing maximises: take the whole screen ourselves.
    window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    if (args.size() > 2 && args.at(2) == QLatin1String("DBGridTResult"))
        window.archiveDetailTabs()->setCurrentIndex(0);
    if (args.size() > 2 && args.at(2) == QLatin1String("DBGridTSinhroResult"))
        window.bufferDetailTabs()->setCurrentIndex(0);
    QTimer::singleShot(1200, &window, [&] {
        if (args.size() > 2)
            if (TDBGrid *grid = window.grid(args.at(2)))
            {
                grid->setFocus(Qt::MouseFocusReason);
                window.enterGrid(grid);   // no window manager: the focus may not arrive
            }
    });
    int code = 0;
    QTimer::singleShot(2500, &window, [&] {
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        if (!shot.save(args.at(1)))
            code = 1;
        QApplication::quit();
    });
    QApplication::exec();
    program->stop();
    return code;
}

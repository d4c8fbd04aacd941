// rt519-shot <out.png> [grid-to-enter | --read [ms]]
// Runs the program in the working directory, shows the main window maximised,
// optionally puts the focus on a grid, and saves a picture of the whole screen.
// --read starts a read of the device (every question answered Yes, messages printed)
// and takes the picture `ms` later (default 1500): the progress window over the
// disabled main window, or its red state after a time-out.
#include "DBGrid.h"
#include "Program.h"
#include "QtPrompts.h"
#include "UMain.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

namespace {

class AnsweringYes final : public Prompts {
public:
    PromptButton ask(const PromptMessage &m) override
    {
        std::fprintf(stderr, "message: [%s] %s\n", qPrintable(m.caption), qPrintable(m.text));
        return m.buttons.testFlag(PromptButton::Yes) ? PromptButton::Yes : PromptButton::Ok;
    }
    std::optional<FileDialogAnswer> openFile(const FileDialogRequest &) override { return std::nullopt; }
    std::optional<FileDialogAnswer> saveFile(const FileDialogRequest &) override { return std::nullopt; }
    std::optional<unsigned> chooseColor(unsigned) override { return std::nullopt; }
};

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvatron RT519"));
    const QStringList args = QCoreApplication::arguments();
    const bool read = args.size() > 2 && args.at(2) == QLatin1String("--read");
    QtPrompts prompts;
    AnsweringYes yes;
    installPrompts(read ? static_cast<Prompts *>(&yes) : &prompts);
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
        if (args.size() > 2 && !read)
            if (TDBGrid *grid = window.grid(args.at(2)))
            {
                grid->setFocus(Qt::MouseFocusReason);
                window.enterGrid(grid);   // no window manager: the focus may not arrive
            }
    });
    int shotAt = 2500;
    if (read) {
        QTimer::singleShot(1000, &window, [&] { window.action(QStringLiteral("AReadData"))->trigger(); });
        shotAt = 1000 + (args.size() > 3 ? args.at(3).toInt() : 1500);
    }
    int code = 0;
    QTimer::singleShot(shotAt, &window, [&] {
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        if (!shot.save(args.at(1)))
            code = 1;
        QApplication::quit();
    });
    QApplication::exec();
    program->stop();
    return code;
}

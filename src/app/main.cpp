#include "QtPrompts.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvatron RT519"));
    QtPrompts qtPrompts;
    installPrompts(&qtPrompts);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Kelvatron RT519"));
    window.showMaximized();
    return app.exec();
}

// Kelvatron RT519: the PC companion of the portable reference instrument.
// The program takes no command-line arguments.
#include "Program.h"
#include "QtPrompts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvatron RT519"));
    QtPrompts qtPrompts;
    installPrompts(&qtPrompts);
    return runProgram();
}

#include "EmulatorProcess.h"

#include <QElapsedTimer>

QString EmulatorProcess::binary()
{
    return QStringLiteral(RT519_EMU_BINARY);
}

EmulatorProcess::EmulatorProcess(QStringList args)
{
    if (!args.contains(QStringLiteral("--reaction-ms")))
        args << QStringLiteral("--reaction-ms") << QStringLiteral("0");
    process.setProgram(binary());
    process.setArguments(args);
    process.start();
    process.waitForStarted(5000);
    QElapsedTimer t;
    t.start();
    // The emulator's first line names its pseudo-terminal: "PTY /dev/pts/N".
    while (!process.canReadLine() && t.elapsed() < 5000)
        process.waitForReadyRead(100);
    port = QString::fromLocal8Bit(process.readLine()).trimmed().section(QLatin1Char(' '), 1);
}

EmulatorProcess::~EmulatorProcess()
{
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
}

#pragma once
// The instrument emulator rt519-emu as a child process on a fresh pseudo-terminal.
//   EmulatorProcess emu({"--empty"});     // reacts at once unless told otherwise
//   engine.setPortName(emu.port);
#include <QProcess>
#include <QString>
#include <QStringList>

class EmulatorProcess {
public:
    // `args` are rt519-emu's options; "--reaction-ms 0" is added unless given.
    explicit EmulatorProcess(QStringList args = {});
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess &) = delete;
    EmulatorProcess &operator=(const EmulatorProcess &) = delete;

    static QString binary();

    QProcess process;
    QString port;   // the pseudo-terminal's path, empty when the emulator did not start
};

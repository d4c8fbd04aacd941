#pragma once
// The emulator's command line.
#include "DeviceCore.h"
#include "EmuRunner.h"

#include <QString>
#include <QStringList>

namespace emu {

struct EmuOptions {
    DeviceConfig device;
    RunnerSettings runner;
    QString baseFile;  // empty: the built-in demo
    bool emptyBase = false;
    QString link;      // symlink to the pty slave
    QString port;      // a real serial port instead of a pty
    int dataBits = 8;
    QString trace;     // file or "-"
};

enum class ParseResult { Run, Exit, Error };

// Fills *options from arguments (argv[0] first). Exit: help or version printed.
ParseResult parseOptions(const QStringList &arguments, EmuOptions *options, QString *error);

} // namespace emu

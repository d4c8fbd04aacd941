// rt519-emu: the Kelvatron RT519 instrument, emulated on a pseudo-terminal or a
// serial port, for running and testing the PC program without the instrument.
// See --help for the options, the faults and the base file format.
#include "DeviceBase.h"
#include "DeviceCore.h"
#include "EmuOptions.h"
#include "EmuRunner.h"
#include "Links.h"
#include "WireTrace.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace emu;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

int failWith(const QString &why)
{
    QTextStream(stderr) << "rt519-emu: " << why << Qt::endl;
    return 2;
}

std::optional<DeviceBase> loadBase(const EmuOptions &o, QString *error)
{
    if (o.emptyBase) return DeviceBase();
    const QString path = o.baseFile.isEmpty() ? QStringLiteral(":/emu/demo.base") : o.baseFile;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    BaseError why;
    auto base = DeviceBase::fromText(QString::fromUtf8(f.readAll()), &why);
    if (!base) *error = QStringLiteral("%1:%2: %3").arg(path).arg(why.line).arg(why.message);
    return base;
}

// Points path at target, replacing an old symlink but never a real file.
bool makeLink(const QString &path, const QString &target, QString *error)
{
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        if (!info.isSymLink()) {
            *error = QStringLiteral("%1 exists and is not a symlink; not replaced").arg(path);
            return false;
        }
        QFile::remove(path);
    }
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) != 0) {
        *error = QStringLiteral("cannot make the symlink %1").arg(path);
        return false;
    }
    return true;
}

void removeLink(const QString &path, const QString &target)
{
    if (QFileInfo(path).isSymLink() && QFile::symLinkTarget(path) == target) QFile::remove(path);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("rt519-emu"));

    EmuOptions options;
    QString error;
    switch (parseOptions(app.arguments(), &options, &error)) {
    case ParseResult::Exit: return 0;
    case ParseResult::Error: return failWith(error + QStringLiteral(" (see --help)"));
    case ParseResult::Run: break;
    }
    auto base = loadBase(options, &error);
    if (!base) return failWith(error);

    WireTrace trace;
    if (!trace.open(options.trace, &error)) return failWith(error);

    std::unique_ptr<Link> link;
    QString slavePath;
    if (options.port.isEmpty()) {
        auto pty = PtyLink::open(&error);
        if (!pty) return failWith(error);
        slavePath = pty->slavePath();
        link = std::move(pty);
    } else {
        link = SerialLink::open(options.port, options.dataBits, &error);
        if (!link) return failWith(error);
    }
    if (!options.link.isEmpty() && !makeLink(options.link, slavePath, &error)) return failWith(error);

    DeviceCore core(options.device, std::move(*base));
    EmuRunner runner(core, *link, trace, options.runner);
    if (!runner.start(&error)) {
        if (!options.link.isEmpty()) removeLink(options.link, slavePath);
        return failWith(error);
    }

    // The first line tells a script or a test where to connect.
    std::fprintf(stdout, "%s\n", link->announcement().toLocal8Bit().constData());
    std::fflush(stdout);
    QTextStream(stderr) << "rt519-emu: " << core.base().units().size() << " record(s), "
                        << core.base().meterCount() << " meter(s); rate character "
                        << QString::fromLatin1(&options.device.rateChar, 1) << Qt::endl;

    int exitCode = 0;
    QObject::connect(&runner, &EmuRunner::finished, &app, [&] { app.quit(); });
    QObject::connect(&runner, &EmuRunner::failed, &app, [&](const QString &why) {
        QTextStream(stderr) << "rt519-emu: " << why << Qt::endl;
        exitCode = 1;
        app.quit();
    });

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] { app.quit(); });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGHUP, onSignal);
    }
    std::signal(SIGPIPE, SIG_IGN); // a trace piped into a reader that has gone away

    app.exec();
    if (!options.link.isEmpty()) removeLink(options.link, slavePath);
    return exitCode;
}

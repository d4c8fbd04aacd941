// rt519-frames-shot <dir>
// Saves pictures of the progress window (running, then failed) and of the port dialog
// with a short and a long port list, for looking at them under Xvfb.
#include "AsynCom.h"
#include "UCom.h"
#include "UFrame.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

namespace {

bool save(QWidget &window, const QString &path)
{
    window.show();
    QApplication::processEvents();
    const bool ok = window.grab().save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path), window.width(), window.height());
    return ok;
}

bool shootFrame(const QDir &out)
{
    TFFrame frame;
    frame.prepare(QStringLiteral("ttyUSB0"));
    frame.setRateText(QStringLiteral("9600"));
    frame.addReceived(48213);
    frame.addSent(1570);
    bool ok = save(frame, out.filePath(QStringLiteral("frame_running.png")));
    frame.showFailure();
    ok = save(frame, out.filePath(QStringLiteral("frame_failed.png"))) && ok;
    frame.close();
    frame.prepare(QStringLiteral("/tmp/rt519-emu/instrument-pty0"));
    ok = save(frame, out.filePath(QStringLiteral("frame_long_port.png"))) && ok;
    return ok;
}

bool shootPortDialog(const QDir &out, const QString &name, const QStringList &paths)
{
    qputenv("RT519_EXTRA_PORTS", paths.join(QDir::listSeparator()).toLocal8Bit());
    TAsynCom engine;
    TFCom dialog(engine);
    return save(dialog, out.filePath(name));
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: rt519-frames-shot <dir>\n");
        return 2;
    }
    // The dialog remembers its choice: keep that away from the user's settings.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

    QDir out(args.at(1));
    out.mkpath(QStringLiteral("."));
    bool ok = shootFrame(out);
    ok = shootPortDialog(out, QStringLiteral("com_short.png"), {QStringLiteral("/dev/ttyUSB0")}) && ok;
    QStringList many;
    for (int i = 0; i < 6; ++i) many << QStringLiteral("/dev/ttyUSB%1").arg(i);
    many << QStringLiteral("/tmp/rt519-emu/pty0") << QStringLiteral("/dev/ttyACM0");
    ok = shootPortDialog(out, QStringLiteral("com_many.png"), many) && ok;
    return ok ? 0 : 1;
}

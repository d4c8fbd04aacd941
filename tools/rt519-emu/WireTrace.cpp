#include "WireTrace.h"

#include "Frames.h"

#include <cstdio>

namespace emu {

bool WireTrace::open(const QString &target, QString *error)
{
    if (target.isEmpty()) return true;
    const bool ok = target == QLatin1String("-") ? file_.open(stdout, QIODevice::WriteOnly | QIODevice::Text)
                                                 : (file_.setFileName(target), file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text));
    if (!ok) *error = QStringLiteral("cannot write the trace to %1: %2").arg(target, file_.errorString());
    return ok;
}

QString traceColumns(QByteArrayView bytes)
{
    QString hex;
    for (char c : bytes) {
        if (!hex.isEmpty()) hex += QLatin1Char(' ');
        hex += QStringLiteral("%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0')).toUpper();
    }
    return hex + QStringLiteral("   ") + readableBytes(bytes);
}

void WireTrace::line(double ms, const char *tag, const QString &rest)
{
    if (!file_.isOpen()) return;
    const QString text = QStringLiteral("%1 %2 %3\n").arg(ms / 1000.0, 10, 'f', 3).arg(QLatin1String(tag), -7).arg(rest);
    file_.write(text.toUtf8());
    file_.flush();
}

void WireTrace::bytes(double ms, bool fromPc, QByteArrayView b) { line(ms, fromPc ? "PC>DEV" : "DEV>PC", traceColumns(b)); }

void WireTrace::note(double ms, const QString &text) { line(ms, "----", text); }

} // namespace emu

#include "ExchangeRun.h"

#include <QEventLoop>
#include <QTimer>

ExchangeOutcome ExchangeRun::run(char mode, int timeoutMs)
{
    ExchangeOutcome out;
    QEventLoop loop;
    qsizetype next = 0;
    engine_.OnReadIdent = [&](const QString &xxx, QChar z, const QString &ident) {
        out.idents << xxx + QLatin1Char(' ') + z + QLatin1Char(' ') + ident;
    };
    engine_.OnReadBase = [&](const QString &data) { out.records << data; };
    engine_.OnWriteBase = [&] {
        ++out.recordsRequested;
        if (next < records_.size())
            engine_.SendData(records_[next++]);
        else
            engine_.EndExchange();
    };
    engine_.OnEndFrame = [&] {
        out.ended = true;
        loop.quit();
    };
    engine_.OnSetError = [&](TTransError e) {
        out.error = e;
        loop.quit();
    };
    engine_.OnReadBuffer = [&](const QByteArray &s, const TPortStatus &, quint32, quint32) { out.received += s; };
    engine_.OnWriteBuffer = [&](const QByteArray &s) { out.sent += s; };

    if (!engine_.Connected() && !engine_.Open()) return out;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(timeoutMs);
    engine_.StartExchange(mode);
    if (!out.ended && !out.error) loop.exec();
    out.finished = out.ended || out.error.has_value();

    engine_.OnReadIdent = {};
    engine_.OnReadBase = {};
    engine_.OnWriteBase = {};
    engine_.OnEndFrame = {};
    engine_.OnSetError = {};
    engine_.OnReadBuffer = {};
    engine_.OnWriteBuffer = {};
    return out;
}

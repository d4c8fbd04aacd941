#include "ExchangeTrace.h"

#include <QFile>
#include <QStringDecoder>

namespace {

const char *controlName(unsigned char c)
{
    switch (c) {
    case 0x01: return "SOH";
    case 0x02: return "STX";
    case 0x03: return "ETX";
    case 0x04: return "EOT";
    case 0x06: return "ACK";
    case 0x0A: return "LF";
    case 0x0D: return "CR";
    case 0x15: return "NAK";
    default: return nullptr;
    }
}

QString hexByte(unsigned char c) { return QStringLiteral("%1").arg(c, 2, 16, QLatin1Char('0')).toUpper(); }

}  // namespace

QString readableBytes(QByteArrayView bytes)
{
    QStringDecoder cp1251("windows-1251");
    QString out;
    bool checkByteNext = false;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (checkByteNext) {
            out += QLatin1Char('<') + hexByte(c) + QLatin1Char('>');
            checkByteNext = false;
        } else if (const char *name = controlName(c)) {
            out += QLatin1Char('<') + QLatin1String(name) + QLatin1Char('>');
            checkByteNext = c == 0x03 || c == 0x04;
        } else if (c < 0x20 || c == 0x7F) {
            out += QLatin1Char('<') + hexByte(c) + QLatin1Char('>');
        } else {
            out += cp1251(QByteArrayView(&ch, 1));
        }
    }
    return out;
}

std::unique_ptr<ExchangeTrace> ExchangeTrace::fromEnvironment()
{
    const QString path = qEnvironmentVariable("RT519_TRACE");
    if (path.isEmpty()) return nullptr;
    auto trace = std::make_unique<ExchangeTrace>(path);
    if (!trace->isOpen()) return nullptr;
    return trace;
}

ExchangeTrace::ExchangeTrace(const QString &path) : file_(std::make_unique<QFile>(path))
{
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qWarning("RT519_TRACE: cannot write %s: %s", qPrintable(path), qPrintable(file_->errorString()));
        file_.reset();
    }
}

ExchangeTrace::~ExchangeTrace() = default;

bool ExchangeTrace::isOpen() const { return file_ != nullptr; }

QString ExchangeTrace::formatLine(const QDateTime &when, Direction direction, QByteArrayView bytes)
{
    QString hex;
    hex.reserve(bytes.size() * 3);
    for (char c : bytes) {
        if (!hex.isEmpty()) hex += QLatin1Char(' ');
        hex += hexByte(static_cast<unsigned char>(c));
    }
    const QString tag = direction == Direction::ToDevice ? QStringLiteral("PC→ ") : QStringLiteral("←DEV");
    return QStringLiteral("%1 %2  %3   %4")
        .arg(when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), tag, hex, readableBytes(bytes));
}

void ExchangeTrace::record(Direction direction, QByteArrayView bytes)
{
    writeLine(formatLine(QDateTime::currentDateTime(), direction, bytes));
}

void ExchangeTrace::note(const QString &text)
{
    writeLine(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral(" ----  ") + text);
}

void ExchangeTrace::writeLine(const QString &line)
{
    if (!file_) return;
    file_->write((line + QLatin1Char('\n')).toUtf8());
    file_->flush();  // a crash or a pulled cable must not lose the last lines
}

#include "DisplayFormat.h"

#include "StoredTime.h"

#include <QRegularExpression>
#include <cmath>

namespace DisplayFormat {

namespace {

struct NumberPattern {
    int minInteger = 0;    // '0' digits before the point
    int minFraction = 0;   // '0' digits after the point
    int maxFraction = 0;   // all digits after the point
};

NumberPattern parseNumberPattern(const QString &pattern)
{
    NumberPattern p;
    const int point = pattern.indexOf(QLatin1Char('.'));
    const QString integer = point < 0 ? pattern : pattern.left(point);
    const QString fraction = point < 0 ? QString() : pattern.mid(point + 1);
    p.minInteger = int(integer.count(QLatin1Char('0')));
    for (QChar c : fraction) {
        if (c == QLatin1Char('0')) {
            ++p.maxFraction;
            p.minFraction = p.maxFraction;
        } else if (c == QLatin1Char('#')) {
            ++p.maxFraction;
        }
    }
    return p;
}

QString general(double value, QChar decimalPoint)
{
    QString text = QString::number(value, 'g', 15);
    if (decimalPoint != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), decimalPoint);
    return text;
}

QString twoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

}  // namespace

QString number(double value, const QString &pattern, QChar decimalPoint)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (pattern.isEmpty())
        return general(value, decimalPoint);
    const NumberPattern p = parseNumberPattern(pattern);
    QString text = QString::number(std::fabs(value), 'f', p.maxFraction);
    const bool negative = value < 0 && text.contains(QRegularExpression(QStringLiteral("[1-9]")));
    QString integer = text.section(QLatin1Char('.'), 0, 0);
    QString fraction = text.section(QLatin1Char('.'), 1);
    while (fraction.size() > p.minFraction && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (integer == QLatin1String("0") && p.minInteger == 0)
        integer.clear();
    while (integer.size() < p.minInteger)
        integer.prepend(QLatin1Char('0'));
    QString result = integer;
    if (!fraction.isEmpty())
        result += decimalPoint + fraction;
    if (negative)
        result.prepend(QLatin1Char('-'));
    return result;
}

QString dateTime(const QDateTime &value, const QString &pattern)
{
    if (!value.isValid())
        return QString();
    const QDate d = value.date();
    const QTime t = value.time();
    QString out;
    bool afterHour = false;
    for (int i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int end = pattern.indexOf(c, i + 1);
            const int stop = end < 0 ? int(pattern.size()) : end;
            out += pattern.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        int run = 1;
        while (i + run < pattern.size() && pattern.at(i + run).toLower() == c.toLower())
            ++run;
        const QChar k = c.toLower();
        if (k == QLatin1Char('y')) {
            out += run >= 4 ? QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')) : twoDigits(d.year() % 100);
        } else if (k == QLatin1Char('m')) {
            out += twoDigits(afterHour ? t.minute() : d.month());
        } else if (k == QLatin1Char('d')) {
            out += twoDigits(d.day());
        } else if (k == QLatin1Char('h')) {
            out += twoDigits(t.hour());
        } else if (k == QLatin1Char('n')) {
            out += twoDigits(t.minute());
        } else if (k == QLatin1Char('s')) {
            out += twoDigits(t.second());
        } else {
            out += pattern.mid(i, run);
        }
        if (k.isLetter())
            afterHour = k == QLatin1Char('h');
        i += run;
    }
    return out;
}

QDateTime parseStored(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime();
    return parseStoredTime(value.toString()).value_or(QDateTime());
}

bool isDatePattern(const QString &pattern)
{
    for (QChar c : pattern)
        if (QStringLiteral("dmyhns").contains(c.toLower()))
            return true;
    return false;
}

QString cell(const QVariant &raw, const QString &pattern, QChar decimalPoint)
{
    if (raw.isNull() || !raw.isValid())
        return QString();
    if (!pattern.isEmpty() && isDatePattern(pattern))
        return dateTime(parseStored(raw), pattern);
    const int type = raw.metaType().id();
    if (type == QMetaType::Double || type == QMetaType::Float)
        return number(raw.toDouble(), pattern, decimalPoint);
    if (!pattern.isEmpty() && (type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::UInt
                               || type == QMetaType::ULongLong))
        return number(raw.toDouble(), pattern, decimalPoint);
    return raw.toString();
}

QString code(const QVariant &raw, const QStringList &codes)
{
    if (raw.isNull() || !raw.isValid())
        return QString();
    bool ok = false;
    const qlonglong n = raw.toLongLong(&ok);
    if (ok && n >= 0 && n < codes.size())
        return codes.at(int(n));
    return raw.toString();
}

}  // namespace DisplayFormat

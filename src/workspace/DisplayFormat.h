#pragma once
// Display formats of the grids, written the way the column definitions give them:
// numbers "0.##", "0.####", "0.###", "#.##" and dates "dd.mm.yy '/' hh:nn",
// "dd.mm.yyyy", "dd.mm.yyyy, hh:mm:ss". A null value shows as an empty text.
#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace DisplayFormat {

// "0" before the point: that many digits at least; "#": optional digits. After the
// point "0" digits are always written, "#" digits only when not zero. An empty
// pattern writes the value with up to 15 significant digits, as typed.
QString number(double value, const QString &pattern, QChar decimalPoint = QLatin1Char('.'));

// Tokens: yyyy, yy, mm (month; minutes right after hh), dd, hh, nn, ss, text between
// single or double quotes; anything else is written as it stands.
QString dateTime(const QDateTime &value, const QString &pattern);

// Stored ISO text "YYYY-MM-DD HH:MM:SS" (or a QDateTime) to a date-time; invalid when not.
QDateTime parseStored(const QVariant &value);

// True for the patterns dateTime() understands (they hold d, m, y, h, n or s).
bool isDatePattern(const QString &pattern);

// One cell: null -> empty; a date pattern formats a stored date; a number with a
// number pattern (or none) is formatted; other values as they stand.
QString cell(const QVariant &raw, const QString &pattern, QChar decimalPoint = QLatin1Char('.'));

// A coded column: the text for the code, the number itself when outside the list,
// empty for null.
QString code(const QVariant &raw, const QStringList &codes);

}  // namespace DisplayFormat

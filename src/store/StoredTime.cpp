#include "StoredTime.h"

#include <cstdio>

namespace {

int digitsAt(QStringView t, int from, int count)
{
    int n = 0;
    for (int i = from; i < from + count; ++i) {
        if (!t[i].isDigit())
            return -1;
        n = n * 10 + t[i].digitValue();
    }
    return n;
}

}  // namespace

// Written out by hand: grids and long intakes handle thousands of these.
std::optional<QDateTime> parseStoredTime(QStringView text)
{
    const QStringView t = text.trimmed();
    const bool withTime = t.size() == 19 && (t[10] == u' ' || t[10] == u'T') && t[13] == u':' && t[16] == u':';
    if ((t.size() != 10 && !withTime) || t[4] != u'-' || t[7] != u'-')
        return std::nullopt;
    const QDate date(digitsAt(t, 0, 4), digitsAt(t, 5, 2), digitsAt(t, 8, 2));
    const QTime time = withTime ? QTime(digitsAt(t, 11, 2), digitsAt(t, 14, 2), digitsAt(t, 17, 2)) : QTime(0, 0);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QString storedTimeText(const QDateTime &time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(), d.day(),
                                t.hour(), t.minute(), t.second());
    return QString::fromLatin1(text, n);
}

#include "DisplayFormat.h"

#include <gtest/gtest.h>
#include <ctime>

using namespace DisplayFormat;

TEST(DisplayFormat, NumbersFollowTheirPattern)
{
    struct Case {
        double value;
        const char *pattern;
        const char *expected;
    };
    const Case cases[] = {
        {220.456, "0.##", "220.46"},   {220.4, "0.##", "220.4"},     {220, "0.##", "220"},
        {0.004, "0.##", "0"},          {-0.004, "0.##", "0"},        {-1.235, "0.##", "-1.24"},
        {0.5, "0.##", "0.5"},          {0.123456, "0.####", "0.1235"}, {5, "0.####", "5"},
        {1234.5678, "0.###", "1234.568"}, {49.98, "#.##", "49.98"}, {0.5, "#.##", ".5"},
        {0, "#.##", ""},               {3.1, "0.00", "3.10"},        {7, "000", "007"},
        {12345.678901, "", "12345.678901"}, {0.1, "", "0.1"},        {1e20, "", "1e+20"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(number(c.value, QString::fromLatin1(c.pattern)), QString::fromLatin1(c.expected))
            << c.value << " with " << c.pattern;
}

TEST(DisplayFormat, DecimalMarkIsTheCallersChoice)
{
    EXPECT_EQ(number(220.5, QStringLiteral("0.##"), QLatin1Char(',')), QStringLiteral("220,5"));
    EXPECT_EQ(number(0.1, QString(), QLatin1Char(',')), QStringLiteral("0,1"));
}

TEST(DisplayFormat, DatesFollowTheirPattern)
{
    const QDateTime t(QDate(2024, 3, 7), QTime(9, 5, 4));
    struct Case {
        const char *pattern;
        const char *expected;
    };
    const Case cases[] = {
        {"dd.mm.yy '/' hh:nn", "07.03.24 / 09:05"},
        {"dd.mm.yyyy", "07.03.2024"},
        {"dd.mm.yyyy, hh:mm:ss", "07.03.2024, 09:05:04"},   // mm after hh is minutes
        {"hh.mm.ss", "09.05.04"},
        {"\"date\" dd", "date 07"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(dateTime(t, QString::fromLatin1(c.pattern)), QString::fromUtf8(c.expected)) << c.pattern;
}

TEST(DisplayFormat, CellsTakeStoredValues)
{
    EXPECT_EQ(cell(QStringLiteral("2024-03-07 09:05:04"), QStringLiteral("dd.mm.yyyy")), QStringLiteral("07.03.2024"));
    EXPECT_EQ(cell(QStringLiteral("0001-01-01 00:00:00"), QStringLiteral("dd.mm.yyyy")), QStringLiteral("01.01.0001"));
    EXPECT_EQ(cell(QStringLiteral("not a date"), QStringLiteral("dd.mm.yyyy")), QString());
    EXPECT_EQ(cell(QVariant(), QStringLiteral("0.##")), QString());
    EXPECT_EQ(cell(QVariant(220.456), QStringLiteral("0.##")), QStringLiteral("220.46"));
    EXPECT_EQ(cell(QVariant(qlonglong(30)), QString()), QStringLiteral("30"));
    EXPECT_EQ(cell(QStringLiteral("0.95L"), QString()), QStringLiteral("0.95L"));
}

TEST(DisplayFormat, CodesShowTheirTexts)
{
    const QStringList codes = {QStringLiteral("3Ф4П"), QStringLiteral("3Ф3П"), QStringLiteral("1Ф2П")};
    EXPECT_EQ(code(QVariant(qlonglong(1)), codes), QStringLiteral("3Ф3П"));
    EXPECT_EQ(code(QVariant(qlonglong(7)), codes), QStringLiteral("7"));
    EXPECT_EQ(code(QVariant(), codes), QString());
}

TEST(DisplayFormat, StoredTimesShowAsStoredWhateverTheLocalClockDoes)
{
    // The device's clock knows no daylight saving: 02:30 on the night the local clock
    // skips from 02:00 to 03:00 is a time like any other.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const QString pattern = QStringLiteral("dd.mm.yyyy, hh:mm:ss");
    EXPECT_EQ(cell(QStringLiteral("2024-03-31 02:30:00"), pattern), QStringLiteral("31.03.2024, 02:30:00"));
    EXPECT_EQ(cell(QStringLiteral("2024-10-27 02:30:00"), pattern), QStringLiteral("27.10.2024, 02:30:00"));
    EXPECT_EQ(cell(QStringLiteral("2024-03-31T02:30:00"), pattern), QStringLiteral("31.03.2024, 02:30:00"));
    EXPECT_EQ(cell(QStringLiteral("2024-03-31"), pattern), QStringLiteral("31.03.2024, 00:00:00"));
    EXPECT_EQ(cell(QStringLiteral("2024-02-30 10:00:00"), pattern), QString());
    if (zone.isEmpty())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}

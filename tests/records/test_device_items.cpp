#include "DeviceItems.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

struct NumberCase {
    const char16_t *text;
    std::optional<double> value;
};

TEST(DeviceItems, TextToFloatAcceptsEitherDecimalMarkAndRejectsNonNumbers)
{
    QLocale::setDefault(QLocale(QLocale::German));  // a decimal comma must change nothing
    const NumberCase cases[] = {
        {u"1,5", 1.5},     {u"1.5", 1.5},      {u"", 0.0},        {u"   ", 0.0},
        {u"-230.5", -230.5}, {u"+7", 7.0},     {u" 12 ", 12.0},   {u"5.", 5.0},
        {u",25", 0.25},    {u"1e3", 1000.0},   {u"2,5E-1", 0.25}, {u"-0", 0.0},
        {u"1.2,5", std::nullopt}, {u"abc", std::nullopt}, {u"1 000", std::nullopt},
        {u".", std::nullopt},     {u"1e", std::nullopt},  {u"--1", std::nullopt},
        {u"inf", std::nullopt},   {u"nan", std::nullopt}, {u"1e999", std::nullopt},
        {u"12a", std::nullopt},   {u"0x10", std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        EXPECT_EQ(TextToFloat(QString::fromUtf16(c.text)), c.value);
    }
    QLocale::setDefault(QLocale::c());
}

TEST(DeviceItems, TextToFloatRoundedKeepsSevenSignificantDigits)
{
    struct Case {
        const char16_t *text;
        int digits;
        double value;
    };
    const Case cases[] = {
        {u"230.456", 2, 230.46},       {u"1234.56789", 4, 1234.568}, {u"123.456789", 2, 123.46},
        {u"0.123456", 4, 0.1235},      {u"230.455", 2, 230.46},      {u"-230.455", 2, -230.46},
        {u"0.125", 2, 0.13},           {u"99.995", 2, 100.0},        {u"9999999.5", 2, 10000000.0},
        {u"123456789", 2, 123456800},  {u"0.00004", 4, 0.0},         {u"0.00005", 4, 0.0001},
        {u"", 2, 0.0},                 {u"230", 2, 230.0},           {u"-0.001", 2, 0.0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        const auto value = TextToFloatRounded(QString::fromUtf16(c.text), c.digits);
        ASSERT_TRUE(value);
        EXPECT_DOUBLE_EQ(*value, c.value);
    }
    EXPECT_FALSE(TextToFloatRounded(u"1.2,5", 2));
}

TEST(DeviceItems, WholeNumbers)
{
    const std::pair<const char16_t *, std::optional<int>> cases[] = {
        {u"07", 7},  {u"-3", -3}, {u" 12", 12}, {u"+5", 5}, {u"2147483647", 2147483647},
        {u"", std::nullopt}, {u"1.0", std::nullopt}, {u"1,5", std::nullopt}, {u"x", std::nullopt},
        {u"-", std::nullopt}, {u"2147483648", std::nullopt}, {u"99999999999999999999", std::nullopt},
    };
    for (const auto &[text, value] : cases) {
        SCOPED_TRACE(QString::fromUtf16(text).toStdString());
        EXPECT_EQ(TextToWhole(QString::fromUtf16(text)), value);
    }
}

TEST(DeviceItems, TwoDigitYearsAndImpossibleDates)
{
    EXPECT_EQ(deviceYear(49), 2049);
    EXPECT_EQ(deviceYear(50), 1950);
    EXPECT_EQ(deviceYear(7), 2007);
    EXPECT_EQ(deviceYear(98), 1998);
    EXPECT_EQ(deviceDateTime(7, 2, 28, 23, 59, 59),
              QDateTime(QDate(2007, 2, 28), QTime(23, 59, 59), Qt::UTC));
    const int impossible[][6] = {
        {7, 13, 1, 0, 0, 0}, {7, 2, 31, 0, 0, 0}, {7, 1, 1, 24, 0, 0}, {7, 1, 1, 0, 60, 0},
        {7, 1, 1, 0, 0, 60}, {7, 0, 1, 0, 0, 0},  {7, 1, 0, 0, 0, 0},  {7, 65537, 1, 0, 0, 0},
        {-2000, 1, 1, 0, 0, 0}, {70000, 1, 1, 0, 0, 0}, {7, 1, 1, -1, 0, 0},
    };
    for (const auto &d : impossible) EXPECT_FALSE(deviceDateTime(d[0], d[1], d[2], d[3], d[4], d[5]));
    EXPECT_EQ(noDeviceDate().toString(Qt::ISODate), "0001-01-01T00:00:00Z");
}

TEST(DeviceItems, RateLabels)
{
    const char *labels[] = {"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
    for (int z = 0; z < 10; ++z) EXPECT_EQ(rateLabelText(QChar(u'0' + z)), QString(labels[z]));
    EXPECT_FALSE(rateLabelText(u'A'));
    EXPECT_FALSE(rateLabelText(u' '));
}

TEST(DeviceItems, CodePage1251)
{
    const QString type = QString::fromUtf16(u"СЭТ-4ТМ №1");
    const QByteArray bytes = DeviceItems::encodeDeviceText(type);
    EXPECT_EQ(bytes, QByteArray("\xD1\xDD\xD2-4\xD2\xCC \xB9" "1"));
    EXPECT_EQ(DeviceItems::decodeDeviceText(bytes), type);
    EXPECT_TRUE(DeviceItems::isDeviceEncodable(type));
    EXPECT_FALSE(DeviceItems::isDeviceEncodable(QString::fromUtf16(u"電表")));
    EXPECT_EQ(DeviceItems::trimTrailingBlanks(u" a b  "), u" a b");
    EXPECT_EQ(DeviceItems::trimTrailingBlanks(u"a\t"), u"a\t");
}

}  // namespace

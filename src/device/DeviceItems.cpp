#include "DeviceItems.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr auto deviceCodePage = "windows-1251";

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

QStringView skipLeadingBlanks(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    return text.mid(i);
}

// Checks the number grammar (sign, digits with one optional decimal mark, optional
// exponent) and copies the number as ASCII with "." as the mark; false if it is not one.
bool toAsciiNumber(QStringView text, std::string &out)
{
    out.clear();
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') out.push_back('-');
        ++i;
    }
    int mantissaDigits = 0;
    bool mark = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (isDigit(c)) {
            out.push_back(char(c.unicode()));
            ++mantissaDigits;
        } else if ((c == u'.' || c == u',') && !mark) {
            out.push_back('.');
            mark = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        out.push_back('e');
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-')) out.push_back(char(text[i++].unicode()));
        int exponentDigits = 0;
        for (; i < n && isDigit(text[i]); ++i, ++exponentDigits) out.push_back(char(text[i].unicode()));
        if (exponentDigits == 0) return false;
    }
    while (i < n && text[i] == u' ') ++i;
    return i == n;
}

}  // namespace

namespace DeviceItems {

QStringView trimTrailingBlanks(QStringView text)
{
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == u' ') --n;
    return text.first(n);
}

QString decodeDeviceText(QByteArrayView bytes)
{
    QStringDecoder decoder(deviceCodePage);
    return decoder(bytes);
}

QByteArray encodeDeviceText(QStringView text)
{
    QStringEncoder encoder(deviceCodePage);
    return encoder(text);
}

bool isDeviceEncodable(QStringView text)
{
    return decodeDeviceText(encodeDeviceText(text)) == text;
}

}  // namespace DeviceItems

std::optional<double> TextToFloat(QStringView text)
{
    text = skipLeadingBlanks(text);
    if (DeviceItems::trimTrailingBlanks(text).isEmpty()) return 0.0;
    std::string ascii;
    if (!toAsciiNumber(text, ascii)) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value)) return std::nullopt;
    return value + 0.0;  // no negative zero
}

double roundAsFixed7(double value, int digits)
{
    if (!std::isfinite(value) || value == 0) return value;
    // The shortest text that reads back as the value: the digits the device wrote.
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific);
    const std::string_view shown(text, written.ptr - text);
    const auto e = shown.find('e');
    std::string mantissa;
    for (char c : shown.substr(0, e))
        if (c != '.') mantissa.push_back(c);
    const int exponent = std::stoi(std::string(shown.substr(e + 1)));  // of the first digit

    // Keep at most 7 significant digits and at most `digits` decimals.
    const int keep = std::min(7, exponent + 1 + digits);
    if (keep < 0) return 0.0;
    if (int(mantissa.size()) <= keep) return value;
    const bool up = mantissa[keep] >= '5';
    std::string kept = mantissa.substr(0, keep);
    if (up) {
        int i = keep - 1;
        for (; i >= 0 && kept[i] == '9'; --i) kept[i] = '0';
        if (i >= 0) ++kept[i];
        else kept.insert(kept.begin(), '1');
    }
    if (kept.empty()) return 0.0;
    // The last kept digit stands for 10^(exponent - keep + 1); a carry does not move it.
    const std::string result = (value < 0 ? "-" : "") + kept + "e" + std::to_string(exponent - keep + 1);
    double rounded = 0;
    std::from_chars(result.data(), result.data() + result.size(), rounded);
    return rounded + 0.0;
}

std::optional<double> TextToFloatRounded(QStringView text, int digits)
{
    const auto value = TextToFloat(text);
    if (!value) return std::nullopt;
    return roundAsFixed7(*value, digits);
}

std::optional<int> TextToWhole(QStringView text)
{
    text = DeviceItems::trimTrailingBlanks(skipLeadingBlanks(text));
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    if (i == text.size()) return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i])) return std::nullopt;
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > std::numeric_limits<int>::max() + 1LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return std::nullopt;
    return int(value);
}

int deviceYear(int twoDigitYear)
{
    return twoDigitYear < 50 ? twoDigitYear + 2000 : twoDigitYear + 1900;
}

std::optional<QDateTime> deviceDateTime(int twoDigitYear, int month, int day, int hour, int minute, int second)
{
    if (twoDigitYear > 9999 || twoDigitYear < -9999) return std::nullopt;  // no overflow below
    const int year = deviceYear(twoDigitYear);
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day)) return std::nullopt;
    if (!QTime::isValid(hour, minute, second)) return std::nullopt;
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

QDateTime noDeviceDate()
{
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

std::optional<QString> rateLabelText(QChar rateCharacter)
{
    static constexpr const char *labels[] = {"300", "600", "1200", "2400", "4800",
                                             "9600", "19200", "38400", "57600", "115200"};
    if (!isDigit(rateCharacter)) return std::nullopt;
    return QString::fromLatin1(labels[rateCharacter.unicode() - u'0']);
}

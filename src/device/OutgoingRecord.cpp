#include "OutgoingRecord.h"

#include "DeviceItems.h"
#include "Prompts.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

constexpr char SOH = 0x01, STX = 0x02, ETX = 0x03;
constexpr int generalPrecision = 15;

bool isControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }

// The stored text with control characters made visible, for a message.
QString shown(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (isControl(c)) c = u'?';
    return out;
}

}  // namespace

QString meterConstantText(std::optional<double> constant, const QString &decimalSeparator)
{
    if (!constant) return {};
    const double value = *constant;
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0) return QStringLiteral("0");

    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                       std::chars_format::scientific, generalPrecision - 1);
    const std::string_view text(buffer, written.ptr - buffer);
    const auto e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e))
        if (c != '.') digits.push_back(c);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int exponent = std::stoi(std::string(text.substr(e + 1)));  // of the first digit

    QString out = value < 0 ? QStringLiteral("-") : QString();
    const auto ascii = [](std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); };
    if (exponent >= generalPrecision || exponent < -5) {
        out += ascii(std::string_view(digits).substr(0, 1));
        if (digits.size() > 1) out += decimalSeparator + ascii(std::string_view(digits).substr(1));
        out += u'E' + QString::number(exponent);
    } else if (exponent >= 0) {
        if (int(digits.size()) <= exponent + 1) {
            out += ascii(digits) + QString(exponent + 1 - int(digits.size()), u'0');
        } else {
            out += ascii(std::string_view(digits).substr(0, exponent + 1)) + decimalSeparator +
                   ascii(std::string_view(digits).substr(exponent + 1));
        }
    } else {
        out += u'0' + decimalSeparator + QString(-exponent - 1, u'0') + ascii(digits);
    }
    return out;
}

QString meterRecordText(const BufferMeterRow &row, const QString &decimalSeparator)
{
    return QStringLiteral("ADR(") + row.PAddress + QStringLiteral(")NUM(") + row.PNumber +
           QStringLiteral(")TYPE(") + row.PTipCH + QStringLiteral(")CONST(") +
           meterConstantText(row.PReductRate, decimalSeparator) + u')';
}

QByteArray meterRecordFrame(const BufferMeterRow &row, const QString &decimalSeparator)
{
    QByteArray frame;
    frame += SOH;
    frame += "W1";
    frame += STX;
    frame += DeviceItems::encodeDeviceText(meterRecordText(row, decimalSeparator));
    frame += ETX;
    return frame;
}

bool isSendableText(const QString &text)
{
    for (QChar c : text)
        if (c == u'(' || c == u')' || isControl(c)) return false;
    return DeviceItems::isDeviceEncodable(text);
}

std::optional<QString> unsendableMeterMessage(const std::vector<BufferMeterRow> &rows)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const BufferMeterRow &row = rows[i];
        const std::pair<const char16_t *, const QString *> fields[] = {
            {u"Адрес", &row.PAddress}, {u"Номер", &row.PNumber}, {u"Тип", &row.PTipCH}};
        for (const auto &[label, value] : fields) {
            if (isSendableText(*value)) continue;
            return QString::fromUtf16(u"Счетчик в строке %1 (тип \"%2\", номер \"%3\", адрес \"%4\") "
                                      u"не может быть записан в прибор: поле \"%5\" содержит скобку, "
                                      u"управляющий символ или символ, которого нет в кодировке прибора.\r\n"
                                      u"Исправьте запись. В прибор ничего не передано.")
                .arg(i + 1)
                .arg(shown(row.PTipCH), shown(row.PNumber), shown(row.PAddress), QString::fromUtf16(label));
        }
    }
    return std::nullopt;
}

bool checkMetersSendable(const std::vector<BufferMeterRow> &rows)
{
    const auto refusal = unsendableMeterMessage(rows);
    if (!refusal) return true;
    showMessage(*refusal, QString::fromUtf16(u"Ошибка"), PromptIcon::Error);
    return false;
}

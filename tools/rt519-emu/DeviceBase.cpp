#include "DeviceBase.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

namespace emu {

std::optional<QByteArray> toDeviceText(const QString &text)
{
    QStringEncoder enc("windows-1251");
    QByteArray out = enc.encode(text);
    if (enc.hasError()) return std::nullopt;
    return out;
}

QString fromDeviceText(const QByteArray &bytes) { return QStringDecoder("windows-1251").decode(bytes); }

static bool isClosingName(QByteArrayView name)
{
    for (const char *c : closingNames)
        if (name == c) return true;
    return false;
}

// Splits text into units; on failure says why and at which byte offset.
static std::optional<QList<BaseUnit>> parseUnits(const QByteArray &text, QString *error, qsizetype *errorAt)
{
    QList<BaseUnit> units;
    qsizetype unitStart = 0;
    qsizetype pos = 0;
    auto fail = [&](qsizetype at, const QString &why) {
        *errorAt = at;
        *error = why;
        return std::nullopt;
    };
    while (pos < text.size()) {
        const qsizetype open = text.indexOf('(', pos);
        const qsizetype strayClose = text.indexOf(')', pos);
        if (open < 0)
            return fail(pos, QStringLiteral("text after the last item: \"%1\"").arg(fromDeviceText(text.mid(pos))));
        if (strayClose >= 0 && strayClose < open)
            return fail(pos, QStringLiteral("\")\" outside an item: \"%1\"")
                                 .arg(fromDeviceText(text.mid(pos, strayClose - pos + 1))));
        if (open == pos) return fail(pos, QStringLiteral("an item without a name before \"(\""));
        const QByteArray name = text.mid(pos, open - pos);
        const qsizetype close = text.indexOf(')', open + 1);
        if (close < 0)
            return fail(pos, QStringLiteral("item %1 has no closing \")\"").arg(fromDeviceText(name)));
        pos = close + 1;
        if (isClosingName(name)) {
            BaseUnit u;
            u.text = text.mid(unitStart, pos - unitStart);
            u.closingName = name;
            u.closingAt = open - name.size() - unitStart;
            units.append(u);
            unitStart = pos;
        }
    }
    if (unitStart < text.size())
        return fail(unitStart, QStringLiteral("the last record has no closing item (CONST, Q_MINUS or WKPHASE)"));
    return units;
}

std::optional<QList<BaseUnit>> DeviceBase::unitsOf(const QByteArray &text, QString *error)
{
    qsizetype at = 0;
    return parseUnits(text, error, &at);
}

std::optional<DeviceBase> DeviceBase::fromText(const QString &text, BaseError *error)
{
    QByteArray joined;                        // the device text, CP1251
    QList<std::pair<qsizetype, int>> starts; // offset in joined where each kept line starts
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.first().startsWith(QChar(0xFEFF))) lines.first().remove(0, 1); // editors' BOM
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const auto bytes = toDeviceText(line);
        if (!bytes) {
            *error = {i + 1, QStringLiteral("a character that the device's code page (CP1251) cannot carry")};
            return std::nullopt;
        }
        starts.append({joined.size(), i + 1});
        joined += *bytes;
    }
    QString why;
    qsizetype at = 0;
    const auto units = parseUnits(joined, &why, &at);
    if (!units) {
        int line = starts.isEmpty() ? 1 : starts.first().second;
        for (const auto &[offset, n] : starts)
            if (offset <= at) line = n;
        *error = {line, why};
        return std::nullopt;
    }
    DeviceBase base;
    base.units_ = *units;
    return base;
}

int DeviceBase::meterCount() const
{
    int n = 0;
    for (const auto &u : units_)
        if (u.isMeter()) ++n;
    return n;
}

QString DeviceBase::writtenAsText() const
{
    QString out;
    for (const auto &u : units_)
        if (u.written) out += fromDeviceText(u.text) + QLatin1Char('\n');
    return out;
}

QString DeviceBase::asText() const
{
    QString out;
    for (const auto &u : units_) out += fromDeviceText(u.text) + QLatin1Char('\n');
    return out;
}

static QByteArray unitText(const BaseUnit &u, bool crlf)
{
    return crlf ? u.text + "\r\n" : u.text;
}

QList<QByteArray> layoutBlocks(const QList<BaseUnit> &units, const BlockLayout &layout)
{
    const qsizetype size = std::max(1, layout.blockSize);
    QList<QByteArray> blocks;
    QByteArray current;
    QByteArray currentKind;
    auto flush = [&] {
        if (!current.isEmpty()) blocks.append(current);
        current.clear();
    };
    for (const auto &u : units) {
        const QByteArray text = unitText(u, layout.crlf);
        const bool sameKind = current.isEmpty() || currentKind == u.closingName;
        if (layout.pack && sameKind && current.size() + text.size() <= size) {
            current += text;
            currentKind = u.closingName;
            continue;
        }
        flush();
        // Cut the record into blocks; the last one holds the whole closing item.
        qsizetype pos = 0;
        while (text.size() - pos > size) {
            qsizetype cut = pos + size;
            if (!layout.splitAnywhere) cut = std::min(cut, u.closingAt);
            if (cut <= pos) break; // the closing item alone is longer than a block
            blocks.append(text.mid(pos, cut - pos));
            pos = cut;
        }
        current = text.mid(pos);
        currentKind = u.closingName;
        if (!layout.pack) flush();
    }
    flush();
    return blocks;
}

} // namespace emu

#pragma once
// Record texts written the way the device sends them, for the parser's tests and benchmark.
#include "DeviceItems.h"

#include <QString>
#include <map>
#include <optional>
#include <utility>
#include <vector>

inline QString item(const QString &name, const QString &value)
{
    return name + u'(' + value + u')';
}

inline QString meterText(const QString &address, const QString &number, const QString &type, const QString &constant)
{
    return item("ADR", address) + item("NUM", number) + item("TYPE", type) + item("CONST", constant);
}

// A balanced three-phase result; each override replaces an item's value, nullopt leaves it out.
using ItemOverrides = std::vector<std::pair<QString, std::optional<QString>>>;
inline QString resultText(const ItemOverrides &overrides = {})
{
    static const std::map<QString, QString> defaults = {
        {"U1", "230"},      {"U2", "230"},      {"U3", "230"},       {"I1", "5"},        {"I2", "5"},
        {"I3", "5"},        {"F", "50.004"},    {"P", "3450.5"},     {"Q", "0"},         {"S", "3450.5"},
        {"COS", "0.999"},   {"COR_UU2", "120"}, {"COR_UU3", "240"},  {"COR_UI1", "0"},   {"COR_UI2", "0"},
        {"COR_UI3", "0"},   {"POGR", "-0.25"},  {"POGRTIME", "10"},  {"WCHPL", "1234.567"}, {"WCHMIN", "0"},
        {"HOUR", "12"},     {"MIN", "30"},      {"SEC", "15"},       {"DATE", "5"},      {"MON", "3"},
        {"YEAR", "07"},     {"COSIND", "1"},    {"POWIND", "0"},     {"CONTYPE", "0"},   {"WKPHASE", "0"},
    };
    QString text;
    for (const char16_t *name : DeviceItems::resultNames) {
        std::optional<QString> value = defaults.at(QString::fromUtf16(name));
        for (const auto &[n, v] : overrides)
            if (n == QString::fromUtf16(name)) value = v;
        if (value) text += item(QString::fromUtf16(name), *value);
    }
    return text;
}

inline QString dayText(std::optional<int> interval, int hour, int minute, int second, int day, int month, int year)
{
    QString text;
    if (interval) text += item("TIME", QString::number(*interval));
    return text + item("HOUR", QString::number(hour)) + item("MIN", QString::number(minute)) +
           item("SEC", QString::number(second)) + item("DATE", QString::number(day)) +
           item("MON", QString::number(month)) + item("YEAR", QString("%1").arg(year, 2, 10, QChar(u'0')));
}

inline QString sliceText(const QString &pPlus, const QString &pMinus = "0", const QString &qPlus = "0",
                         const QString &qMinus = "0")
{
    return item("P_PLUS", pPlus) + item("P_MINUS", pMinus) + item("Q_PLUS", qPlus) + item("Q_MINUS", qMinus);
}

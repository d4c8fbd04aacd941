#pragma once
// The meter record that a write sends for each row of the buffer's meter list,
// and the check that every row can be carried by the record syntax.
#include "RecordParser.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// The meter constant as the device reads it back: general format with up to 15
// significant digits, no trailing zeros, no decimal mark when whole (1600; 3200,5 with
// a decimal comma). An empty column gives an empty text.
QString meterConstantText(std::optional<double> constant, const QString &decimalSeparator);

// ADR(…)NUM(…)TYPE(…)CONST(…) of one row: the texts as stored, the constant as above.
QString meterRecordText(const BufferMeterRow &row, const QString &decimalSeparator);

// The frame from SOH to ETX, as the engine's SendData takes it (it adds the check byte):
// SOH "W1" STX, the record in the device's code page, ETX.
QByteArray meterRecordFrame(const BufferMeterRow &row, const QString &decimalSeparator);

// A text the record syntax can't carry: a parenthesis, a control character, or a
// character outside the device's code page (it would arrive as "?").
bool isSendableText(const QString &text);

// The refusal for the first row (in list order) that can't be sent; nothing when all can.
std::optional<QString> unsendableMeterMessage(const std::vector<BufferMeterRow> &rows);

// Shows that refusal ("Ошибка", error icon) and returns false, or returns true when all
// rows can be sent. Run before the write exchange starts, so nothing is sent on a refusal.
bool checkMetersSendable(const std::vector<BufferMeterRow> &rows);

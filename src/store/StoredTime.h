#pragma once
// Date and time columns hold wall-clock text "YYYY-MM-DD HH:MM:SS", the device's own
// clock, which knows no time zone or daylight saving. They are read into QDateTime as
// UTC, so that no local rule shifts or drops a time the local clock skips or repeats.
#include <QDateTime>
#include <QStringView>
#include <optional>

// "YYYY-MM-DD HH:MM:SS", also "YYYY-MM-DDTHH:MM:SS" and a date alone (midnight).
std::optional<QDateTime> parseStoredTime(QStringView text);
// The stored form of a date and time (as its clock reads, whatever its time zone).
QString storedTimeText(const QDateTime &time);

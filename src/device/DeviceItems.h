#pragma once
// The device's record items: their names, the number-text conversions used for
// their values, the device's date rules and the code page of its texts.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

namespace DeviceItems {

// Item names of each kind of record, in slot order; the last name closes the record.
inline constexpr std::array<const char16_t *, 4> meterNames = {u"ADR", u"NUM", u"TYPE", u"CONST"};
inline constexpr std::array<const char16_t *, 30> resultNames = {
    u"U1", u"U2", u"U3", u"I1", u"I2", u"I3", u"F", u"P", u"Q", u"S",
    u"COS", u"COR_UU2", u"COR_UU3", u"COR_UI1", u"COR_UI2", u"COR_UI3", u"POGR", u"POGRTIME", u"WCHPL", u"WCHMIN",
    u"HOUR", u"MIN", u"SEC", u"DATE", u"MON", u"YEAR", u"COSIND", u"POWIND", u"CONTYPE", u"WKPHASE"};
inline constexpr std::array<const char16_t *, 7> dayNames = {u"TIME", u"HOUR", u"MIN", u"SEC", u"DATE", u"MON", u"YEAR"};
inline constexpr std::array<const char16_t *, 4> sliceNames = {u"P_PLUS", u"P_MINUS", u"Q_PLUS", u"Q_MINUS"};

// Sizes of the buffer's text columns that device texts feed.
inline constexpr int tipChSize = 10;
inline constexpr int numberSize = 10;
inline constexpr int addressSize = 19;
inline constexpr int fpMeasureSize = 10;

// The text without the blanks (code 32) at its end; other white space stays.
QStringView trimTrailingBlanks(QStringView text);

// Device texts travel in the Windows Cyrillic code page.
QString decodeDeviceText(QByteArrayView bytes);
QByteArray encodeDeviceText(QStringView text);
// False when a character has no place in that code page (it would arrive as "?").
bool isDeviceEncodable(QStringView text);

}  // namespace DeviceItems

// Number text as the device and the dialogs write it: "." and "," both count as the
// decimal mark whatever the locale, leading and trailing blanks are ignored, an empty
// text reads as 0. Nothing is returned for a text that is not a finite number ("1.2,5").
std::optional<double> TextToFloat(QStringView text);

// TextToFloat, then rounded as fixed-point text of precision 7 with `digits` decimals
// would show it: 230.456 → 230.46 (2), 1234.56789 → 1234.568 (4), the seventh
// significant digit limiting it. Halves round away from zero.
std::optional<double> TextToFloatRounded(QStringView text, int digits);

// The rounding step of TextToFloatRounded on its own.
double roundAsFixed7(double value, int digits);

// A whole decimal number (optional sign, leading blanks allowed). Nothing for an
// empty text, a fraction, anything else or a value outside 32 bits.
std::optional<int> TextToWhole(QStringView text);

// The device's two-digit year: below 50 is 20xx, otherwise 19xx.
int deviceYear(int twoDigitYear);

// Date and time of day from the device's items, or nothing when either is impossible
// (a month 13, a 31 February, an hour 24, a year outside 1..9999). Times carry no zone.
std::optional<QDateTime> deviceDateTime(int twoDigitYear, int month, int day, int hour, int minute, int second);

// "1 January of the year 1, 00:00:00": the stored date of a result with an impossible date.
QDateTime noDeviceDate();

// Text of the progress window's rate label for the identification's rate character
// ("300" for '0' … "115200" for '9'); nothing for any other character.
std::optional<QString> rateLabelText(QChar rateCharacter);

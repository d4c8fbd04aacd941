#pragma once
// Bytes of the device link: control codes, the block check and the frames the PC sends.
#include "SerialTypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace LineFrames {

inline constexpr char SOH = 0x01;
inline constexpr char STX = 0x02;
inline constexpr char ETX = 0x03;
inline constexpr char EOT = 0x04;
inline constexpr char ACK = 0x06;
inline constexpr char LF = 0x0A;
inline constexpr char CR = 0x0D;
inline constexpr char NAK = 0x15;

// The instrument's block check: the bytes summed modulo 256 (not the XOR of
// IEC 62056-21; the break frame carries 0x75 where an XOR would give 0x71).
char CalcBCC(QByteArrayView bytes);

// Whether the bytes received so far make a whole frame: a lone ACK or NAK, an SOH frame
// whose second-to-last byte is ETX, an STX frame whose second-to-last byte is ETX or
// EOT, or "/" ... LF.
bool isComplete(QByteArrayView frame);

// A frame whose second-to-last byte is ETX or EOT must end with the check of the bytes
// between its first byte and that one; every other frame passes.
bool CheckBCC(QByteArrayView frame);

// "/?!" CR LF
QByteArray signOn();
// ACK "0" z "1" CR LF
QByteArray optionSelect(char z);
// SOH c d STX data ETX BCC
QByteArray command(char c, char d, QByteArrayView data);
// SOH "E1" STX "(BASE_DEL_ALL)" ETX BCC
QByteArray eraseCommand();
// SOH "B0" ETX "u"
QByteArray breakFrame();

// The rate that an identification's rate character selects: the digits "0" to "9",
// where "7", "8" and "9" mean 38400, 57600 and 115200 baud. Nothing for other bytes.
std::optional<TBaudRate> rateOfCharacter(char z);

}  // namespace LineFrames

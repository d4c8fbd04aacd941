#pragma once
// Bytes of the instrument's side of the serial line: control codes, the arithmetic
// block check, and the frames the instrument sends.
#include <QByteArray>
#include <QByteArrayView>

namespace emu {

inline constexpr char SOH = 0x01;
inline constexpr char STX = 0x02;
inline constexpr char ETX = 0x03;
inline constexpr char EOT = 0x04;
inline constexpr char ACK = 0x06;
inline constexpr char LF = 0x0A;
inline constexpr char CR = 0x0D;
inline constexpr char NAK = 0x15;

// Sum of the bytes modulo 256 (not the XOR of IEC 62056-21).
char blockCheck(QByteArrayView bytes);

// SOH c1 c2 STX data ETX BCC; with no data part: SOH c1 c2 ETX BCC.
QByteArray commandFrame(QByteArrayView command, QByteArrayView data);
QByteArray commandFrameWithoutData(QByteArrayView command);
QByteArray breakFrame();
// STX text end BCC, end being EOT for the device's read-out blocks.
QByteArray dataBlock(QByteArrayView text, char end = EOT);
// STX "ERR(" code ")" ETX BCC.
QByteArray errorFrame(QByteArrayView code);
// "/" maker rate-character text CR LF.
QByteArray identification(QByteArrayView maker, char rateChar, QByteArrayView text);

// Baud rate of an identification / option-select rate character, 0 when it names none.
int baudForRateChar(char z);

// Whether the frame's last byte is the block check of the bytes between its first
// and its last byte (SOH/STX frames only).
bool hasValidCheck(QByteArrayView frame);

// Length of the frame at the front of buf: > 0 a whole frame, 0 not complete yet,
// -1 when the first byte starts no frame. With optionSelectExpected an ACK opens the
// six-byte option select instead of standing alone.
qsizetype frameAtFront(QByteArrayView buf, bool optionSelectExpected);

// Readable form of raw bytes for the wire trace: printable text as it is (CP1251
// decoded), control codes by their names in angle brackets, other bytes and the
// check byte after ETX or EOT as <hh>.
QString readableBytes(QByteArrayView bytes);

} // namespace emu

#pragma once
// Line settings of the serial transport. The enumerations keep the device link's
// historic order and values (the stored settings and the rate table rely on them).
#include <QtGlobal>

enum TByteSize { bs5, bs6, bs7, bs8 };                       // data bits = value + 5
enum TParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum TStopbits { sb1BITS, sb1HALFBITS, sb2BITS };             // 1, 1.5, 2 stop bits
enum TBaudRate {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400,
    br19200, br38400, br56000, br57600, br115200
};

// Bits per second of a rate.
qint32 baudRateValue(TBaudRate rate);

struct LineSettings {
    TBaudRate baudRate = br300;
    TByteSize byteSize = bs7;
    TParity parity = ptEVEN;
    TStopbits stopBits = sb1BITS;

    bool operator==(const LineSettings &) const = default;
};

// Milliseconds that n characters take on the line with these settings, plus a margin
// of 10 ms, rounded up: the wait between handing a frame to the driver and treating
// it as sent.
quint32 transmitTime(qsizetype n, const LineSettings &settings);

// The status block that accompanies every received chunk.
struct TPortStatus {
    quint32 Flags = 0;     // status flags
    quint32 cbInQue = 0;   // bytes still waiting in the input queue
    quint32 cbOutQue = 0;  // bytes still waiting in the output queue
};

#include "SerialTypes.h"

#include <cmath>

qint32 baudRateValue(TBaudRate rate)
{
    static constexpr qint32 values[] = {110,   300,   600,   1200,  2400,  4800,  9600,
                                        14400, 19200, 38400, 56000, 57600, 115200};
    const int i = static_cast<int>(rate);
    return i >= 0 && i < int(std::size(values)) ? values[i] : 300;
}

quint32 transmitTime(qsizetype n, const LineSettings &s)
{
    double bits = static_cast<int>(s.byteSize) + 5 + 1;  // data bits + start bit
    if (s.parity != ptNONE) bits += 1;
    bits += s.stopBits == sb1HALFBITS ? 1.5 : s.stopBits == sb2BITS ? 2.0 : 1.0;
    // The line time is rounded to single precision before the margin is added,
    // exactly as the instrument's timing figures were worked out.
    const float lineMs = static_cast<float>(double(n) * bits * 1000.0 / baudRateValue(s.baudRate));
    return static_cast<quint32>(std::ceil(lineMs + 10.0f));
}

#include "Frames.h"

#include <QString>
#include <QStringDecoder>
#include <utility>

namespace emu {

char blockCheck(QByteArrayView bytes)
{
    unsigned sum = 0;
    for (char c : bytes) sum += static_cast<unsigned char>(c);
    return static_cast<char>(sum & 0xFF);
}

static QByteArray withCheck(QByteArray frame)
{
    frame.append(blockCheck(QByteArrayView(frame).sliced(1)));
    return frame;
}

QByteArray commandFrame(QByteArrayView command, QByteArrayView data)
{
    QByteArray f;
    f.append(SOH).append(command).append(STX).append(data).append(ETX);
    return withCheck(f);
}

QByteArray commandFrameWithoutData(QByteArrayView command)
{
    QByteArray f;
    f.append(SOH).append(command).append(ETX);
    return withCheck(f);
}

QByteArray breakFrame() { return commandFrameWithoutData("B0"); }

QByteArray dataBlock(QByteArrayView text, char end)
{
    QByteArray f;
    f.append(STX).append(text).append(end);
    return withCheck(f);
}

QByteArray errorFrame(QByteArrayView code)
{
    QByteArray text("ERR(");
    text.append(code).append(')');
    return dataBlock(text, ETX);
}

QByteArray identification(QByteArrayView maker, char rateChar, QByteArrayView text)
{
    QByteArray f("/");
    f.append(maker).append(rateChar).append(text).append(CR).append(LF);
    return f;
}

int baudForRateChar(char z)
{
    static constexpr int rates[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return (z >= '0' && z <= '9') ? rates[z - '0'] : 0;
}

bool hasValidCheck(QByteArrayView frame)
{
    if (frame.size() < 3) return false;
    return blockCheck(frame.sliced(1, frame.size() - 2)) == frame.back();
}

// Longest frames worth waiting for; anything longer without its end is noise.
static constexpr qsizetype maxCommandFrame = 4096;
static constexpr qsizetype maxLineFrame = 128;

static qsizetype untilEnd(QByteArrayView buf, char end1, char end2, qsizetype limit)
{
    for (qsizetype i = 1; i < buf.size(); ++i) {
        if (buf[i] == end1 || buf[i] == end2) return i + 1 < buf.size() ? i + 2 : 0;
        if (i >= limit) return -1;
    }
    return 0;
}

static qsizetype untilLineFeed(QByteArrayView buf)
{
    const qsizetype lf = buf.indexOf(LF);
    if (lf >= 0) return lf + 1;
    return buf.size() > maxLineFrame ? -1 : 0;
}

qsizetype frameAtFront(QByteArrayView buf, bool optionSelectExpected)
{
    if (buf.isEmpty()) return 0;
    switch (buf[0]) {
    case ACK: return optionSelectExpected ? untilLineFeed(buf) : 1;
    case NAK: return 1;
    case SOH: return untilEnd(buf, ETX, ETX, maxCommandFrame);
    case STX: return untilEnd(buf, ETX, EOT, maxCommandFrame);
    case '/': return untilLineFeed(buf);
    default: return -1;
    }
}

QString readableBytes(QByteArrayView bytes)
{
    static const char *names[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                    "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                    "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                    "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    // The upper half decoded once; bytes with no printable CP1251 letter stay hex.
    static const QString upperHalf = [] {
        QByteArray all;
        for (int b = 0x80; b <= 0xFF; ++b) all.append(static_cast<char>(b));
        QString s = QStringDecoder("windows-1251").decode(all);
        return s.size() == 128 ? s : QString(128, QChar(0xFFFD));
    }();
    QString out;
    bool checkByte = false; // the byte after ETX or EOT is a sum, not a letter
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        const bool isCheck = std::exchange(checkByte, c == ETX || c == EOT);
        if (isCheck)
            out += QStringLiteral("<%1>").arg(u, 2, 16, QLatin1Char('0')).toUpper();
        else if (u < 32)
            out += QLatin1Char('<') + QLatin1String(names[u]) + QLatin1Char('>');
        else if (u < 0x7F)
            out += QLatin1Char(c);
        else if (u >= 0x80 && upperHalf.at(u - 0x80).isPrint() && upperHalf.at(u - 0x80) != QChar(0xFFFD))
            out += upperHalf.at(u - 0x80);
        else
            out += QStringLiteral("<%1>").arg(u, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

} // namespace emu

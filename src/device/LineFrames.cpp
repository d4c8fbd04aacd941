#include "LineFrames.h"

namespace LineFrames {

char CalcBCC(QByteArrayView bytes)
{
    quint8 sum = 0;
    for (char c : bytes) sum = static_cast<quint8>(sum + static_cast<quint8>(c));
    return static_cast<char>(sum);
}

bool isComplete(QByteArrayView f)
{
    const qsizetype n = f.size();
    if (n == 1 && (f[0] == ACK || f[0] == NAK)) return true;
    if (n >= 2 && f[0] == SOH && f[n - 2] == ETX) return true;
    if (n >= 2 && f[0] == STX && (f[n - 2] == ETX || f[n - 2] == EOT)) return true;
    return n >= 1 && f[0] == '/' && f[n - 1] == LF;
}

bool CheckBCC(QByteArrayView f)
{
    const qsizetype n = f.size();
    if (n < 2 || (f[n - 2] != ETX && f[n - 2] != EOT)) return true;
    return CalcBCC(f.sliced(1, n - 2)) == f[n - 1];
}

QByteArray signOn() { return QByteArrayLiteral("/?!\r\n"); }

QByteArray optionSelect(char z)
{
    QByteArray frame;
    frame += ACK;
    frame += '0';
    frame += z;
    frame += "1\r\n";
    return frame;
}

QByteArray command(char c, char d, QByteArrayView data)
{
    QByteArray frame;
    frame.reserve(data.size() + 6);
    frame += SOH;
    frame += c;
    frame += d;
    frame += STX;
    frame += data;
    frame += ETX;
    frame += CalcBCC(QByteArrayView(frame).sliced(1));
    return frame;
}

QByteArray eraseCommand() { return command('E', '1', "(BASE_DEL_ALL)"); }

QByteArray breakFrame() { return QByteArrayLiteral("\x01" "B0\x03" "u"); }

std::optional<TBaudRate> rateOfCharacter(char z)
{
    static constexpr TBaudRate rates[] = {br300,  br600,   br1200,  br2400,  br4800,
                                          br9600, br19200, br38400, br57600, br115200};
    if (z < '0' || z > '9') return std::nullopt;
    return rates[z - '0'];
}

}  // namespace LineFrames

// The bytes of the link: block check, completeness, frames, rate table, line timing.
#include "LineFrames.h"
#include "SerialTypes.h"

#include <gtest/gtest.h>

using namespace LineFrames;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

TEST(LineFrames, FramesThePcSendsAreByteExact)
{
    EXPECT_EQ(signOn(), hex("2F 3F 21 0D 0A"));
    EXPECT_EQ(optionSelect('5'), hex("06 30 35 31 0D 0A"));
    EXPECT_EQ(command('R', '3', "BASE"), hex("01 52 33 02 42 41 53 45 03 A5"));
    EXPECT_EQ(eraseCommand(), hex("01 45 31 02 28 42 41 53 45 5F 44 45 4C 5F 41 4C 4C 29 03 53"));
    EXPECT_EQ(breakFrame(), hex("01 42 30 03 75"));
    // The check is an arithmetic sum: the break's 0x75 would be 0x71 as an XOR.
    EXPECT_EQ(CalcBCC("B0\x03"), '\x75');
    EXPECT_EQ(CalcBCC(QByteArray(300, '\xFF')), char(quint8(300 * 255 % 256)));
}

TEST(LineFrames, CompletenessAndCheck)
{
    const QByteArray ack("\x06"), nak("\x15");
    const QByteArray p0 = command('P', '0', "(735)");
    QByteArray block = QByteArray("\x02") + "ADR(1)\x04";
    block += CalcBCC(QByteArrayView(block).sliced(1));
    struct Case {
        QByteArray bytes;
        bool complete;
        bool checkPasses;
    } cases[] = {
        {ack, true, true},
        {nak, true, true},
        {ack + ack, false, true},
        {p0, true, true},
        {p0.chopped(1), false, true},
        {p0.chopped(1) + char(p0.back() + 1), true, false},
        {block, true, true},
        {block.chopped(1) + '\0', true, false},
        {hex("02 41 03") + CalcBCC("A\x03"), true, true},  // STX ... ETX completes too
        {"/ABC5XYZ\r\n", true, true},
        {"/ABC5XYZ\r", false, true},
        {"ABC\r\n", false, true},
        {"\x01\x03", false, true},  // two bytes: the ETX is not second-to-last
        {{}, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes.toHex(' ').toStdString());
        EXPECT_EQ(isComplete(c.bytes), c.complete);
        EXPECT_EQ(CheckBCC(c.bytes), c.checkPasses);
    }
}

TEST(LineFrames, RateCharacters)
{
    const std::pair<char, std::optional<TBaudRate>> table[] = {
        {'0', br300},   {'1', br600},   {'2', br1200},  {'3', br2400},   {'4', br4800},
        {'5', br9600},  {'6', br19200}, {'7', br38400}, {'8', br57600}, {'9', br115200},
        {'A', std::nullopt}, {'/', std::nullopt}, {':', std::nullopt}, {'\0', std::nullopt},
    };
    for (const auto &[z, rate] : table) EXPECT_EQ(rateOfCharacter(z), rate) << z;
}

TEST(SerialTypes, TransmitTimeFigures)
{
    const LineSettings e8at300{br300, bs8, ptEVEN, sb1BITS};
    EXPECT_EQ(transmitTime(5, e8at300), 194u);
    EXPECT_EQ(transmitTime(6, e8at300), 230u);
    EXPECT_EQ(transmitTime(1, {br9600, bs8, ptEVEN, sb1BITS}), 12u);
    EXPECT_EQ(transmitTime(5, {br300, bs7, ptEVEN, sb1BITS}), 177u);
    EXPECT_EQ(transmitTime(0, e8at300), 10u);
    // 1.5 and 2 stop bits, no parity: 8 + 1 + 1.5 = 10.5 and 11 bits.
    EXPECT_EQ(transmitTime(2, {br300, bs8, ptNONE, sb1HALFBITS}), 80u);
    EXPECT_EQ(transmitTime(3, {br300, bs8, ptNONE, sb2BITS}), 120u);
    // Long frames at low rates are not cut to 16 bits.
    EXPECT_EQ(transmitTime(1000, {br110, bs8, ptEVEN, sb1BITS}), 100010u);
}

}  // namespace

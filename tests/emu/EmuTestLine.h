#pragma once
// The PC's end of a line to a DeviceCore, with a hand-driven clock: what the device
// sends is collected as one log of events in order ("rate 9600", bytes, "discard").
#include "DeviceCore.h"
#include "Frames.h"

#include <QByteArray>
#include <QStringList>

namespace emu::test {

inline QByteArray pcCommand(const char *command, const QByteArray &data) { return commandFrame(command, data); }
inline const QByteArray signOn = "/?!\r\n";
inline QByteArray optionSelect(char z) { return QByteArray("\x06") + '0' + z + "1\r\n"; }
inline const QByteArray ack(1, ACK);
inline const QByteArray nak(1, NAK);

inline DeviceConfig quickConfig()
{
    DeviceConfig c;
    c.reactionMs = 0;
    return c;
}

inline DeviceBase baseOf(const QString &text)
{
    BaseError error;
    auto base = DeviceBase::fromText(text, &error);
    return base ? *base : DeviceBase();
}

class Line {
public:
    explicit Line(DeviceConfig config = quickConfig(), DeviceBase base = {}) : core(std::move(config), std::move(base)) {}

    // Sends bytes from the PC and returns what the device put on the line in answer.
    QByteArray send(const QByteArray &bytes)
    {
        core.receive(bytes, now);
        return collect();
    }
    // Lets time pass and returns what the device sent meanwhile.
    QByteArray wait(qint64 ms)
    {
        now += ms;
        core.advance(now);
        return collect();
    }
    // Sign-on, option select with the offered rate, the right password: logged in.
    void logIn(char rateChar = '5')
    {
        send(signOn);
        send(optionSelect(rateChar));
        send(pcCommand("P1", "(735)"));
    }
    // Acknowledges every block until the device's break; returns the block texts.
    QList<QByteArray> readAll(int guard = 10000)
    {
        QList<QByteArray> texts;
        QByteArray frame = send(pcCommand("R3", "BASE"));
        while (guard-- > 0 && frame.startsWith(STX) && frame.size() >= 3 && frame.at(frame.size() - 2) == EOT) {
            texts.append(frame.mid(1, frame.size() - 3));
            frame = send(ack);
        }
        lastFrame = frame;
        return texts;
    }

    DeviceCore core;
    qint64 now = 0;
    QStringList events; // every action in order: "send <readable>", "rate N", "discard"
    QByteArray lastFrame;

private:
    QByteArray collect()
    {
        QByteArray sent;
        for (const auto &a : core.takeActions()) {
            switch (a.kind) {
            case DeviceCore::Action::Send:
                sent += a.bytes;
                events << QStringLiteral("send ") + readableBytes(a.bytes);
                break;
            case DeviceCore::Action::SetRate: events << QStringLiteral("rate %1").arg(a.baud); break;
            case DeviceCore::Action::Discard: events << QStringLiteral("discard"); break;
            }
        }
        return sent;
    }
};

} // namespace emu::test

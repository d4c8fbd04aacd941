#pragma once
// Every byte on the line, both ways, with the time it passed and its direction:
//     12.345 PC>DEV  01 52 33 02 42 41 53 45 03 A5   <SOH>R3<STX>BASE<ETX><A5>
//     12.400 DEV>PC  06                              <ACK>
//     12.400 ----    rate 9600
// Times are seconds since the emulator started.
#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace emu {

class WireTrace {
public:
    // "-" writes to stdout; an empty target traces nothing.
    bool open(const QString &target, QString *error);
    bool isOpen() const { return file_.isOpen(); }
    void bytes(double ms, bool fromPc, QByteArrayView bytes);
    void note(double ms, const QString &text);

private:
    void line(double ms, const char *tag, const QString &rest);
    QFile file_;
};

// The hex and readable columns of one trace line.
QString traceColumns(QByteArrayView bytes);

} // namespace emu

#pragma once
// The exchange log for support: every chunk both ways, one line each, e.g.
//     2024-05-17 10:41:02.118 PC→   01 52 33 02 42 41 53 45 03 A5   <SOH>R3<STX>BASE<ETX><A5>
//     2024-05-17 10:41:02.190 ←DEV  06                              <ACK>
// Written only when the environment variable RT519_TRACE names a file; otherwise no
// file is opened and recording costs one pointer test.
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <memory>

class QFile;

class ExchangeTrace {
public:
    enum class Direction { ToDevice, FromDevice };

    // Appends to the file that RT519_TRACE names, or traces nothing when it is unset.
    static std::unique_ptr<ExchangeTrace> fromEnvironment();

    explicit ExchangeTrace(const QString &path);  // appends; an unwritable path traces nothing
    ~ExchangeTrace();

    bool isOpen() const;
    void record(Direction direction, QByteArrayView bytes);
    void note(const QString &text);  // a line of its own (port opened, rate changed)

    // The line for one chunk, without the line end.
    static QString formatLine(const QDateTime &when, Direction direction, QByteArrayView bytes);

private:
    void writeLine(const QString &line);
    std::unique_ptr<QFile> file_;
};

// Printable text as it is (CP1251), control codes by name in angle brackets and the
// check byte after ETX or EOT as <hh>.
QString readableBytes(QByteArrayView bytes);

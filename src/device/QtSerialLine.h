#pragma once
// SerialLine on QSerialPort, driven by the event loop of the thread that owns it.
#include "SerialLine.h"

#include <memory>

class QSerialPort;

class QtSerialLine final : public SerialLine {
public:
    QtSerialLine();
    ~QtSerialLine() override;

    bool open(const QString &portName, const LineSettings &settings) override;
    void close() override;
    bool isOpen() const override;
    void configure(const LineSettings &settings) override;
    bool write(const QByteArray &bytes) override;
    void setRequestToSend(bool active) override;

private:
    void readWaiting();
    void bytesWritten();
    void failed(int error);
    void reportLost();

    std::unique_ptr<QSerialPort> port_;
    quint64 session_ = 0;  // bumped on every open and close: stale notices are dropped
};

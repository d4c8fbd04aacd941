#pragma once
// Runs one exchange of a TAsynComAscii on the real event loop until it ends (OnEndFrame)
// or fails (OnSetError), and keeps what the engine reported. For tests against a
// scripted or emulated instrument over a real port.
#include "AsynComAscii.h"

#include <QByteArrayList>
#include <QStringList>
#include <optional>

struct ExchangeOutcome {
    bool finished = false;   // ended or failed before the time limit
    bool ended = false;      // OnEndFrame was raised
    std::optional<TTransError> error;
    QStringList idents;      // "XXX Z Ident" per OnReadIdent
    QStringList records;     // every OnReadBase text
    int recordsRequested = 0;  // OnWriteBase calls
    QByteArray received;     // every chunk of OnReadBuffer
    QByteArray sent;         // every OnWriteBuffer text
};

class ExchangeRun {
public:
    explicit ExchangeRun(TAsynComAscii &engine) : engine_(engine) {}

    // Meter record frames (SOH "W1" STX ... ETX) handed out on OnWriteBase, then EndExchange.
    void setRecords(QByteArrayList frames) { records_ = std::move(frames); }

    // Opens the port if needed, starts the exchange in `mode` and runs the event loop.
    ExchangeOutcome run(char mode, int timeoutMs);

private:
    TAsynComAscii &engine_;
    QByteArrayList records_;
};

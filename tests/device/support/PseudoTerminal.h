#pragma once
// A pseudo-terminal whose slave side the transport opens as its port while the test
// (or a scripted instrument) works the master side.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isOpen() const { return master_ >= 0; }
    QString slavePath() const { return slavePath_; }

    void write(const QByteArray &bytes);
    // Collects what the port sends for ms milliseconds while the event loop runs.
    QByteArray readFor(int ms);
    // Runs the event loop until `count` bytes arrived or ms passed.
    QByteArray readBytes(qsizetype count, int ms);
    // Called with every chunk the port sends, from the event loop.
    void onBytes(std::function<void(const QByteArray &)> handler);
    void closeMaster();

private:
    QByteArray readWaiting();

    int master_ = -1;
    QString slavePath_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(const QByteArray &)> handler_;
};

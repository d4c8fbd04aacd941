#pragma once
// The emulator's end of the line: a pseudo-terminal whose other end the PC program
// opens like a serial port, or a real serial port.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;
class QSerialPort;

namespace emu {

class Link : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Hands bytes to the line; never blocks.
    virtual void write(const QByteArray &bytes) = 0;
    // Bytes handed over that the line has not taken yet.
    virtual qint64 bytesPending() const = 0;
    // Called only once everything written has left.
    virtual void setBaudRate(int baud) = 0;
    // Bytes sent that the PC has not read yet, where the link can tell (0 once the PC
    // has closed: they are lost).
    virtual qint64 unreadByPeer() { return 0; }
    // First line printed on stdout, e.g. "PTY /dev/pts/5".
    virtual QString announcement() const = 0;

signals:
    void received(const QByteArray &bytes);
    void drained();
    void failed(const QString &why);
};

// A pseudo-terminal. The emulator keeps a descriptor of the slave side open itself,
// in raw mode, so the PC may close and reopen the slave between exchanges without
// the master seeing a hang-up, and so the slave keeps raw settings meanwhile.
// Because of that descriptor, bytes the PC has not read when it closes the slave
// would wait there for its next open; a closed serial port loses them instead. So
// the link watches the slave's opens and closes (inotify) and drops what the PC
// left unread, and whatever is sent while no one has the slave open.
class PtyLink : public Link {
    Q_OBJECT
public:
    static std::unique_ptr<PtyLink> open(QString *error);
    ~PtyLink() override;

    QString slavePath() const { return slavePath_; }
    void write(const QByteArray &bytes) override;
    qint64 bytesPending() const override { return out_.size(); }
    void setBaudRate(int) override {} // a pty has no line speed
    qint64 unreadByPeer() override;
    QString announcement() const override { return QStringLiteral("PTY ") + slavePath_; }

private:
    PtyLink(int master, int slave, QString slavePath);
    void readMaster();
    void flushOut();
    // Takes in the opens and closes of the slave seen so far.
    void readWatch();

    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1;   // inotify descriptor, -1 when unavailable
    int peers_ = 0;    // descriptors of the slave open outside the emulator
    QString slavePath_;
    QByteArray out_;
    QSocketNotifier *readNotifier_ = nullptr;
    QSocketNotifier *writeNotifier_ = nullptr;
    QSocketNotifier *watchNotifier_ = nullptr;
};

// A real serial port: even parity, one stop bit, 8 or 7 data bits.
class SerialLink : public Link {
    Q_OBJECT
public:
    static std::unique_ptr<SerialLink> open(const QString &device, int dataBits, QString *error);
    ~SerialLink() override;

    void write(const QByteArray &bytes) override;
    qint64 bytesPending() const override;
    void setBaudRate(int baud) override;
    QString announcement() const override { return QStringLiteral("PORT ") + device_; }

private:
    SerialLink(std::unique_ptr<QSerialPort> port, QString device);
    std::unique_ptr<QSerialPort> port_;
    QString device_;
};

} // namespace emu

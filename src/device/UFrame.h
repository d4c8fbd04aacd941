#pragma once
// TFFrame: the small progress window shown while an exchange with the instrument runs.
// It shows the port, the line rate, the port state and the bytes received and sent,
// turns its state line red after a failure, and offers "Закрыть".
//
// The main window is disabled while this window is up, and Qt disables every child
// window of a disabled widget, so the window never takes a Qt parent: the widget given
// to the constructor tells which screen to centre on and owns the window (it is deleted
// when that widget is destroyed); setAnchor changes only the screen.
#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

class TFFrame : public QWidget {
    Q_OBJECT
public:
    explicit TFFrame(QWidget *parent = nullptr);

    // The widget whose screen the window is centred on; nullptr for the primary screen.
    void setAnchor(QWidget *anchor);

    // Readies the window for a new exchange on the port listed as portEntry: running
    // state, rate "300", port open, both counters 0.
    void prepare(const QString &portEntry);
    void setRateText(const QString &baud);
    // Byte counters of the exchange: 32 bits each, wrapping like the instrument's.
    void addReceived(qsizetype n);
    void addSent(qsizetype n);
    quint32 received() const { return received_; }
    quint32 sent() const { return sent_; }
    // The exchange failed: red "Ошибка" line; the window stays until the user closes it.
    void showFailure();
    bool failed() const { return failed_; }

    QLabel *LabelCom;    // state line
    QLabel *LCom;        // port entry
    QLabel *LSpeedCom;   // line rate in baud
    QLabel *LOpenPort;   // port state
    QLabel *LReadByte;   // bytes received
    QLabel *LWriteByte;  // bytes sent
    QPushButton *SpeedButton1;  // "Закрыть"

    // The fixed captions, for the English interface.
    QLabel *LabelUsePort;
    QLabel *LabelBitrate;
    QLabel *LabelPortState;
    QLabel *LabelRead;
    QLabel *LabelWrite;

signals:
    void shown();
    void closed();  // once per showing, whether closed or hidden by the program

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildControls();
    void fitContents();
    void setStateLine(const QString &text, const QColor &colour);
    void centreOnScreen();
    void endShowing();

    QPointer<QWidget> anchor_;
    quint32 received_ = 0;
    quint32 sent_ = 0;
    bool failed_ = false;
    bool showing_ = false;
};

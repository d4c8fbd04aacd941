#include "UFrame.h"

#include "Messages.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace {

// Switchable messages the window shows.
constexpr int msgExchangeRunning = 50;  // "Идет обмен данными"
constexpr int msgPortOpen = 51;         // "Открыт"
constexpr int msgError = 37;            // "Ошибка"

const QColor runningColour(0x00, 0x80, 0x00);
const QColor failedColour(0xFF, 0x00, 0x00);
const QColor edgeColour(0x80, 0x80, 0x80);
constexpr QSize clientSize(350, 136);

QFont stateLineFont(const QFont &base)
{
    QFont font = base;
    const QString arial = QStringLiteral("Arial");
    if (QFontDatabase::hasFamily(arial)) {
        font.setFamily(arial);
    } else {
        font.setStyleHint(QFont::SansSerif);
        font.setFamily(font.defaultFamily());
    }
    font.setPixelSize(19);
    return font;
}

// A caption and its value; valueColumns 2 lets a long value run on under the button column.
QLabel *addRow(QGridLayout *grid, int row, const QString &caption, const QString &value,
               QLabel **captionLabel, int valueColumns = 1)
{
    *captionLabel = new QLabel(caption);
    auto *valueLabel = new QLabel(value);
    grid->addWidget(*captionLabel, row, 0);
    grid->addWidget(valueLabel, row, 1, 1, valueColumns);
    return valueLabel;
}

}  // namespace

TFFrame::TFFrame(QWidget *parent)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAnchor(parent);
    if (parent) connect(parent, &QObject::destroyed, this, [this] { delete this; });
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    buildControls();
}

void TFFrame::buildControls()
{
    LabelCom = new QLabel(QStringLiteral("Идет обмен данными !"));
    LabelCom->setAlignment(Qt::AlignCenter);
    LabelCom->setFont(stateLineFont(font()));
    setStateLine(LabelCom->text(), runningColour);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(10, 6, 10, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    grid->addWidget(LabelCom, 0, 0, 1, 3);
    grid->setRowMinimumHeight(0, 26);
    LCom = addRow(grid, 1, QStringLiteral("Используемый порт -"), QStringLiteral("Com 2"), &LabelUsePort, 2);
    LSpeedCom = addRow(grid, 2, QStringLiteral("Скорость передачи  -"), QStringLiteral("19200"), &LabelBitrate, 2);
    LOpenPort = addRow(grid, 3, QStringLiteral("Состояние порта -"), QStringLiteral("Открыт"), &LabelPortState, 2);
    LReadByte = addRow(grid, 4, QStringLiteral("Считанно байт"), QStringLiteral("0"), &LabelRead);
    LWriteByte = addRow(grid, 5, QStringLiteral("Переданно байт"), QStringLiteral("0"), &LabelWrite);
    grid->setColumnStretch(1, 1);

    SpeedButton1 = new QPushButton(QStringLiteral("Закрыть"));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(SpeedButton1, 4, 2, 2, 1, Qt::AlignRight | Qt::AlignBottom);
    connect(SpeedButton1, &QPushButton::clicked, this, &QWidget::close);

    fitContents();
}

void TFFrame::fitContents()
{
    // The window keeps its size unless the fonts or a long port path need more room.
    setFixedSize(layout()->sizeHint().expandedTo(clientSize));
}

void TFFrame::setAnchor(QWidget *anchor) { anchor_ = anchor; }

void TFFrame::prepare(const QString &portEntry)
{
    failed_ = false;
    setStateLine(msg(msgExchangeRunning), runningColour);
    LCom->setText(portEntry);
    fitContents();
    setRateText(QStringLiteral("300"));
    LOpenPort->setText(msg(msgPortOpen));
    received_ = 0;
    sent_ = 0;
    LReadByte->setText(QStringLiteral("0"));
    LWriteByte->setText(QStringLiteral("0"));
}

void TFFrame::setRateText(const QString &baud) { LSpeedCom->setText(baud); }

void TFFrame::addReceived(qsizetype n)
{
    received_ += static_cast<quint32>(n);
    LReadByte->setText(QString::number(received_));
}

void TFFrame::addSent(qsizetype n)
{
    sent_ += static_cast<quint32>(n);
    LWriteByte->setText(QString::number(sent_));
}

void TFFrame::showFailure()
{
    failed_ = true;
    setStateLine(msg(msgError), failedColour);
}

void TFFrame::setStateLine(const QString &text, const QColor &colour)
{
    QPalette p = LabelCom->palette();
    p.setColor(QPalette::WindowText, colour);
    LabelCom->setPalette(p);
    LabelCom->setText(text);
}

void TFFrame::centreOnScreen()
{
    QScreen *screen = anchor_ ? anchor_->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect box(QPoint(), size());
    box.moveCenter(screen->availableGeometry().center());
    move(box.topLeft());
}

void TFFrame::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (showing_) return;  // back from minimised, not a new showing
    showing_ = true;
    centreOnScreen();
    emit shown();
}

void TFFrame::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    endShowing();
}

void TFFrame::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // hide() ends a showing as close() does, or the main window would stay disabled.
    if (!event->spontaneous()) endShowing();
}

void TFFrame::endShowing()
{
    // Qt also sends a close event to a hidden window; only the first end counts.
    if (!showing_) return;
    showing_ = false;
    emit closed();
}

void TFFrame::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // A thin edge keeps the borderless box visible over the white grids behind it.
    QPainter painter(this);
    painter.setPen(edgeColour);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// The progress window: the state it starts each exchange in, the counters, the failure
// line, and closing it while the main window is disabled.
#include "UFrame.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QColor textColour(const QLabel *label) { return label->palette().color(QPalette::WindowText); }

const QColor green(0x00, 0x80, 0x00);
const QColor red(0xFF, 0x00, 0x00);

TEST(Frame, StartsWithTheTextsOfTheForm)
{
    TFFrame frame;
    const std::vector<std::pair<const QLabel *, QString>> expected = {
        {frame.LabelCom, QStringLiteral("Идет обмен данными !")},
        {frame.LabelUsePort, QStringLiteral("Используемый порт -")},
        {frame.LCom, QStringLiteral("Com 2")},
        {frame.LabelBitrate, QStringLiteral("Скорость передачи  -")},
        {frame.LSpeedCom, QStringLiteral("19200")},
        {frame.LabelPortState, QStringLiteral("Состояние порта -")},
        {frame.LOpenPort, QStringLiteral("Открыт")},
        {frame.LabelRead, QStringLiteral("Считанно байт")},
        {frame.LReadByte, QStringLiteral("0")},
        {frame.LabelWrite, QStringLiteral("Переданно байт")},
        {frame.LWriteByte, QStringLiteral("0")},
    };
    for (const auto &[label, text] : expected) EXPECT_EQ(label->text(), text);
    EXPECT_EQ(frame.SpeedButton1->text(), QStringLiteral("Закрыть"));
    EXPECT_EQ(frame.LabelCom->font().pixelSize(), 19);
    EXPECT_EQ(frame.LabelCom->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
}

TEST(Frame, PrepareStartsAFreshExchangeAfterAFailedOne)
{
    TFFrame frame;
    frame.prepare(QStringLiteral("ttyUSB0"));
    frame.setRateText(QStringLiteral("9600"));
    frame.addReceived(120);
    frame.addSent(14);
    frame.showFailure();
    EXPECT_TRUE(frame.failed());
    EXPECT_EQ(frame.LabelCom->text(), QStringLiteral("Ошибка"));
    EXPECT_EQ(textColour(frame.LabelCom), red);

    frame.prepare(QStringLiteral("/dev/pts/4"));
    EXPECT_FALSE(frame.failed());
    EXPECT_EQ(frame.LabelCom->text(), QStringLiteral("Идет обмен данными"));
    EXPECT_EQ(textColour(frame.LabelCom), green);
    EXPECT_EQ(frame.LCom->text(), QStringLiteral("/dev/pts/4"));
    EXPECT_EQ(frame.LSpeedCom->text(), QStringLiteral("300"));
    EXPECT_EQ(frame.LOpenPort->text(), QStringLiteral("Открыт"));
    EXPECT_EQ(frame.received(), 0u);
    EXPECT_EQ(frame.sent(), 0u);
    EXPECT_EQ(frame.LReadByte->text(), QStringLiteral("0"));
    EXPECT_EQ(frame.LWriteByte->text(), QStringLiteral("0"));
}

TEST(Frame, CountersAddUpSeparatelyAndWrapAtThirtyTwoBits)
{
    TFFrame frame;
    frame.prepare(QStringLiteral("COM3"));
    frame.addReceived(10);
    frame.addReceived(5);
    frame.addSent(7);
    EXPECT_EQ(frame.LReadByte->text(), QStringLiteral("15"));
    EXPECT_EQ(frame.LWriteByte->text(), QStringLiteral("7"));

    frame.addReceived(0xFFFFFFFFll);  // 15 + 2^32 - 1
    EXPECT_EQ(frame.received(), 14u);
    EXPECT_EQ(frame.LReadByte->text(), QStringLiteral("14"));
    EXPECT_EQ(frame.sent(), 7u);
}

TEST(Frame, CloseButtonWorksWhileTheMainWindowIsDisabled)
{
    QMainWindow main;
    main.show();
    auto *frame = new TFFrame(&main);  // deleted with the main window
    QSignalSpy shown(frame, &TFFrame::shown);
    QSignalSpy closed(frame, &TFFrame::closed);

    main.setEnabled(false);
    frame->prepare(QStringLiteral("COM3"));
    frame->show();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(frame->isEnabled());
    EXPECT_TRUE(frame->SpeedButton1->isEnabled());

    QTest::mouseClick(frame->SpeedButton1, Qt::LeftButton);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(closed.count(), 1);
    frame->close();  // already closed: no second notice
    EXPECT_EQ(closed.count(), 1);

    frame->show();
    frame->close();
    frame->show();
    frame->hide();
    EXPECT_EQ(shown.count(), 3);
    EXPECT_EQ(closed.count(), 3);
}

TEST(Frame, EscapeDoesNotCloseIt)
{
    TFFrame frame;
    QSignalSpy closed(&frame, &TFFrame::closed);
    frame.show();
    QTest::keyClick(&frame, Qt::Key_Escape);
    QTest::keyClick(frame.SpeedButton1, Qt::Key_Escape);
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(closed.count(), 0);
}

TEST(Frame, CentredOnTheScreenWithEveryTextInFull)
{
    TFFrame frame;
    frame.prepare(QStringLiteral("/tmp/rt519-emu/instrument-pseudo-terminal-0"));
    frame.setRateText(QStringLiteral("115200"));
    frame.addReceived(4000000000ll);
    frame.addSent(4000000000ll);
    frame.show();
    EXPECT_GE(frame.width(), 350);
    EXPECT_GE(frame.height(), 136);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((frame.geometry().center() - screen.center()).manhattanLength(), 2);

    for (QLabel *label : frame.findChildren<QLabel *>()) {
        SCOPED_TRACE(label->text().toStdString());
        EXPECT_GE(label->width(), label->sizeHint().width());
        EXPECT_GE(label->height(), label->fontMetrics().height());
        EXPECT_TRUE(frame.rect().contains(label->geometry()));
    }
    EXPECT_TRUE(frame.rect().contains(frame.SpeedButton1->geometry()));
    EXPECT_GE(frame.SpeedButton1->width(), frame.SpeedButton1->sizeHint().width());
}

}  // namespace

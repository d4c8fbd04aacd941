// The port dialog: which entry it selects from the remembered position, what it hands
// to the transport, what OK and Cancel store, and a port switched while open.
#include "UCom.h"

#include "AppSettings.h"
#include "AsynCom.h"
#include "TestEnvironment.h"
#ifdef RT519_HAVE_PTY
#include "PseudoTerminal.h"
#endif

#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

namespace {

const QString portA = QStringLiteral("/nonexistent/rt519-a");
const QString portB = QStringLiteral("/nonexistent/rt519-b&c");  // "&" must stay literal
const QString portC = QStringLiteral("/nonexistent/rt519-c");

class PortDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearAppSettings();
        offerPorts({portA, portB, portC});
    }
    void TearDown() override { qunsetenv("RT519_EXTRA_PORTS"); }

    static void offerPorts(const QStringList &paths)
    {
        qputenv("RT519_EXTRA_PORTS", paths.join(QDir::listSeparator()).toLocal8Bit());
    }
    static void remember(const QString &value) { openAppSettings()->setValue(QStringLiteral("ComNum"), value); }
    static QString remembered() { return openAppSettings()->value(QStringLiteral("ComNum")).toString(); }
    static void pick(TFCom &dialog, int index)
    {
        QTest::mouseClick(dialog.RGCom->findChildren<QRadioButton *>().at(index), Qt::LeftButton);
    }

    TAsynCom engine;
};

TEST_F(PortDialog, ListsTheOfferedPathsFirstInTheirOrder)
{
    TFCom dialog(engine);
    const QStringList entries = dialog.entries();
    ASSERT_GE(entries.size(), 3);
    EXPECT_EQ(entries.mid(0, 3), (QStringList{portA, portB, portC}));
    EXPECT_EQ(dialog.RGCom->findChildren<QRadioButton *>().size(), entries.size());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Выбор порта"));
    EXPECT_EQ(dialog.RGCom->title(), QStringLiteral("Доступные порты"));
    EXPECT_EQ(dialog.BitBtn1->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.BitBtn2->text(), QStringLiteral("Отмена"));
}

TEST_F(PortDialog, CreationSelectsAndAppliesTheRememberedEntry)
{
    struct Case {
        std::optional<QString> stored;
        int selected;
        QString enginePort;
    };
    const QString untouched = engine.PortName();
    const std::vector<Case> cases = {
        {std::nullopt, 0, portA},
        {QStringLiteral("1"), 1, portB},
        {QStringLiteral("2"), 2, portC},
        {QStringLiteral("abc"), 0, portA},
        {QStringLiteral("1000"), -1, untouched},
        {QStringLiteral("-1"), -1, untouched},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored.value_or(QStringLiteral("(none)")).toStdString());
        clearAppSettings();
        if (c.stored) remember(*c.stored);
        engine.setPortName(untouched);
        TFCom dialog(engine);
        EXPECT_EQ(dialog.selectedIndex(), c.selected);
        EXPECT_EQ(dialog.selectedEntry(), c.selected < 0 ? QString() : dialog.entries().at(c.selected));
        EXPECT_EQ(engine.PortName(), c.enginePort);
        // Applying writes the position back; selecting nothing leaves the setting alone.
        EXPECT_EQ(remembered(), c.selected < 0 ? *c.stored : QString::number(c.selected));
    }
}

TEST_F(PortDialog, OkAppliesAndStoresThePickedEntry)
{
    remember(QStringLiteral("0"));
    TFCom dialog(engine);
    dialog.show();
    pick(dialog, 2);
    EXPECT_EQ(engine.PortName(), portA);  // nothing applied before OK
    QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(engine.PortName(), portC);
    EXPECT_EQ(remembered(), QStringLiteral("2"));

    dialog.show();
    EXPECT_EQ(dialog.selectedIndex(), 2);
}

TEST_F(PortDialog, CancelStoresNothingAndTheNextShowSelectsTheRememberedEntry)
{
    for (const QString &stored : {QStringLiteral("1"), QStringLiteral("7000")}) {
        SCOPED_TRACE(stored.toStdString());
        remember(stored);
        engine.setPortName(QStringLiteral("COM1"));
        TFCom dialog(engine);
        const QString applied = engine.PortName();
        const int selected = dialog.selectedIndex();
        dialog.show();
        pick(dialog, 0);
        QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(remembered(), stored);
        EXPECT_EQ(engine.PortName(), applied);
        dialog.show();
        EXPECT_EQ(dialog.selectedIndex(), selected);
    }
}

TEST_F(PortDialog, ApplyWithNothingSelectedDoesNothing)
{
    remember(QStringLiteral("1"));
    TFCom dialog(engine);
    dialog.setSelectedIndex(-1);
    EXPECT_EQ(dialog.selectedIndex(), -1);
    engine.setPortName(QStringLiteral("COM1"));
    dialog.apply();
    EXPECT_EQ(engine.PortName(), QStringLiteral("COM1"));
    EXPECT_EQ(remembered(), QStringLiteral("1"));
}

#ifdef RT519_HAVE_PTY
TEST_F(PortDialog, PickingAnotherPortWhileOpenReopensOnItAtOnce)
{
    PseudoTerminal first;
    PseudoTerminal second;
    ASSERT_TRUE(first.isOpen() && second.isOpen());
    offerPorts({first.slavePath(), second.slavePath()});
    remember(QStringLiteral("0"));
    engine.setPortName(first.slavePath());
    ASSERT_TRUE(engine.Open());

    TFCom dialog(engine);
    EXPECT_TRUE(engine.Connected());  // the remembered port is the open one: left as it is
    dialog.show();
    pick(dialog, 1);
    QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(engine.Connected());
    EXPECT_EQ(engine.PortName(), second.slavePath());

    engine.Write("Z");
    EXPECT_EQ(second.readBytes(1, 3000), "Z");
    EXPECT_TRUE(first.readFor(100).isEmpty());
    engine.Close();
}
#endif

}  // namespace

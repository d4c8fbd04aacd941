// The model adapter between a DataView and a grid.
#include "DataViewModel.h"
#include "StoreFixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using Model = StoreTest;

TEST_F(Model, FollowsTheViewThroughAppendsDeletesSortsAndResume)
{
    DataViewModel model(&dm->ADOSinhro, {"PTipCH", "PNumber", "PAddress"});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 3);

    for (int i = 0; i < 5; ++i)
        addBufferMeter("T", QString::number(i), QStringLiteral("Адрес %1").arg(i));
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.data(model.index(4, 1)).toString(), QStringLiteral("4"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("PAddress"));
    EXPECT_EQ(model.columnOf("pnumber"), 1);

    dm->ADOSinhro.moveTo(1);
    ASSERT_TRUE(dm->ADOSinhro.deleteRecord());
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), QStringLiteral("2"));

    ASSERT_TRUE(dm->ADOSinhro.setSort("PNumber DESC"));
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), QStringLiteral("4"));

    dm->ADOSinhro.disableControls();
    for (int i = 5; i < 8; ++i)
        addBufferMeter("T", QString::number(i), "x");
    EXPECT_EQ(model.rowCount(), 4);   // held until resume
    dm->ADOSinhro.enableControls();
    EXPECT_EQ(model.rowCount(), 7);

    dm->ADOSinhro.close();
    EXPECT_EQ(model.rowCount(), 0);
    ASSERT_TRUE(dm->ADOSinhro.open());
    EXPECT_EQ(model.rowCount(), 7);
}

TEST_F(Model, GridAndCursorStayInStep)
{
    for (int i = 0; i < 3; ++i)
        addBufferMeter("T", QString::number(i), "x");
    DataViewModel model(&dm->ADOSinhro);
    QSignalSpy moved(&model, &DataViewModel::cursorMoved);
    EXPECT_TRUE(model.moveTo(0));
    EXPECT_EQ(dm->ADOSinhro.currentRow(), 0);
    EXPECT_EQ(model.cursorRow(), 0);
    dm->ADOSinhro.last();
    ASSERT_FALSE(moved.isEmpty());
    EXPECT_EQ(moved.last().at(0).toInt(), 2);
    EXPECT_FALSE(model.moveTo(7));
}

TEST_F(Model, EditingInTheGridPostsThroughTheRules)
{
    addTip("ABC");
    addTip("DEF");
    DataViewModel model(&dm->ADOTip, {"PTipCH", "PInom"});
    model.setEditable(true);
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);

    EXPECT_TRUE(model.setData(model.index(0, 1), 7.5));
    EXPECT_EQ(queryValue(dbPath(), "SELECT PInom FROM TTip WHERE PTipCH = 'ABC'").toDouble(), 7.5);

    EXPECT_FALSE(model.setData(model.index(1, 0), "abc"));
    ASSERT_EQ(user.shown().size(), 1);
    EXPECT_EQ(user.shown().at(0).text, QStringLiteral("Такой тип счетчика уже существует !"));
    EXPECT_EQ(dm->ADOTip.state(), ViewState::Edit);
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), QStringLiteral("abc"));   // the entered value stays shown
    dm->ADOTip.cancel();
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), QStringLiteral("DEF"));

    DataViewModel keys(&dm->ADOIdent, {"PSecIndex"});
    keys.setEditable(true);
    EXPECT_FALSE(keys.flags(keys.index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(Model, FormatterChangesOnlyWhatIsDisplayed)
{
    addTip("A");
    DataViewModel model(&dm->ADOTip, {"PTipCH", "PPhaseMode"});
    ASSERT_TRUE(dm->ADOTip.edit());
    dm->ADOTip.setField(u"PPhaseMode", 2);
    ASSERT_TRUE(dm->ADOTip.post());
    model.setFormatter(1, [](const QVariant &raw) {
        static const QStringList codes = {"1Ф2П", "3Ф3П", "3Ф4П", "-"};
        return QVariant(codes.value(raw.toInt()));
    });
    EXPECT_EQ(model.data(model.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("3Ф4П"));
    EXPECT_EQ(model.data(model.index(0, 1), Qt::EditRole).toInt(), 2);
    model.setHeaderData(1, Qt::Horizontal, "Сх. включения");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Сх. включения"));
}

TEST_F(Model, StatementViewColumnsAppearWhenItOpens)
{
    addBufferMeter("T", "1", "x");
    DataViewModel model(&dm->ADODataSetSQL);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.columnCount(), 0);
    dm->ADODataSetSQL.setSql("SELECT PNumber, PAddress FROM TSTip");
    ASSERT_TRUE(dm->ADODataSetSQL.open());
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("PAddress"));
    dm->ADODataSetSQL.close();
    EXPECT_EQ(model.rowCount(), 0);
}

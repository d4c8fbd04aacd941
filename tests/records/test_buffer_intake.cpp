// The intake writes what a read delivers into the buffer tables, linked as the device
// sent it, and keeps every committed row when the store refuses one.
#include "BufferIntake.h"
#include "RecordTexts.h"
#include "StoreFixture.h"

#include <gtest/gtest.h>

namespace {

class Intake : public StoreTest {
protected:
    QVariant value(const QString &sql) const { return queryValue(dbPath(), sql); }
    qlonglong number(const QString &sql) const { return value(sql).toLongLong(); }
};

TEST_F(Intake, RowsLandUnderTheMeterAndDayReceivedLastWhateverTheBlockBoundaries)
{
    const QString read = meterText("Lenina 1", "0001", "SET4", "1600") + "\r\n" + resultText() + "\r\n" +
                         resultText({{"U1", "231.5"}}) + "\r\n" + dayText(30, 23, 0, 0, 31, 12, 6) +
                         sliceText("1") + sliceText("2") + sliceText("3") + "\r\n" +
                         dayText(std::nullopt, 0, 0, 0, 2, 1, 7) + sliceText("4") + "\r\n" +
                         meterText("Mira 2", "0002", "CE301", "3200,5") + dayText(15, 0, 0, 0, 3, 1, 7) +
                         sliceText("5");
    BufferIntake intake(*dm);
    for (qsizetype at = 0; at < read.size(); at += 37)   // boundaries fall inside names and values
        ASSERT_TRUE(intake.take(read.mid(at, 37)));
    EXPECT_FALSE(intake.finish().any());

    EXPECT_EQ(count("TSTip"), 2);
    EXPECT_EQ(count("TSResult"), 2);
    EXPECT_EQ(count("TSDataProfile"), 3);
    EXPECT_EQ(count("TSProfile"), 5);
    EXPECT_EQ(intake.storedRows(), 12);

    const qlonglong first = number("SELECT PIndex FROM TSTip WHERE PNumber = '0001'");
    const qlonglong second = number("SELECT PIndex FROM TSTip WHERE PNumber = '0002'");
    EXPECT_DOUBLE_EQ(value("SELECT PReductRate FROM TSTip WHERE PIndex = " + QString::number(second)).toDouble(), 3200.5);
    EXPECT_EQ(number("SELECT count(*) FROM TSResult WHERE PSecIndex = " + QString::number(first)), 2);
    EXPECT_DOUBLE_EQ(value("SELECT max(PUMeasureA) FROM TSResult").toDouble(), 231.5);

    // The first day's slices tile from 23:00 across midnight; the next day of the same
    // meter, sent without TIME, keeps its 30 minutes.
    const qlonglong day1 = number("SELECT min(PIndex) FROM TSDataProfile WHERE PSecIndex = " + QString::number(first));
    EXPECT_EQ(value("SELECT PData FROM TSDataProfile WHERE PIndex = " + QString::number(day1)).toString(),
              "2006-12-31 23:00:00");
    EXPECT_EQ(value("SELECT max(PEndTime) FROM TSProfile WHERE PSecIndex = " + QString::number(day1)).toString(),
              "2007-01-01 00:30:00");
    EXPECT_EQ(number("SELECT max(PInterval) FROM TSDataProfile WHERE PSecIndex = " + QString::number(first)), 30);
    EXPECT_EQ(value("SELECT PEndTime FROM TSProfile WHERE PActEnergy = 4").toString(), "2007-01-02 00:30:00");
    EXPECT_EQ(number("SELECT PInterval FROM TSDataProfile WHERE PSecIndex = " + QString::number(second)), 15);
    EXPECT_EQ(number("SELECT count(*) FROM TSProfile p JOIN TSDataProfile d ON d.PIndex = p.PSecIndex "
                     "WHERE d.PSecIndex = " + QString::number(second)), 1);
}

TEST_F(Intake, RefusedRowStopsTheIntakeAndKeepsEverythingStoredBefore)
{
    // Stands in for a full disk or a broken file at one particular row.
    execSql(dbPath(), "CREATE TRIGGER refuse BEFORE INSERT ON TSProfile WHEN NEW.PActEnergy = 13 "
                      "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    BufferIntake intake(*dm);
    ASSERT_TRUE(intake.take(meterText("A", "1", "T", "1") + dayText(60, 0, 0, 0, 1, 1, 8) + sliceText("11")));
    EXPECT_FALSE(intake.take(sliceText("12") + sliceText("13") + sliceText("14")));
    EXPECT_FALSE(intake.take(sliceText("15")));
    EXPECT_TRUE(intake.failed());

    ASSERT_EQ(user.shown().size(), 1u);
    EXPECT_TRUE(user.shownTexts().front().contains("disk full"));
    // Read by another connection: the rows before the refusal are committed.
    EXPECT_EQ(count("TSProfile"), 2);
    EXPECT_EQ(number("SELECT max(PActEnergy) FROM TSProfile"), 12);
    EXPECT_FALSE(dm->ADOSinhroProfile.isEditing());
}

}  // namespace

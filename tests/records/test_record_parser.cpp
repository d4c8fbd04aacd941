#include "RecordParser.h"
#include "RecordTexts.h"
#include "Messages.h"
#include "ScriptedPrompts.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {

const QString aMeter = meterText("Lenina 1", "0001", "SET4", "1600");

template <class Row>
std::vector<Row> rowsOf(const std::vector<BufferRecord> &records)
{
    std::vector<Row> rows;
    for (const auto &record : records)
        if (const Row *row = std::get_if<Row>(&record)) rows.push_back(*row);
    return rows;
}

std::vector<BufferRecord> parseAll(RecordParser &parser, const QStringList &texts)
{
    std::vector<BufferRecord> all;
    for (const QString &text : texts) {
        auto records = parser.feed(text);
        all.insert(all.end(), records.begin(), records.end());
    }
    return all;
}

// The one result row that a meter and the given result text produce.
BufferResultRow resultOf(const ItemOverrides &overrides, IntakeCounts *counts = nullptr)
{
    RecordParser parser;
    const auto rows = rowsOf<BufferResultRow>(parseAll(parser, {aMeter, resultText(overrides)}));
    if (counts) *counts = parser.finish();
    EXPECT_EQ(rows.size(), 1u);
    return rows.empty() ? BufferResultRow{} : rows.front();
}

QVariant column(const BufferColumns &columns, const QString &name)
{
    for (const auto &[n, value] : columns)
        if (n == name) return value;
    ADD_FAILURE() << "no column " << name.toStdString();
    return {};
}

void expectColumns(const BufferColumns &actual, const std::vector<std::pair<QString, QVariant>> &expected)
{
    for (const auto &[name, want] : expected) {
        SCOPED_TRACE(name.toStdString());
        const QVariant got = column(actual, name);
        if (!want.isValid()) {
            EXPECT_FALSE(got.isValid()) << got.toString().toStdString();
        } else if (want.typeId() == QMetaType::Double) {
            ASSERT_TRUE(got.isValid());
            EXPECT_NEAR(got.toDouble(), want.toDouble(), 1e-9);
        } else {
            EXPECT_EQ(got, want);
        }
    }
}

const double line230 = 230 * std::sqrt(3.0);  // 398.37…
const QVariant empty;

struct ResultCase {
    const char *name;
    ItemOverrides items;
    std::vector<std::pair<QString, QVariant>> expected;
};

TEST(RecordParser, ResultRecordsAndTheirDerivedColumns)
{
    const ResultCase cases[] = {
        {"balanced 230 V at 120/240", {},
         {{"PRectUA", 120.0}, {"PRectUB", 120.0}, {"PRectUC", 120.0}, {"PUMeasureAB", line230},
          {"PUMeasureBC", line230}, {"PUMeasureCA", line230}, {"PU", 230.0}, {"PI", 5.0},
          {"PUMeasureA", 230.0}, {"PIMeasureA", 5.0}, {"PFreq", 50.0}, {"PPowerPMeasure", 3450.5},
          {"PMistakeMeasure", -0.25}, {"PTimeMeasure", 10}, {"PINDICATION", 1234.57},
          {"PIndicationInverse", 0.0}, {"PPowerType", 0}, {"PConType", 0}, {"PPhaseIndex", 0},
          {"PRectIA", 0.0}, {"PFPMeasure", QString("0.99L")},
          {"PDateMeasure", QDateTime(QDate(2007, 3, 5), QTime(12, 30, 15), Qt::UTC)}}},
        {"U2 missing phase", {{"U2", "0"}},
         {{"PRectUA", 999.0}, {"PRectUB", 999.0}, {"PRectUC", 120.0}, {"PUMeasureAB", 230.0},
          {"PUMeasureBC", 230.0}, {"PUMeasureCA", line230}, {"PRectIB", 999.0}}},
        {"U3 missing phase", {{"U3", "0"}}, {{"PRectUA", 120.0}, {"PRectUB", 999.0}, {"PRectUC", 999.0}}},
        {"U1 missing phase", {{"U1", "0.001"}},  // rounds to 0
         {{"PUMeasureA", 0.0}, {"PRectUA", 999.0}, {"PRectUB", 120.0}, {"PRectUC", 999.0}, {"PRectIA", 999.0}}},
        {"only U1", {{"U2", "0"}, {"U3", ""}}, {{"PRectUA", 999.0}, {"PRectUB", 999.0}, {"PRectUC", 999.0}}},
        {"only U2", {{"U1", "0"}, {"U3", "0"}}, {{"PRectUA", 999.0}, {"PRectUB", 999.0}, {"PRectUC", 999.0}}},
        {"no voltage", {{"U1", "0"}, {"U2", "0"}, {"U3", "0"}},
         {{"PRectUA", 999.0}, {"PRectUB", 999.0}, {"PRectUC", 999.0}, {"PU", 0.0}}},
        {"voltage angles brought into range", {{"COR_UU2", "-185"}, {"COR_UU3", "-170"}},
         {{"PRectUA", 175.0}, {"PRectUB", 15.0}, {"PRectUC", 170.0}}},
        {"-180 itself stays", {{"COR_UU2", "-180"}, {"COR_UU3", "0"}},
         {{"PRectUA", -180.0}, {"PRectUB", 180.0}, {"PRectUC", 360.0}}},
        {"voltage angle above 360", {{"COR_UU2", "-250"}, {"COR_UU3", "250"}},
         {{"PRectUA", 110.0}, {"PRectUB", 140.0}, {"PRectUC", 110.0}}},
        {"current angles", {{"COR_UI1", "400"}, {"COR_UI2", "-30"}, {"COR_UI3", "720.5"}},
         {{"PRectIA", 40.0}, {"PRectIB", -30.0}, {"PRectIC", 0.5}}},
        {"current angle without current", {{"COR_UI1", "400"}, {"I1", "0"}}, {{"PRectIA", 999.0}}},
        {"three-wire with U3 = 0", {{"CONTYPE", "1"}, {"U3", "0"}},
         {{"PConType", 1}, {"PUMeasureAB", line230}, {"PUMeasureBC", 230.0}, {"PUMeasureCA", 230.0},
          {"PU", (line230 + 230 + 230) / 2}, {"PI", 5.0}}},
        {"single-phase", {{"CONTYPE", "2"}, {"U1", "220.126"}, {"I1", "0.123456"}},
         {{"PU", 220.13}, {"PI", 0.1235}, {"PIMeasureA", 0.1235}}},
        {"mean current 12.3456", {{"I1", "12.3456"}, {"I2", "12.3456"}, {"I3", "12.3456"}}, {{"PI", 12.35}}},
        {"mean current 150.26", {{"I1", "150.26"}, {"I2", "150.26"}, {"I3", "150.26"}}, {{"PI", 150.3}}},
        {"mean current of the present phases", {{"I1", "1"}, {"I2", "2.0005"}, {"I3", "0"}}, {{"PI", 1.5}}},
        {"no current", {{"I1", "0"}, {"I2", "0"}, {"I3", "0"}}, {{"PI", 0.0}}},
        {"unknown connection scheme", {{"CONTYPE", "5"}}, {{"PConType", 5}, {"PU", empty}, {"PI", empty}}},
        {"line voltages from unrounded phases", {{"U1", "100.004"}, {"U2", "100.004"}, {"COR_UU2", "60"}},
         {{"PUMeasureA", 100.0}, {"PUMeasureAB", 100.004}}},
        {"capacitive", {{"COSIND", "2"}, {"COS", "-0.876"}}, {{"PFPMeasure", QString("-0.76C")}}},
        {"no kind of power factor", {{"COSIND", "0"}}, {{"PFPMeasure", QString("0.99")}}},
        {"short COS kept", {{"COS", "0.5"}}, {{"PFPMeasure", QString("0.5L")}}},
        {"unknown COSIND", {{"COSIND", "3"}}, {{"PFPMeasure", empty}}},
        {"31 February", {{"DATE", "31"}, {"MON", "2"}},
         {{"PDateMeasure", QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC)}}},
        {"hour 24", {{"HOUR", "24"}}, {{"PDateMeasure", QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC)}}},
        {"year 49", {{"YEAR", "49"}}, {{"PDateMeasure", QDateTime(QDate(2049, 3, 5), QTime(12, 30, 15), Qt::UTC)}}},
        {"year 50", {{"YEAR", "50"}}, {{"PDateMeasure", QDateTime(QDate(1950, 3, 5), QTime(12, 30, 15), Qt::UTC)}}},
        {"values trimmed of trailing blanks", {{"U1", "230  "}, {"COSIND", "1 "}}, {{"PUMeasureA", 230.0},
          {"PFPMeasure", QString("0.99L")}}},
        {"decimal comma", {{"F", "49,996"}}, {{"PFreq", 50.0}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectColumns(columnValues(resultOf(c.items)), c.expected);
    }
}

TEST(RecordParser, UnreadableResultValuesLeaveTheirColumnsEmptyAndAreCounted)
{
    struct Case {
        const char *name;
        ItemOverrides items;
        int unreadable;
        std::vector<std::pair<QString, QVariant>> expected;
    };
    const Case cases[] = {
        {"bad voltage", {{"U1", "23O"}}, 1,
         {{"PUMeasureA", empty}, {"PRectUA", empty}, {"PRectUB", empty}, {"PRectUC", empty},
          {"PUMeasureAB", empty}, {"PUMeasureCA", empty}, {"PU", empty}, {"PRectIA", empty},
          {"PUMeasureB", 230.0}, {"PRectIB", 0.0}, {"PI", 5.0}}},
        {"two decimal marks", {{"P", "1.2,5"}}, 1, {{"PPowerPMeasure", empty}, {"PPowerQMeasure", 0.0}}},
        {"empty whole number", {{"POGRTIME", ""}}, 1, {{"PTimeMeasure", empty}, {"PPowerType", 0}}},
        {"fraction as whole number", {{"WKPHASE", "1.5"}}, 1, {{"PPhaseIndex", empty}}},
        {"code out of range", {{"POWIND", "70000"}}, 1, {{"PPowerType", empty}}},
        {"negative code", {{"POWIND", "-1"}}, 1, {{"PPowerType", empty}}},
        {"bad connection scheme", {{"CONTYPE", "x"}}, 1, {{"PConType", empty}, {"PU", empty}, {"PI", empty}}},
        {"missing date item", {{"DATE", std::nullopt}}, 1, {{"PDateMeasure", empty}}},
        {"bad angle", {{"COR_UU3", "?"}}, 1, {{"PRectUA", 120.0}, {"PRectUB", empty}, {"PRectUC", empty},
          {"PUMeasureAB", line230}, {"PUMeasureBC", empty}}},
        {"overflow in the derived columns", {{"U1", "1e300"}, {"U2", "1e300"}, {"U3", "1e300"}, {"CONTYPE", "1"}}, 4,
         {{"PUMeasureA", 1e300}, {"PUMeasureAB", empty}, {"PUMeasureBC", empty}, {"PUMeasureCA", empty},
          {"PU", empty}, {"PI", 5.0}}},
        {"missing number reads 0", {{"P", std::nullopt}, {"U3", ""}}, 0, {{"PPowerPMeasure", 0.0}, {"PUMeasureC", 0.0}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        IntakeCounts counts;
        const BufferResultRow row = resultOf(c.items, &counts);
        expectColumns(columnValues(row), c.expected);
        EXPECT_EQ(counts, IntakeCounts{.unreadableValues = c.unreadable});
    }
}

TEST(RecordParser, MeterRecords)
{
    RecordParser parser;
    const auto records = parser.feed(QString::fromUtf16(u"\r\nADR(ул. Ленина, 1  )\r\nNUM(0001)TYPE(СЭТ-4ТМ)CONST(1600)") +
                                     meterText("B", "2", "T2", "3200,5"));
    const auto meters = rowsOf<BufferMeterRow>(records);
    ASSERT_EQ(meters.size(), 2u);
    EXPECT_EQ(meters[0].PAddress, QString::fromUtf16(u"ул. Ленина, 1"));
    EXPECT_EQ(meters[0].PNumber, "0001");
    EXPECT_EQ(meters[0].PTipCH, QString::fromUtf16(u"СЭТ-4ТМ"));
    EXPECT_EQ(meters[0].PReductRate, 1600.0);
    EXPECT_EQ(meters[1].PAddress, "B");
    EXPECT_EQ(meters[1].PReductRate, 3200.5);
    EXPECT_FALSE(parser.finish().any());
}

TEST(RecordParser, ItemsBeforeTheirNameAreSkipped)
{
    // CONST first: the record closes at once; the later items wait for the next CONST.
    RecordParser parser;
    const auto meters = rowsOf<BufferMeterRow>(
        parseAll(parser, {"CONST(1600)ADR(a)NUM(1)TYPE(t)", "CONST(3200)"}));
    ASSERT_EQ(meters.size(), 2u);
    EXPECT_EQ(meters[0].PAddress, "");
    EXPECT_EQ(meters[0].PNumber, "");
    EXPECT_EQ(meters[0].PTipCH, "");
    EXPECT_EQ(meters[0].PReductRate, 1600.0);
    EXPECT_EQ(meters[1].PAddress, "a");
    EXPECT_EQ(meters[1].PReductRate, 3200.0);

    // A blank before a name, a lower-case name, an unknown name, another kind's item:
    // all skipped; control characters inside a name are dropped.
    const auto other = rowsOf<BufferMeterRow>(
        parser.feed(QString("ADR(a) NUM(x)num(y)XNUM(z)U1(230)TY\x01PE(T)NUM(n)CONST()")));
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0].PAddress, "a");
    EXPECT_EQ(other[0].PNumber, "n");
    EXPECT_EQ(other[0].PTipCH, "T");
    EXPECT_EQ(other[0].PReductRate, 0.0);
    EXPECT_FALSE(parser.finish().any());
}

TEST(RecordParser, LaterItemsReplaceEarlierOnes)
{
    RecordParser parser;
    const auto meters = rowsOf<BufferMeterRow>(parser.feed(QString("NUM(1)NUM(2)ADR(a)TYPE(t)CONST(1)")));
    ASSERT_EQ(meters.size(), 1u);
    EXPECT_EQ(meters[0].PNumber, "2");
}

TEST(RecordParser, TextsLongerThanTheirColumnsAreCutAndCounted)
{
    RecordParser parser;
    const auto records = parseAll(parser, {meterText("12345678901234567890X", "12345678901", "ABCDEFGHIJK", "1"),
                                           resultText({{"COS", "0.999999999999"}, {"COSIND", "1"}})});
    const auto meters = rowsOf<BufferMeterRow>(records);
    const auto results = rowsOf<BufferResultRow>(records);
    ASSERT_EQ(meters.size(), 1u);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(meters[0].PAddress, "1234567890123456789");
    EXPECT_EQ(meters[0].PNumber, "1234567890");
    EXPECT_EQ(meters[0].PTipCH, "ABCDEFGHIJ");
    EXPECT_EQ(results[0].PFPMeasure, QString("0.99999999"));
    EXPECT_EQ(parser.finish().cutTexts, 4);

    RecordParser blankAtTheCut;
    const auto cutAtBlank = rowsOf<BufferMeterRow>(blankAtTheCut.feed(meterText("a", "123456789 12", "T", "1")));
    ASSERT_EQ(cutAtBlank.size(), 1u);
    EXPECT_EQ(cutAtBlank[0].PNumber, "123456789");
}

TEST(RecordParser, ResultsAndDaysBeforeAnyMeterAreSkippedAndCounted)
{
    RecordParser parser;
    const auto records = parseAll(parser, {resultText(), dayText(30, 0, 0, 0, 1, 1, 7) + sliceText("1") + sliceText("2"),
                                           aMeter, resultText()});
    EXPECT_EQ(records.size(), 2u);  // the meter and its result
    EXPECT_EQ(rowsOf<BufferResultRow>(records).size(), 1u);
    const IntakeCounts counts = parser.finish();
    EXPECT_EQ(counts.orphanResults, 1);
    EXPECT_EQ(counts.orphanDays, 1);
    EXPECT_EQ(counts.skippedSlices, 2);
}

TEST(RecordParser, ProfileSlicesTileTheDayAcrossMidnight)
{
    QString text = dayText(30, 0, 0, 0, 31, 12, 7);
    for (int i = 0; i < 48; ++i) text += sliceText(QString::number(i), "0,5", "1.25", "");
    RecordParser parser;
    const auto records = parseAll(parser, {aMeter, text});
    const auto days = rowsOf<BufferProfileDayRow>(records);
    const auto slices = rowsOf<BufferProfileSliceRow>(records);
    ASSERT_EQ(days.size(), 1u);
    EXPECT_EQ(days[0].PData, QDateTime(QDate(2007, 12, 31), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(days[0].PInterval, 30);
    ASSERT_EQ(slices.size(), 48u);
    for (int i = 0; i < 48; ++i) {
        EXPECT_EQ(slices[i].PBeginTime, days[0].PData.addSecs(i * 1800));
        EXPECT_EQ(slices[i].PEndTime, days[0].PData.addSecs((i + 1) * 1800));
        EXPECT_EQ(slices[i].PActEnergy, double(i));
    }
    EXPECT_EQ(slices.back().PEndTime, QDateTime(QDate(2008, 1, 1), QTime(0, 0), Qt::UTC));
    expectColumns(columnValues(slices[0]), {{"PActEnergyNot", 0.5}, {"PReactEnergy", 1.25}, {"PReactEnergyNot", 0.0}});
    EXPECT_FALSE(parser.finish().any());
}

TEST(RecordParser, ADayWithoutTimeTakesTheTimeOfTheDayBefore)
{
    RecordParser parser;
    const auto records = parseAll(parser, {aMeter,
                                           dayText(15, 10, 0, 0, 1, 2, 7) + sliceText("1") +
                                               dayText(std::nullopt, 23, 50, 0, 2, 2, 7) + sliceText("2") + sliceText("3"),
                                           // a later delivery continues the same profile
                                           dayText(std::nullopt, 8, 0, 0, 3, 2, 7) + sliceText("4")});
    const auto days = rowsOf<BufferProfileDayRow>(records);
    const auto slices = rowsOf<BufferProfileSliceRow>(records);
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[1].PInterval, 15);
    EXPECT_EQ(days[2].PInterval, 15);
    ASSERT_EQ(slices.size(), 4u);
    EXPECT_EQ(slices[1].PBeginTime, QDateTime(QDate(2007, 2, 2), QTime(23, 50), Qt::UTC));
    EXPECT_EQ(slices[2].PEndTime, QDateTime(QDate(2007, 2, 3), QTime(0, 20), Qt::UTC));
    EXPECT_EQ(slices[3].PBeginTime, QDateTime(QDate(2007, 2, 3), QTime(8, 0), Qt::UTC));

    // A new meter's days lend it no TIME, in the same text or the next.
    const auto next = parser.feed(dayText(30, 0, 0, 0, 1, 1, 8) + sliceText("1") + aMeter +
                                  dayText(std::nullopt, 0, 0, 0, 2, 1, 8) + sliceText("2"));
    EXPECT_EQ(rowsOf<BufferProfileDayRow>(next).size(), 1u);
    EXPECT_EQ(rowsOf<BufferProfileSliceRow>(next).size(), 1u);
    const auto later = parseAll(parser, {aMeter, dayText(std::nullopt, 0, 0, 0, 3, 1, 8) + sliceText("3")});
    EXPECT_TRUE(rowsOf<BufferProfileDayRow>(later).empty());
    EXPECT_EQ(parser.finish().skippedDays, 2);
}

TEST(RecordParser, ADayAfterTheLastSliceIsStoredAtItsYear)
{
    RecordParser parser;
    parser.feed(aMeter);
    const auto records = parser.feed(dayText(30, 0, 0, 0, 1, 1, 7) + sliceText("1") + dayText(60, 0, 0, 0, 2, 1, 7));
    ASSERT_EQ(rowsOf<BufferProfileDayRow>(records).size(), 2u);
    EXPECT_EQ(rowsOf<BufferProfileDayRow>(records)[1].PInterval, 60);
    EXPECT_FALSE(parser.finish().any());
}

TEST(RecordParser, ImpossibleProfileDaysAreSkippedWithTheirSlices)
{
    struct Case {
        const char *name;
        QString day;
    };
    const Case cases[] = {
        {"31 April", dayText(30, 0, 0, 0, 31, 4, 7)},
        {"hour 25", dayText(30, 25, 0, 0, 1, 4, 7)},
        {"interval 0", dayText(0, 0, 0, 0, 1, 4, 7)},
        {"interval of a whole day", dayText(1440, 0, 0, 0, 1, 4, 7)},
        {"negative interval", dayText(-30, 0, 0, 0, 1, 4, 7)},
        {"no interval", dayText(std::nullopt, 0, 0, 0, 1, 4, 7)},
        {"interval not a whole number", item("TIME", "30.5") + dayText(std::nullopt, 0, 0, 0, 1, 4, 7)},
        {"no year", dayText(30, 0, 0, 0, 1, 4, 7).replace("YEAR(07)", "YEAR()")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RecordParser parser;
        const auto records = parseAll(parser, {aMeter, c.day + sliceText("1") + sliceText("2"),
                                               sliceText("3") + dayText(1439, 0, 0, 0, 2, 4, 7) + sliceText("4")});
        const auto days = rowsOf<BufferProfileDayRow>(records);
        const auto slices = rowsOf<BufferProfileSliceRow>(records);
        ASSERT_EQ(days.size(), 1u);
        EXPECT_EQ(days[0].PInterval, 1439);
        ASSERT_EQ(slices.size(), 1u);
        EXPECT_EQ(slices[0].PActEnergy, 4.0);
        EXPECT_EQ(slices[0].PEndTime, QDateTime(QDate(2007, 4, 2), QTime(23, 59), Qt::UTC));
        const IntakeCounts counts = parser.finish();
        EXPECT_EQ(counts.skippedDays, 1);
        EXPECT_EQ(counts.skippedSlices, 3);
        EXPECT_EQ(counts.unreadableValues, 0);
    }
}

TEST(RecordParser, SlicesWithoutADayAreSkipped)
{
    RecordParser parser;
    // The second meter has no day yet: its slices can't belong to the first meter's day.
    const auto records = parseAll(parser, {aMeter, dayText(60, 0, 0, 0, 1, 1, 7) + sliceText("1"), aMeter,
                                           sliceText("2")});
    EXPECT_EQ(rowsOf<BufferProfileSliceRow>(records).size(), 1u);
    EXPECT_EQ(parser.finish().skippedSlices, 1);
}

TEST(RecordParser, UnreadableSliceEnergiesLeaveTheirColumnsEmpty)
{
    RecordParser parser;
    const auto slices = rowsOf<BufferProfileSliceRow>(
        parseAll(parser, {aMeter, dayText(60, 0, 0, 0, 1, 1, 7) + sliceText("x", "1", "--", "2")}));
    ASSERT_EQ(slices.size(), 1u);
    EXPECT_FALSE(slices[0].PActEnergy);
    EXPECT_EQ(slices[0].PActEnergyNot, 1.0);
    EXPECT_FALSE(slices[0].PReactEnergy);
    EXPECT_EQ(parser.finish().unreadableValues, 2);
}

// A read as the device sends it: meters, their results, their profiles.
QStringList deviceTexts()
{
    return {meterText("A", "1", "T1", "1600"),
            resultText({{"U1", "231.5"}}),
            resultText({{"U2", "0"}}),
            dayText(30, 0, 0, 0, 1, 2, 7) + sliceText("1") + sliceText("2") + dayText(std::nullopt, 0, 0, 0, 2, 2, 7) +
                sliceText("3"),
            meterText(QString::fromUtf16(u"Б"), "2", "T2", "3200.5"),
            resultText({{"CONTYPE", "2"}}),
            dayText(60, 12, 0, 0, 3, 2, 7) + sliceText("4", "5", "6", "7")};
}

TEST(RecordParser, ABlockBoundaryAnywhereLosesNoRecord)
{
    const QString whole = deviceTexts().join("\r\n");
    RecordParser reference;
    const auto expected = parseAll(reference, deviceTexts());
    ASSERT_EQ(expected.size(), 12u);
    ASSERT_FALSE(reference.finish().any());

    // Deliveries cut at every position, and into three uneven pieces.
    for (qsizetype cut = 1; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        RecordParser parser;
        const qsizetype second = std::min(whole.size(), cut + 37 + cut % 101);
        const auto records = parseAll(parser, {whole.first(cut), whole.sliced(cut, second - cut), whole.sliced(second)});
        ASSERT_EQ(records.size(), expected.size());
        for (std::size_t i = 0; i < records.size(); ++i) ASSERT_EQ(records[i].index(), expected[i].index());
        const auto rows = rowsOf<BufferResultRow>(records);
        EXPECT_EQ(rows[0].PUMeasureA, 231.5);
        EXPECT_EQ(rowsOf<BufferProfileSliceRow>(records).back().PReactEnergyNot, 7.0);
        EXPECT_FALSE(parser.finish().any());
    }
}

TEST(RecordParser, ARecordLeftUnfinishedAtTheEndIsCounted)
{
    RecordParser parser;
    EXPECT_TRUE(parser.feed(QString("ADR(1)NUM(2)TYPE(3)CONST(4")).empty());
    EXPECT_EQ(parser.finish().unfinishedRecords, 1);

    RecordParser blanks;  // nothing but blanks and line ends after the last record is no record
    blanks.feed(aMeter + "  \r\n");
    EXPECT_FALSE(blanks.finish().any());
}

TEST(RecordParser, RecordsOfSeveralKindsInOneText)
{
    // The last slice of one meter, the next meter and its result, all in one delivery.
    RecordParser parser;
    const auto records = parseAll(parser, {aMeter + dayText(30, 0, 0, 0, 1, 1, 7),
                                           sliceText("1") + meterText("B", "2", "T", "1") + resultText()});
    ASSERT_EQ(records.size(), 5u);
    EXPECT_TRUE(std::holds_alternative<BufferMeterRow>(records[0]));
    EXPECT_TRUE(std::holds_alternative<BufferProfileDayRow>(records[1]));
    EXPECT_TRUE(std::holds_alternative<BufferProfileSliceRow>(records[2]));
    EXPECT_TRUE(std::holds_alternative<BufferMeterRow>(records[3]));
    EXPECT_TRUE(std::holds_alternative<BufferResultRow>(records[4]));
    // The result's HOUR…YEAR are its own, not a profile day's.
    EXPECT_EQ(std::get<BufferResultRow>(records[4]).PDateMeasure,
              QDateTime(QDate(2007, 3, 5), QTime(12, 30, 15), Qt::UTC));
    EXPECT_FALSE(parser.finish().any());
}

TEST(IntakeReport, OneMessageNamesWhatWasCounted)
{
    EXPECT_TRUE(intakeReportText({}).isEmpty());
    const QString text = intakeReportText({.unreadableValues = 3, .cutTexts = 0, .skippedDays = 1, .skippedSlices = 48});
    EXPECT_TRUE(text.contains(QString::fromUtf16(u"нечитаемых значений (поля оставлены пустыми): 3")));
    EXPECT_TRUE(text.contains(QString::fromUtf16(u"пропущено срезов профиля: 48")));
    EXPECT_FALSE(text.contains(QString::fromUtf16(u"обрезанных")));

    ScriptedPrompts user;
    showIntakeReport({});
    EXPECT_TRUE(user.shown().isEmpty());
    showIntakeReport({.orphanResults = 2});
    ASSERT_EQ(user.shown().size(), 1);
    EXPECT_EQ(user.shown()[0].icon, PromptIcon::Warning);
    EXPECT_EQ(user.shown()[0].caption, QString::fromUtf16(u"Считывание данных"));
    EXPECT_TRUE(user.shown()[0].text.contains("2"));
}

}  // namespace

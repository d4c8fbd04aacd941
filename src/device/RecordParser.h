#pragma once
// Turns the record texts that a read delivers into rows of the exchange buffer, with
// every derived column computed. Pure logic: the intake copies the rows into the views
// by column name and links them (results and days under the latest meter, slices
// under the latest day).
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

// A missing value (std::nullopt) is an empty column.
struct BufferMeterRow {
    QString PAddress;
    QString PNumber;
    QString PTipCH;
    std::optional<double> PReductRate;
};

struct BufferResultRow {
    std::optional<double> PUMeasureA, PUMeasureB, PUMeasureC;
    std::optional<double> PUMeasureAB, PUMeasureBC, PUMeasureCA;
    std::optional<double> PIMeasureA, PIMeasureB, PIMeasureC;
    std::optional<double> PPowerPMeasure, PPowerQMeasure, PPowerSMeasure;
    std::optional<QString> PFPMeasure;
    std::optional<double> PMistakeMeasure;
    std::optional<QDateTime> PDateMeasure;
    std::optional<int> PTimeMeasure;
    std::optional<double> PRectUA, PRectUB, PRectUC;
    std::optional<double> PRectIA, PRectIB, PRectIC;
    std::optional<double> PFreq;
    std::optional<double> PINDICATION, PIndicationInverse;
    std::optional<int> PPowerType, PConType, PPhaseIndex;
    std::optional<double> PU, PI;
};

struct BufferProfileDayRow {
    QDateTime PData;
    int PInterval = 0;
};

struct BufferProfileSliceRow {
    QDateTime PBeginTime, PEndTime;
    std::optional<double> PActEnergy, PActEnergyNot, PReactEnergy, PReactEnergyNot;
};

// One stored record, in the order in which the text closed them.
using BufferRecord = std::variant<BufferMeterRow, BufferResultRow, BufferProfileDayRow, BufferProfileSliceRow>;

// Column name → value; an empty column is a null QVariant.
using BufferColumns = std::vector<std::pair<QString, QVariant>>;
BufferColumns columnValues(const BufferMeterRow &row);
BufferColumns columnValues(const BufferResultRow &row);
BufferColumns columnValues(const BufferProfileDayRow &row);
BufferColumns columnValues(const BufferProfileSliceRow &row);

// What the read could not take over as sent, for the one message after the exchange.
struct IntakeCounts {
    int unreadableValues = 0;   // a column left empty: not a number, not a whole number, out of range
    int cutTexts = 0;           // a text cut to its column's size
    int skippedDays = 0;        // profile days with an impossible date or time or interval
    int skippedSlices = 0;      // slices of skipped days, slices with no day
    int orphanResults = 0;      // results before any meter
    int orphanDays = 0;         // profile days before any meter
    int unfinishedRecords = 0;  // texts whose record never closed
    bool any() const;
    bool operator==(const IntakeCounts &) const = default;
};

// One parser per read exchange (the read starts with an emptied buffer).
class RecordParser {
public:
    // Parses one delivered text (already decoded from the device's code page) and returns
    // the records it completed, in the order of their closing items (CONST, WKPHASE,
    // Q_MINUS; a profile day closes at its YEAR). Each record takes the names of the kind
    // of the item that closes it; other names are skipped. A record the text leaves
    // unfinished (a block boundary inside it) is kept and completed by the next text.
    std::vector<BufferRecord> feed(QStringView delivered);

    // End of the exchange: anything still unfinished is given up and counted.
    IntakeCounts finish();

    const IntakeCounts &counts() const { return counts_; }

    enum class Kind { None, Meter, Result, Profile };  // of record; Profile: days and slices

private:
    struct Item {
        int name;           // position in the table of item names
        QStringView value;  // trimmed of trailing blanks
        qsizetype end;      // just after its ")"
    };
    struct Slots {
        QStringView meter[4], result[30], profile[11];  // a day's 7, then a slice's 4
    };
    static std::vector<Item> itemsOf(QStringView text);
    bool take(Kind kind, const Item &item, Slots &pending, std::vector<BufferRecord> &out);
    void storeMeter(const QStringView *items, std::vector<BufferRecord> &out);
    void storeResult(const QStringView *items, std::vector<BufferRecord> &out);
    void storeDay(const QStringView *items, std::vector<BufferRecord> &out);
    void storeSlice(const QStringView *items, std::vector<BufferRecord> &out);
    QString cut(QStringView text, int size);

    IntakeCounts counts_;
    QString tail_;
    bool haveMeter_ = false;
    std::optional<int> dayInterval_;  // of the current day; none while slices have no day
    QDateTime profileTime_;           // where the next slice starts
    QString carriedTime_;             // a day's TIME, taken by following days that lack one
};

// The message after the exchange (switchable, Russian or English); empty when nothing was counted.
QString intakeReportText(const IntakeCounts &counts);
QString intakeReportCaption();
// Shows intakeReportText through the prompts when anything was counted.
void showIntakeReport(const IntakeCounts &counts);

// Timings of the store on a synthetic archive of 2,000 types, 100,000 meters,
// 1,000,000 results and 5,000,000 profile slices: opening TDM, moving the type and
// meter views (children re-read), memory, and appending 300,000 slices through the
// buffer views. Prints one line per figure.
#include "DataViewModel.h"
#include "Prompts.h"
#include "Schema.h"
#include "TDM.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kTypes = 2000;
constexpr int kMetersPerType = 50;
constexpr int kResultsPerMeter = 10;
constexpr int kDaysPerMeter = 2;
constexpr int kSlicesPerDay = 25;
constexpr int kAppendedSlices = 300000;
constexpr int kAppendedSlicesPerDay = 48;

class PrintingPrompts final : public Prompts {
public:
    PromptButton ask(const PromptMessage &m) override
    {
        std::printf("MESSAGE [%s] %s\n", qPrintable(m.caption), qPrintable(m.text));
        return PromptButton::Ok;
    }
    std::optional<FileDialogAnswer> openFile(const FileDialogRequest &) override { return std::nullopt; }
    std::optional<FileDialogAnswer> saveFile(const FileDialogRequest &) override { return std::nullopt; }
    std::optional<unsigned> chooseColor(unsigned) override { return std::nullopt; }
};

long rssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void report(const char *what, double value, const char *unit)
{
    std::printf("%-58s %12.3f %s\n", what, value, unit);
    std::fflush(stdout);
}

void generate(const QString &path)
{
    QFile::remove(path);
    QString error;
    if (!Schema::createDatabase(path, &error))
        qFatal("%s", qPrintable(error));
    QElapsedTimer timer;
    timer.start();
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
    db.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -200000");
    db.exec("BEGIN");
    SQLite::Statement tip(db, "INSERT INTO TTip (PTipCH, PUnom, PInom, PReductRate, PClassT, PPhaseMode, PTipEnergy) "
                              "VALUES (?, 220, 5, 1000, 1, 2, 0)");
    SQLite::Statement ident(db, "INSERT INTO TIdent (PSecIndex, PNumber, PMaker, PYearOutput, PAddress) VALUES (?, ?, 'Завод', 2015, ?)");
    SQLite::Statement result(db, "INSERT INTO TResult (PSecIndex, PUMeasureA, PUMeasureB, PUMeasureC, PIMeasureA, PIMeasureB, "
                                 "PIMeasureC, PPowerPMeasure, PFPMeasure, PMistakeMeasure, PDateMeasure, PTimeMeasure, PRectUA, "
                                 "PFreq, PPowerType, PConType, PPhaseIndex, PU, PI) VALUES (?, 220.1, 220.2, 220.3, 5.01, 5.02, "
                                 "5.03, 3300, '0.98L', ?, ?, 10, 120, 50, 0, 0, 0, 220.2, 5.02)");
    SQLite::Statement day(db, "INSERT INTO TDataProfile (PSecIndex, PData, PInterval) VALUES (?, ?, 30)");
    SQLite::Statement slice(db, "INSERT INTO TProfile (PSecIndex, PBeginTime, PEndTime, PActEnergy, PActEnergyNot, "
                                "PReactEnergy, PReactEnergyNot) VALUES (?, ?, ?, ?, 0, ?, 0)");
    qint64 meterKey = 0;
    qint64 dayKey = 0;
    for (int t = 1; t <= kTypes; ++t) {
        tip.bind(1, QStringLiteral("ТИП%1").arg(t).toStdString());
        tip.exec();
        tip.reset();
        for (int m = 0; m < kMetersPerType; ++m) {
            ident.bind(1, t);
            ident.bind(2, QString::number(100000 + m).toStdString());
            ident.bind(3, QStringLiteral("ул. Ленина %1").arg(m).toStdString());
            ident.exec();
            ident.reset();
            ++meterKey;
            for (int r = 0; r < kResultsPerMeter; ++r) {
                result.bind(1, static_cast<int64_t>(meterKey));
                result.bind(2, 0.01 * r);
                result.bind(3, QStringLiteral("2016-%1-10 12:00:00").arg(1 + r, 2, 10, QLatin1Char('0')).toStdString());
                result.exec();
                result.reset();
            }
            for (int d = 0; d < kDaysPerMeter; ++d) {
                day.bind(1, static_cast<int64_t>(meterKey));
                day.bind(2, QStringLiteral("2016-03-%1 00:00:00").arg(1 + d, 2, 10, QLatin1Char('0')).toStdString());
                day.exec();
                day.reset();
                ++dayKey;
                for (int s = 0; s < kSlicesPerDay; ++s) {
                    const QString begin = QStringLiteral("2016-03-%1 %2:%3:00").arg(1 + d, 2, 10, QLatin1Char('0'))
                                              .arg(s / 2, 2, 10, QLatin1Char('0')).arg(s % 2 * 30, 2, 10, QLatin1Char('0'));
                    slice.bind(1, static_cast<int64_t>(dayKey));
                    slice.bind(2, begin.toStdString());
                    slice.bind(3, begin.toStdString());
                    slice.bind(4, 0.5 * s);
                    slice.bind(5, 0.1 * s);
                    slice.exec();
                    slice.reset();
                }
            }
        }
    }
    db.exec("COMMIT");
    report("generate archive (one transaction)", timer.elapsed() / 1000.0, "s");
}

struct MoveTimes {
    double average = 0;
    double p95 = 0;
    double worst = 0;
};

// Moves `view` to random rows; each move re-reads its children, and the first rows
// of every child are read as a grid would show them.
MoveTimes timeMoves(DataView &view, const std::vector<DataView *> &children, int moves)
{
    QRandomGenerator random(519);
    MoveTimes t;
    double total = 0;
    std::vector<double> all;
    for (int i = 0; i < moves; ++i) {
        const int row = random.bounded(view.recordCount());
        QElapsedTimer timer;
        timer.start();
        view.moveTo(row);
        for (DataView *child : children)
            for (int r = 0; r < std::min(child->recordCount(), 30); ++r)
                for (int c = 0; c < child->columnCount(); ++c)
                    (void)child->value(r, c);
        const double ms = timer.nsecsElapsed() / 1e6;
        total += ms;
        all.push_back(ms);
    }
    std::sort(all.begin(), all.end());
    t.average = total / moves;
    t.p95 = all.at(all.size() * 95 / 100);
    t.worst = all.back();
    return t;
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    PrintingPrompts printing;
    installPrompts(&printing);
    const bool fresh = QCoreApplication::arguments().contains(QStringLiteral("--fresh"));

    const QString folder = QStringLiteral(RT519_BENCH_DATA_DIR);
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(TDM::databaseFileName());
    if (fresh || !QFile::exists(path)) {
        generate(path);
        ::sync();   // the opening below should not wait for the generator's writes
    }
    QDir::setCurrent(folder);
    report("file size", QFileInfo(path).size() / 1048576.0, "MiB");
    report("RSS before open", rssKiB() / 1024.0, "MiB");

    TDM dm;
    QElapsedTimer timer;
    timer.start();
    if (!dm.open())
        return 1;
    report("open TDM with its ten views", timer.nsecsElapsed() / 1e6, "ms");
    report("RSS after open", rssKiB() / 1024.0, "MiB");

    const bool appendOnly = QCoreApplication::arguments().contains(QStringLiteral("--append-only"));
    if (!appendOnly) {
    const MoveTimes tipMoves = timeMoves(dm.ADOTip, {&dm.ADOIdent, &dm.ADOResult, &dm.ADODataProfile, &dm.ADOProfile}, 500);
    report("move ADOTip, children re-read: average", tipMoves.average, "ms");
    report("move ADOTip, children re-read: 95th percentile", tipMoves.p95, "ms");
    report("move ADOTip, children re-read: worst", tipMoves.worst, "ms");
    const MoveTimes identMoves = timeMoves(dm.ADOIdent, {&dm.ADOResult, &dm.ADODataProfile, &dm.ADOProfile}, 500);
    report("move ADOIdent, children re-read: average", identMoves.average, "ms");
    report("move ADOIdent, children re-read: 95th percentile", identMoves.p95, "ms");
    report("move ADOIdent, children re-read: worst", identMoves.worst, "ms");
    timer.restart();
    dm.ADOIdent.setSort(QStringLiteral("PSecindex ASC, PAddress DESC"));
    report("sort ADOIdent by address", timer.nsecsElapsed() / 1e6, "ms");
    timer.restart();
    dm.ADOTip.setSort(QStringLiteral("PTipCH DESC"));
    report("sort ADOTip by name (2,000 rows)", timer.nsecsElapsed() / 1e6, "ms");
    timer.restart();
    dm.ADOTip.locate(QStringLiteral("PTipCH"), {QStringLiteral("тип1999")});
    report("locate a type by name", timer.nsecsElapsed() / 1e6, "ms");

    // A query over every result: copied into a temporary table, read by pages.
    timer.restart();
    dm.ADODataSetSQL.setSql(QStringLiteral("SELECT r.*, i.PNumber FROM TResult r JOIN TIdent i ON i.PIndex = r.PSecIndex"));
    if (!dm.ADODataSetSQL.open())
        std::printf("query failed: %s\n", qPrintable(dm.ADODataSetSQL.lastError()));
    report("open a query of 1,000,000 results", timer.nsecsElapsed() / 1e6, "ms");
    DataViewModel queryModel(&dm.ADODataSetSQL);
    timer.restart();
    for (int r = 0; r < queryModel.rowCount(); r += 97)
        for (int c = 0; c < queryModel.columnCount(); ++c)
            (void)queryModel.data(queryModel.index(r, c));
    report("read every 97th row of it through the model", timer.nsecsElapsed() / 1e6, "ms");
    report("RSS with the 1,000,000-row query open", rssKiB() / 1024.0, "MiB");
    dm.ADODataSetSQL.close();
    }

    // Intake: 300,000 slices through the buffer views, grid updates suspended.
    dm.ADOExport.setSql(QStringLiteral("DELETE FROM TSTip"));
    dm.ADOExport.execute();
    dm.ADOSinhro.requery();
    dm.ADOSinhroResult.disableControls();
    dm.ADOSinhroProfile.disableControls();
    timer.restart();
    {
        TDM::WriteBatch batch(dm);
        dm.ADOSinhro.append();
        dm.ADOSinhro.setField(u"PTipCH", QStringLiteral("СЕ301"));
        dm.ADOSinhro.setField(u"PReductRate", 1000.0);
        dm.ADOSinhro.setField(u"PNumber", QStringLiteral("12345"));
        dm.ADOSinhro.setField(u"PAddress", QStringLiteral("ул. Мира 1"));
        dm.ADOSinhro.post();
        // UTC, so the figure is the store's cost and not the time-zone lookups of QDateTime.
        const QDateTime start(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < kAppendedSlices; ++i) {
            if (i % kAppendedSlicesPerDay == 0) {
                dm.ADOSDataProfile.append();
                dm.ADOSDataProfile.setField(u"PData", start.addSecs(i * 1800));
                dm.ADOSDataProfile.setField(u"PInterval", 30);
                dm.ADOSDataProfile.post();
            }
            DataView &slices = dm.ADOSinhroProfile;
            slices.append();
            slices.setField(u"PBeginTime", start.addSecs(i * 1800));
            slices.setField(u"PEndTime", start.addSecs(i * 1800 + 1800));
            slices.setField(u"PActEnergy", 0.25 * (i % 40));
            slices.setField(u"PActEnergyNot", 0.0);
            slices.setField(u"PReactEnergy", 0.05 * (i % 40));
            slices.setField(u"PReactEnergyNot", 0.0);
            if (!slices.post())
                return 1;
        }
    }
    const double batchSeconds = timer.nsecsElapsed() / 1e9;
    report("append 300,000 slices in a WriteBatch", kAppendedSlices / batchSeconds, "rows/s");
    dm.ADOSinhroResult.enableControls();
    dm.ADOSinhroProfile.enableControls();
    report("RSS after the appends", rssKiB() / 1024.0, "MiB");

    // The same without a batch (each post commits), on fewer rows.
    constexpr int kUnbatched = 30000;
    timer.restart();
    for (int i = 0; i < kUnbatched; ++i) {
        DataView &slices = dm.ADOSinhroProfile;
        slices.append();
        slices.setField(u"PBeginTime", QStringLiteral("2024-01-01 00:00:00"));
        slices.setField(u"PActEnergy", 1.0);
        slices.post();
    }
    report("append slices without a batch (WAL, synchronous=NORMAL)", kUnbatched / (timer.nsecsElapsed() / 1e9), "rows/s");

    // A grid over all 330,000 buffer slices (a query view), scrolled down and back.
    dm.ADOQuerySQL.setSql(QStringLiteral("SELECT * FROM TSProfile"));
    dm.ADOQuerySQL.open();
    DataViewModel sliceModel(&dm.ADOQuerySQL);
    timer.restart();
    for (int r = 0; r < sliceModel.rowCount(); ++r)
        for (int c = 0; c < sliceModel.columnCount(); ++c)
            (void)sliceModel.data(sliceModel.index(r, c));
    report("scroll a grid over all buffer slices: per row", timer.nsecsElapsed() / 1e3 / std::max(1, sliceModel.rowCount()), "us");
    report("RSS after scrolling it", rssKiB() / 1024.0, "MiB");
    for (int r = sliceModel.rowCount() - 1; r >= 0; --r)
        for (int c = 0; c < sliceModel.columnCount(); ++c)
            (void)sliceModel.data(sliceModel.index(r, c));
    report("RSS after scrolling it back", rssKiB() / 1024.0, "MiB");
    dm.ADOQuerySQL.close();

    timer.restart();
    dm.ADOExport.setSql(QStringLiteral("DELETE FROM TSTip"));
    dm.ADOExport.execute();
    report("empty the buffer (children deleted with their meter)", timer.nsecsElapsed() / 1e6, "ms");
    dm.ADOSinhro.requery();
    timer.restart();
    dm.close();
    report("close (clear pictures, compact when worth it)", timer.nsecsElapsed() / 1e6, "ms");
    return 0;
}

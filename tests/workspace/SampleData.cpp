#include "SampleData.h"

#include "Schema.h"
#include "TDM.h"

#include <QDateTime>
#include <QDir>
#include <cmath>

bool createSampleDatabase(const QString &folder, QString *error)
{
    return Schema::createDatabase(QDir(folder).filePath(TDM::databaseFileName()), error);
}

namespace {

bool addResult(DataView &results, int n, int conType)
{
    if (!results.append())
        return false;
    const double u = 220.0 + n * 0.37, i = 5.0 + n * 0.0123;
    results.setField(u"PUMeasureA", u);
    results.setField(u"PUMeasureB", conType == 2 ? 0.0 : u + 0.4);
    results.setField(u"PUMeasureC", conType == 2 ? 0.0 : u - 0.3);
    results.setField(u"PUMeasureAB", conType == 2 ? 0.0 : u * std::sqrt(3.0));
    results.setField(u"PUMeasureBC", conType == 2 ? 0.0 : u * std::sqrt(3.0) + 0.2);
    results.setField(u"PUMeasureCA", conType == 2 ? 0.0 : u * std::sqrt(3.0) - 0.1);
    results.setField(u"PIMeasureA", i);
    results.setField(u"PIMeasureB", conType == 0 ? i + 0.01 : 0.0);
    results.setField(u"PIMeasureC", conType == 2 ? 0.0 : i - 0.02);
    results.setField(u"PPowerPMeasure", 3 * u * i * 0.95);
    results.setField(u"PPowerQMeasure", 3 * u * i * 0.31);
    results.setField(u"PPowerSMeasure", 3 * u * i);
    results.setField(u"PFPMeasure", QStringLiteral("0.95L"));
    results.setField(u"PMistakeMeasure", -0.12 + n * 0.031);
    results.setField(u"PDateMeasure", QDateTime(QDate(2024, 3, 1).addDays(n % 90), QTime(9, 15).addSecs(n * 60)));
    results.setField(u"PTimeMeasure", 30 + n % 5);
    results.setField(u"PRectUA", conType == 2 ? 999.0 : 120.0);
    results.setField(u"PRectUB", conType == 2 ? 999.0 : 120.0);
    results.setField(u"PRectUC", conType == 2 ? 999.0 : 120.0);
    results.setField(u"PRectIA", 18.2 + n * 0.1);
    results.setField(u"PRectIB", conType == 0 ? 18.4 : 999.0);
    results.setField(u"PRectIC", conType == 2 ? 999.0 : 18.1);
    results.setField(u"PFreq", 49.98);
    results.setField(u"PINDICATION", 12345.6 + n);
    results.setField(u"PIndicationInverse", 12.5);
    results.setField(u"PPowerType", n % 2);
    results.setField(u"PConType", conType);
    results.setField(u"PPhaseIndex", n % 3);
    results.setField(u"PU", u);
    results.setField(u"PI", i);
    return results.post();
}

bool addProfile(DataView &days, DataView &slices, int meter, const SampleSize &size)
{
    for (int d = 0; d < size.profileDaysPerMeter; ++d) {
        const QDateTime start(QDate(2024, 2, 1).addDays(d + meter % 7), QTime(0, 0));
        if (!days.append())
            return false;
        days.setField(u"PData", start);
        days.setField(u"PInterval", 30);
        if (!days.post())
            return false;
        for (int s = 0; s < size.slicesPerDay; ++s) {
            if (!slices.append())
                return false;
            slices.setField(u"PBeginTime", start.addSecs(s * 1800));
            slices.setField(u"PEndTime", start.addSecs((s + 1) * 1800));
            slices.setField(u"PActEnergy", 0.25 + (s % 12) * 0.05);
            slices.setField(u"PActEnergyNot", 0.0);
            slices.setField(u"PReactEnergy", 0.08 + (s % 6) * 0.01);
            slices.setField(u"PReactEnergyNot", 0.0);
            if (!slices.post())
                return false;
        }
    }
    return true;
}

}  // namespace

bool fillSampleData(TDM &dm, const SampleSize &size)
{
    TDM::WriteBatch batch(dm);
    const QStringList typeNames = {QStringLiteral("СЕ301"), QStringLiteral("Мерк.230"), QStringLiteral("СЭТ-4ТМ"),
                                   QStringLiteral("ЦЭ6803В"), QStringLiteral("Альфа А1"), QStringLiteral("ПСЧ-4ТМ")};
    const QStringList streets = {QStringLiteral("ул. Ленина, 12"), QStringLiteral("пр. Мира, 7"),
                                 QStringLiteral("ТП-14, яч. 3"), QStringLiteral("ул. Садовая, 101")};
    int n = 0;
    for (int t = 0; t < size.types; ++t) {
        DataView &types = dm.ADOTip;
        if (!types.append())
            return false;
        types.setField(u"PTipCH", t < typeNames.size() ? typeNames.at(t) : QStringLiteral("Тип%1").arg(t + 1));
        types.setField(u"PUnom", t % 2 ? 57.7 : 220.0);
        types.setField(u"PInom", t % 2 ? 1.0 : 5.0);
        types.setField(u"PReductRate", 1000.0 * (t + 1));
        types.setField(u"PClassT", t % 2 ? 0.5 : 1.0);
        types.setField(u"PPhaseMode", t % 4);
        types.setField(u"PTipEnergy", t % 3);
        if (!types.post())
            return false;
        for (int m = 0; m < size.metersPerType; ++m, ++n) {
            DataView &meters = dm.ADOIdent;
            if (!meters.append())
                return false;
            meters.setField(u"PNumber", QStringLiteral("%1").arg(100200 + n * 17));
            meters.setField(u"PMaker", m % 3 ? QStringLiteral("Энергомера") : QStringLiteral("Неизвестен"));
            meters.setField(u"PYearOutput", 2005 + n % 18);
            meters.setField(u"PAddress", streets.at(n % streets.size()));
            if (!meters.post())
                return false;
            for (int r = 0; r < size.resultsPerMeter; ++r)
                if (!addResult(dm.ADOResult, n * 10 + r, (n + r) % 3))
                    return false;
            if (!addProfile(dm.ADODataProfile, dm.ADOProfile, n, size))
                return false;
        }
    }
    for (int b = 0; b < size.bufferMeters; ++b) {
        DataView &buffer = dm.ADOSinhro;
        if (!buffer.append())
            return false;
        buffer.setField(u"PTipCH", typeNames.at(b % typeNames.size()));
        buffer.setField(u"PReductRate", 1000.0 * (b % 4 + 1));
        buffer.setField(u"PNumber", QStringLiteral("%1").arg(500100 + b * 3));
        buffer.setField(u"PAddress", streets.at(b % streets.size()));
        if (!buffer.post())
            return false;
        for (int r = 0; r < size.resultsPerMeter; ++r)
            if (!addResult(dm.ADOSinhroResult, b * 10 + r, (b + r) % 3))
                return false;
        if (!addProfile(dm.ADOSDataProfile, dm.ADOSinhroProfile, b, size))
            return false;
    }
    for (DataView *root : {&dm.ADOTip, &dm.ADOSinhro})
        root->first();
    return true;
}

#pragma once
// Fills a database with believable archive and buffer data, for window tests and
// for looking at the window with real content.
#include <QString>

class TDM;

struct SampleSize {
    int types = 4;
    int metersPerType = 6;
    int resultsPerMeter = 3;
    int profileDaysPerMeter = 2;
    int slicesPerDay = 48;
    int bufferMeters = 5;
};

// Makes EnergyDB.mdb in `folder` from the built-in schema; false with `error` if not.
bool createSampleDatabase(const QString &folder, QString *error);
// Appends the rows through the data module's views (the record rules run).
bool fillSampleData(TDM &dm, const SampleSize &size = {});

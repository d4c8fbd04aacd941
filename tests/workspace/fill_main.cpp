// rt519-filldb <folder> [types meters-per-type results-per-meter days-per-meter slices-per-day buffer-meters]
// Makes EnergyDB.mdb in the folder and fills it with sample data.
#include "SampleData.h"
#include "ScriptedPrompts.h"
#include "TDM.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: rt519-filldb <folder> [types meters results days slices buffer]\n");
        return 2;
    }
    SampleSize size;
    int *fields[] = {&size.types, &size.metersPerType, &size.resultsPerMeter, &size.profileDaysPerMeter,
                     &size.slicesPerDay, &size.bufferMeters};
    for (int i = 2; i < args.size() && i - 2 < 6; ++i)
        *fields[i - 2] = args.at(i).toInt();
    QString error;
    if (!createSampleDatabase(args.at(1), &error)) {
        std::fprintf(stderr, "rt519-filldb: %s\n", qPrintable(error));
        return 1;
    }
    ScriptedPrompts prompts;
    QDir::setCurrent(args.at(1));
    TDM dm;
    if (!dm.open() || !fillSampleData(dm, size)) {
        std::fprintf(stderr, "rt519-filldb: %s\n", qPrintable(prompts.shownTexts().join(QLatin1Char('\n'))));
        return 1;
    }
    return 0;
}

// Makes an empty EnergyDB.mdb (or any path) from the schema built into the program.
// Never overwrites an existing file.
#include "Schema.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: rt519-mkdb <path>\n");
        return 2;
    }
    QString error;
    if (!Schema::createDatabase(args.at(1), &error)) {
        std::fprintf(stderr, "rt519-mkdb: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

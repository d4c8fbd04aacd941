#pragma once
// The database schema, built into the program from data/schema.sql. The program
// never creates the working file; it checks an opened file against this text and
// takes column types and text sizes from it.
#include <QList>
#include <QString>
#include <QStringView>

struct sqlite3;

enum class ColumnKind { Integer, Real, Text, DateTime, Blob, Other };

struct ColumnInfo {
    QString name;
    QString declaredType;   // as written in the schema, e.g. "TEXT(10)"
    ColumnKind kind = ColumnKind::Other;
    int textSize = 0;       // most characters a text column may hold; 0: no limit
};

struct TableInfo {
    QString name;
    QList<ColumnInfo> columns;
};

namespace Schema {

QString text();
// The tables in the order the schema creates them.
const QList<TableInfo> &tables();
const TableInfo *table(QStringView name);   // letter case ignored; null when unknown

ColumnInfo describeColumn(const QString &name, const QString &declaredType);

// Empty when the database holds every table of the schema with the same columns in
// the same order and of the same declared types; otherwise what differs.
QString verify(sqlite3 *db);

// Makes a new database file holding the empty tables. Refuses an existing path.
bool createDatabase(const QString &path, QString *error);

}  // namespace Schema

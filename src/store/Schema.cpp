#include "Schema.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

extern const char *const kEmbeddedSchemaText;

namespace {

QString normalisedType(const QString &declared)
{
    QString t = declared.toUpper();
    t.remove(QRegularExpression(QStringLiteral("\\s+")));
    return t;
}

ColumnKind kindOf(const QString &declared)
{
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT")))
        return ColumnKind::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("CLOB")))
        return ColumnKind::Text;
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME")))
        return ColumnKind::DateTime;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")))
        return ColumnKind::Real;
    if (t.contains(QLatin1String("BLOB")))
        return ColumnKind::Blob;
    return ColumnKind::Other;
}

QList<ColumnInfo> readColumns(sqlite3 *db, const QString &table)
{
    QList<ColumnInfo> columns;
    sqlite3_stmt *st = nullptr;
    const QByteArray sql = QStringLiteral("SELECT name, type FROM pragma_table_info(?)").toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        return columns;
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(st, 1, name.constData(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st) == SQLITE_ROW) {
        columns.append(Schema::describeColumn(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))),
                                              QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)))));
    }
    sqlite3_finalize(st);
    return columns;
}

QList<TableInfo> parseSchema()
{
    // SQLite itself reads the schema text, so the C++ side never disagrees with it.
    SQLite::Database memory(":memory:", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    memory.exec(kEmbeddedSchemaText);
    QList<TableInfo> tables;
    SQLite::Statement names(memory, "SELECT name FROM sqlite_master WHERE type = 'table' "
                                    "AND name NOT LIKE 'sqlite_%' ORDER BY rowid");
    while (names.executeStep()) {
        TableInfo info;
        info.name = QString::fromUtf8(names.getColumn(0).getText());
        info.columns = readColumns(memory.getHandle(), info.name);
        tables.append(info);
    }
    return tables;
}

}  // namespace

namespace Schema {

QString text()
{
    return QString::fromUtf8(kEmbeddedSchemaText);
}

const QList<TableInfo> &tables()
{
    static const QList<TableInfo> parsed = parseSchema();
    return parsed;
}

const TableInfo *table(QStringView name)
{
    for (const TableInfo &t : tables())
        if (name.compare(t.name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

ColumnInfo describeColumn(const QString &name, const QString &declaredType)
{
    ColumnInfo c;
    c.name = name;
    c.declaredType = declaredType;
    c.kind = kindOf(declaredType);
    if (c.kind == ColumnKind::Text) {
        const auto m = QRegularExpression(QStringLiteral("\\(\\s*(\\d+)\\s*\\)")).match(declaredType);
        if (m.hasMatch())
            c.textSize = m.captured(1).toInt();
    }
    return c;
}

QString verify(sqlite3 *db)
{
    // Reading the schema is the first access to the file: a locked file or one that is
    // not a database fails here, before anything is changed.
    sqlite3_stmt *probe = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(probe);
    sqlite3_finalize(probe);
    if (rc != SQLITE_ROW)
        return QString::fromUtf8(sqlite3_errmsg(db));

    for (const TableInfo &expected : tables()) {
        const QList<ColumnInfo> found = readColumns(db, expected.name);
        if (found.isEmpty())
            return QStringLiteral("table %1 is missing").arg(expected.name);
        if (found.size() != expected.columns.size())
            return QStringLiteral("table %1 has %2 columns instead of %3")
                .arg(expected.name).arg(found.size()).arg(expected.columns.size());
        for (int i = 0; i < found.size(); ++i) {
            const ColumnInfo &want = expected.columns.at(i);
            const ColumnInfo &have = found.at(i);
            if (have.name.compare(want.name, Qt::CaseInsensitive) != 0)
                return QStringLiteral("table %1: column %2 is %3 instead of %4")
                    .arg(expected.name).arg(i + 1).arg(have.name, want.name);
            if (normalisedType(have.declaredType) != normalisedType(want.declaredType))
                return QStringLiteral("table %1: column %2 is of type %3 instead of %4")
                    .arg(expected.name, want.name, have.declaredType, want.declaredType);
        }
    }
    return QString();
}

bool createDatabase(const QString &path, QString *error)
{
    if (QFileInfo::exists(path)) {
        *error = QStringLiteral("%1 already exists").arg(path);
        return false;
    }
    try {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("BEGIN");
        db.exec(kEmbeddedSchemaText);
        db.exec("COMMIT");
        return true;
    } catch (const std::exception &e) {
        *error = QString::fromUtf8(e.what());
    }
    QFile::remove(path);
    return false;
}

}  // namespace Schema

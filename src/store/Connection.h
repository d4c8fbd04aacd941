#pragma once
// The one SQLite connection of the store and what every view and command shares:
// opening an existing file only, the collation that ignores letter case (Cyrillic
// too), single-statement preparation, value binding, and grouped commits.
//
// Grouped commits: while a batch is open (WriteBatch), writes run inside one
// transaction that is committed every few thousand writes or after a second, at
// every refused post, when the last batch ends and at close. Outside a batch every
// write commits at once.
#include <QElapsedTimer>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace SQLite {
class Database;
class Statement;
class Column;
}
struct sqlite3;

// Collation name for texts compared without regard to letter case.
inline constexpr const char *kFoldCollation = "UNOCASE";

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens an existing database file for reading and writing; never creates one.
    // Checks the file against the schema before it changes anything in it.
    bool open(const QString &path, QString *error);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    QString path() const { return path_; }
    SQLite::Database &database() { return *db_; }
    sqlite3 *handle() const;

    // Exactly one statement; anything after it is an error, not silently dropped.
    // readOnly, when given, tells whether the statement only reads.
    std::unique_ptr<SQLite::Statement> prepare(const QString &sql, QString *error, bool *readOnly = nullptr);
    // Runs a prepared statement that changes data, inside the open batch if any.
    bool write(SQLite::Statement &statement, QString *error, int *changes = nullptr);
    // Runs statements that take no values (pragmas, DDL); throws nothing.
    bool exec(const QString &sql, QString *error);
    qint64 lastInsertRowid() const;

    // Grouped commits. beginBatch/endBatch nest; commitPending() makes every earlier
    // write durable now and keeps the batch open.
    void beginBatch();
    void endBatch();
    bool commitPending(QString *error = nullptr);
    bool inBatch() const { return batchDepth_ > 0; }

    // Called when a failure inside a batch rolled back its uncommitted writes, so the
    // owner can re-read its views.
    void setRolledBackHandler(std::function<void()> handler) { rolledBack_ = std::move(handler); }

private:
    bool beginTransactionIfBatching(QString *error);
    void noteWriteFailure(QString *error);
    void commitPendingOrTell();

    std::unique_ptr<SQLite::Database> db_;
    QString path_;
    int batchDepth_ = 0;
    bool transactionOpen_ = false;
    int pendingWrites_ = 0;
    QElapsedTimer transactionAge_;
    std::function<void()> rolledBack_;
};

// Values cross into SQL only as bound parameters.
void bindValue(SQLite::Statement &statement, int index, const QVariant &value);
QVariant columnValue(const SQLite::Column &column);
// Case-insensitive comparison used by the collation: Unicode case folding.
int compareFolded(QStringView a, QStringView b);

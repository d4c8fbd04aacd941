#include "Connection.h"

#include "Prompts.h"
#include "Schema.h"

#include <QByteArray>
#include <QDateTime>
#include <QFileInfo>
#include <QStringView>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 1000;
// A batch commits at least this often, so a crash loses little and readers see progress.
constexpr int kMaxPendingWrites = 20000;
constexpr qint64 kMaxTransactionAgeMs = 1000;

bool isAscii(const char *text, int size)
{
    for (int i = 0; i < size; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    return true;
}

int foldCollation(void *, int size1, const void *data1, int size2, const void *data2)
{
    const auto *a = static_cast<const char *>(data1);
    const auto *b = static_cast<const char *>(data2);
    if (isAscii(a, size1) && isAscii(b, size2)) {
        const int common = std::min(size1, size2);
        for (int i = 0; i < common; ++i) {
            const int ca = (a[i] >= 'A' && a[i] <= 'Z') ? a[i] + 32 : a[i];
            const int cb = (b[i] >= 'A' && b[i] <= 'Z') ? b[i] + 32 : b[i];
            if (ca != cb)
                return ca < cb ? -1 : 1;
        }
        return size1 == size2 ? 0 : (size1 < size2 ? -1 : 1);
    }
    return compareFolded(QString::fromUtf8(a, size1), QString::fromUtf8(b, size2));
}

QString sqliteError(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("no database");
}

}  // namespace

int compareFolded(QStringView a, QStringView b)
{
    const int r = a.compare(b, Qt::CaseInsensitive);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

void bindValue(SQLite::Statement &statement, int index, const QVariant &value)
{
    if (value.isNull() || !value.isValid()) {
        statement.bind(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        statement.bind(index, static_cast<int64_t>(value.toLongLong()));
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        statement.bind(index, value.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        statement.bind(index, bytes.constData(), static_cast<int>(bytes.size()));
        return;
    }
    case QMetaType::QDateTime:
        statement.bind(index, value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString());
        return;
    case QMetaType::QDate:
        statement.bind(index, value.toDate().toString(QStringLiteral("yyyy-MM-dd 00:00:00")).toStdString());
        return;
    default:
        statement.bind(index, value.toString().toStdString());
        return;
    }
}

QVariant columnValue(const SQLite::Column &column)
{
    switch (column.getType()) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(column.getInt64()));
    case SQLITE_FLOAT:
        return QVariant(column.getDouble());
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(column.getText(), column.getBytes()));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(column.getBlob()), column.getBytes()));
    default:
        return QVariant();
    }
}

Connection::Connection() = default;

Connection::~Connection()
{
    close();
}

sqlite3 *Connection::handle() const
{
    return db_ ? db_->getHandle() : nullptr;
}

bool Connection::open(const QString &path, QString *error)
{
    close();
    const QFileInfo info(path);
    if (!info.isFile()) {
        *error = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    try {
        // No SQLITE_OPEN_CREATE: a missing file must never be made here.
        auto db = std::make_unique<SQLite::Database>(info.absoluteFilePath().toStdString(),
                                                     SQLite::OPEN_READWRITE, kBusyTimeoutMs);
        if (sqlite3_db_readonly(db->getHandle(), "main") == 1) {
            *error = QStringLiteral("%1: the file can only be read").arg(path);
            return false;
        }
        sqlite3_create_collation(db->getHandle(), kFoldCollation, SQLITE_UTF8, nullptr, foldCollation);
        const QString mismatch = Schema::verify(db->getHandle());
        if (!mismatch.isEmpty()) {
            *error = mismatch;
            return false;
        }
        db->exec("PRAGMA foreign_keys = ON");
        SQLite::Statement mode(*db, "PRAGMA journal_mode = WAL");
        if (!mode.executeStep() || QString::fromUtf8(mode.getColumn(0).getText()).compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
            *error = QStringLiteral("%1: cannot use a write-ahead log").arg(path);
            return false;
        }
        mode.reset();
        db->exec("PRAGMA synchronous = NORMAL");
        db_ = std::move(db);
        path_ = info.absoluteFilePath();
        return true;
    } catch (const std::exception &e) {
        *error = QString::fromUtf8(e.what());
        return false;
    }
}

void Connection::close()
{
    if (!db_)
        return;
    commitPendingOrTell();
    db_.reset();
    transactionOpen_ = false;
    pendingWrites_ = 0;
}

std::unique_ptr<SQLite::Statement> Connection::prepare(const QString &sql, QString *error, bool *readOnly)
{
    if (!db_) {
        *error = QStringLiteral("The database is not open");
        return nullptr;
    }
    const QByteArray text = sql.toUtf8();
    // Look at the tail first: SQLiteCpp would silently ignore a second statement.
    sqlite3_stmt *probe = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db_->getHandle(), text.constData(), static_cast<int>(text.size()), &probe, &tail) != SQLITE_OK) {
        *error = sqliteError(db_->getHandle());
        sqlite3_finalize(probe);
        return nullptr;
    }
    if (readOnly)
        *readOnly = probe && sqlite3_stmt_readonly(probe);
    sqlite3_finalize(probe);
    if (!probe) {
        *error = QStringLiteral("Empty statement");
        return nullptr;
    }
    const QByteArray rest = QByteArray(tail).trimmed();
    if (!rest.isEmpty() && rest != ";") {
        *error = QStringLiteral("Only one statement may be run at a time");
        return nullptr;
    }
    try {
        return std::make_unique<SQLite::Statement>(*db_, text.constData());
    } catch (const std::exception &e) {
        *error = QString::fromUtf8(e.what());
        return nullptr;
    }
}

bool Connection::exec(const QString &sql, QString *error)
{
    if (!db_) {
        if (error)
            *error = QStringLiteral("The database is not open");
        return false;
    }
    if (db_->tryExec(sql.toStdString()) != SQLITE_OK) {
        if (error)
            *error = sqliteError(db_->getHandle());
        return false;
    }
    return true;
}

qint64 Connection::lastInsertRowid() const
{
    return db_ ? db_->getLastInsertRowid() : 0;
}

bool Connection::beginTransactionIfBatching(QString *error)
{
    if (batchDepth_ == 0 || transactionOpen_)
        return true;
    if (!exec(QStringLiteral("BEGIN"), error))
        return false;
    transactionOpen_ = true;
    pendingWrites_ = 0;
    transactionAge_.start();
    return true;
}

bool Connection::write(SQLite::Statement &statement, QString *error, int *changes)
{
    if (!db_) {
        *error = QStringLiteral("The database is not open");
        return false;
    }
    if (!beginTransactionIfBatching(error))
        return false;
    try {
        const int n = statement.exec();
        statement.reset();
        if (changes)
            *changes = n;
    } catch (const std::exception &e) {
        *error = QString::fromUtf8(e.what());
        statement.tryReset();
        noteWriteFailure(error);
        return false;
    }
    if (transactionOpen_ && (++pendingWrites_ >= kMaxPendingWrites || transactionAge_.elapsed() >= kMaxTransactionAgeMs))
        return commitPending(error);
    return true;
}

void Connection::noteWriteFailure(QString *error)
{
    // Most failures undo only the failing statement; a few (disk full, I/O) undo the
    // whole transaction, and with it the batch's uncommitted writes.
    if (transactionOpen_ && sqlite3_get_autocommit(db_->getHandle())) {
        transactionOpen_ = false;
        pendingWrites_ = 0;
        *error += QStringLiteral(" (the changes since the last save were not stored)");
        if (rolledBack_)
            rolledBack_();
    }
}

bool Connection::commitPending(QString *error)
{
    if (!transactionOpen_ || !db_)
        return true;
    QString failure;
    if (exec(QStringLiteral("COMMIT"), &failure)) {
        transactionOpen_ = false;
        pendingWrites_ = 0;
        return true;
    }
    if (sqlite3_get_autocommit(db_->getHandle())) {
        transactionOpen_ = false;
        failure += QStringLiteral(" (the changes since the last save were not stored)");
        if (rolledBack_)
            rolledBack_();
    }
    if (error)
        *error = failure;
    return false;
}

void Connection::beginBatch()
{
    ++batchDepth_;
}

void Connection::endBatch()
{
    if (batchDepth_ == 0)
        return;
    if (--batchDepth_ == 0)
        commitPendingOrTell();
}

void Connection::commitPendingOrTell()
{
    QString error;
    if (!commitPending(&error))
        showMessage(QStringLiteral("Не удалось сохранить изменения в базе данных: %1").arg(error),
                    QStringLiteral("Ошибка"), PromptIcon::Error);
}

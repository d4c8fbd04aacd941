#include "DataView.h"

#include "Connection.h"
#include "Prompts.h"
#include "StoredTime.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cmath>

#include <SQLiteCpp/Column.h>
#include <SQLiteCpp/Statement.h>

namespace {

constexpr int kPageSize = 64;         // rows read by one page query
constexpr int kCacheLimit = 2048;     // rows of values kept at most
const QString kErrorCaption = QStringLiteral("Ошибка");

QString quoted(const QString &identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

int codePointCount(const QString &text)
{
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

int nextStatementViewId()
{
    static int id = 0;
    return ++id;
}

}  // namespace

DataView::DataView(Connection &connection, const QString &table, DataView *master,
                   const QStringList &columns, QObject *parent)
    : QObject(parent), connection_(connection), table_(table), keyColumn_(QStringLiteral("PIndex")), master_(master)
{
    if (const TableInfo *info = Schema::table(table)) {
        table_ = info->name;
        QList<ColumnInfo> chosen;
        for (const ColumnInfo &c : info->columns)
            if (columns.isEmpty() || columns.contains(c.name, Qt::CaseInsensitive))
                chosen.append(c);
        initColumns(chosen);
    }
    if (master_)
        master_->details_.push_back(this);
}

DataView::DataView(Connection &connection, QObject *parent)
    : QObject(parent), connection_(connection), keyColumn_(QStringLiteral("rowid")), statement_(true)
{
    table_ = QStringLiteral("rt519_view_%1").arg(nextStatementViewId());
}

DataView::~DataView()
{
    close();
    for (DataView *d : details_)
        d->master_ = nullptr;
    if (master_)
        std::erase(master_->details_, this);
}

void DataView::initColumns(const QList<ColumnInfo> &columns)
{
    columns_ = columns;
    sqlNames_.clear();
    columnByName_.clear();
    keyIndex_ = -1;
    for (int i = 0; i < columns_.size(); ++i) {
        sqlNames_.append(statement_ ? QStringLiteral("c%1").arg(i) : quoted(columns_.at(i).name));
        columnByName_.insert(columns_.at(i).name.toLower(), i);   // first of equal names wins
        if (!statement_ && columns_.at(i).name == keyColumn_)
            keyIndex_ = i;
    }
    // insert() above keeps the last duplicate; restore the first one
    for (int i = int(columns_.size()) - 1; i >= 0; --i)
        columnByName_.insert(columns_.at(i).name.toLower(), i);
}

QString DataView::sourceName() const
{
    return statement_ ? QStringLiteral("temp.") + quoted(table_) : quoted(table_);
}

QString DataView::selectList() const
{
    return keyColumn_ + (sqlNames_.isEmpty() ? QString() : QStringLiteral(", ") + sqlNames_.join(QStringLiteral(", ")));
}

int DataView::fieldIndex(QStringView name) const
{
    return columnByName_.value(name.toString().toLower(), -1);
}

bool DataView::fail(const QString &error)
{
    lastError_ = error;
    return false;
}

void DataView::showStoreError(const QString &error)
{
    lastError_ = error;
    showMessage(error, kErrorCaption, PromptIcon::Error);
}

void DataView::commitAfterRefusal()
{
    // Every post before a refused one must be stored, also inside a batch.
    QString error;
    if (!connection_.commitPending(&error))
        showStoreError(error);
}

template <typename Signal, typename... Args>
void DataView::display(Signal signal, Args... args)
{
    if (disabled_ == 0)
        emit(this->*signal)(args...);
}

// ---- opening -------------------------------------------------------------------

void DataView::setSql(const QString &sql, const QVariantList &parameters)
{
    sql_ = sql;
    parameters_ = parameters;
}

bool DataView::open()
{
    if (isActive())
        return true;
    lastError_.clear();
    if (!connection_.isOpen())
        return fail(QStringLiteral("The database is not open"));
    if (statement_) {
        if (!openStatementSource())
            return false;
    } else if (columns_.isEmpty()) {
        return fail(QStringLiteral("Unknown table %1").arg(table_));
    }
    if (!prepareStatements() || !loadKeys()) {
        const QString error = lastError_;
        releaseStatements();
        dropStatementSource();
        return fail(error);
    }
    row_ = keys_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = keys_.empty();
    setState(ViewState::Browse);
    afterRowsReplaced(true);
    return true;
}

void DataView::close()
{
    if (!isActive())
        return;
    buffer_.clear();
    modified_.clear();
    keys_.clear();
    cache_.clear();
    row_ = -1;
    bof_ = eof_ = true;
    loadedFor_.reset();
    releaseStatements();
    dropStatementSource();
    setState(ViewState::Inactive);
    afterRowsReplaced(true);
}

bool DataView::requery()
{
    if (!isActive())
        return open();
    if (!checkBrowseMode())
        return false;
    if (statement_) {
        close();
        return open();
    }
    if (!loadKeys())
        return false;
    row_ = keys_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = keys_.empty();
    afterRowsReplaced(true);
    return true;
}

bool DataView::openStatementSource()
{
    bool readOnly = false;
    auto query = connection_.prepare(sql_, &lastError_, &readOnly);
    if (!query)
        return false;
    if (!readOnly || query->getColumnCount() == 0)
        return fail(QStringLiteral("Only a query that returns rows can be opened in a view"));

    // Keep the query's declared types, so callers can still tell text from numbers.
    static const QRegularExpression plainType(QStringLiteral("^[A-Za-z0-9_ (),]*$"));
    QList<ColumnInfo> columns;
    QStringList definitions;
    for (int i = 0; i < query->getColumnCount(); ++i) {
        QString declared;
        try {
            declared = QString::fromUtf8(query->getColumnDeclaredType(i));
        } catch (const std::exception &) {
            // an expression has no declared type
        }
        if (!plainType.match(declared).hasMatch())
            declared.clear();
        columns.append(Schema::describeColumn(QString::fromUtf8(query->getColumnName(i)), declared));
        definitions.append(QStringLiteral("c%1 %2").arg(i).arg(declared).trimmed());
    }
    query.reset();
    initColumns(columns);

    if (!connection_.exec(QStringLiteral("CREATE TEMP TABLE %1 (%2)").arg(quoted(table_), definitions.join(QStringLiteral(", "))),
                          &lastError_))
        return false;
    QString body = sql_.trimmed();
    while (body.endsWith(QLatin1Char(';')))
        body = body.chopped(1).trimmed();
    auto fill = connection_.prepare(QStringLiteral("INSERT INTO %1 %2").arg(sourceName(), body), &lastError_);
    if (!fill) {
        dropStatementSource();
        return false;
    }
    try {
        for (int i = 0; i < parameters_.size(); ++i)
            bindValue(*fill, i + 1, parameters_.at(i));
        fill->exec();
    } catch (const std::exception &e) {
        fill.reset();
        dropStatementSource();
        return fail(QString::fromUtf8(e.what()));
    }
    return true;
}

void DataView::dropStatementSource()
{
    if (statement_ && connection_.isOpen())
        connection_.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(sourceName()), nullptr);
}

bool DataView::prepareStatements()
{
    QStringList marks;
    for (int i = 0; i < kPageSize; ++i)
        marks.append(QStringLiteral("?"));
    pageStatement_ = connection_.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (%4)")
                                             .arg(selectList(), sourceName(), keyColumn_, marks.join(QLatin1Char(','))),
                                         &lastError_);
    rowStatement_ = connection_.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(selectList(), sourceName(), keyColumn_),
                                        &lastError_);
    if (!pageStatement_ || !rowStatement_)
        return false;
    if (statement_)
        return true;
    QStringList names;
    QStringList values;
    for (int i = 0; i < columns_.size(); ++i) {
        if (i == keyIndex_)
            continue;
        names.append(sqlNames_.at(i));
        values.append(QStringLiteral("?"));
    }
    insertStatement_ = connection_.prepare(names.isEmpty()
                                               ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(sourceName())
                                               : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                     .arg(sourceName(), names.join(QStringLiteral(", ")), values.join(QStringLiteral(", "))),
                                           &lastError_);
    return insertStatement_ != nullptr;
}

void DataView::releaseStatements()
{
    pageStatement_.reset();
    rowStatement_.reset();
    insertStatement_.reset();
}

std::optional<qint64> DataView::masterKey() const
{
    if (!master_ || master_->state_ == ViewState::Insert)
        return std::nullopt;
    return master_->currentKey();
}

bool DataView::loadKeys()
{
    keys_.clear();
    cache_.clear();
    if (master_) {
        loadedFor_ = masterKey();
        if (!loadedFor_)
            return true;   // no current parent row: no child rows
    }
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(keyColumn_, sourceName());
    if (master_)
        sql += QStringLiteral(" WHERE PSecIndex = ?");
    sql += QStringLiteral(" ORDER BY ") + (orderBy_.isEmpty() ? keyColumn_ : orderBy_);
    auto query = connection_.prepare(sql, &lastError_);
    if (!query)
        return false;
    try {
        if (master_)
            query->bind(1, static_cast<int64_t>(*loadedFor_));
        while (query->executeStep())
            keys_.push_back(query->getColumn(0).getInt64());
    } catch (const std::exception &e) {
        keys_.clear();
        return fail(QString::fromUtf8(e.what()));
    }
    return true;
}

// ---- reading -------------------------------------------------------------------

DataView::Row DataView::readRow(SQLite::Statement &statement) const
{
    Row row(columns_.size());
    for (int i = 0; i < columns_.size(); ++i)
        row[i] = columnValue(statement.getColumn(i + 1));
    return row;
}

// Keeps the cache within its limit, whatever fills it (pages, re-reads, posts).
void DataView::makeRoomInCache() const
{
    if (cache_.size() >= kCacheLimit)
        cache_.clear();
}

bool DataView::fetchPage(int row) const
{
    if (!pageStatement_)
        return false;
    makeRoomInCache();
    const int start = row - row % kPageSize;
    const int end = std::min<int>(start + kPageSize, int(keys_.size()));
    try {
        int index = 1;
        for (int r = start; r < end; ++r)
            if (!cache_.contains(keys_[r]))
                pageStatement_->bind(index++, static_cast<int64_t>(keys_[r]));
        while (index <= kPageSize)
            pageStatement_->bind(index++);
        while (pageStatement_->executeStep())
            cache_.insert(pageStatement_->getColumn(0).getInt64(), readRow(*pageStatement_));
        pageStatement_->reset();
    } catch (const std::exception &e) {
        pageStatement_->tryReset();
        lastError_ = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

const DataView::Row *DataView::rowData(int row) const
{
    if (row < 0 || row >= int(keys_.size()))
        return nullptr;
    const qint64 key = keys_[row];
    auto it = cache_.constFind(key);
    if (it == cache_.constEnd()) {
        fetchPage(row);
        it = cache_.constFind(key);
        if (it == cache_.constEnd())
            return nullptr;   // removed behind the view's back
    }
    return &it.value();
}

bool DataView::reread(qint64 key)
{
    try {
        rowStatement_->bind(1, static_cast<int64_t>(key));
        makeRoomInCache();
        if (rowStatement_->executeStep())
            cache_.insert(key, readRow(*rowStatement_));
        else
            cache_.remove(key);
        rowStatement_->reset();
    } catch (const std::exception &e) {
        rowStatement_->tryReset();
        cache_.remove(key);
        return fail(QString::fromUtf8(e.what()));
    }
    return true;
}

// The new row as stored: every value was already converted to its column's stored
// form, and the store adds nothing of its own (no defaults are used, no triggers
// rewrite rows), so reading it back would return the same values. Saves a query per
// appended row on long intakes.
void DataView::rememberInserted(qint64 key)
{
    makeRoomInCache();
    Row row = buffer_;
    if (keyIndex_ >= 0)
        row[keyIndex_] = QVariant(qlonglong(key));
    cache_.insert(key, std::move(row));
}

QVariant DataView::value(int row, int column) const
{
    if (column < 0 || column >= columns_.size())
        return QVariant();
    if (isEditing() && row == row_ && !buffer_.isEmpty())
        return buffer_.at(column);
    const Row *data = rowData(row);
    return data ? data->at(column) : QVariant();
}

QVariant DataView::field(int column) const
{
    if (column < 0 || column >= columns_.size())
        return QVariant();
    if (isEditing())
        return buffer_.at(column);
    return value(row_, column);
}

QVariant DataView::field(QStringView name) const
{
    return field(fieldIndex(name));
}

QDateTime DataView::fieldDateTime(QStringView name) const
{
    const QVariant v = field(name);
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    return parseStoredTime(v.toString()).value_or(QDateTime());
}

std::optional<qint64> DataView::currentKey() const
{
    if (row_ < 0 || row_ >= int(keys_.size()))
        return std::nullopt;
    return keys_[row_];
}

int DataView::rowOfKey(qint64 key) const
{
    const auto it = std::find(keys_.begin(), keys_.end(), key);
    return it == keys_.end() ? -1 : int(it - keys_.begin());
}

// ---- cursor --------------------------------------------------------------------

void DataView::setState(ViewState state)
{
    if (state_ == state)
        return;
    state_ = state;
    emit stateChanged();
}

void DataView::afterRowsReplaced(bool forceDetails)
{
    display(&DataView::rowsReset);
    afterCursorMoved(forceDetails);
}

void DataView::afterCursorMoved(bool forceDetails)
{
    emit scrolled();
    display(&DataView::currentChanged, row_);
    for (DataView *d : details_)
        d->followMaster(forceDetails);
}

void DataView::followMaster(bool force)
{
    if (!isActive())
        return;
    if (!force && masterKey() == loadedFor_)
        return;
    if (isEditing()) {
        // The master only moves after its children posted, so this edit was given up.
        buffer_.clear();
        modified_.clear();
        setState(ViewState::Browse);
    }
    loadKeys();
    row_ = keys_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = keys_.empty();
    afterRowsReplaced(force);
}

bool DataView::moveCursor(int row, bool bof, bool eof)
{
    if (!isActive())
        return fail(QStringLiteral("The view is closed"));
    if (!checkBrowseMode())
        return false;
    const bool moved = row != row_;
    row_ = row;
    bof_ = bof;
    eof_ = eof;
    if (moved)
        afterCursorMoved(false);
    return true;
}

bool DataView::first()
{
    return moveCursor(keys_.empty() ? -1 : 0, true, keys_.empty());
}

bool DataView::last()
{
    return moveCursor(int(keys_.size()) - 1, keys_.empty(), true);
}

bool DataView::next()
{
    if (row_ + 1 < int(keys_.size()))
        return moveCursor(row_ + 1, false, false);
    return moveCursor(row_, keys_.empty(), true);
}

bool DataView::prior()
{
    if (row_ > 0)
        return moveCursor(row_ - 1, false, false);
    return moveCursor(row_, true, keys_.empty());
}

bool DataView::moveTo(int row)
{
    if (row < 0 || row >= int(keys_.size()))
        return fail(QStringLiteral("No row %1").arg(row));
    return moveCursor(row, false, false);
}

bool DataView::locate(const QString &columnNames, const QVariantList &values)
{
    if (!isActive())
        return fail(QStringLiteral("The view is closed"));
    QStringList names;
    for (const QString &n : columnNames.split(QLatin1Char(';')))
        if (!n.trimmed().isEmpty())
            names.append(n.trimmed());
    if (names.isEmpty() || names.size() != values.size())
        return fail(QStringLiteral("Locate needs one value for each column"));
    QStringList conditions;
    QVariantList bound;
    for (int i = 0; i < names.size(); ++i) {
        const int column = fieldIndex(names.at(i));
        if (column < 0)
            return fail(QStringLiteral("Unknown column %1").arg(names.at(i)));
        const std::optional<QVariant> v = coerce(column, values.at(i));
        if (!v)
            return false;   // a value the column cannot hold matches no row
        conditions.append(QStringLiteral("%1 IS ? COLLATE %2").arg(sqlNames_.at(column), QLatin1String(kFoldCollation)));
        bound.append(*v);
    }
    if (keys_.empty())
        return false;
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE ").arg(keyColumn_, sourceName());
    if (master_) {
        conditions.prepend(QStringLiteral("PSecIndex = ?"));
        bound.prepend(QVariant(qlonglong(loadedFor_.value_or(0))));
    }
    sql += conditions.join(QStringLiteral(" AND "));
    auto query = connection_.prepare(sql, &lastError_);
    if (!query)
        return false;
    QSet<qint64> matches;
    try {
        for (int i = 0; i < bound.size(); ++i)
            bindValue(*query, i + 1, bound.at(i));
        while (query->executeStep())
            matches.insert(query->getColumn(0).getInt64());
    } catch (const std::exception &e) {
        return fail(QString::fromUtf8(e.what()));
    }
    if (matches.isEmpty())
        return false;
    for (int r = 0; r < int(keys_.size()); ++r)
        if (matches.contains(keys_[r]))
            return moveTo(r);
    return false;
}

// ---- editing -------------------------------------------------------------------

std::optional<QVariant> DataView::coerce(int column, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    const ColumnInfo &info = columns_.at(column);
    const bool isText = value.typeId() == QMetaType::QString;
    const QString text = isText ? value.toString().trimmed() : QString();
    auto refuse = [&]() -> std::optional<QVariant> {
        lastError_ = QStringLiteral("Поле %1: недопустимое значение \"%2\"").arg(info.name, value.toString());
        return std::nullopt;
    };
    switch (info.kind) {
    case ColumnKind::Integer: {
        if (isText) {
            if (text.isEmpty())
                return QVariant();
            bool ok = false;
            const qlonglong n = text.toLongLong(&ok);
            if (ok)
                return QVariant(n);
            const double d = QLocale::c().toDouble(text, &ok);
            if (ok && std::isfinite(d))
                return QVariant(qlonglong(std::llround(d)));
            return refuse();
        }
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
            const double d = value.toDouble();
            if (!std::isfinite(d))
                return refuse();
            return QVariant(qlonglong(std::llround(d)));
        }
        bool ok = false;
        const qlonglong n = value.toLongLong(&ok);
        return ok ? std::optional<QVariant>(QVariant(n)) : refuse();
    }
    case ColumnKind::Real: {
        bool ok = false;
        if (isText) {
            if (text.isEmpty())
                return QVariant();
            const double d = QLocale::c().toDouble(text, &ok);
            return ok ? std::optional<QVariant>(QVariant(d)) : refuse();
        }
        const double d = value.toDouble(&ok);
        return ok ? std::optional<QVariant>(QVariant(d)) : refuse();
    }
    case ColumnKind::Text: {
        const QString s = value.toString();
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    case ColumnKind::DateTime: {
        if (value.typeId() == QMetaType::QDateTime) {
            const QDateTime t = value.toDateTime();
            return t.isValid() ? std::optional<QVariant>(QVariant(storedTimeText(t))) : refuse();
        }
        if (value.typeId() == QMetaType::QDate) {
            const QDate d = value.toDate();
            const QDateTime midnight(d, QTime(0, 0), Qt::UTC);
            return d.isValid() ? std::optional<QVariant>(QVariant(storedTimeText(midnight))) : refuse();
        }
        if (!isText)
            return refuse();
        if (text.isEmpty())
            return QVariant();
        const std::optional<QDateTime> t = parseStoredTime(text);
        return t ? std::optional<QVariant>(QVariant(storedTimeText(*t))) : refuse();
    }
    case ColumnKind::Blob:
        return QVariant(value.toByteArray());
    case ColumnKind::Other:
        break;
    }
    return value;
}

bool DataView::setField(int column, const QVariant &value)
{
    if (!isEditing())
        return fail(QStringLiteral("The view is not being edited"));
    if (column < 0 || column >= columns_.size())
        return fail(QStringLiteral("Unknown column"));
    if (column == keyIndex_)
        return fail(QStringLiteral("The key %1 cannot be changed").arg(keyColumn_));
    const std::optional<QVariant> v = coerce(column, value);
    if (!v)
        return false;
    buffer_[column] = *v;
    modified_[column] = true;
    display(&DataView::currentDataChanged);
    return true;
}

bool DataView::setField(QStringView name, const QVariant &value)
{
    const int column = fieldIndex(name);
    if (column < 0)
        return fail(QStringLiteral("Unknown column %1").arg(name.toString()));
    return setField(column, value);
}

bool DataView::append()
{
    if (!isActive() || statement_)
        return fail(QStringLiteral("Rows cannot be added to this view"));
    if (!checkBrowseMode())
        return false;
    buffer_ = Row(columns_.size());
    modified_ = QVector<bool>(columns_.size(), false);
    if (master_) {
        const int link = fieldIndex(u"PSecIndex");
        if (link >= 0) {
            const std::optional<qint64> key = masterKey();
            buffer_[link] = key ? QVariant(qlonglong(*key)) : QVariant();
            modified_[link] = true;
        }
    }
    setState(ViewState::Insert);
    display(&DataView::currentDataChanged);
    for (DataView *d : details_)
        d->followMaster(false);
    return true;
}

bool DataView::edit()
{
    if (!isActive() || statement_)
        return fail(QStringLiteral("This view cannot be edited"));
    if (isEditing())
        return true;
    const Row *data = rowData(row_);
    if (!data)
        return fail(QStringLiteral("There is no row to edit"));
    buffer_ = *data;
    modified_ = QVector<bool>(columns_.size(), false);
    setState(ViewState::Edit);
    return true;
}

void DataView::cancel()
{
    if (!isEditing())
        return;
    const bool wasInsert = state_ == ViewState::Insert;
    buffer_.clear();
    modified_.clear();
    setState(ViewState::Browse);
    if (row_ >= 0)
        display(&DataView::rowChanged, row_);
    display(&DataView::currentDataChanged);
    if (wasInsert)
        for (DataView *d : details_)
            d->followMaster(false);
}

bool DataView::checkTextSizes()
{
    for (int i = 0; i < columns_.size(); ++i) {
        const ColumnInfo &c = columns_.at(i);
        if (c.textSize <= 0 || !modified_.at(i) || buffer_.at(i).isNull())
            continue;
        if (codePointCount(buffer_.at(i).toString()) > c.textSize) {
            showStoreError(QStringLiteral("Поле %1: не более %2 символов").arg(c.name).arg(c.textSize));
            return false;
        }
    }
    return true;
}

bool DataView::writeInsert(qint64 *newKey)
{
    try {
        int index = 1;
        for (int i = 0; i < columns_.size(); ++i)
            if (i != keyIndex_)
                bindValue(*insertStatement_, index++, buffer_.at(i));
    } catch (const std::exception &e) {
        insertStatement_->tryReset();
        lastError_ = QString::fromUtf8(e.what());
        return false;
    }
    if (!connection_.write(*insertStatement_, &lastError_))
        return false;
    *newKey = connection_.lastInsertRowid();
    return true;
}

bool DataView::writeUpdate()
{
    QStringList assignments;
    QVariantList values;
    for (int i = 0; i < columns_.size(); ++i) {
        if (!modified_.at(i) || i == keyIndex_)
            continue;
        assignments.append(sqlNames_.at(i) + QStringLiteral(" = ?"));
        values.append(buffer_.at(i));
    }
    if (assignments.isEmpty())
        return true;
    auto update = connection_.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                          .arg(sourceName(), assignments.join(QStringLiteral(", ")), keyColumn_),
                                      &lastError_);
    if (!update)
        return false;
    int changes = 0;
    try {
        for (int i = 0; i < values.size(); ++i)
            bindValue(*update, i + 1, values.at(i));
        update->bind(int(values.size()) + 1, static_cast<int64_t>(keys_[row_]));
    } catch (const std::exception &e) {
        lastError_ = QString::fromUtf8(e.what());
        return false;
    }
    if (!connection_.write(*update, &lastError_, &changes))
        return false;
    if (changes == 0) {
        lastError_ = QStringLiteral("Запись не найдена: она удалена другой программой");
        return false;
    }
    return true;
}

bool DataView::post()
{
    if (!isEditing())
        return fail(QStringLiteral("The view is not being edited"));
    if (beforePost_ && !beforePost_(*this)) {
        commitAfterRefusal();
        return false;
    }
    if (!checkTextSizes()) {
        commitAfterRefusal();
        return false;
    }
    if (state_ == ViewState::Insert) {
        qint64 key = 0;
        if (!writeInsert(&key)) {
            showStoreError(lastError_);
            commitAfterRefusal();
            return false;
        }
        rememberInserted(key);
        buffer_.clear();
        modified_.clear();
        keys_.push_back(key);
        row_ = int(keys_.size()) - 1;
        bof_ = eof_ = false;
        setState(ViewState::Browse);
        display(&DataView::rowInserted, row_);
        afterCursorMoved(false);
    } else {
        if (!writeUpdate()) {
            showStoreError(lastError_);
            commitAfterRefusal();
            return false;
        }
        reread(keys_[row_]);
        buffer_.clear();
        modified_.clear();
        setState(ViewState::Browse);
        display(&DataView::rowChanged, row_);
        display(&DataView::currentDataChanged);
    }
    emit posted();
    return true;
}

bool DataView::deleteRecord()
{
    if (!isActive() || statement_)
        return fail(QStringLiteral("Rows cannot be deleted from this view"));
    if (state_ == ViewState::Insert) {
        cancel();
        return true;
    }
    cancel();
    const std::optional<qint64> key = currentKey();
    if (!key)
        return fail(QStringLiteral("There is no row to delete"));
    auto remove = connection_.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(sourceName(), keyColumn_), &lastError_);
    if (!remove) {
        showStoreError(lastError_);
        return false;
    }
    remove->bind(1, static_cast<int64_t>(*key));
    if (!connection_.write(*remove, &lastError_)) {
        showStoreError(lastError_);
        return false;
    }
    const int removed = row_;
    keys_.erase(keys_.begin() + removed);
    cache_.remove(*key);
    row_ = std::min(removed, int(keys_.size()) - 1);
    bof_ = keys_.empty();
    eof_ = keys_.empty();
    display(&DataView::rowRemoved, removed);
    afterCursorMoved(false);
    return true;
}

bool DataView::checkBrowseMode()
{
    for (DataView *d : details_)
        if (d->isActive() && !d->checkBrowseMode())
            return false;
    return isEditing() ? post() : true;
}

// ---- sort ----------------------------------------------------------------------

bool DataView::parseSort(const QString &clause, QString *orderBy)
{
    static const QRegularExpression item(QStringLiteral("^(\\[[^\\]]+\\]|\"[^\"]+\"|[^\\s,\\[\\]\"]+)(?:\\s+(ASC|DESC))?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList parts;
    if (clause.trimmed().isEmpty()) {
        orderBy->clear();
        return true;
    }
    for (const QString &raw : clause.split(QLatin1Char(','))) {
        const auto m = item.match(raw.trimmed());
        if (!m.hasMatch())
            return fail(QStringLiteral("Invalid sort clause: %1").arg(clause));
        QString name = m.captured(1);
        if (name.startsWith(QLatin1Char('[')) || name.startsWith(QLatin1Char('"')))
            name = name.mid(1, name.size() - 2);
        const int column = fieldIndex(name);
        if (column < 0)
            return fail(QStringLiteral("Invalid sort clause: unknown column %1").arg(name));
        const QString direction = m.captured(2).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0
                                      ? QStringLiteral("DESC") : QStringLiteral("ASC");
        parts.append(QStringLiteral("%1 COLLATE %2 %3").arg(sqlNames_.at(column), QLatin1String(kFoldCollation), direction));
    }
    parts.append(keyColumn_);   // equal values keep a stable order
    *orderBy = parts.join(QStringLiteral(", "));
    return true;
}

bool DataView::setSort(const QString &clause)
{
    QString orderBy;
    if (!parseSort(clause, &orderBy))
        return false;
    if (!isActive()) {
        sortClause_ = clause;
        orderBy_ = orderBy;
        return true;
    }
    if (!checkBrowseMode())
        return false;
    const std::optional<qint64> key = currentKey();
    sortClause_ = clause;
    orderBy_ = orderBy;
    if (!loadKeys())
        return false;
    row_ = key ? rowOfKey(*key) : -1;
    if (row_ < 0 && !keys_.empty())
        row_ = 0;
    bof_ = eof_ = keys_.empty();
    afterRowsReplaced(false);
    return true;
}

// ---- display updates -----------------------------------------------------------

void DataView::disableControls()
{
    ++disabled_;
}

void DataView::enableControls()
{
    if (disabled_ == 0 || --disabled_ > 0)
        return;
    emit rowsReset();
    emit currentChanged(row_);
    emit currentDataChanged();
}

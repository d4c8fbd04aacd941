#pragma once
// DataView: a view of one table (or of one query) with a cursor, modelled on a
// dataset: open/close, a current row, Browse/Edit/Insert, navigation, editing,
// a master link, sort, find, a before-post rule and notifications.
//
//   DataView &types = dm.ADOTip;                  // TDM opens it on its first row
//   for (types.first(); !types.eof(); types.next())
//       use(types.field("PTipCH").toString());
//   types.append();                               // Insert: a blank row
//   types.setField("PTipCH", QStringLiteral("СЕ301"));
//   if (!types.post())                            // refused: the rule showed its message,
//       return;                                   // the view is still in Insert with the values
//   const qlonglong key = types.field("PIndex").toLongLong();   // re-read after post
//
// A posted new row becomes the current row and comes last until the rows are read
// again (requery, sort, or a move of the master).
//
// A child view (made with a master) shows only the rows whose PSecIndex is the
// master's current PIndex, follows every move of the master, is empty while the
// master has no current row, and fills PSecIndex itself on append.
//
// Memory stays bounded: the view keeps the keys of its rows in view order and a
// small cache of row values fetched by pages, never a whole table.
//
// Statement views (made without a table) run one query set at run time:
//   q.close(); q.setSql("SELECT PIndex FROM TTip WHERE PTipCH = ?", {name}); q.open();
// The result is copied into a temporary table and read by pages, so a large result
// is never held in memory. Statement views are read-only.
//
// Signals: scrolled(), stateChanged() and posted() always come. The display signals
// (rows*, current*) are held while controls are disabled (disableControls(), nested)
// and replaced by one rowsReset() + currentChanged() when they are enabled again.
#include "Schema.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Connection;
namespace SQLite {
class Statement;
}

enum class ViewState { Inactive, Browse, Edit, Insert };

class DataView : public QObject {
    Q_OBJECT
public:
    // Runs inside post() before anything is written; may change fields (e.g. trim).
    // Returning false refuses the post silently: the rule shows its own message.
    using BeforePost = std::function<bool(DataView &view)>;

    // A view of `table` (all its columns, or the given ones in schema order).
    DataView(Connection &connection, const QString &table, DataView *master = nullptr,
             const QStringList &columns = {}, QObject *parent = nullptr);
    // A statement view; give it a query with setSql() before open().
    explicit DataView(Connection &connection, QObject *parent = nullptr);
    ~DataView() override;

    QString tableName() const { return table_; }
    DataView *master() const { return master_; }
    bool isStatementView() const { return statement_; }
    bool isReadOnly() const { return statement_; }

    // Statement views only; takes effect at the next open().
    void setSql(const QString &sql, const QVariantList &parameters = {});
    QString sql() const { return sql_; }

    // Open: rows of the current filter and sort, cursor on the first row. On failure
    // lastError() says why and the view stays closed.
    bool open();
    void close();               // drops a pending edit
    bool isActive() const { return state_ != ViewState::Inactive; }
    bool requery();             // re-reads the rows; cursor on the first row
    ViewState state() const { return state_; }
    bool isEditing() const { return state_ == ViewState::Edit || state_ == ViewState::Insert; }
    QString lastError() const { return lastError_; }

    // Columns of the view (for a statement view: of its result).
    int columnCount() const { return int(columns_.size()); }
    const ColumnInfo &column(int index) const { return columns_.at(index); }
    QString columnName(int index) const { return columns_.at(index).name; }
    int fieldIndex(QStringView name) const;      // letter case ignored; -1 when unknown

    // Cursor. Moves first post a pending edit; they return false when that post was
    // refused (the cursor stays) or the view is closed.
    int recordCount() const { return int(keys_.size()); }
    bool isEmpty() const { return keys_.empty(); }
    int currentRow() const { return row_; }      // 0-based, -1 when empty
    int recNo() const { return row_ + 1; }       // 1-based, 0 when empty
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    bool first();
    bool prior();
    bool next();
    bool last();
    bool moveTo(int row);
    // Moves to the first row, in view order, whose columns (";"-separated names)
    // equal the values: whole values, letter case ignored. Not found: cursor stays.
    bool locate(const QString &columnNames, const QVariantList &values);
    // Key (PIndex; for statement views the result row number) of the current row.
    std::optional<qint64> currentKey() const;
    int rowOfKey(qint64 key) const;              // -1 when not in the view

    // Values of the current row (the edit buffer while editing). Unknown names give
    // an invalid QVariant. DateTime columns hold ISO text "YYYY-MM-DD HH:MM:SS".
    QVariant field(QStringView name) const;
    QVariant field(int column) const;
    QDateTime fieldDateTime(QStringView name) const;
    // Only while editing. Values are converted to the column's type (QDateTime and
    // QDate to ISO text, number texts to numbers, an empty text to null); false with
    // lastError() when that is impossible or the column is the key.
    bool setField(QStringView name, const QVariant &value);
    bool setField(int column, const QVariant &value);
    // Any row of the view, fetched by pages; the edit buffer for the current row.
    QVariant value(int row, int column) const;

    // Editing.
    bool append();
    bool edit();
    // Runs the before-post rule, checks text sizes, writes and re-reads the row (its
    // new PIndex is readable at once). A refusal or a store error leaves the view in
    // Edit/Insert with the entered values (store errors are shown as messages).
    bool post();
    void cancel();
    bool deleteRecord();        // deletes the current row (children go with it)
    bool checkBrowseMode();     // posts pending edits of this view and its children
    void setBeforePost(BeforePost rule) { beforePost_ = std::move(rule); }

    // Sort clause of column names, each optionally followed by ASC or DESC, separated
    // by commas: "PSecindex ASC, PNumber DESC". Text sorts ignoring letter case. An
    // empty clause restores key order. Anything else is refused (false, lastError()).
    // The current row stays current.
    bool setSort(const QString &clause);
    QString sort() const { return sortClause_; }

    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disabled_ > 0; }

signals:
    void scrolled();                  // the current row moved or the rows were re-read
    void stateChanged();
    void posted();                    // a post succeeded; the row is re-read
    // Display signals (held while controls are disabled):
    void rowsReset();
    void rowChanged(int row);
    void rowInserted(int row);
    void rowRemoved(int row);
    void currentChanged(int row);
    void currentDataChanged();

private:
    using Row = QVector<QVariant>;

    void initColumns(const QList<ColumnInfo> &columns);
    QString sourceName() const;
    QString selectList() const;
    bool openStatementSource();
    void dropStatementSource();
    bool prepareStatements();
    void releaseStatements();
    bool loadKeys();
    std::optional<qint64> masterKey() const;
    Row readRow(SQLite::Statement &statement) const;
    const Row *rowData(int row) const;
    void makeRoomInCache() const;
    bool fetchPage(int row) const;
    bool reread(qint64 key);
    void rememberInserted(qint64 key);
    bool moveCursor(int row, bool bof, bool eof);
    void setState(ViewState state);
    void afterRowsReplaced(bool forceDetails);
    void afterCursorMoved(bool forceDetails);
    void followMaster(bool force);
    bool checkTextSizes();
    bool writeInsert(qint64 *newKey);
    bool writeUpdate();
    bool parseSort(const QString &clause, QString *orderBy);
    std::optional<QVariant> coerce(int column, const QVariant &value);
    bool fail(const QString &error);
    void showStoreError(const QString &error);
    void commitAfterRefusal();
    template <typename Signal, typename... Args>
    void display(Signal signal, Args... args);

    Connection &connection_;
    QString table_;            // the table, or the temporary table of a statement view
    QString keyColumn_;        // PIndex, or rowid for statement views
    DataView *master_ = nullptr;
    std::vector<DataView *> details_;
    bool statement_ = false;
    QString sql_;
    QVariantList parameters_;

    QList<ColumnInfo> columns_;
    QStringList sqlNames_;     // column names as used in SQL
    QHash<QString, int> columnByName_;   // lower-case name -> index
    int keyIndex_ = -1;        // column holding the key, -1 when not shown

    ViewState state_ = ViewState::Inactive;
    std::vector<qint64> keys_;
    int row_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    std::optional<qint64> loadedFor_;    // master key the rows were read for
    QString sortClause_;
    QString orderBy_;

    mutable QHash<qint64, Row> cache_;
    Row buffer_;
    QVector<bool> modified_;
    BeforePost beforePost_;
    int disabled_ = 0;
    mutable QString lastError_;

    mutable std::unique_ptr<SQLite::Statement> pageStatement_;
    std::unique_ptr<SQLite::Statement> rowStatement_;
    std::unique_ptr<SQLite::Statement> insertStatement_;
};

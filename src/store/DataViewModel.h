#pragma once
// Shows a DataView in a QTableView. Rows are fetched from the view by pages as the
// grid asks for them, so a view of hundreds of thousands of rows scrolls smoothly.
//
//   DataViewModel model(&dm.ADOIdent, {"PNumber", "PMaker", "PYearOutput", "PAddress"});
//   model.setFormatter(2, [](const QVariant &v) { return v.toInt() == 0 ? QVariant() : v; });
//   grid->setModel(&model);
//   connect(&model, &DataViewModel::cursorMoved, ...select row in the grid...);
//   // grid current row changed -> model.moveTo(row)
//
// DisplayRole and EditRole give the raw stored values; a per-column formatter may
// change what DisplayRole shows (formats, code lists). setData edits and posts
// through the view, so the record rules run; a refused post leaves the view in Edit.
// The model resets on requery, sort, close and when display updates resume.
#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <functional>

class DataView;

class DataViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Formatter = std::function<QVariant(const QVariant &raw)>;

    // `fields`: the view's columns to show, in grid order; empty: all of them.
    explicit DataViewModel(DataView *view, const QStringList &fields = {}, QObject *parent = nullptr);

    DataView *view() const { return view_; }
    void setFields(const QStringList &fields);
    QString fieldName(int column) const;
    int columnOf(const QString &field) const;   // -1 when not shown
    void setFormatter(int column, Formatter formatter);
    void setEditable(bool editable);

    int cursorRow() const;        // the view's current row (-1 when empty)
    bool moveTo(int row);         // moves the view's cursor (posts a pending edit first)

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    void cursorMoved(int row);

private:
    void reset();
    void onRowChanged(int row);
    void onRowInserted(int row);
    void onRowRemoved(int row);
    void onCurrentDataChanged();

    DataView *view_;
    QStringList requestedFields_;
    QList<int> viewColumns_;      // model column -> view column
    QHash<int, Formatter> formatters_;
    QHash<int, QString> headers_;
    bool editable_ = false;
    int rows_ = 0;                // the row count the attached views were told
};

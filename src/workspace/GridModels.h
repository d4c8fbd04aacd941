#pragma once
// What a grid column shows, and the two models the main window's grids use:
// GridModel (every row of a view, fetched lazily) and CurrentRowModel (only the
// view's current row, for the detail panel).
#include "DataViewModel.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

class DataView;

struct ColumnSpec {
    QString field;
    QString title;          // empty: the field's display label
    QString hint;           // tooltip of the title
    QString format;         // display format ("0.##", "dd.mm.yyyy" ...); empty: as typed
    QStringList codes;      // code list of a coded column
    bool hidden = false;
};

// The text a cell shows for a raw stored value.
QString columnText(const ColumnSpec &def, const QVariant &raw);
// Numbers are right-aligned, code texts and other texts left-aligned.
Qt::Alignment columnAlignment(const ColumnSpec &def, const QVariant &raw);

class GridModel : public DataViewModel {
    Q_OBJECT
public:
    // No specs: every column of the view, titled by its name (statement views).
    explicit GridModel(DataView *view, QList<ColumnSpec> specs = {}, QObject *parent = nullptr);

    const ColumnSpec *columnDef(int column) const;
    int specCount() const { return int(specs_.size()); }

    // Sort markers on the titles: ascending shows the down marker, descending the up one.
    void setSortMarker(int column, Qt::SortOrder order);
    bool hasSortMarker(int column) const { return markers_.contains(column); }
    Qt::SortOrder sortMarker(int column) const { return markers_.value(column, Qt::AscendingOrder); }

    // How a typed value is taken into the view.
    enum class EditOutcome { Posted, Refused, Invalid };
    EditOutcome commitEdit(const QModelIndex &index, const QVariant &value, QString *problem);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<ColumnSpec> specs_;
    QHash<int, Qt::SortOrder> markers_;
};

class CurrentRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CurrentRowModel(QList<ColumnSpec> specs, QObject *parent = nullptr);

    void setView(DataView *view);   // may be null: no row
    DataView *view() const { return view_; }
    void refresh();                 // re-reads the current row

    int columnOf(const QString &field) const;
    const ColumnSpec &columnDef(int column) const { return specs_.at(column); }
    void setColumnField(int column, const QString &field);
    void setColumnTitle(int column, const QString &title);
    QVariant rawValue(int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<ColumnSpec> specs_;
    DataView *view_ = nullptr;
    int rows_ = 0;   // the row count the grid was told
};

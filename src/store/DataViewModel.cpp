#include "DataViewModel.h"

#include "DataView.h"

DataViewModel::DataViewModel(DataView *view, const QStringList &fields, QObject *parent)
    : QAbstractTableModel(parent), view_(view), requestedFields_(fields)
{
    connect(view_, &DataView::rowsReset, this, &DataViewModel::reset);
    connect(view_, &DataView::rowChanged, this, &DataViewModel::onRowChanged);
    connect(view_, &DataView::rowInserted, this, &DataViewModel::onRowInserted);
    connect(view_, &DataView::rowRemoved, this, &DataViewModel::onRowRemoved);
    connect(view_, &DataView::currentDataChanged, this, &DataViewModel::onCurrentDataChanged);
    connect(view_, &DataView::currentChanged, this, &DataViewModel::cursorMoved);
    reset();
}

void DataViewModel::setFields(const QStringList &fields)
{
    requestedFields_ = fields;
    formatters_.clear();
    headers_.clear();
    reset();
}

void DataViewModel::reset()
{
    beginResetModel();
    // A statement view's columns are known only once it is open, so map them here.
    viewColumns_.clear();
    if (requestedFields_.isEmpty()) {
        for (int i = 0; i < view_->columnCount(); ++i)
            viewColumns_.append(i);
    } else {
        for (const QString &f : requestedFields_)
            viewColumns_.append(view_->fieldIndex(f));
    }
    rows_ = view_->isActive() ? view_->recordCount() : 0;
    endResetModel();
}

QString DataViewModel::fieldName(int column) const
{
    if (column < 0 || column >= viewColumns_.size())
        return QString();
    if (!requestedFields_.isEmpty())
        return requestedFields_.at(column);
    return view_->columnName(viewColumns_.at(column));
}

int DataViewModel::columnOf(const QString &field) const
{
    for (int c = 0; c < viewColumns_.size(); ++c)
        if (fieldName(c).compare(field, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

void DataViewModel::setFormatter(int column, Formatter formatter)
{
    formatters_.insert(column, std::move(formatter));
    if (rows_ > 0)
        emit dataChanged(index(0, column), index(rows_ - 1, column), {Qt::DisplayRole});
}

void DataViewModel::setEditable(bool editable)
{
    editable_ = editable;
}

int DataViewModel::cursorRow() const
{
    return view_->currentRow();
}

bool DataViewModel::moveTo(int row)
{
    if (row == view_->currentRow())
        return true;
    return view_->moveTo(row);
}

int DataViewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int DataViewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(viewColumns_.size());
}

QVariant DataViewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_ || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const int column = viewColumns_.value(index.column(), -1);
    if (column < 0)
        return QVariant();
    const QVariant raw = view_->value(index.row(), column);
    if (role == Qt::DisplayRole) {
        const auto f = formatters_.constFind(index.column());
        if (f != formatters_.constEnd())
            return f.value()(raw);
    }
    return raw;
}

QVariant DataViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const auto h = headers_.constFind(section);
    return h != headers_.constEnd() ? QVariant(h.value()) : QVariant(fieldName(section));
}

bool DataViewModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    headers_.insert(section, value.toString());
    emit headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags DataViewModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    const int column = viewColumns_.value(index.column(), -1);
    if (editable_ && column >= 0 && !view_->isReadOnly()) {
        const QString name = view_->columnName(column);
        if (name.compare(QLatin1String("PIndex"), Qt::CaseInsensitive) != 0
            && name.compare(QLatin1String("PSecIndex"), Qt::CaseInsensitive) != 0)
            f |= Qt::ItemIsEditable;
    }
    return f;
}

bool DataViewModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    if (!moveTo(index.row()) || !view_->edit())
        return false;
    if (!view_->setField(viewColumns_.at(index.column()), value))
        return false;
    return view_->post();
}

void DataViewModel::onRowChanged(int row)
{
    if (row >= 0 && row < rows_ && !viewColumns_.isEmpty())
        emit dataChanged(index(row, 0), index(row, int(viewColumns_.size()) - 1));
}

void DataViewModel::onRowInserted(int row)
{
    const int count = view_->recordCount();
    if (row < 0 || count != rows_ + 1 || row > rows_) {
        reset();
        return;
    }
    beginInsertRows(QModelIndex(), row, row);
    rows_ = count;
    endInsertRows();
}

void DataViewModel::onRowRemoved(int row)
{
    const int count = view_->recordCount();
    if (row < 0 || row >= rows_ || count != rows_ - 1) {
        reset();
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    rows_ = count;
    endRemoveRows();
}

void DataViewModel::onCurrentDataChanged()
{
    onRowChanged(view_->currentRow());
}

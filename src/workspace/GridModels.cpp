#include "GridModels.h"

#include "DataView.h"
#include "DisplayFormat.h"

#include <QLocale>
#include <QPainter>
#include <QPixmap>

namespace {

QChar decimalPoint()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

bool isNumber(const QVariant &v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

QIcon markerIcon(Qt::SortOrder order)
{
    QPixmap pixmap(10, 10);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    const QPolygonF down{{1, 3}, {9, 3}, {5, 8}};
    const QPolygonF up{{1, 7}, {9, 7}, {5, 2}};
    p.drawPolygon(order == Qt::AscendingOrder ? down : up);
    return QIcon(pixmap);
}

}  // namespace

QString columnText(const ColumnSpec &def, const QVariant &raw)
{
    if (!def.codes.isEmpty())
        return DisplayFormat::code(raw, def.codes);
    return DisplayFormat::cell(raw, def.format, decimalPoint());
}

Qt::Alignment columnAlignment(const ColumnSpec &def, const QVariant &raw)
{
    if (def.codes.isEmpty() && isNumber(raw))
        return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// ---- GridModel ----

static QStringList fieldsOf(const QList<ColumnSpec> &specs)
{
    QStringList fields;
    for (const ColumnSpec &s : specs)
        fields << s.field;
    return fields;
}

GridModel::GridModel(DataView *view, QList<ColumnSpec> specs, QObject *parent)
    : DataViewModel(view, fieldsOf(specs), parent), specs_(std::move(specs))
{
}

const ColumnSpec *GridModel::columnDef(int column) const
{
    return column >= 0 && column < specs_.size() ? &specs_.at(column) : nullptr;
}

void GridModel::setSortMarker(int column, Qt::SortOrder order)
{
    markers_.insert(column, order);
    emit headerDataChanged(Qt::Horizontal, column, column);
}

GridModel::EditOutcome GridModel::commitEdit(const QModelIndex &index, const QVariant &value, QString *problem)
{
    DataView *v = view();
    if (!index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return EditOutcome::Invalid;
    if (!moveTo(index.row()))
        return EditOutcome::Refused;
    if (!v->isEditing() && !v->edit()) {
        *problem = v->lastError();
        return EditOutcome::Invalid;
    }
    if (!v->setField(v->fieldIndex(fieldName(index.column())), value)) {
        *problem = v->lastError();
        return EditOutcome::Invalid;
    }
    return v->post() ? EditOutcome::Posted : EditOutcome::Refused;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::TextAlignmentRole)
        return DataViewModel::data(index, role);
    const QVariant raw = DataViewModel::data(index, Qt::EditRole);
    static const ColumnSpec plain;
    const ColumnSpec *s = columnDef(index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columnAlignment(s ? *s : plain, raw));
    return columnText(s ? *s : plain, raw);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        const ColumnSpec *s = columnDef(section);
        if (role == Qt::ToolTipRole)
            return s && !s->hint.isEmpty() ? QVariant(s->hint) : QVariant();
        if (role == Qt::DecorationRole)
            return markers_.contains(section) ? QVariant(markerIcon(markers_.value(section))) : QVariant();
        if (role == Qt::DisplayRole && s && !s->title.isEmpty())
            return s->title;
    }
    return DataViewModel::headerData(section, orientation, role);
}

// ---- CurrentRowModel ----

CurrentRowModel::CurrentRowModel(QList<ColumnSpec> specs, QObject *parent)
    : QAbstractTableModel(parent), specs_(std::move(specs))
{
}

void CurrentRowModel::setView(DataView *view)
{
    beginResetModel();
    view_ = view;
    rows_ = rowCount();
    endResetModel();
}

void CurrentRowModel::refresh()
{
    // Rows come and go without a reset, so the grid keeps its hidden columns.
    const int rows = rowCount();
    if (rows > rows_) {
        beginInsertRows(QModelIndex(), 0, 0);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows(QModelIndex(), 0, 0);
        rows_ = rows;
        endRemoveRows();
    } else if (rows > 0) {
        emit dataChanged(index(0, 0), index(0, columnCount() - 1));
    }
}

int CurrentRowModel::columnOf(const QString &field) const
{
    for (int c = 0; c < specs_.size(); ++c)
        if (specs_.at(c).field.compare(field, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

void CurrentRowModel::setColumnField(int column, const QString &field)
{
    if (column < 0 || column >= specs_.size() || specs_[column].field == field)
        return;
    specs_[column].field = field;
    if (rows_ > 0)
        emit dataChanged(index(0, column), index(0, column));
}

void CurrentRowModel::setColumnTitle(int column, const QString &title)
{
    if (column < 0 || column >= specs_.size() || specs_[column].title == title)
        return;
    specs_[column].title = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QVariant CurrentRowModel::rawValue(int column) const
{
    if (rowCount() == 0 || column < 0 || column >= specs_.size())
        return QVariant();
    return view_->field(specs_.at(column).field);
}

int CurrentRowModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !view_ || !view_->isActive() || view_->currentRow() < 0)
        return 0;
    return 1;
}

int CurrentRowModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(specs_.size());
}

QVariant CurrentRowModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() != 0 || rowCount() == 0)
        return QVariant();
    const QVariant raw = rawValue(index.column());
    if (role == Qt::DisplayRole)
        return columnText(specs_.at(index.column()), raw);
    if (role == Qt::EditRole)
        return raw;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columnAlignment(specs_.at(index.column()), raw));
    return QVariant();
}

QVariant CurrentRowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= specs_.size())
        return QVariant();
    const ColumnSpec &s = specs_.at(section);
    if (role == Qt::DisplayRole)
        return s.title.isEmpty() ? s.field : s.title;
    if (role == Qt::ToolTipRole && !s.hint.isEmpty())
        return s.hint;
    return QVariant();
}

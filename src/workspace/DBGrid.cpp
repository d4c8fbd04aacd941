#include "DBGrid.h"

#include "DataView.h"
#include "GridDelegate.h"
#include "GridModels.h"

#include <QApplication>
#include <QDrag>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

// The no-drop cursor shown while dragging from an empty grid.
QPixmap noDropCursor()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 0, 0), 3));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(3, 3, 18, 18));
    p.drawLine(QPointF(6.5, 17.5), QPointF(17.5, 6.5));
    return pixmap;
}

}  // namespace

TDBGrid::TDBGrid(const QString &name, QWidget *parent) : QTableView(parent)
{
    setObjectName(name);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(24);
    horizontalHeader()->setResizeContentsPrecision(100);
    setItemDelegate(new GridDelegate(this));
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (sortable_)
            sortByColumn(section);
    });
}

void TDBGrid::setGridModel(GridModel *model)
{
    gridModel_ = model;
    QTableView::setModel(model);
    connect(model, &DataViewModel::cursorMoved, this, &TDBGrid::followCursor);
    connect(model, &QAbstractItemModel::modelReset, this, [this] { selectCursorRow(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { applyColumns(); });
    applyColumns();
    selectCursorRow();
}

void TDBGrid::setPlainModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
}

DataView *TDBGrid::dataView() const
{
    return gridModel_ ? gridModel_->view() : nullptr;
}

void TDBGrid::setMultiSelect(bool on)
{
    multiSelect_ = on;
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TDBGrid::setEditableInPlace(bool on)
{
    if (gridModel_)
        gridModel_->setEditable(on);
    setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                             | QAbstractItemView::AnyKeyPressed
                       : QAbstractItemView::NoEditTriggers);
}

void TDBGrid::setSortable(bool on, const QString &prefix)
{
    sortable_ = on;
    sortPrefix_ = prefix;
    horizontalHeader()->setSectionsClickable(on);
}

bool TDBGrid::sortByColumn(int column)
{
    if (!gridModel_ || column < 0 || column >= gridModel_->columnCount())
        return false;
    const Qt::SortOrder order = gridModel_->hasSortMarker(column) && gridModel_->sortMarker(column) == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    const QString clause = sortPrefix_ + gridModel_->fieldName(column)
                           + (order == Qt::AscendingOrder ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    if (!gridModel_->view()->setSort(clause))
        return false;
    gridModel_->setSortMarker(column, order);
    return true;
}

void TDBGrid::acceptDropsFrom(const QList<TDBGrid *> &sources)
{
    dropSources_.clear();
    for (TDBGrid *g : sources)
        dropSources_.append(g);
    setAcceptDrops(!sources.isEmpty());
    viewport()->setAcceptDrops(!sources.isEmpty());
    setDropIndicatorShown(false);
}

bool TDBGrid::acceptsDropFrom(const QObject *source) const
{
    return source && dropSources_.contains(source);
}

bool TDBGrid::selectAllRows()
{
    if (!multiSelect_ || !hasRows())
        return false;
    selectAll();
    return true;
}

void TDBGrid::clearRowSelection()
{
    if (!selectionModel())
        return;
    selectionModel()->clearSelection();
    selectCursorRow();
}

QList<int> TDBGrid::selectedViewRows() const
{
    QList<int> rows;
    if (selectionModel())
        for (const QModelIndex &i : selectionModel()->selectedRows())
            rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty() && gridModel_ && gridModel_->cursorRow() >= 0)
        rows.append(gridModel_->cursorRow());
    return rows;
}

void TDBGrid::applyColumns()
{
    QAbstractItemModel *m = model();
    if (!m)
        return;
    const QFontMetrics fm = horizontalHeader()->fontMetrics();
    for (int c = 0; c < m->columnCount(); ++c) {
        const ColumnSpec *def = gridModel_ ? gridModel_->columnDef(c) : nullptr;
        if (def)
            setColumnHidden(c, def->hidden);
        // Wide enough for the title and the first rows (only those are measured, so
        // a large view costs no more than a small one).
        const QString title = m->headerData(c, Qt::Horizontal).toString();
        const int content = m->rowCount() > 0 ? sizeHintForColumn(c) : 0;
        setColumnWidth(c, std::clamp(std::max(fm.horizontalAdvance(title) + 28, content + 8), 56, 280));
    }
}

void TDBGrid::reopenEditor(const QModelIndex &index, const QVariant &userValue)
{
    auto *delegate = qobject_cast<GridDelegate *>(itemDelegate());
    if (delegate)
        delegate->holdUserValue(index, userValue);
    const QPersistentModelIndex target(index);
    QTimer::singleShot(0, this, [this, target] {
        if (target.isValid()) {
            setCurrentIndex(target);
            edit(target);
        }
    });
}

void TDBGrid::commitOpenEditor()
{
    auto *delegate = qobject_cast<GridDelegate *>(itemDelegate());
    QWidget *editor = delegate ? delegate->openEditor() : nullptr;
    if (editor && state() == QAbstractItemView::EditingState) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TDBGrid::discardOpenEditor()
{
    auto *delegate = qobject_cast<GridDelegate *>(itemDelegate());
    QWidget *editor = delegate ? delegate->openEditor() : nullptr;
    if (editor && state() == QAbstractItemView::EditingState)
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void TDBGrid::followCursor(int row)
{
    if (syncing_ || !model())
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    selectCursorRow();
}

void TDBGrid::selectCursorRow()
{
    if (!gridModel_ || !selectionModel())
        return;
    const int row = gridModel_->cursorRow();
    if (row < 0 || row >= gridModel_->rowCount())
        return;
    int column = std::max(0, currentIndex().column());
    while (column < gridModel_->columnCount() && isColumnHidden(column))
        ++column;
    if (column >= gridModel_->columnCount())
        column = 0;
    syncing_ = true;
    selectionModel()->setCurrentIndex(gridModel_->index(row, column),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    syncing_ = false;
    scrollTo(gridModel_->index(row, column));
}

void TDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (syncing_ || !gridModel_ || !current.isValid() || current.row() == gridModel_->cursorRow())
        return;
    syncing_ = true;
    const bool moved = gridModel_->moveTo(current.row());
    syncing_ = false;
    // A pending edit was refused: the cursor stayed, so does the grid.
    if (!moved)
        QTimer::singleShot(0, this, [this] { selectCursorRow(); });
}

void TDBGrid::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    emit entered(this);
}

void TDBGrid::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    // A menu or another window taking the focus for a while is not leaving the grid.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        emit left(this);
}

void TDBGrid::mousePressEvent(QMouseEvent *event)
{
    pressPos_ = event->position().toPoint();
    dragArmed_ = dragSource_ && event->button() == Qt::LeftButton;
    const QModelIndex index = indexAt(pressPos_);
    // Pressing on an already selected row may start dragging all selected rows, so
    // keep the selection until the button is released without a drag.
    if (dragArmed_ && index.isValid() && selectionModel() && selectionModel()->isRowSelected(index.row())
        && event->modifiers() == Qt::NoModifier && state() != QAbstractItemView::EditingState) {
        deferredPress_ = true;
        setFocus(Qt::MouseFocusReason);
        emit userInput(this);
        return;
    }
    deferredPress_ = false;
    QTableView::mousePressEvent(event);
    emit userInput(this);
}

void TDBGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (dragArmed_ && (event->buttons() & Qt::LeftButton)
        && (event->position().toPoint() - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
        dragArmed_ = false;
        deferredPress_ = false;
        startRowDrag();
        return;
    }
    if (dragSource_ && (event->buttons() & Qt::LeftButton))
        return;   // no rubber band in drag sources: moving drags
    QTableView::mouseMoveEvent(event);
}

void TDBGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (deferredPress_) {
        deferredPress_ = false;
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid())
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    dragArmed_ = false;
    QTableView::mouseReleaseEvent(event);
}

void TDBGrid::keyPressEvent(QKeyEvent *event)
{
    QTableView::keyPressEvent(event);
    emit userInput(this);
}

void TDBGrid::startRowDrag()
{
    const bool ordinary = hasRows();
    auto *mime = new QMimeData;
    mime->setData(mimeType(), ordinary ? QByteArrayLiteral("rows") : QByteArrayLiteral("empty"));
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    if (!ordinary) {
        const QPixmap cursor = noDropCursor();
        drag->setDragCursor(cursor, Qt::CopyAction);
        drag->setDragCursor(cursor, Qt::MoveAction);
        drag->setDragCursor(cursor, Qt::IgnoreAction);
    }
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

bool TDBGrid::acceptsDrag(const QDropEvent *event) const
{
    return event->mimeData() && event->mimeData()->hasFormat(mimeType()) && acceptsDropFrom(event->source());
}

void TDBGrid::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptsDrag(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDBGrid::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptsDrag(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDBGrid::dropEvent(QDropEvent *event)
{
    if (!acceptsDrag(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const bool ordinary = event->mimeData()->data(mimeType()) == QByteArrayLiteral("rows");
    emit rowsDropped(qobject_cast<TDBGrid *>(event->source()), ordinary);
}

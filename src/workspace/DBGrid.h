#pragma once
// TDBGrid: a QTableView over a GridModel (or the detail panel's CurrentRowModel)
// with what the program's grids share: the grid's selection follows the view's
// cursor and the other way round, multi-row selection, sorting by title clicks,
// in-place editing through the record rules, and dragging rows to other grids.
#include <QList>
#include <QPoint>
#include <QTableView>

class GridModel;
class DataView;

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(const QString &name, QWidget *parent = nullptr);

    // A grid of a whole view (cursor kept in step), or of a plain model (detail grids).
    void setGridModel(GridModel *model);
    void setPlainModel(QAbstractItemModel *model);
    GridModel *gridModel() const { return gridModel_; }
    DataView *dataView() const;
    bool hasRows() const { return model() && model()->rowCount() > 0; }

    void setMultiSelect(bool on);
    bool multiSelect() const { return multiSelect_; }
    void setEditableInPlace(bool on);
    // Title clicks sort the view; `prefix` goes in front of every clause.
    void setSortable(bool on, const QString &prefix = QString());
    // Sorts by one column as a title click does; false when the view refused.
    bool sortByColumn(int column);

    void setDragSource(bool on) { dragSource_ = on; }
    bool isDragSource() const { return dragSource_; }
    void acceptDropsFrom(const QList<TDBGrid *> &sources);
    bool acceptsDropFrom(const QObject *source) const;

    // Select all rows (only where several rows may be selected).
    bool selectAllRows();
    // Leaves only the focused row selected.
    void clearRowSelection();
    // The view rows later commands act on: the selected rows, or the focused one.
    QList<int> selectedViewRows() const;

    // Applies the specs' hidden flags and gives each column a width from its title.
    void applyColumns();
    // Reopens the editor on a cell whose value was refused, holding the user's text.
    void reopenEditor(const QModelIndex &index, const QVariant &userValue);
    // The cell editor open now, if any, hands its value over (post) or is dropped (cancel).
    void commitOpenEditor();
    void discardOpenEditor();

    static QString mimeType() { return QStringLiteral("application/x-rt519-grid-rows"); }

signals:
    void entered(TDBGrid *grid);
    void left(TDBGrid *grid);
    void userInput(TDBGrid *grid);
    // A drop from an allowed grid; `ordinaryCursor` is false when the source was empty.
    void rowsDropped(TDBGrid *source, bool ordinaryCursor);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void followCursor(int row);
    void selectCursorRow();
    void startRowDrag();
    bool acceptsDrag(const QDropEvent *event) const;

    GridModel *gridModel_ = nullptr;
    bool multiSelect_ = true;
    bool sortable_ = false;
    QString sortPrefix_;
    bool dragSource_ = false;
    QList<const QObject *> dropSources_;
    bool syncing_ = false;
    bool dragArmed_ = false;
    bool deferredPress_ = false;
    QPoint pressPos_;
};

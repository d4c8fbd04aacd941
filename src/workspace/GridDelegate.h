#pragma once
// Editors of the editable grids: a list of the codes for coded columns, a line edit
// limited to the column's text size for texts, a line edit for numbers. A value the
// view refuses leaves the editor open with what the user typed.
#include <QHash>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

class TDBGrid;

class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(TDBGrid *grid);

    // The next editor opened on `index` starts with `value` instead of the stored one.
    void holdUserValue(const QModelIndex &index, const QVariant &value);
    QWidget *openEditor() const { return openEditor_; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    TDBGrid *grid_;
    mutable QPersistentModelIndex heldIndex_;
    mutable QVariant heldValue_;
    mutable QPointer<QWidget> openEditor_;
};

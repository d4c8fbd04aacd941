#include "GridDelegate.h"

#include "DBGrid.h"
#include "DataView.h"
#include "GridModels.h"
#include "Prompts.h"

#include <QComboBox>
#include <QLineEdit>

GridDelegate::GridDelegate(TDBGrid *grid) : QStyledItemDelegate(grid), grid_(grid) {}

void GridDelegate::holdUserValue(const QModelIndex &index, const QVariant &value)
{
    heldIndex_ = index;
    heldValue_ = value;
}

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    GridModel *model = grid_->gridModel();
    const ColumnSpec *def = model ? model->columnDef(index.column()) : nullptr;
    if (def && !def->codes.isEmpty()) {
        auto *box = new QComboBox(parent);
        box->addItem(QString());          // no code
        box->addItems(def->codes);
        openEditor_ = box;
        return box;
    }
    auto *line = new QLineEdit(parent);
    if (model) {
        DataView *view = model->view();
        const int column = view->fieldIndex(model->fieldName(index.column()));
        if (column >= 0 && view->column(column).textSize > 0)
            line->setMaxLength(view->column(column).textSize);
    }
    Q_UNUSED(option);
    openEditor_ = line;
    return line;
}

void GridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    QVariant value = index.data(Qt::EditRole);
    if (heldIndex_.isValid() && heldIndex_ == index) {
        value = heldValue_;
        heldIndex_ = QPersistentModelIndex();
        heldValue_ = QVariant();
    }
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        bool ok = false;
        const int code = value.toInt(&ok);
        box->setCurrentIndex(value.isNull() || !ok ? 0 : std::clamp(code + 1, 0, box->count() - 1));
        return;
    }
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        if (value.typeId() == QMetaType::Double)
            line->setText(QString::number(value.toDouble(), 'g', 15));
        else
            line->setText(value.toString());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    GridModel *grid = grid_->gridModel();
    if (!grid || model != grid) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    QVariant value;
    QVariant shown;   // what the user sees again if the value is refused
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        value = box->currentIndex() <= 0 ? QVariant() : QVariant(box->currentIndex() - 1);
        shown = value;
    } else if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        QString text = line->text();
        shown = text;
        DataView *view = grid->view();
        const int column = view->fieldIndex(grid->fieldName(index.column()));
        // Numbers may be typed with either decimal mark.
        if (column >= 0 && view->column(column).kind == ColumnKind::Real)
            text.replace(QLatin1Char(','), QLatin1Char('.'));
        value = text;
    } else {
        return;
    }
    QString problem;
    switch (grid->commitEdit(index, value, &problem)) {
    case GridModel::EditOutcome::Posted:
        return;
    case GridModel::EditOutcome::Invalid:
        if (!problem.isEmpty())
            showMessage(problem, QStringLiteral("Ошибка"), PromptIcon::Error);
        grid_->reopenEditor(index, shown);
        return;
    case GridModel::EditOutcome::Refused:
        // The rule showed its message; the view keeps the entered values.
        grid_->reopenEditor(index, shown);
        return;
    }
}

#pragma once

#include <QStyledItemDelegate>

namespace stratex {

// The editor of a Levels table value cell: a read-only drop-down with the level pick list for rows that
// have it (a pick is committed at once), a line edit for the others.
class LevelValueDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};

}  // namespace stratex

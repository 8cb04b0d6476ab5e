#include "app/LevelValueDelegate.h"

#include <QComboBox>
#include <QLineEdit>

#include "app/LevelsModel.h"
#include "app/QtText.h"
#include "app/WindowTexts.h"
#include "levels/ZoomTable.h"

namespace stratex {

QWidget* LevelValueDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const {
    if (!index.data(LevelsModel::kPickListRole).toBool()) {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        // A right click on the editor opens the table's menu, as on any other cell.
        if (editor) editor->setContextMenuPolicy(Qt::NoContextMenu);
        // Tab goes from the table to the next area, not into the editor that is always open.
        if (editor) editor->setFocusPolicy(Qt::ClickFocus);
        return editor;
    }
    auto* combo = new QComboBox(parent);
    combo->setContextMenuPolicy(Qt::NoContextMenu);
    combo->setFocusPolicy(Qt::ClickFocus);
    combo->setObjectName(QStringLiteral("LevelPickList"));
    combo->setEditable(false);
    // Each choice shows in the window's language and carries the text the table takes.
    for (const std::string& choice : LevelPickList()) {
        combo->addItem(WindowTexts::LevelValue(choice), DecodeCp1251(choice));
    }
    // A pick is the edit: commit it at once, as the grid's drop-down does.
    connect(combo, &QComboBox::activated, this, [this, combo](int) {
        auto* self = const_cast<LevelValueDelegate*>(this);
        emit self->commitData(combo);
    });
    return combo;
}

void LevelValueDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* combo = qobject_cast<QComboBox*>(editor);
    if (!combo) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    // A value outside the pick list (8bit (), 27bit (27)) is shown as it stands, with no choice selected.
    combo->setPlaceholderText(index.data(Qt::DisplayRole).toString());
    combo->setCurrentIndex(combo->findData(index.data(Qt::EditRole).toString()));
}

void LevelValueDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    auto* combo = qobject_cast<QComboBox*>(editor);
    if (!combo) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    if (combo->currentIndex() < 0) return;  // nothing picked: the value stays
    const QString picked = combo->currentData().toString();
    if (picked == index.data(Qt::EditRole).toString()) return;
    model->setData(index, picked, Qt::EditRole);
}

}  // namespace stratex

#pragma once

#include <QAbstractTableModel>

#include "levels/LevelsTable.h"

namespace stratex {

// Shows the engine's Levels table as a key/value grid with the titles "Слой" and "GPS zoom" (in the window's
// language). A value shows as WindowTexts::LevelValue says and is edited as its bytes stand. Keys are
// read-only; a value edit is handed on through valueEdited and reaches the table through the window.
// The table must outlive the model; whoever changes it brackets the change with BeginReset/EndReset.
class LevelsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Set on the value cells: true when the row's value offers the level pick list (pick-only).
    static constexpr int kPickListRole = Qt::UserRole + 1;

    explicit LevelsModel(const LevelsTable* table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    // The value of row changed in the table.
    void ValueChanged(int row);
    // The window's language changed: the column titles and the values are said anew.
    void TextsChanged();

signals:
    void valueEdited(int row, const QString& text);

private:
    const LevelsTable* table_;
};

}  // namespace stratex

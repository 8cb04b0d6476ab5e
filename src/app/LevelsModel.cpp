#include "app/LevelsModel.h"

#include "app/QtText.h"
#include "app/WindowTexts.h"

namespace stratex {

LevelsModel::LevelsModel(const LevelsTable* table, QObject* parent) : QAbstractTableModel(parent), table_(table) {}

int LevelsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_->size());
}

int LevelsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant LevelsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const LevelRow& row = table_->rows()[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return index.column() == 0 ? DecodeCp1251(row.key) : WindowTexts::LevelValue(row.value);
        case Qt::EditRole:
            return DecodeCp1251(index.column() == 0 ? row.key : row.value);
        case kPickListRole:
            return index.column() == 1 && row.pickList;
        default:
            return {};
    }
}

QVariant LevelsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == 0) return tr("Слой");
    if (section == 1) return tr("GPS zoom");
    return {};
}

Qt::ItemFlags LevelsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 1) flags |= Qt::ItemIsEditable;
    return flags;
}

bool LevelsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() != 1) return false;
    emit valueEdited(index.row(), value.toString());
    return true;
}

void LevelsModel::TextsChanged() {
    emit headerDataChanged(Qt::Horizontal, 0, 1);
    if (rowCount() > 0) emit dataChanged(index(0, 1), index(rowCount() - 1, 1));
}

void LevelsModel::ValueChanged(int row) {
    const QModelIndex cell = index(row, 1);
    emit dataChanged(cell, cell);
}

}  // namespace stratex

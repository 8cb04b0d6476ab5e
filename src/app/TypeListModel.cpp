#include "app/TypeListModel.h"

#include <QColor>
#include <QFont>
#include <utility>

#include "app/Icons.h"
#include "app/QtText.h"
#include "app/WindowTexts.h"

namespace stratex {

namespace {

enum Column { kLevelColumn = 0, kCodeColumn = 1, kNameColumn = 2, kColumnCount = 3 };

}  // namespace

TypeListModel::TypeListModel(ObjectKind kind, const MapDocument* document, QObject* parent)
    : QAbstractTableModel(parent), kind_(kind), document_(document) {}

int TypeListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(document_->lists().Of(kind_).size());
}

int TypeListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant TypeListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TypeRow& row = document_->lists().Of(kind_)[static_cast<std::size_t>(index.row())];
    const SetType* ofSet = document_->tiles().empty() ? nullptr : document_->SetTypeOf(kind_, row.code);
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == kLevelColumn) {
                if (const LevelAdvice* advice = document_->AdviceOf(kind_, row.code)) {
                    return DecodeCp1251(row.level) + QStringLiteral(" → ") + QString::number(advice->level);
                }
            }
            [[fallthrough]];
        case Qt::EditRole:
            switch (index.column()) {
                case kLevelColumn:
                    return DecodeCp1251(row.level);
                case kCodeColumn:
                    return DecodeCp1251(row.code);
                case kNameColumn:
                    return DecodeCp1251(row.name);
                default:
                    return {};
            }
        case Qt::DecorationRole:
            // The icon belongs to the code column; the caption column carries none.
            if (index.column() != kCodeColumn) return {};
            if (const QPixmap icon = IconOf(row.icon); !icon.isNull()) return icon;
            return UnknownTypeIcon(kind_);
        case Qt::ToolTipRole: {
            const auto& types = document_->figures().Of(kind_);
            const auto found = types.find(row.code);
            QString tip = WindowTexts::TypeFiguresTip(found == types.end() ? nullptr : &found->second);
            if (changedByProcess_.count(row.code)) tip = tr("Уровень изменён последним Process") + '\n' + tip;
            if (const LevelAdvice* advice = document_->AdviceOf(kind_, row.code)) {
                tip = tr("Совет: до Level%1 (%2)").arg(advice->level).arg(QString::fromStdString(advice->reason)) +
                      '\n' + tip;
            }
            return ofSet ? tip + QLatin1Char('\n') + WindowTexts::TileLevelsTip(*ofSet, document_->tiles()) : tip;
        }
        case Qt::FontRole: {
            QFont font;
            font.setBold(changedByProcess_.count(row.code) > 0);
            const LevelAdvice* advice = document_->AdviceOf(kind_, row.code);
            font.setItalic(index.column() == kLevelColumn && advice && std::to_string(advice->level) != row.level);
            if (font.bold() || font.italic()) return font;
            return {};
        }
        case Qt::ForegroundRole:
            if (ofSet && ofSet->TilesDisagree()) return QColor(Qt::red);
            return {};
        default:
            return {};
    }
}

QVariant TypeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (section) {
        case kLevelColumn:
            return tr("До слоя");
        case kCodeColumn:
            return tr("Тип");
        case kNameColumn:
            return tr("Название");
        default:
            return {};
    }
}

Qt::ItemFlags TypeListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Opening the caption's editor is always allowed; the list view decides when it opens.
    if (index.column() == kLevelColumn) flags |= Qt::ItemIsEditable;
    return flags;
}

bool TypeListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() != kLevelColumn) return false;
    emit captionEdited(index.row(), value.toString());
    return true;
}

void TypeListModel::CaptionsChanged() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, kLevelColumn), index(rowCount() - 1, kLevelColumn), {Qt::DisplayRole, Qt::EditRole});
}

void TypeListModel::AdviceChanged() {
    if (rowCount() == 0) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1),
                     {Qt::DisplayRole, Qt::EditRole, Qt::FontRole, Qt::ToolTipRole});
}

void TypeListModel::SetChangedByProcess(std::set<std::string> codes) {
    if (codes == changedByProcess_) return;
    changedByProcess_ = std::move(codes);
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1), {Qt::FontRole});
}

void TypeListModel::TextsChanged() { emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1); }

QPixmap TypeListModel::IconOf(int index) const {
    auto found = icons_.constFind(index);
    if (found != icons_.constEnd()) return *found;
    const QPixmap icon = TypeIcon(kind_, index);
    icons_.insert(index, icon);
    return icon;
}

}  // namespace stratex

#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>
#include <set>
#include <string>

#include "document/MapDocument.h"
#include "grammar/ObjectKind.h"

namespace stratex {

// Shows one of the engine's Type lists as three columns, "До слоя", "Тип" (with the catalogue icon) and
// "Название" (in the window's language), in the list's own order; the model keeps no copy of the rows. Only the "До
// слоя" cell is editable; an edit is handed on through captionEdited and reaches the list through the window.
//
// Each row's tooltip tells how many objects of its type the map holds and which EndLevels they carry,
// from the document's figures (the last scan's); with a set of tiles open, also each map's level and objects,
// and a type whose maps disagree is shown in red. Where Advise proposed a level for the type, the "До слоя" cell
// shows it after the level ("3 → 1", italic where it differs) and the tooltip starts with its reason. The document must
// outlive the model. Whoever changes the list brackets the change with BeginReset/EndReset, or calls CaptionsChanged
// after changing captions only.
class TypeListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TypeListModel(ObjectKind kind, const MapDocument* document, QObject* parent = nullptr);

    ObjectKind kind() const { return kind_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    void CaptionsChanged();
    // The document's proposals (Advise) changed: the level cells and their tooltips are shown anew.
    void AdviceChanged();
    // The window's language changed: the column titles are said anew (the tooltips are made when shown).
    void TextsChanged();
    // Marks the rows of these codes (bold, and a line in their tooltip): the rows whose level the last
    // Process changed from the Process before. The marks stay until the next call.
    void SetChangedByProcess(std::set<std::string> codes);

signals:
    // The user left text in the in-place editor of row's caption.
    void captionEdited(int row, const QString& text);

private:
    QPixmap IconOf(int index) const;

    ObjectKind kind_;
    const MapDocument* document_;
    mutable QHash<int, QPixmap> icons_;  // painted once per icon index
    std::set<std::string> changedByProcess_;
};

}  // namespace stratex

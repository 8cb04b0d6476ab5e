#include "app/TypeListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

namespace stratex {

TypeListView::TypeListView(QWidget* parent) : QTableView(parent) {
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
}

void TypeListView::SetDefaultColumns(int viewWidth, int level, int code, int name) {
    defaultViewWidth_ = viewWidth;
    defaultLevel_ = level;
    defaultCode_ = code;
    defaultName_ = name;
    setColumnWidth(0, level);
    setColumnWidth(1, code);
    setColumnWidth(2, name);
}

void TypeListView::FitColumns() {
    if (defaultViewWidth_ == 0 || !model()) return;
    const int code = std::max(defaultCode_, sizeHintForColumn(1));
    if (columnWidth(1) != code) setColumnWidth(1, code);
    FitNameColumn();
}

void TypeListView::FitNameColumn() {
    if (defaultViewWidth_ == 0) return;
    // The columns together keep their default share of the list: what the code column or a widened level
    // column takes comes out of the name column's gain.
    const int gained = std::max(0, width() - defaultViewWidth_);
    const int name =
        std::max(defaultName_, defaultLevel_ + defaultCode_ + defaultName_ + gained - columnWidth(0) - columnWidth(1));
    if (columnWidth(2) != name) setColumnWidth(2, name);
}

void TypeListView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    // The codes are measured when the rows change, not at every step of a resize.
    FitNameColumn();
}

void TypeListView::mousePressEvent(QMouseEvent* event) {
    emit mouseDown(event);
    QTableView::mousePressEvent(event);
}

void TypeListView::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) emit listClicked();
    emit mouseUp(event);
}

void TypeListView::keyPressEvent(QKeyEvent* event) {
    bool consumed = false;
    emit keyDown(event, &consumed);
    if (consumed) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace stratex

#include "app/TypeListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

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

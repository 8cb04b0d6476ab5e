#pragma once

#include <QTableView>

namespace stratex {

// A Type list as a report view: grid lines, whole-row and multiple selection, no editing triggers of its
// own. It reports its mouse and key events in the order the window's handlers need them: a press
// (mouseDown) before the view selects, a left click (listClicked) after the view has selected, then the
// release (mouseUp); a key press (keyDown) before the view sees it, which a handler may consume.
class TypeListView : public QTableView {
    Q_OBJECT
public:
    explicit TypeListView(QWidget* parent = nullptr);

    // True while the in-place editor of a caption is open.
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }

signals:
    void mouseDown(QMouseEvent* event);
    void listClicked();
    void mouseUp(QMouseEvent* event);
    // Set *consumed to keep the key from the view.
    void keyDown(QKeyEvent* event, bool* consumed);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace stratex

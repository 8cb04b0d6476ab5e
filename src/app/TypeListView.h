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

    // The widths of the three columns (level, code, name) when the list is viewWidth wide, the width it has
    // at the window's default size; sets them.
    void SetDefaultColumns(int viewWidth, int level, int code, int name);
    // Widens the code column to show every code whole beside its icon, and gives the name column the width
    // the list has gained beyond its default; neither becomes narrower than its default. Call it when the
    // rows have changed; a resize fits the name column alone.
    void FitColumns();

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
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitNameColumn();

    int defaultViewWidth_ = 0;
    int defaultLevel_ = 0;
    int defaultCode_ = 0;
    int defaultName_ = 0;
};

}  // namespace stratex

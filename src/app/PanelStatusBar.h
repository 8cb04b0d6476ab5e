#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

namespace stratex {

// The window's status bar: panel 0 (250 pixels wide) is drawn by its owner through drawPanel, panel 1
// (from there to the right end) shows the status text.
class PanelStatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPanel0Width = 250;

    explicit PanelStatusBar(QWidget* parent = nullptr);

    QString text() const { return text_; }
    // Sets the text of panel 1; it shows at the next paint (call repaint() to show it at once).
    void SetText(const QString& text);

    // The rectangle of panel i (0 or 1) inside the bar, without its frame.
    QRect PanelRect(int panel) const;

    // Called for each program-drawn panel whenever the bar lays out or draws it.
    std::function<void(int panel, const QRect& rect)> drawPanel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString text_;
};

}  // namespace stratex

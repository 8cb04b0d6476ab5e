#pragma once

#include <QLabel>

namespace stratex {

// A plain-text label whose lines stand at most kLinePitch pixels apart, the pitch of the window's 11-pixel
// font, whatever the line spacing of the font that stands in for it: the description's eleven lines fit
// their label with any sans font.
class LinesLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr int kLinePitch = 13;

    explicit LinesLabel(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace stratex

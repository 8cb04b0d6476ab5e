#include "app/LinesLabel.h"

#include <QPainter>
#include <algorithm>

namespace stratex {

LinesLabel::LinesLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void LinesLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const int pitch = std::min(fontMetrics().lineSpacing(), kLinePitch);
    const QRect area = contentsRect();
    int top = area.top();
    for (const QString& line : text().split(QLatin1Char('\n'))) {
        painter.drawText(QRect(area.left(), top, area.width(), pitch),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        top += pitch;
    }
}

}  // namespace stratex

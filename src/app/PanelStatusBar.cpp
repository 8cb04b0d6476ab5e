#include "app/PanelStatusBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace stratex {

namespace {

constexpr int kTopGap = 2;    // the bar's top edge above the panels
constexpr int kPanelGap = 2;  // between panel 0 and panel 1
constexpr int kTextIndent = 3;

}  // namespace

PanelStatusBar::PanelStatusBar(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent, false); }

void PanelStatusBar::SetText(const QString& text) {
    if (text_ == text) return;
    text_ = text;
    update(PanelRect(1));
}

QRect PanelStatusBar::PanelRect(int panel) const {
    const int height = this->height() - kTopGap;
    if (panel == 0) return QRect(0, kTopGap, kPanel0Width - kPanelGap, height);
    return QRect(kPanel0Width, kTopGap, width() - kPanel0Width, height);
}

void PanelStatusBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (drawPanel) drawPanel(0, PanelRect(0));
}

void PanelStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));

    // Sunken panel frames as a status bar draws them.
    const QColor shadow = palette().color(QPalette::Mid);
    const QColor light = palette().color(QPalette::Light);
    for (int panel = 0; panel < 2; ++panel) {
        const QRect r = PanelRect(panel);
        painter.setPen(shadow);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(light);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }

    const QRect textRect = PanelRect(1).adjusted(kTextIndent, 1, -kTextIndent, -1);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text_, Qt::ElideRight, textRect.width()));

    // Panel 0 belongs to the owner (the progress bar covers it).
    if (drawPanel) drawPanel(0, PanelRect(0));
}

}  // namespace stratex

#include "app/WindowProgress.h"

#include <QProgressBar>
#include <algorithm>
#include <limits>

#include "app/PanelStatusBar.h"

namespace stratex {

WindowProgress::WindowProgress(PanelStatusBar* statusBar, QProgressBar* progressBar)
    : statusBar_(statusBar), progressBar_(progressBar) {}

QString WindowProgress::StateText(PassState state) {
    switch (state) {
        case PassState::Scanning:
            return tr("Обработка файла. Поиск объектов. Пожалуйста подождите...");
        case PassState::Scanned:
            return tr("OK");
        case PassState::NotAMap:
            return tr("Ошибка при обработке файла");
        case PassState::Processing:
            return tr("Изменение конечного уровня объектов. Пожалуйста подождите...");
        case PassState::Processed:
            return tr("Изменение OK");
    }
    return {};
}

void WindowProgress::SetState(PassState state) {
    state_ = state;
    statusBar_->SetText(StateText(state));
    statusBar_->repaint();
    sinceRepaint_.start();
}

void WindowProgress::Retranslate() {
    if (state_) statusBar_->SetText(StateText(*state_));
}

void WindowProgress::SetProgress(std::uint64_t maximum, std::uint64_t position) {
    int scaledMaximum = 0;
    int scaledPosition = 0;
    ScaleToInt(maximum, position, &scaledMaximum, &scaledPosition);
    // The bar only schedules its repaint here; the throttle below decides when it shows.
    progressBar_->setUpdatesEnabled(false);
    progressBar_->setRange(0, scaledMaximum);
    progressBar_->setValue(scaledPosition);
    progressBar_->setUpdatesEnabled(true);
    if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= kRepaintInterval) {
        statusBar_->repaint();
        sinceRepaint_.start();
    }
}

void WindowProgress::ScaleToInt(std::uint64_t maximum, std::uint64_t position, int* scaledMaximum,
                                int* scaledPosition) {
    constexpr std::uint64_t kLimit = static_cast<std::uint64_t>(std::numeric_limits<int>::max());
    const std::uint64_t divisor = maximum > kLimit ? maximum / kLimit + 1 : 1;
    const std::uint64_t top = maximum / divisor;
    *scaledMaximum = static_cast<int>(top);
    *scaledPosition = static_cast<int>(std::min(position / divisor, top));
}

}  // namespace stratex

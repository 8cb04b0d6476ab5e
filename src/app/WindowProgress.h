#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <optional>

#include "passes/Progress.h"

class QProgressBar;

namespace stratex {

class PanelStatusBar;

// Shows the progress of the scan and Process in the window while the operation runs on the window's
// thread: the status text is painted at once; the progress bar takes every report, but repaints at most
// every kRepaintInterval milliseconds. No events are processed, so the window takes no input meanwhile.
class WindowProgress : public Progress {
    Q_DECLARE_TR_FUNCTIONS(WindowProgress)
public:
    static constexpr qint64 kRepaintInterval = 80;

    WindowProgress(PanelStatusBar* statusBar, QProgressBar* progressBar);

    void SetState(PassState state) override;
    // The status bar's text for state, in the window's language.
    static QString StateText(PassState state);
    // Shows the text of the last state again, in the window's language; nothing before the first state.
    void Retranslate();
    void SetProgress(std::uint64_t maximum, std::uint64_t position) override;

    // The bar's range for a maximum and position beyond int: both scaled down alike.
    static void ScaleToInt(std::uint64_t maximum, std::uint64_t position, int* scaledMaximum, int* scaledPosition);

private:
    PanelStatusBar* statusBar_;
    QProgressBar* progressBar_;
    QElapsedTimer sinceRepaint_;
    std::optional<PassState> state_;
};

}  // namespace stratex

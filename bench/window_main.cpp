// stratex-window-bench: how the main window answers input while Process and Save MAP of a large map run.
//
//   stratex-window-bench [MB]
//
// Opens a synthetic map of MB megabytes (default 300, stratex-mapgen's) through Open MAP, then clicks Process
// and Save MAP as a user would, while every 10 ms an input is given to the window in turn: a key press, a
// mouse move over the tool bar, and a resize by one pixel (which lays out and repaints the whole window).
// Prints "key value" lines:
//   - input_ms PHASE KIND median max (count): the window thread's time for an input, measured as
//     stratex-preview-bench measures it (from the event to the return to the event loop), during Process,
//     during Save MAP, and idle (before, between and after them: not part of the target);
//   - stall_ms PHASE: the longest time between two inputs beyond the 10 ms between them, during Process and
//     during Save MAP: how long an input given at the worst moment waited for the window thread;
//   - the times of Process and Save MAP;
// then "target input_ms VALUE 50 met|missed" and the same for the stalls. The exit code is 0 when both are met.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "MapGenerator.h"
#include "app/MainForm.h"
#include "app/QtText.h"
#include "app/UiPrompts.h"

namespace {

namespace fs = std::filesystem;
using namespace stratex;

// Dialogs that answer the queued paths, questions answered Yes, messages printed.
class BenchPrompts : public UiPrompts {
public:
    std::deque<QString> paths;
    std::optional<QString> RunFileDialog(QWidget*, FileDialogState& dialog) override {
        if (paths.empty()) return std::nullopt;
        dialog.chosen = QStringList{paths.front()};
        paths.pop_front();
        return dialog.chosen.first();
    }
    std::optional<QString> AskFolder(QWidget*, const QString&, const QString&) override { return std::nullopt; }
    bool AskYesNo(QWidget*, const QString&, const QString&, QMessageBox::Icon) override { return true; }
    Answer AskYesNoCancel(QWidget*, const QString&, const QString&, QMessageBox::Icon) override { return Answer::Yes; }
    void ShowMessage(QWidget*, const QString& text, const QString&, QMessageBox::Icon) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
};

struct Times {
    std::vector<double> values;
    double Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
    double Median() const {
        if (values.empty()) return 0;
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

bool Target(const char* name, double value, double limit) {
    const bool met = value <= limit;
    std::printf("target %s %.1f %.1f %s\n", name, value, limit, met ? "met" : "missed");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::uint64_t mb = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 300;
    const fs::path folder =
        fs::temp_directory_path() / ("stratex-window-bench-" + std::to_string(QCoreApplication::applicationPid()));
    fs::create_directories(folder);
    const fs::path mapPath = folder / "bench.mp";
    bench::MapShape shape;
    shape.targetBytes = mb << 20;
    const std::uint64_t bytes = bench::GenerateMap(mapPath, shape);

    // The window reads the type name files from its working folder.
    QDir::setCurrent(QStringLiteral(STRATEX_DATA_DIR));
    auto prompts = std::make_unique<BenchPrompts>();
    BenchPrompts& answers = *prompts;
    TMainForm window(std::move(prompts));
    window.show();
    answers.paths = {ToQString(mapPath), ToQString(folder / "saved.mp")};
    window.findChild<QToolButton*>(QStringLiteral("OpenSpeedButton"))->click();

    constexpr int kTick = 10;
    std::map<std::string, Times> inputs;
    std::map<std::string, double> stalls;
    std::string phase = "idle";
    QElapsedTimer sinceTick;
    int tick = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (sinceTick.isValid()) {
            const double gap = static_cast<double>(sinceTick.nsecsElapsed()) * 1e-6 - kTick;
            stalls[phase] = std::max(stalls[phase], gap);
        }
        QElapsedTimer timer;
        timer.start();
        const char* kind = "";
        switch (tick++ % 3) {
            case 0: {
                kind = "key";
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
                QApplication::sendEvent(window.focusWidget() ? window.focusWidget() : &window, &press);
                break;
            }
            case 1: {
                kind = "mouse";
                QWidget* bar = window.findChild<QWidget*>(QStringLiteral("ToolBar1"));
                const QPointF at(20 + tick % 200, 10);
                QMouseEvent move(QEvent::MouseMove, at, bar->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                                 Qt::NoModifier);
                QApplication::sendEvent(bar, &move);
                break;
            }
            default:
                kind = "resize";
                window.resize(window.width() + (tick % 2 ? 1 : -1), window.height());
                break;
        }
        // The events the input posted (layout, paint), not the timers: a timer due now (the click of the next
        // phase) would run inside this input and be counted as its time.
        QCoreApplication::sendPostedEvents();
        inputs[phase + " " + kind].values.push_back(static_cast<double>(timer.nsecsElapsed()) * 1e-6);
        sinceTick.start();
    });
    ticker.start(kTick);

    double processSeconds = 0;
    double saveSeconds = 0;
    const auto click = [&](const char* button, const char* name, double* seconds) {
        phase = name;
        QElapsedTimer timer;
        timer.start();
        window.findChild<QToolButton*>(QString::fromLatin1(button))->click();
        *seconds = static_cast<double>(timer.nsecsElapsed()) * 1e-9;
        phase = "idle";
    };
    QEventLoop loop;
    QTimer::singleShot(300, [&] {
        click("DoSpeedButton", "process", &processSeconds);
        QTimer::singleShot(300, [&] {
            click("SaveSpeedButton", "save", &saveSeconds);
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
        });
    });
    loop.exec();
    ticker.stop();
    const bool written = fs::exists(folder / "saved.mp") && fs::file_size(folder / "saved.mp") >= bytes;
    fs::remove_all(folder);

    std::printf("map_bytes %llu\n", static_cast<unsigned long long>(bytes));
    std::printf("saved %s\n", written ? "yes" : "no");
    std::printf("process_seconds %.3f\n", processSeconds);
    std::printf("save_seconds %.3f\n", saveSeconds);
    double worstInput = 0;
    for (const auto& [kind, times] : inputs) {
        std::printf("input_ms %s median %.1f max %.1f (%zu)\n", kind.c_str(), times.Median(), times.Max(),
                    times.values.size());
        if (kind.rfind("idle", 0) != 0) worstInput = std::max(worstInput, times.Max());
    }
    double worstStall = 0;
    for (const char* name : {"process", "save"}) {
        std::printf("stall_ms %s %.1f\n", name, stalls[name]);
        worstStall = std::max(worstStall, stalls[name]);
    }
    bool met = Target("input_ms", worstInput, 50);
    met = Target("stall_ms", worstStall, 50) && met;
    return met && written ? 0 : 1;
}

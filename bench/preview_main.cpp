// stratex-preview-bench: the Preview window's answers to input, its pictures and its memory on a large map,
// drawn offscreen in a window of 1000 x 760 pixels.
//
//   stratex-preview-bench [--real DIR] [MB] [NOTCHES]
//
// MB: the map's size (default 300). Without --real the map is synthetic (stratex-mapgen's); with it, it is
// made of the objects of the maps in DIR, repeated (RepeatRealMaps). NOTCHES: wheel notches zoomed in about
// the middle of the map, one at a time (default 12).
//
// Prints "key value" lines: the map, the store of the preview and the times, then one line per target,
// "target NAME VALUE LIMIT met|missed":
//   - input_ms: the longest time the window thread took to answer an input (a wheel notch, a drag step, a
//     level chosen, a type's level changed: from the event to the return to the event loop, the repaint
//     of the last picture moved and scaled included), at most 50 ms;
//   - picture_s: the longest time from a wheel notch or a change of level to its full picture, at most 0.5 s;
//   - first_picture_s: from opening the Preview window to its first full picture, at most 1 s;
//   - memory_ratio: the largest resident set of the process against the map's size, at most 1.3.
// The exit code is 0 only when every target is met.
#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
// windows.h first: psapi.h needs its types.
#include <psapi.h>
#endif

#include "MapGenerator.h"
#include "app/LevelsModel.h"
#include "app/PreviewCanvas.h"
#include "app/PreviewWindow.h"
#include "app/TypeListModel.h"
#include "document/MapDocument.h"

namespace {

namespace fs = std::filesystem;
using namespace stratex;

// The largest resident set of this process so far, in bytes; 0 where the system does not tell.
std::uint64_t PeakResidentBytes() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
#else
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            std::uint64_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
#endif
}

// The times of one kind of input.
struct Times {
    std::vector<double> values;
    void Add(double value) { values.push_back(value); }
    double Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
    double Median() const {
        if (values.empty()) return 0;
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

class Bench {
public:
    explicit Bench(PreviewCanvas& canvas) : canvas_(canvas) {}

    // Gives an input of a kind ("wheel", "drag", ...) and returns to the event loop: the window thread's time
    // for it, in seconds.
    double Input(const std::string& kind, const std::function<void()>& give) {
        QElapsedTimer timer;
        timer.start();
        give();
        QCoreApplication::processEvents();
        const double seconds = static_cast<double>(timer.nsecsElapsed()) * 1e-9;
        inputs_.Add(seconds);
        byKind_[kind].Add(seconds);
        return seconds;
    }

    // Gives an input and waits for its full picture: the time to it, in seconds.
    double InputToPicture(const std::string& kind, const std::function<void()>& give) {
        QElapsedTimer timer;
        timer.start();
        Input(kind, give);
        WaitForPicture();
        return static_cast<double>(timer.nsecsElapsed()) * 1e-9;
    }

    // Runs the event loop until the picture asked for last is shown.
    void WaitForPicture() {
        QEventLoop loop;
        QObject::connect(&canvas_, &PreviewCanvas::PictureShown, &loop, &QEventLoop::quit);
        if (canvas_.drawing()) loop.exec();
    }

    void Wheel(QPointF at, int delta) {
        QWheelEvent wheel(at, canvas_.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&canvas_, &wheel);
    }

    void Mouse(QEvent::Type type, QPointF at) {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, canvas_.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&canvas_, &event);
    }

    const Times& inputs() const { return inputs_; }
    const std::map<std::string, Times>& inputsByKind() const { return byKind_; }

private:
    PreviewCanvas& canvas_;
    Times inputs_;
    std::map<std::string, Times> byKind_;
};

bool Target(const char* name, double value, double limit) {
    const bool met = value <= limit;
    std::printf("target %s %.3f %.3f %s\n", name, value, limit, met ? "met" : "missed");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    fs::path realDir;
    if (args.size() >= 2 && args[0] == "--real") {
        realDir = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    const std::uint64_t mb = !args.empty() ? std::strtoull(args[0].c_str(), nullptr, 10) : 300;
    const int notches = args.size() > 1 ? std::max(1, std::atoi(args[1].c_str())) : 12;

    const fs::path folder =
        fs::temp_directory_path() / ("stratex-preview-bench-" + std::to_string(QCoreApplication::applicationPid()));
    fs::create_directories(folder);
    const fs::path mapPath = folder / "bench.mp";
    std::uint64_t bytes = 0;
    try {
        if (realDir.empty()) {
            bench::MapShape shape;
            shape.targetBytes = mb << 20;
            bytes = bench::GenerateMap(mapPath, shape);
        } else {
            std::vector<fs::path> sources;
            for (const fs::directory_entry& entry : fs::directory_iterator(realDir)) {
                if (entry.path().extension() == ".mp") sources.push_back(entry.path());
            }
            std::sort(sources.begin(), sources.end());
            bytes = bench::RepeatRealMaps(sources, mapPath, mb << 20);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "stratex-preview-bench: %s\n", error.what());
        fs::remove_all(folder);
        return 2;
    }

    MapDocument document(STRATEX_DATA_DIR);
    document.OpenMap(mapPath);
    fs::remove_all(folder);
    std::vector<TypeListModel*> models;
    for (const ObjectKind kind : kAllKinds) models.push_back(new TypeListModel(kind, &document, &app));
    LevelsModel levels(&document.levels());
    const std::uint64_t openPeak = PeakResidentBytes();

    // The first picture: the geometry read on the window's reading thread, then drawn.
    QElapsedTimer timer;
    timer.start();
    double readSeconds = 0;
    PreviewWindow window(&document, {models.begin(), models.end()}, &levels);
    QObject::connect(&window, &PreviewWindow::MapRead,
                     [&] { readSeconds = static_cast<double>(timer.nsecsElapsed()) * 1e-9; });
    window.resize(1000, 760);
    window.show();
    auto* canvas = window.findChild<PreviewCanvas*>();
    auto* levelBox = window.findChild<QComboBox*>(QStringLiteral("PreviewLevel"));
    if (!window.map()) {
        QEventLoop loop;
        QObject::connect(&window, &PreviewWindow::MapRead, &loop, &QEventLoop::quit);
        loop.exec();
    }
    Bench bench(*canvas);
    bench.WaitForPicture();
    const double firstSeconds = static_cast<double>(timer.nsecsElapsed()) * 1e-9;

    // Zoom about the most crowded part of the picture (the block of 40 x 40 pixels with the fewest of paper):
    // the middle of the bounds may lie between the sheets of a map.
    QPointF middle(canvas->width() / 2.0, canvas->height() / 2.0);
    {
        const QImage first = canvas->Picture();  // let go of before the pictures that follow
        constexpr int kBlock = 40;
        int most = -1;
        for (int by = 0; by + kBlock <= first.height(); by += kBlock) {
            for (int bx = 0; bx + kBlock <= first.width(); bx += kBlock) {
                int drawn = 0;
                for (int y = by; y < by + kBlock; ++y) {
                    for (int x = bx; x < bx + kBlock; ++x) drawn += first.pixel(x, y) != first.pixel(0, 0);
                }
                if (drawn > most) {
                    most = drawn;
                    middle = QPointF(bx + kBlock / 2.0, by + kBlock / 2.0);
                }
            }
        }
    }
    Times wheelPictures;
    for (int n = 0; n < notches; ++n)
        wheelPictures.Add(bench.InputToPicture("wheel", [&] { bench.Wheel(middle, 120); }));
    // A quick run of notches out and back in, each given while the picture of the one before is drawn.
    for (int n = 0; n < 6; ++n) bench.Input("wheel", [&] { bench.Wheel(middle, n < 3 ? -120 : 120); });
    wheelPictures.Add(bench.InputToPicture("wheel", [] {}));
    // A drag across a third of the canvas in 20 steps, each given while the picture before it is drawn.
    Times dragPictures;
    bench.Input("drag", [&] { bench.Mouse(QEvent::MouseButtonPress, middle); });
    for (int step = 1; step <= 20; ++step) {
        const QPointF at = middle + QPointF(canvas->width() / 3.0 * step / 20, canvas->height() / 6.0 * step / 20);
        bench.Input("drag", [&] { bench.Mouse(QEvent::MouseMove, at); });
    }
    dragPictures.Add(bench.InputToPicture("drag", [&] { bench.Mouse(QEvent::MouseButtonRelease, middle); }));
    // Levels chosen in the selector, and the level of every polyline type changed as the lists change it.
    Times levelPictures;
    for (int level = 1; level < levelBox->count(); ++level) {
        levelPictures.Add(bench.InputToPicture("level", [&] { levelBox->setCurrentIndex(level); }));
    }
    levelPictures.Add(bench.InputToPicture("level", [&] { levelBox->setCurrentIndex(0); }));
    std::vector<std::size_t> rows(document.lists().polyline.size());
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = i;
    for (int r = 0; r < 4; ++r) {
        levelPictures.Add(bench.InputToPicture("type_level", [&] {
            document.SetLevelOfRows(ObjectKind::Polyline, rows, r % 2 ? 0 : 1);
            models[1]->CaptionsChanged();
        }));
    }
    // Fit to map (Home) and the first picture again.
    Times fitPictures;
    fitPictures.Add(bench.InputToPicture("fit", [&] { QMetaObject::invokeMethod(canvas, &PreviewCanvas::FitToMap); }));

    const std::uint64_t peak = PeakResidentBytes();
    const PreviewMap& map = *window.map();
    const std::size_t store = map.geometry.MemoryBytes() + map.index.MemoryBytes();
    std::printf("map_bytes %llu\n", static_cast<unsigned long long>(bytes));
    std::printf("objects %zu\n", map.geometry.ObjectCount());
    std::printf("store_bytes %zu\n", store);
    std::printf("store_ratio %.3f\n", static_cast<double>(store) / static_cast<double>(bytes));
    std::printf("peak_after_open_bytes %llu\n", static_cast<unsigned long long>(openPeak));
    std::printf("peak_bytes %llu\n", static_cast<unsigned long long>(peak));
    std::printf("read_seconds %.3f\n", readSeconds);
    std::printf("first_picture_seconds %.3f\n", firstSeconds);
    std::printf("wheel_picture_seconds median %.3f max %.3f (%zu)\n", wheelPictures.Median(), wheelPictures.Max(),
                wheelPictures.values.size());
    std::printf("drag_picture_seconds %.3f\n", dragPictures.Max());
    std::printf("level_picture_seconds median %.3f max %.3f (%zu)\n", levelPictures.Median(), levelPictures.Max(),
                levelPictures.values.size());
    std::printf("fit_picture_seconds %.3f\n", fitPictures.Max());
    for (const auto& [kind, times] : bench.inputsByKind()) {
        std::printf("input_ms %s median %.1f max %.1f (%zu)\n", kind.c_str(), times.Median() * 1e3, times.Max() * 1e3,
                    times.values.size());
    }
    bool met = Target("input_ms", bench.inputs().Max() * 1e3, 50);
    met = Target("picture_s", std::max(wheelPictures.Max(), levelPictures.Max()), 0.5) && met;
    met = Target("first_picture_s", firstSeconds, 1.0) && met;
    if (peak == 0) {
        std::printf("target memory_ratio not measured on this system\n");
    } else {
        met = Target("memory_ratio", static_cast<double>(peak) / static_cast<double>(bytes), 1.3) && met;
    }
    return met ? 0 : 1;
}

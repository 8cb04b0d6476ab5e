// stratex-preview-bench: the Preview window's speed and memory on a synthetic map, drawn offscreen.
//
//   stratex-preview-bench [MB] [REPEAT]    MB: the map's size (default 100); REPEAT: level changes (default 5)
//
// Prints "key value" lines: the map's bytes, the geometry store's bytes and their ratio, the first draw
// (reading the geometry of the open map, choosing the objects of level 0 and painting them) and the
// median redraw after a change of a type's level, in seconds; then "verdict ok" or the limits missed
// (first draw 1 s, redraw 0.2 s, store 0.5 of the map). The exit code is 0 only with "verdict ok".
#include <QAbstractItemModel>
#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "MapGenerator.h"
#include "app/LevelsModel.h"
#include "app/PreviewCanvas.h"
#include "app/PreviewWindow.h"
#include "app/TypeListModel.h"
#include "document/MapDocument.h"
#include "passes/LevelSelection.h"
#include "passes/MapGeometry.h"

namespace {

namespace fs = std::filesystem;
using namespace stratex;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::uint64_t mb = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100;
    const int repeat = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    const fs::path folder =
        fs::temp_directory_path() / ("stratex-preview-bench-" + std::to_string(QCoreApplication::applicationPid()));
    fs::create_directories(folder);
    const fs::path map = folder / "bench.mp";
    bench::MapShape shape;
    shape.targetBytes = mb << 20;
    const std::uint64_t bytes = bench::GenerateMap(map, shape);

    MapDocument document(STRATEX_DATA_DIR);
    document.OpenMap(map);
    fs::remove_all(folder);
    std::vector<TypeListModel*> models;
    for (const ObjectKind kind : kAllKinds) models.push_back(new TypeListModel(kind, &document, &app));
    LevelsModel levels(&document.levels());

    // The parts of a first draw on their own: reading the geometry and choosing the objects of level 0.
    Clock::time_point part = Clock::now();
    const MapGeometry geometry = MapGeometry::Read(document.map());
    const double readSeconds = Seconds(part);
    part = Clock::now();
    const LevelSelection selection = LevelSelection::Select(geometry, document.lists(), 0);
    const double selectSeconds = Seconds(part);

    const Clock::time_point start = Clock::now();
    PreviewWindow window(&document, {models.begin(), models.end()}, &levels);
    window.resize(1000, 760);
    window.show();
    auto* canvas = window.findChild<PreviewCanvas*>();
    QImage picture = canvas->Picture();
    const double first = Seconds(start);

    // Each change moves the level of every polyline type between 0 and 1 and shows level 1.
    std::vector<std::size_t> rows(document.lists().polyline.size());
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = i;
    std::vector<double> redraws;
    for (int r = 0; r < repeat; ++r) {
        const Clock::time_point changed = Clock::now();
        document.SetLevelOfRows(ObjectKind::Polyline, rows, r % 2 ? 0 : 1);
        models[1]->CaptionsChanged();
        picture = canvas->Picture();
        redraws.push_back(Seconds(changed));
    }
    std::sort(redraws.begin(), redraws.end());
    const double redraw = redraws[redraws.size() / 2];
    const double store = static_cast<double>(window.geometry().MemoryBytes());
    const double ratio = store / static_cast<double>(bytes);

    std::printf("map_bytes %llu\n", static_cast<unsigned long long>(bytes));
    std::printf("objects %zu\n", window.geometry().ObjectCount());
    std::printf("store_bytes %.0f\n", store);
    std::printf("store_ratio %.3f\n", ratio);
    std::printf("points %zu\n", geometry.PointCount());
    std::printf("shapes %zu\n", geometry.ShapeCount());
    std::printf("read_seconds %.3f\n", readSeconds);
    std::printf("select_seconds %.3f\n", selectSeconds);
    std::printf("first_draw_seconds %.3f\n", first);
    std::printf("redraw_seconds %.3f\n", redraw);
    std::string verdict;
    if (first >= 1.0) verdict += " first_draw";
    if (redraw >= 0.2) verdict += " redraw";
    if (ratio > 0.5) verdict += " store";
    std::printf("verdict %s\n", verdict.empty() ? "ok" : ("over" + verdict).c_str());
    return verdict.empty() ? 0 : 1;
}

// Throughput of the engine's big steps on a synthetic map: open (read + scan), check (read + check),
// Process (in memory, and streamed from the file as stratex-cli runs it) and save; and open, Process and
// save together over ten million tiny objects.
// The map size comes from STRATEX_BENCH_MB (default 100); the map is generated once into a temporary
// folder. Reported as bytes_per_second of the map's size.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "MapGenerator.h"
#include "bytes/AtomicFile.h"
#include "bytes/FileSource.h"
#include "bytes/MapText.h"
#include "document/MapDocument.h"
#include "levels/Dictionary.h"
#include "passes/MapChecker.h"
#include "passes/MapScan.h"
#include "passes/Process.h"
#include "types/TypeNames.h"

namespace {

namespace fs = std::filesystem;
using namespace stratex;

struct BenchMap {
    fs::path folder;
    fs::path map;
    std::uint64_t bytes = 0;

    BenchMap() {
        folder = fs::temp_directory_path() / ("stratex-bench-" + std::to_string(std::rand()));
        fs::create_directories(folder);
        map = folder / "bench.mp";
        bench::MapShape shape;
        if (const char* mb = std::getenv("STRATEX_BENCH_MB")) shape.targetBytes = std::strtoull(mb, nullptr, 10) << 20;
        bytes = bench::GenerateMap(map, shape);
    }
    ~BenchMap() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

const BenchMap& Map() {
    static BenchMap map;
    return map;
}

const TypeNameFiles& Names() {
    static TypeNameFiles names = TypeNameFiles::Load(STRATEX_DATA_DIR);
    return names;
}

void BM_Open(benchmark::State& state) {
    const auto& map = Map();
    for (auto _ : state) {
        DictionaryTables tables;
        const MapText text = MapText::FromFile(map.map);
        auto result = ScanMap(text, Names(), false, tables, 1);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * map.bytes));
}

// stratex-cli check without steps: read and check, to be compared with BM_Open.
void BM_Check(benchmark::State& state) {
    const auto& map = Map();
    for (auto _ : state) {
        const MapText text = MapText::FromFile(map.map);
        auto result = CheckMap(text);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * map.bytes));
}

void BM_Process(benchmark::State& state) {
    const auto& map = Map();
    DictionaryTables tables;
    const MapText original = MapText::FromFile(map.map);
    const ScanResult scan = ScanMap(original, Names(), false, tables, 1);
    const bool dictionary = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Loaded afresh rather than copied: a copy has no room to grow, a loaded map has (as in the program).
        MapText text = MapText::FromFile(map.map);
        LineList dicLines;
        state.ResumeTiming();
        ProcessMap(text, scan.levels, scan.lists, dictionary, tables, dicLines);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * map.bytes));
}

// stratex-cli's Process: streamed from the file into nothing (--dry-run), in one walk (0) or in segments of
// the given size walked side by side.
void BM_ProcessStreamed(benchmark::State& state) {
    struct NoSink : ByteSink {
        void Write(std::string_view bytes) override { benchmark::DoNotOptimize(bytes.data()); }
    };
    const auto& map = Map();
    DictionaryTables tables;
    StreamFacts facts;
    FileSource::Stamp stamp;
    const ScanResult scan = ScanMapFile(map.map, Names(), false, tables, 1, facts, stamp);
    const auto segmentSize = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        NoSink sink;
        DictionaryTables processed = tables;
        LineList dicLines;
        if (segmentSize == 0) {
            FileSource source(map.map, stamp);
            ProcessMapStream(source, facts, scan.levels, scan.lists, false, processed, dicLines, sink);
        } else {
            ProcessMapParts(FileParts(map.map, stamp), facts, scan.levels, scan.lists, false, processed, dicLines, sink,
                            nullptr, segmentSize);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * map.bytes));
}

void BM_Save(benchmark::State& state) {
    const auto& map = Map();
    const MapText text = MapText::FromFile(map.map);
    const fs::path out = map.folder / "saved.mp";
    for (auto _ : state) {
        text.Save(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * map.bytes));
}

// Ten million objects of three or four lines: the shape where per-object work dominates (a pass that is
// quadratic anywhere would take hours here). Open, Process and save through MapDocument, as the window does.
void BM_TinyObjects(benchmark::State& state) {
    const auto objects = static_cast<std::size_t>(state.range(0));
    const fs::path folder = Map().folder;
    const fs::path map = folder / "tiny.mp";
    {
        const std::string shapes[3] = {"[POI]\r\nType=0x2f06\r\n[END]\r\n",
                                       "[POLYLINE]\r\nType=0x16\r\nEndLevel=9\r\n[END]\r\n",
                                       "[POLYGON]\r\nType=0x4c\r\n[END]\r\n"};
        std::string text = "[IMG ID]\r\nLevels=2\r\nLevel0=24\r\nLevel1=18\r\nZoom0=0\r\nZoom1=1\r\n[END-IMG ID]\r\n";
        text.reserve(text.size() + objects * 40);
        for (std::size_t i = 0; i < objects; ++i) text += shapes[i % 3];
        WriteFileAtomically(map, text);
    }
    for (auto _ : state) {
        MapDocument document(STRATEX_DATA_DIR);
        document.OpenMap(map);
        document.SetLevelOfRows(ObjectKind::Polyline, {0}, 2);
        document.Process();
        document.SaveMap(folder / "tiny-out.mp");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * objects));
}

BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Process)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProcessStreamed)
    ->Arg(0)
    ->Arg(static_cast<std::int64_t>(kProcessPartSize))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TinyObjects)->Arg(10'000'000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// Throughput of the engine's big steps on a synthetic map: open (read + scan), check (read + check),
// Process and save.
// The map size comes from STRATEX_BENCH_MB (default 100); the map is generated once into a temporary
// folder. Reported as bytes_per_second of the map's size.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "MapGenerator.h"
#include "levels/Dictionary.h"
#include "map/MapChecker.h"
#include "map/MapScan.h"
#include "map/MapText.h"
#include "map/Process.h"
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

void BM_Save(benchmark::State& state) {
    const auto& map = Map();
    const MapText text = MapText::FromFile(map.map);
    const fs::path out = map.folder / "saved.mp";
    for (auto _ : state) {
        text.Save(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * map.bytes));
}

BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Process)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

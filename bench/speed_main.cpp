// stratex-speed: the timers behind bench/run.sh. Each command prints "key value" lines on stdout.
//
//   stratex-speed stages MAP [REPEAT]     open (read + scan), Process and save of MAP as the window does
//                                         them, REPEAT times; medians in MB/s of the map's size
//   stratex-speed baseline MAP [REPEAT]   Process by the engine (median of REPEAT) and by the plain
//                                         vector-of-lines rewrite (once) on MAP; fails when they differ
//   stratex-speed run OUT -- CMD ARG...   runs CMD with its standard output in OUT ("-": inherited) and
//                                         reports its wall time and peak resident memory
//   stratex-speed open-set NAMES MAP...   Open MAP of the maps as a set of tiles, as the window does it, with the
//                                         type name files of the folder NAMES; seconds
//   stratex-speed floor MAP OUT           reads MAP once, then again while writing it to OUT as stratex-cli
//                                         writes its result, doing nothing to the bytes
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "BaselineProcess.h"
#include "bytes/AtomicFile.h"
#include "bytes/FileSource.h"
#include "bytes/LineList.h"
#include "bytes/LineReader.h"
#include "bytes/MapText.h"
#include "document/MapDocument.h"
#include "passes/MapScan.h"
#include "passes/Process.h"
#include "passes/ProcessSummary.h"
#include "passes/Progress.h"
#include "types/TypeNames.h"

namespace {

namespace fs = std::filesystem;
using namespace stratex;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double MegaBytes(std::uintmax_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// The window's progress bar and status line, reduced to nothing: the steps report as they do to the window.
class NoProgress : public Progress {
public:
    void SetState(PassState) override {}
    void SetProgress(std::uint64_t, std::uint64_t) override {}
};

int Stages(const fs::path& map, int repeat) {
    const std::uintmax_t bytes = fs::file_size(map);
    const fs::path out = map.parent_path() / (map.stem().string() + ".stages-out.mp");
    std::vector<double> open, process, save;
    for (int r = 0; r < repeat; ++r) {
        // A fresh document each time, so that every step meets the memory state that stratex-cli meets.
        // Each step as the window's buttons run it: with progress, and Process with its summary.
        MapDocument document(STRATEX_DATA_DIR);
        NoProgress progress;
        ProcessSummary summary;
        auto start = Clock::now();
        document.OpenMap(map, &progress);
        open.push_back(Seconds(start));
        start = Clock::now();
        document.Process(&progress, &summary);
        process.push_back(Seconds(start));
        start = Clock::now();
        document.SaveMap(out);
        save.push_back(Seconds(start));
        fs::remove(out);
    }
    std::printf("bytes %ju\n", bytes);
    std::printf("open_s %.4f\nprocess_s %.4f\nsave_s %.4f\n", Median(open), Median(process), Median(save));
    std::printf("open_mbps %.0f\nprocess_mbps %.0f\nsave_mbps %.0f\n", MegaBytes(bytes) / Median(open),
                MegaBytes(bytes) / Median(process), MegaBytes(bytes) / Median(save));
    return 0;
}

std::string JoinLf(const LineList& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

int Baseline(const fs::path& map, int repeat) {
    const TypeNameFiles names = TypeNameFiles::Load(STRATEX_DATA_DIR);
    const std::string bytes = ReadFileBytes(map);
    const MapText original = MapText::FromBytes(bytes);
    DictionaryTables tables;
    const ScanResult scan = ScanMap(original, names, false, tables, 1);

    std::vector<double> engine;
    std::string engineResult;
    for (int r = 0; r < repeat; ++r) {
        MapText text = original;
        DictionaryTables engineTables = tables;
        LineList dicLines;
        const auto start = Clock::now();
        ProcessMap(text, scan.levels, scan.lists, false, engineTables, dicLines);
        engine.push_back(Seconds(start));
        if (r == 0) engineResult = text.Buffer();
    }

    LineList lines = SplitLines(bytes);
    DictionaryTables baselineTables = tables;
    LineList dicLines;
    const auto start = Clock::now();
    bench::BaselineProcess(lines, scan.levels, scan.lists, false, baselineTables, dicLines);
    const double baseline = Seconds(start);

    const bool same = JoinLf(lines) == engineResult;
    std::printf("bytes %zu\nlines %ju\n", bytes.size(), static_cast<std::uintmax_t>(original.LineCount()));
    std::printf("engine_s %.4f\nbaseline_s %.3f\nspeedup %.0f\nsame_output %s\n", Median(engine), baseline,
                baseline / Median(engine), same ? "yes" : "no");
    if (!same) std::fprintf(stderr, "stratex-speed: the engine and the baseline give different maps\n");
    return same ? 0 : 1;
}

// The least that a rewrite of the map in two passes costs: the file read through once, then read again
// and written out as stratex-cli writes its result (a temporary file beside out, renamed over it), through
// buffers of the size stratex-cli reads with, with nothing done to the bytes.
int Floor(const fs::path& map, const fs::path& out) {
    // The buffer starts at a page: a read into memory a few bytes into a page copies several times more
    // slowly on some processors, and the floor is the least cost.
    constexpr std::size_t kPage = 4096;
    constexpr std::size_t kSize = LineReader::kDefaultCapacity;
    const auto storage = std::make_unique_for_overwrite<char[]>(kSize + kPage);
    char* const buffer = storage.get() + (kPage - reinterpret_cast<std::uintptr_t>(storage.get()) % kPage) % kPage;
    std::uintmax_t scanned = 0;
    FileSource first(map);
    while (const std::size_t got = first.Read(buffer, kSize)) scanned += got;
    std::uintmax_t written = 0;
    FileSource second(map, first.stamp());
    AtomicFile file(out);
    while (const std::size_t got = second.Read(buffer, kSize)) {
        file.Write({buffer, got});
        written += got;
    }
    file.Commit();
    std::printf("scanned_bytes %ju\nwritten_bytes %ju\n", scanned, written);
    return scanned == written ? 0 : 1;
}

// Runs argv[0] with stdout in out, waits for it, prints its wall time, processor times and peak resident
// memory.
int Run(const std::string& out, char** argv) {
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    if (child == 0) {
        if (out != "-") {
            const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) _exit(126);
            close(fd);
        }
        execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) < 0) {
        std::perror("wait4");
        return 1;
    }
    const double seconds = Seconds(start);
    const auto cpu = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    std::printf("seconds %.4f\nuser_s %.4f\nsys_s %.4f\nmaxrss_kb %ld\nexit %d\n", seconds, cpu(usage.ru_utime),
                cpu(usage.ru_stime), usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: stratex-speed stages MAP [REPEAT]\n"
                 "       stratex-speed baseline MAP [REPEAT]\n"
                 "       stratex-speed run OUT|- -- CMD [ARG...]\n"
                 "       stratex-speed floor MAP OUT\n");
    return 2;
}

int OpenSet(const char* names, char** maps, int count) {
    std::vector<fs::path> paths(maps, maps + count);
    MapDocument document(names);
    const Clock::time_point start = Clock::now();
    const std::vector<fs::path> notMaps = document.OpenMapSet(paths);
    std::printf("seconds %.3f\nmaps %zu\nnot_maps %zu\n", Seconds(start), document.tiles().size(), notMaps.size());
    return notMaps.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    try {
        if (command == "run") {
            if (argc < 5 || std::string(argv[3]) != "--") return Usage();
            return Run(argv[2], argv + 4);
        }
        if (command == "floor") return argc == 4 ? Floor(argv[2], argv[3]) : Usage();
        if (command == "open-set") return argc >= 4 ? OpenSet(argv[2], argv + 3, argc - 3) : Usage();
        const int repeat = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
        if (command == "stages") return Stages(argv[2], repeat);
        if (command == "baseline") return Baseline(argv[2], repeat);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "stratex-speed: %s\n", e.what());
        return 1;
    }
    return Usage();
}

// An interrupted stratex-cli removes the files it had not finished and never touches its inputs: the real
// executable, started as a child, stopped while it writes and sent the signal.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bytes/LineList.h"
#include "bytes/Strings.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace stratex {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
// A map of about 40 MB: large enough that the child is caught writing, at any speed this test runs at.
std::string LargeMap() {
    constexpr std::size_t kBytes = 40u << 20;
    std::string text =
        "[IMG ID]\r\nLevels=3\r\nLevel0=24\r\nLevel1=18\r\nLevel2=14\r\nZoom0=0\r\nZoom1=1\r\nZoom2=2\r\n"
        "[END-IMG ID]\r\n";
    const std::string objects =
        "[POI]\r\nType=0x2f06\r\nEndLevel=1\r\nData0=(55.75,37.61)\r\n[END]\r\n"
        "[POLYLINE]\r\nType=0x16\r\nData0=(55.75,37.61),(55.76,37.62),(55.77,37.63)\r\n[END]\r\n";
    text.reserve(kBytes + objects.size());
    while (text.size() < kBytes) text += objects;
    return text;
}

// The temporary files of a write in progress in any of folders.
std::vector<fs::path> TempFiles(const std::vector<fs::path>& folders) {
    std::vector<fs::path> found;
    for (const fs::path& folder : folders) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            const std::string name = entry.path().filename().string();
            if (Contains(name, ".stratex-") && name.ends_with(".tmp")) found.push_back(entry.path());
        }
    }
    return found;
}

// Starts stratex-cli with args, its output thrown away and the signals at their defaults.
pid_t Start(const std::vector<std::string>& args) {
    std::vector<std::string> all = {STRATEX_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t child = -1;
    const int failed = posix_spawn(&child, all.front().c_str(), &files, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    return failed == 0 ? child : -1;
}

// Runs stratex-cli with args until a temporary file shows in folders, stops it there and sends it signal.
// Returns the child's wait status, or -1 when it ended before it was caught writing.
int InterruptWhileWriting(const std::vector<std::string>& args, const std::vector<fs::path>& folders, int signal) {
    const pid_t child = Start(args);
    if (child < 0) return -1;
    int status = 0;
    for (;;) {
        if (waitpid(child, &status, WNOHANG) == child) return -1;
        if (TempFiles(folders).empty()) {
            usleep(200);
            continue;
        }
        kill(child, SIGSTOP);
        waitpid(child, &status, WUNTRACED);
        // Stopped: a temporary file seen now is one the child still writes.
        const bool writing = !TempFiles(folders).empty();
        if (writing) kill(child, signal);
        kill(child, SIGCONT);
        if (writing) break;
    }
    waitpid(child, &status, 0);
    return status;
}
#endif

// One map with -o, a set with -O on two threads and a set in place, each interrupted by each signal: no
// temporary file stays, the process ends as the signal ends it, and every input holds its own bytes or, for a
// map replaced in place before the signal came, its whole result.
TEST(Interrupt, RemovesTheFilesInProgressAndKeepsTheInputs) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no signals to send to a child; its console events are not sent here";
#else
    TempDir dir;
    const std::string names = PathToUtf8(dir.path());
    dir.Write("poi.txt", "0x2f06=Bank\r\n");
    dir.Write("polyline.txt", "0x16=Trail\r\n");
    dir.Write("polygon.txt", "0x4c=Lake\r\n");
    const std::string map = LargeMap();
    const fs::path source = dir.Write("source.mp", map);
    ASSERT_EQ(RunInProcess({"process", PathToUtf8(source), "--names-dir", names, "-o", PathToUtf8(dir.path() / "r.mp")})
                  .status,
              0);
    const std::string result = ReadAll(dir.path() / "r.mp");
    ASSERT_NE(result, map);

    enum class Mode { OneMap, Folder, InPlace };
    int run = 0;
    for (const Mode mode : {Mode::OneMap, Mode::Folder, Mode::InPlace}) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            SCOPED_TRACE(std::string(mode == Mode::OneMap   ? "-o"
                                     : mode == Mode::Folder ? "-O"
                                                            : "--in-place") +
                         " signal " + std::to_string(signal));
            const fs::path maps = dir.path() / ("maps" + std::to_string(run));
            const fs::path out = dir.path() / ("out" + std::to_string(run));
            ++run;
            fs::create_directories(maps);
            fs::create_directories(out);
            std::vector<std::string> args = {"process"};
            for (const char* name : {"a.mp", "b.mp"}) {
                fs::copy_file(source, maps / name);
                args.push_back(PathToUtf8(maps / name));
                if (mode == Mode::OneMap) break;
            }
            args.insert(args.end(), {"--names-dir", names});
            if (mode == Mode::OneMap) args.insert(args.end(), {"-o", PathToUtf8(out / "a.mp")});
            if (mode == Mode::Folder) args.insert(args.end(), {"-O", PathToUtf8(out), "-j", "2"});
            if (mode == Mode::InPlace) args.insert(args.end(), {"--in-place", "-j", "1"});

            const int status = InterruptWhileWriting(args, {maps, out}, signal);
            ASSERT_NE(status, -1) << "stratex-cli ended before it was caught writing";
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "wait status " << status;
            EXPECT_EQ(TempFiles({maps, out}), std::vector<fs::path>{});
            for (const auto& entry : fs::directory_iterator(maps)) {
                const std::string bytes = ReadAll(entry.path());
                EXPECT_TRUE(bytes == map || (mode == Mode::InPlace && bytes == result)) << entry.path();
            }
            // What -O or -o completed is the whole result (compared so, not printed, for its size).
            for (const auto& entry : fs::directory_iterator(out)) {
                EXPECT_TRUE(ReadAll(entry.path()) == result) << entry.path();
            }
        }
    }
#endif
}

}  // namespace
}  // namespace stratex

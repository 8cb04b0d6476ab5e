// Faults from outside: files that cannot be written or read, disks that fill up, and inputs that are
// junk or very large. A failure must give its message and lose nothing: the old file stays byte for byte,
// no temporary file is left, and the open document stays as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bytes/Error.h"
#include "bytes/LineList.h"
#include "bytes/WindowsApi.h"
#include "document/MapDocument.h"
#include "support/TempDir.h"

#if defined(__unix__) || defined(__APPLE__)
#define STRATEX_POSIX_FAULTS 1
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#if defined(__linux__)
#include <sys/mount.h>
#endif

namespace stratex {
namespace {

namespace fs = std::filesystem;

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

// Everything a failed operation must leave as it was.
struct DocumentState {
    std::string map;
    std::uint64_t lines = 0;
    bool hasMap = false;
    std::vector<LevelRow> levels;
    std::vector<TypeRow> poi, polyline, polygon;
    DictionaryTables tables;
    LineList dicLines, cfgLines;
    ButtonStates buttons;
    bool modified = false;

    explicit DocumentState(const MapDocument& d)
        : map(d.map().Buffer()),
          lines(d.map().LineCount()),
          hasMap(d.hasMap()),
          levels(d.levels().rows()),
          poi(d.lists().poi.rows()),
          polyline(d.lists().polyline.rows()),
          polygon(d.lists().polygon.rows()),
          tables(d.tables()),
          dicLines(d.dicLines()),
          cfgLines(d.cfgLines()),
          buttons(d.buttons()),
          modified(d.modified()) {}
    bool operator==(const DocumentState&) const = default;
};

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

const fs::path kProgramDir = STRATEX_DATA_DIR;

constexpr std::string_view kSmallMap =
    "[IMG ID]\r\nName=Fault test\r\nLevels=2\r\nLevel0=24\r\nLevel1=18\r\nZoom0=0\r\nZoom1=1\r\n[END-IMG ID]\r\n"
    "[POI]\r\nType=0x2f06\r\nLabel=Bank\r\nData0=(55.75,37.61)\r\n[END]\r\n"
    "[POLYLINE]\r\nType=0x16\r\nEndLevel=1\r\nData0=(55.7,37.6),(55.8,37.7)\r\n[END]\r\n";

// A document with kSmallMap open and processed with the dictionary option, so that all three saves have
// something to write.
void OpenProcessed(MapDocument& document, const fs::path& folder) {
    const fs::path map = folder / "source.mp";
    WriteBytes(map, kSmallMap);
    document.SetUseDictionary(true);
    ASSERT_TRUE(document.OpenMap(map));
    document.Process();
}

struct SaveOperation {
    const char* name;
    void (*save)(MapDocument&, const fs::path&);
};
const SaveOperation kSaveOperations[] = {
    {"Save MAP", [](MapDocument& d, const fs::path& p) { d.SaveMap(p); }},
    {"Save CFG", [](MapDocument& d, const fs::path& p) { d.SaveConfig(p); }},
    {"Save DIC", [](MapDocument& d, const fs::path& p) { d.SaveDictionary(p); }},
};

bool RunningAsRoot() {
#ifdef STRATEX_POSIX_FAULTS
    return geteuid() == 0;
#else
    return false;
#endif
}

#ifdef STRATEX_POSIX_FAULTS
constexpr uid_t kNobody = 65534;

// Runs action in a child process after restrict() has limited it, and returns the text that action
// returned there; nothing when restrict() failed. The child ends with _exit, so nothing of the test runner
// runs twice.
std::optional<std::string> RunInChild(const std::function<bool()>& restrict,
                                      const std::function<std::string()>& action) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return std::nullopt;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        close(pipeEnds[0]);
        std::string result;
        int code = 0;
        if (!restrict()) {
            code = 2;
        } else {
            try {
                result = action();
            } catch (const std::exception& e) {
                result = std::string("unexpected exception: ") + e.what();
            }
        }
        for (std::size_t done = 0; done < result.size();) {
            const ssize_t n = write(pipeEnds[1], result.data() + done, result.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        _exit(code);
    }
    close(pipeEnds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2) return std::nullopt;
    if (!WIFEXITED(status)) return "the child process died with status " + std::to_string(status);
    return result;
}

// Gives up root for an unprivileged user, under whom file permissions apply.
bool BecomeNobody() { return setgid(kNobody) == 0 && setuid(kNobody) == 0 && geteuid() == kNobody; }

// Limits every file the process writes to a few bytes: writes past that fail as on a full disk.
bool LimitFileSize() {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{8, 8};
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}
#endif

#ifdef _WIN32
// Opens path for reading without sharing it, as another program may hold a map, until the result is
// released: meanwhile every other open of the file fails. Null when the file cannot be opened.
std::shared_ptr<void> HoldWithoutSharing(const fs::path& path) {
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::shared_ptr<void>(handle, CloseHandle);
}
#endif

// A small tmpfs mounted on a folder for the life of the object, when the process may mount (root on Linux).
class TinyFileSystem {
public:
    explicit TinyFileSystem(const fs::path& mountPoint) : mountPoint_(mountPoint) {
#if defined(__linux__)
        fs::create_directory(mountPoint_);
        mounted_ = RunningAsRoot() &&
                   mount("tmpfs", mountPoint_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k,mode=0755") == 0;
#endif
    }
    ~TinyFileSystem() {
#if defined(__linux__)
        if (mounted_) umount2(mountPoint_.c_str(), MNT_DETACH);
#endif
    }
    TinyFileSystem(const TinyFileSystem&) = delete;
    TinyFileSystem& operator=(const TinyFileSystem&) = delete;

    bool mounted() const { return mounted_; }

    // Writes a file that takes all the space left.
    void Fill(const fs::path& filler) const {
        std::FILE* file = std::fopen(filler.string().c_str(), "wb");
        ASSERT_NE(file, nullptr);
        const std::string block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0) {
        }
        std::fclose(file);
    }

private:
    fs::path mountPoint_;
    bool mounted_ = false;
};

enum class SaveFault { ReadOnlyFile, FolderInTheWay, FolderWithoutWritePermission, FileSizeLimit, FullFileSystem };

std::string FaultName(SaveFault fault) {
    switch (fault) {
        case SaveFault::ReadOnlyFile:
            return "ReadOnlyFile";
        case SaveFault::FolderInTheWay:
            return "FolderInTheWay";
        case SaveFault::FolderWithoutWritePermission:
            return "FolderWithoutWritePermission";
        case SaveFault::FileSizeLimit:
            return "FileSizeLimit";
        case SaveFault::FullFileSystem:
            return "FullFileSystem";
    }
    return "";
}

class FailedSave : public ::testing::TestWithParam<SaveFault> {};

TEST_P(FailedSave, KeepsTheOldFileAndLeavesNoTemporaryFile) {
    const SaveFault fault = GetParam();
#ifndef STRATEX_POSIX_FAULTS
    if (fault == SaveFault::FileSizeLimit)
        GTEST_SKIP() << "a limit on the size of written files needs setrlimit (POSIX)";
#endif
#ifdef _WIN32
    if (fault == SaveFault::FolderWithoutWritePermission) {
        GTEST_SKIP() << "a folder's read-only attribute does not stop new files in it on Windows";
    }
#endif
    for (const SaveOperation& operation : kSaveOperations) {
        SCOPED_TRACE(operation.name);
        TempDir dir;
        MapDocument document(kProgramDir);
        OpenProcessed(document, dir.path());
        const DocumentState before(document);

        const fs::path folder = dir.path() / "out";
        std::optional<TinyFileSystem> tiny;
        if (fault == SaveFault::FullFileSystem) {
            tiny.emplace(folder);
            if (!tiny->mounted()) GTEST_SKIP() << "mounting a small tmpfs needs root on Linux";
        } else {
            fs::create_directory(folder);
        }
        const fs::path target = folder / "old.mp";
        const std::string oldBytes = "the old file\r\n";
        if (fault == SaveFault::FolderInTheWay) {
            fs::create_directory(target);
            WriteBytes(target / "inside.txt", oldBytes);
        } else {
            WriteBytes(target, oldBytes);
        }

        // Runs the save here or, where root would get through, in an unprivileged child process.
        std::optional<std::string> message;
        const auto save = [&] { return ErrorOf([&] { operation.save(document, target); }); };
        switch (fault) {
            case SaveFault::ReadOnlyFile:
                // Root may write any file; the save must still refuse one without write permission.
                fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
                message = save();
                break;
            case SaveFault::FolderInTheWay:
                message = save();
                break;
            case SaveFault::FolderWithoutWritePermission:
                fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
                if (!RunningAsRoot()) {
                    message = save();
                } else {
#ifdef STRATEX_POSIX_FAULTS
                    // As root the folder's permissions would not stop the write: the child gives root up
                    // for an unprivileged owner of the folder, who may pass through but not write.
                    ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
                    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                    fs::perms::others_read | fs::perms::others_exec);
                    message = RunInChild(BecomeNobody, save);
#endif
                }
                break;
            case SaveFault::FileSizeLimit:
#ifdef STRATEX_POSIX_FAULTS
                message = RunInChild(LimitFileSize, save);
#endif
                break;
            case SaveFault::FullFileSystem:
                tiny->Fill(folder / "filler");
                message = save();
                break;
        }
        if (!message) GTEST_SKIP() << FaultName(fault) << " cannot be arranged on this system";
        const std::vector<std::string> names = NamesIn(folder);

        EXPECT_EQ(*message, "Cannot create file " + PathToUtf8(target));
        if (fault == SaveFault::FolderInTheWay) {
            EXPECT_TRUE(fs::is_directory(target));
            EXPECT_EQ(ReadAll(target / "inside.txt"), oldBytes);
        } else {
            EXPECT_EQ(ReadAll(target), oldBytes);
        }
        const std::vector<std::string> expectedNames = fault == SaveFault::FullFileSystem
                                                           ? std::vector<std::string>{"filler", "old.mp"}
                                                           : std::vector<std::string>{"old.mp"};
        EXPECT_EQ(names, expectedNames) << "a temporary file was left";
        // Only the generated dictionary and config lines may change: both are made before the write.
        DocumentState after(document);
        after.dicLines = before.dicLines;
        after.cfgLines = before.cfgLines;
        after.tables = before.tables;
        EXPECT_TRUE(after == before) << "the failed save changed the document";

        fs::permissions(folder, fs::perms::owner_all);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedSave,
                         ::testing::Values(SaveFault::ReadOnlyFile, SaveFault::FolderInTheWay,
                                           SaveFault::FolderWithoutWritePermission, SaveFault::FileSizeLimit,
                                           SaveFault::FullFileSystem),
                         [](const ::testing::TestParamInfo<SaveFault>& param) { return FaultName(param.param); });

TEST(FaultTest, MapThatIsGoneOrUnreadableAtOpenKeepsTheDocument) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> spoil;  // what happens to the chosen map before it is read
        bool needsUnreadable;
    };
    std::shared_ptr<void> held;  // what a spoil keeps open while the map is opened
    const Case cases[] = {
        {"removed", [](const fs::path& map) { fs::remove(map); }, false},
        {"replaced by a folder",
         [](const fs::path& map) {
             fs::remove(map);
             fs::create_directory(map);
         },
         false},
#ifdef _WIN32
        // No permission bit stops the owner reading a file on Windows; another program's lock does.
        {"held open without sharing by another program",
         [&held](const fs::path& map) {
             held = HoldWithoutSharing(map);
             if (!held) ADD_FAILURE() << "cannot hold the map open";
         },
         false},
#else
        {"no read permission", [](const fs::path& map) { fs::permissions(map, fs::perms::none); }, true},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        // The type name files lie in the test's folder, where an unprivileged child may read them too.
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
        const fs::path programDir = dir.path() / "program";
        fs::create_directory(programDir);
        for (const ObjectKind kind : kAllKinds) {
            fs::copy_file(kProgramDir / TypeNameFileName(kind), programDir / TypeNameFileName(kind));
        }
        MapDocument document(programDir);
        OpenProcessed(document, dir.path());
        const DocumentState before(document);
        const fs::path chosen = dir.path() / "chosen.mp";
        WriteBytes(chosen, kSmallMap);
        c.spoil(chosen);

        const auto open = [&] {
            const std::string message = ErrorOf([&] { document.OpenMap(chosen); });
            return DocumentState(document) == before ? message : message + " (and the document changed)";
        };
        std::optional<std::string> message;
        if (c.needsUnreadable && RunningAsRoot()) {
#ifdef STRATEX_POSIX_FAULTS
            // Root reads any file; an unprivileged child cannot.
            message = RunInChild(BecomeNobody, open);
#endif
            if (!message) {
                ADD_FAILURE() << "cannot give up root to test an unreadable map";
                continue;
            }
        } else {
            message = open();
        }
        held.reset();
        EXPECT_EQ(*message, "Cannot open file " + PathToUtf8(chosen));
    }
}

// Bytes that are no map, or a strange one, go through open, process and save: nothing fails, and the saved
// file holds the lines as the file rules read them, CR LF after each.
TEST(FaultTest, UnusualBytesGoThroughOpenProcessAndSave) {
    std::string junk(1 << 20, '\0');
    std::mt19937 random(20240601);
    for (char& c : junk) {
        // Any byte but NUL (at which the line loader giving the expectation stops) and "[" (which every
        // section marker needs).
        do {
            c = static_cast<char>(random() & 0xFF);
        } while (c == '\0' || c == '[');
    }
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string bytes;
        bool polishMap;
        std::string saved;
    };
    const Case cases[] = {
        {"binary junk", junk, false, JoinLinesCrLf(SplitLines(junk))},
        // NUL bytes are kept wherever they stand, and the objects after them are processed.
        {"a NUL in the middle",
         "[IMG ID]\r\nLevels=1\r\nLevel0=20\r\n[END-IMG ID]\r\n[POI]\r\nType=0x2f06\r\nLabel=a\0b\r\nData0=(1,2)\r\n"
         "[END]\r\n[POLYGON]\r\nType=0x4a\r\nData0=(1,2)\r\n[END]\r\n"s,
         true,
         "[IMG ID]\r\nLevels=1\r\nLevel0=20\r\nZoom0=0\r\n[END-IMG ID]\r\n[POI]\r\nType=0x2f06\r\nLabel=a\0b\r\n"
         "EndLevel=0\r\nData0=(1,2)\r\n[END]\r\n[POLYGON]\r\nType=0x4a\r\nEndLevel=0\r\nData0=(1,2)\r\n[END]\r\n"s},
        {"a NUL first", "\0[IMG ID]\r\n[END-IMG ID]\r\n"s, true, "\0[IMG ID]\r\n[END-IMG ID]\r\n"s},
        {"only line ends", "\r\n\n\r\r\n\n", false, "\r\n\r\n\r\n\r\n\r\n"},
        {"an empty file", "", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path map = dir.path() / "in.mp";
        WriteBytes(map, c.bytes);
        for (const bool useDictionary : {false, true}) {
            SCOPED_TRACE(useDictionary ? "dictionary option on" : "dictionary option off");
            MapDocument document(kProgramDir);
            document.SetUseDictionary(useDictionary);
            bool polish = false;
            EXPECT_EQ(ErrorOf([&] { polish = document.OpenMap(map); }), "");
            EXPECT_EQ(polish, c.polishMap);
            EXPECT_EQ(ErrorOf([&] { document.Process(); }), "");
            const fs::path out = dir.path() / "out.mp";
            EXPECT_EQ(ErrorOf([&] { document.SaveMap(out); }), "");
            // With the option a map's "[END-IMG ID]" line gains a generated dictionary after it.
            const std::string saved = ReadFileBytes(out);
            if (useDictionary && c.polishMap) {
                EXPECT_TRUE(saved == document.map().ToCrLf());
                EXPECT_EQ(document.dicLines().size(), 38u);
                const auto savedLines = static_cast<std::uint64_t>(std::count(c.saved.begin(), c.saved.end(), '\n'));
                EXPECT_EQ(document.map().LineCount(), savedLines + 38);
            } else {
                EXPECT_TRUE(saved == c.saved) << "the saved map differs";
            }
            EXPECT_EQ(NamesIn(dir.path()), (std::vector<std::string>{"in.mp", "out.mp"}));
        }
    }
}

// Objects small enough that ten million fit in a few hundred megabytes: the POI and polygons lack their
// EndLevel line, which Process puts in front of the line before "[END]"; the polylines have one to replace.
std::string TinyObject(std::size_t i, bool processed) {
    switch (i % 3) {
        case 0:
            return processed ? "[POI]\r\nEndLevel=1\r\nType=0x2f06\r\n[END]\r\n" : "[POI]\r\nType=0x2f06\r\n[END]\r\n";
        case 1:
            return processed ? "[POLYLINE]\r\nType=0x16\r\nEndLevel=2\r\n[END]\r\n"
                             : "[POLYLINE]\r\nType=0x16\r\nEndLevel=9\r\n[END]\r\n";
        default:
            return processed ? "[POLYGON]\r\nEndLevel=3\r\nType=0x4c\r\n[END]\r\n"
                             : "[POLYGON]\r\nType=0x4c\r\n[END]\r\n";
    }
}

// Many tiny objects, where the per-object work dominates, give exactly the expected map. Their speed at ten
// million objects is measured by the benchmark (BM_TinyObjects in bench/).
TEST(FaultTest, ManyTinyObjectsOpenProcessAndSave) {
    constexpr std::size_t kObjects = 100'000;
    const std::string header =
        "[IMG ID]\r\nName=Many\r\nLevels=2\r\nLevel0=24\r\nLevel1=18\r\nZoom0=0\r\nZoom1=1\r\n[END-IMG ID]\r\n";
    const auto build = [&](bool processed) {
        std::string text = header;
        text.reserve(header.size() + kObjects * 40);
        const std::string shapes[3] = {TinyObject(0, processed), TinyObject(1, processed), TinyObject(2, processed)};
        for (std::size_t i = 0; i < kObjects; ++i) text += shapes[i % 3];
        return text;
    };

    TempDir dir;
    const fs::path map = dir.path() / "many.mp";
    WriteBytes(map, build(false));
    MapDocument document(kProgramDir);
    ASSERT_TRUE(document.OpenMap(map));
    // Three lines an object, four for the polylines (every third object from the second).
    EXPECT_EQ(document.map().LineCount(), 8 + 3 * kObjects + (kObjects + 1) / 3);
    ASSERT_EQ(document.lists().poi.size(), 1u);
    ASSERT_EQ(document.lists().polyline.size(), 1u);
    ASSERT_EQ(document.lists().polygon.size(), 1u);
    document.SetLevelOfRows(ObjectKind::Poi, {0}, 1);
    document.SetLevelOfRows(ObjectKind::Polyline, {0}, 2);
    document.SetLevelOfRows(ObjectKind::Polygon, {0}, 3);
    document.Process();
    const fs::path out = dir.path() / "out.mp";
    document.SaveMap(out);
    EXPECT_TRUE(ReadFileBytes(out) == build(true)) << "the processed map differs from the expected one";
}

// A line longer than a megabyte (a label, a long polyline) passes through unchanged, and the line ends
// around it are still found.
TEST(FaultTest, LinesLongerThanAMegabyteSurviveOpenProcessAndSave) {
    const std::string label(3u << 20, '\xE0');
    std::string data = "Data0=";
    while (data.size() < (2u << 20)) data += "(55.751244,37.618423),";
    data += "(55.75,37.61)";
    const std::string in = "[IMG ID]\r\n[END-IMG ID]\r\n[POLYLINE]\r\nType=0x16\r\nLabel=" + label + "\r\n" + data +
                           "\r\n[END]\r\n[POI]\r\nType=0x2f06\r\n[END]\n";
    const std::string expected = "[IMG ID]\r\n[END-IMG ID]\r\n[POLYLINE]\r\nType=0x16\r\nLabel=" + label +
                                 "\r\nEndLevel=0\r\n" + data +
                                 "\r\n[END]\r\n[POI]\r\nEndLevel=0\r\nType=0x2f06\r\n[END]\r\n";
    TempDir dir;
    const fs::path map = dir.path() / "long.mp";
    WriteBytes(map, in);
    MapDocument document(kProgramDir);
    ASSERT_TRUE(document.OpenMap(map));
    EXPECT_EQ(document.map().LineCount(), 10u);
    EXPECT_EQ(document.map().Line(4).size(), label.size() + 6);
    document.Process();
    document.SaveMap(map);
    EXPECT_TRUE(ReadAll(map) == expected);
}

// More than 4 GB of map text: offsets and sizes past 32 bits. Takes about 10 GB of memory, 9 GB of disk and
// a minute or more, so it runs only when STRATEX_BIG_TESTS is set.
TEST(FaultTest, MapLargerThanFourGigabytes) {
    if (!std::getenv("STRATEX_BIG_TESTS")) GTEST_SKIP() << "set STRATEX_BIG_TESTS=1 to run";
    constexpr std::uint64_t kTarget = (std::uint64_t{1} << 32) + (std::uint64_t{64} << 20);
    const std::string header = "[IMG ID]\r\n[END-IMG ID]\r\n";
    // Each object carries a long data line, so that the map passes 4 GB with a modest line count.
    std::string data = "Data0=";
    while (data.size() < 4000) data += "(55.751244,37.618423),";
    const std::string object = "[POLYLINE]\r\nType=0x16\r\n" + data + "\r\n[END]\r\n";
    const std::uint64_t objects = (kTarget - header.size()) / object.size() + 1;
    const fs::path folder = std::getenv("STRATEX_BIG_TESTS_DIR") ? fs::path(std::getenv("STRATEX_BIG_TESTS_DIR"))
                                                                 : fs::temp_directory_path();
    const fs::path map = folder / "stratex-big-test.mp";
    const fs::path out = folder / "stratex-big-test-out.mp";
    struct Remove {
        std::vector<fs::path> paths;
        ~Remove() {
            std::error_code ec;
            for (const auto& p : paths) fs::remove(p, ec);
        }
    } remove{{map, out}};
    {
        std::ofstream file(map, std::ios::binary);
        file << header;
        for (std::uint64_t i = 0; i < objects; ++i) file << object;
        ASSERT_TRUE(file.good());
    }
    ASSERT_GT(fs::file_size(map), std::uint64_t{1} << 32);

    MapDocument document(kProgramDir);
    ASSERT_TRUE(document.OpenMap(map));
    const std::uint64_t lines = 2 + 4 * objects;
    EXPECT_EQ(document.map().LineCount(), lines);
    EXPECT_EQ(document.map().Line(lines - 2), data);
    EXPECT_EQ(document.map().Line(lines - 1), "[END]");
    document.SetLevelOfRows(ObjectKind::Polyline, {0}, 7);
    document.Process();
    EXPECT_EQ(document.map().LineCount(), lines + objects);
    // The new line goes in front of the line above "[END]", the object's Data line.
    EXPECT_EQ(document.map().Line(lines + objects - 3), "EndLevel=7");
    EXPECT_EQ(document.map().Line(lines + objects - 2), data);
    document.SaveMap(out);
    EXPECT_EQ(fs::file_size(out), fs::file_size(map) + objects * std::string_view("EndLevel=7\r\n").size());

    std::ifstream saved(out, std::ios::binary);
    const std::string tail = "\r\nEndLevel=7\r\n" + data + "\r\n[END]\r\n";
    saved.seekg(-static_cast<std::streamoff>(tail.size()), std::ios::end);
    std::string last(tail.size(), '\0');
    saved.read(last.data(), static_cast<std::streamsize>(last.size()));
    EXPECT_EQ(last, tail);
}

}  // namespace
}  // namespace stratex

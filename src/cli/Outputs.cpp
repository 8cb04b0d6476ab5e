// The one rule for every file a command writes: no output is a file that the command reads, and no two
// outputs are one file. Files are compared by identity, links followed, so no spelling slips through.

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bytes/AtomicFile.h"
#include "bytes/LineList.h"
#include "cli/Cli.h"
#include "cli/CliSteps.h"
#include "grammar/ObjectKind.h"
#include "types/TypeNames.h"

namespace stratex {

namespace {

// A file the command reads: its identity, and how a refusal names it.
struct ReadFile {
    FileIdentity identity;
    std::string named;
    std::size_t map;  // its index in options.maps, or kNoMap
};

constexpr std::size_t kNoMap = static_cast<std::size_t>(-1);

std::vector<ReadFile> ReadFiles(const Options& options, const std::filesystem::path& namesFolder) {
    std::vector<ReadFile> reads;
    const auto add = [&](const std::filesystem::path& path, const std::string& named, std::size_t map) {
        // A file that is missing clashes with nothing; reading it fails later with its own message.
        if (const std::optional<FileIdentity> identity = IdentityOf(path)) reads.push_back({*identity, named, map});
    };
    for (std::size_t i = 0; i < options.maps.size(); ++i) {
        const std::filesystem::path map = AbsolutePath(options.maps[i]);
        add(map, "the map " + PathToUtf8(map), i);
    }
    for (const std::string& config : options.configs) {
        const std::filesystem::path path = AbsolutePath(config);
        add(path, "the level config file " + PathToUtf8(path) + " given with --config", kNoMap);
    }
    if (!namesFolder.empty()) {
        for (const ObjectKind kind : kAllKinds) {
            const std::filesystem::path path = namesFolder / TypeNameFileName(kind);
            add(path, "the type name file " + PathToUtf8(path), kNoMap);
        }
    }
    return reads;
}

// What tells outputs apart: the identity of a file that exists, else the path that the write would create,
// links followed and spelt one way (on Windows in either letter case).
struct OutputKey {
    std::optional<FileIdentity> identity;
    std::filesystem::path created;

    static OutputKey Of(const std::filesystem::path& output) {
        if (const std::optional<FileIdentity> identity = IdentityOf(output)) return {identity, {}};
        std::error_code ec;
        std::filesystem::path created = std::filesystem::weakly_canonical(WrittenPath(output), ec);
        if (ec) created = WrittenPath(output).lexically_normal();
#ifdef _WIN32
        std::wstring folded = created.native();
        std::transform(folded.begin(), folded.end(), folded.begin(),
                       [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; });
        created = folded;
#endif
        return {std::nullopt, created};
    }
    bool operator==(const OutputKey& other) const {
        return identity ? identity == other.identity : !other.identity && created == other.created;
    }
};

}  // namespace

std::vector<std::filesystem::path> PlannedOutputs(const Options& options) {
    if (options.command == Command::Scan || options.command == Command::Check || options.dryRun) return {};
    if (!options.output.empty()) {
        if (options.output == "-") return {};
        return {AbsolutePath(options.output)};
    }
    // Without -o only process of a set writes: into -O's folder, or over its maps.
    if (options.command != Command::Process || (options.outputDir.empty() && !options.inPlace)) return {};
    std::vector<std::filesystem::path> outputs;
    for (const std::string& map : options.maps) {
        const std::filesystem::path path = AbsolutePath(map);
        outputs.push_back(options.inPlace ? path : AbsolutePath(options.outputDir) / path.filename());
    }
    return outputs;
}

std::optional<std::string> RefusedOutputs(const Options& options, const std::vector<std::filesystem::path>& outputs,
                                          const std::filesystem::path& namesFolder) {
    if (outputs.empty()) return std::nullopt;
    const std::vector<ReadFile> reads = ReadFiles(options, namesFolder);
    const bool oneOutput = !options.output.empty();
    // process -o and --in-place replace the map they read; the others never write their map.
    const bool replacesOwnMap = options.command == Command::Process && options.outputDir.empty();
    std::vector<OutputKey> keys;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const std::string output = PathToUtf8(outputs[i]);
        const std::string map = oneOutput ? std::string() : PathToUtf8(AbsolutePath(options.maps[i]));
        const std::string subject = oneOutput         ? "-o " + output + " is "
                                    : options.inPlace ? "--in-place would replace " + map + ", which is "
                                                      : "-O would write " + map + " to " + output + ", which is ";
        const std::optional<FileIdentity> identity = IdentityOf(outputs[i]);
        for (const ReadFile& read : reads) {
            if (!identity || read.identity != *identity) continue;
            const bool ownMap = read.map != kNoMap && (oneOutput || read.map == i);
            if (ownMap && replacesOwnMap) continue;
            if (ownMap && !oneOutput) return subject + "the map itself; use --in-place to replace the maps";
            return subject + read.named +
                   (read.map != kNoMap && options.command != Command::Process
                        ? ", which this command reads but never writes"
                        : "");
        }
        keys.push_back(OutputKey::Of(outputs[i]));
        const auto earlier = std::find(keys.begin(), keys.end() - 1, keys.back());
        if (earlier != keys.end() - 1) {
            const std::string first = PathToUtf8(AbsolutePath(options.maps[earlier - keys.begin()]));
            return "-O would write both " + first + " and " + map + " to " + output;
        }
    }
    return std::nullopt;
}

}  // namespace stratex

#include "document/MapDocument.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>

#include "bytes/AtomicFile.h"
#include "bytes/Cp1251.h"
#include "bytes/Error.h"
#include "bytes/Integer.h"
#include "bytes/MapTextLoader.h"
#include "levels/LevelConfig.h"
#include "levels/ZoomTable.h"
#include "passes/MapScan.h"
#include "passes/Process.h"
#include "types/TypeNames.h"

namespace stratex {

MapDocument::MapDocument(std::filesystem::path programDir) : programDir_(std::move(programDir)) {}

TypeNameFiles MapDocument::Names() const {
    // Without a folder the type names are not wanted: the types go unnamed.
    if (programDir_.empty()) return {};
    return TypeNameFiles::Load(programDir_);
}

void MapDocument::UseNamesDir(std::filesystem::path namesDir) {
    const TypeNameFiles names = namesDir.empty() ? TypeNameFiles{} : TypeNameFiles::Load(namesDir);
    programDir_ = std::move(namesDir);
    for (const ObjectKind kind : kAllKinds) {
        TypeList& list = lists_.Of(kind);
        for (std::size_t i = 0; i < list.size(); ++i) list.SetName(i, LookupTypeName(names.Of(kind), list[i].code));
    }
    for (SetType& type : setTypes_) type.name = LookupTypeName(names.Of(type.kind), type.code);
    if (sortColumn_ == 2) lists_.SortAll(sortColumn_);
}

bool MapDocument::OpenMap(const std::filesystem::path& path, Progress* progress) {
    SetShowAll(false);

    // Everything is built in locals and committed only once the scan has succeeded, so that a missing type
    // name file, an unreadable map or a text that is no number leaves the open map as it was.
    const TypeNameFiles names = Names();
    // The map is loaded on a second thread while the scan reads it here.
    MapTextLoader loader(path);
    DictionaryTables tables = tables_;
    StreamFacts facts;
    ScanResult result;
    try {
        result = ScanMapStream(loader, names, useDictionary_, tables, sortColumn_, facts, LineReader::kDefaultCapacity,
                               progress, loader.fileSize());
    } catch (...) {
        RethrowInFile(PathToUtf8(path));
    }

    map_ = loader.Finish();
    hasMap_ = true;
    return CommitScan(path, std::move(result), tables);
}

bool MapDocument::CommitScan(const std::filesystem::path& path, ScanResult result, const DictionaryTables& tables) {
    advice_.clear();
    tiles_.clear();
    setTypes_.clear();
    setTypeOf_.clear();
    mapPath_ = path;
    figures_ = std::move(result.figures);
    levels_ = std::move(result.levels);
    lists_ = std::move(result.lists);
    tables_ = tables;

    // Open MAP enables and never disables; Save MAP keeps its state, and so does Modified.
    buttons_.process = true;
    buttons_.openCfg = true;
    buttons_.saveCfg = true;
    if (useDictionary_) buttons_.saveDic = true;
    return result.isPolishMap;
}

namespace {

// The output of ProcessFileTo: an AtomicFile created at the first write. When the file cannot be created
// or written, the failure waits until the pass has ended, so that a failure of Process comes first.
class DeferredFileSink : public ByteSink {
public:
    DeferredFileSink(std::filesystem::path path, const std::function<void(std::uint64_t)>& written)
        : path_(std::move(path)), written_(written) {}

    void Write(std::string_view bytes) override {
        if (failure_) return;
        try {
            if (!file_) file_.emplace(path_);
            file_->Write(bytes);
            if (written_) written_(bytes.size());
        } catch (const Error&) {
            failure_ = std::current_exception();
            file_.reset();
        }
    }

    // Writes the file (an empty one when nothing came) or throws the failure met.
    void Commit() {
        if (!failure_ && !file_) Write({});
        if (failure_) std::rethrow_exception(failure_);
        file_->Commit();
    }

private:
    std::filesystem::path path_;
    const std::function<void(std::uint64_t)>& written_;
    std::optional<AtomicFile> file_;
    std::exception_ptr failure_;
};

}  // namespace

bool MapDocument::ScanMapFile(const std::filesystem::path& path) {
    SetShowAll(false);

    const TypeNameFiles names = Names();
    DictionaryTables tables = tables_;
    StreamFacts facts;
    FileSource::Stamp stamp;
    ScanResult result;
    try {
        result = stratex::ScanMapFile(path, names, useDictionary_, tables, sortColumn_, facts, stamp);
    } catch (...) {
        RethrowInFile(PathToUtf8(path));
    }

    map_ = MapText();
    hasMap_ = false;
    scannedStamp_ = stamp;
    scannedFacts_ = facts;
    return CommitScan(path, std::move(result), tables);
}

bool MapDocument::ProcessFileTo(const std::filesystem::path& output, ProcessSummary* summary, bool refuseWarnings,
                                const std::function<void(std::uint64_t)>& written) {
    DeferredFileSink sink(output, written);
    return ProcessScannedFile(
        sink, summary, [&sink] { sink.Commit(); }, refuseWarnings);
}

void MapDocument::ProcessFileTo(ByteSink& output, ProcessSummary* summary) {
    ProcessScannedFile(
        output, summary, [] {}, false);
}

bool MapDocument::ProcessScannedFile(ByteSink& output, ProcessSummary* summary, const std::function<void()>& commit,
                                     bool refuseWarnings) {
    const FileParts input(mapPath_, scannedStamp_);
    DictionaryTables tables = tables_;
    LineList dicLines = dicLines_;
    ProcessSummary counted;
    ProcessWarnings warned;
    try {
        ProcessMapParts(input, scannedFacts_, levels_, lists_, useDictionary_, tables, dicLines, output,
                        summary ? &counted : nullptr, kProcessPartSize, &warned);
    } catch (...) {
        RethrowInFile(PathToUtf8(mapPath_));
    }
    warnings_ = warned;
    if (refuseWarnings && warned.any()) return false;
    commit();

    tables_ = tables;
    dicLines_ = std::move(dicLines);
    if (summary) *summary = std::move(counted);
    buttons_.saveMap = true;
    modified_ = false;
    return true;
}

namespace {

std::uint64_t FileBytes(const std::filesystem::path& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<std::uint64_t>(size);
}

// The figures of a set: every map's objects counted together.
void AddFigures(MapFigures& total, const MapFigures& more) {
    for (const ObjectKind kind : kAllKinds) {
        for (const auto& [code, figures] : more.Of(kind)) {
            TypeFigures& sum = total.Of(kind)[code];
            sum.objects += figures.objects;
            sum.withoutEndLevel += figures.withoutEndLevel;
            for (const auto& [text, objects] : figures.endLevels) sum.endLevels[text] += objects;
        }
    }
    total.hasDictionary = total.hasDictionary || more.hasDictionary;
    total.hasLevelsLine = total.hasLevelsLine || more.hasLevelsLine;
}

}  // namespace

std::vector<std::filesystem::path> MapDocument::OpenMapSet(const std::vector<std::filesystem::path>& paths,
                                                           Progress* progress) {
    SetShowAll(false);
    std::uint64_t total = 0;
    for (const auto& path : paths) total += FileBytes(path);
    if (progress) progress->SetState(PassState::Scanning);
    std::vector<Tile> tiles;
    std::vector<std::filesystem::path> notMaps;
    MapFigures figures;
    std::uint64_t done = 0;
    for (const auto& path : paths) {
        MapDocument one(programDir_);
        one.useDictionary_ = useDictionary_;
        one.sortColumn_ = sortColumn_;
        if (one.ScanMapFile(path)) {
            tiles.push_back(Tile::Of(one));
            AddFigures(figures, one.figures_);
        } else {
            notMaps.push_back(path);
        }
        done += FileBytes(path);
        if (progress) progress->SetProgress(total, done);
    }
    if (tiles.empty()) return notMaps;
    setTypes_ = UniteTypes(tiles, sortColumn_);
    setTypeOf_.clear();
    for (std::size_t i = 0; i < setTypes_.size(); ++i) setTypeOf_[{setTypes_[i].kind, setTypes_[i].code}] = i;
    lists_ = SetLists(setTypes_);
    levels_ = tiles.front().levels;
    figures_ = std::move(figures);
    mapPath_ = tiles.front().path;
    map_ = MapText();
    hasMap_ = false;
    tiles_ = std::move(tiles);
    advice_.clear();
    buttons_.process = true;
    buttons_.openCfg = true;
    buttons_.saveCfg = true;
    if (useDictionary_) buttons_.saveDic = true;
    if (progress) progress->SetState(PassState::Scanned);
    return notMaps;
}

const SetType* MapDocument::SetTypeOf(ObjectKind kind, const std::string& code) const {
    const auto found = setTypeOf_.find({kind, code});
    return found == setTypeOf_.end() ? nullptr : &setTypes_[found->second];
}

bool MapDocument::levelsDiffer() const {
    for (const Tile& tile : tiles_) {
        if (tile.levels.rows() != tiles_.front().levels.rows()) return true;
    }
    return false;
}

std::vector<MapDocument::TileOutcome> MapDocument::ProcessSet(const std::filesystem::path& folder, Progress* progress) {
    const LineList choices = BuildConfigLines(lists_);
    // A Levels table the user left as the first map's is no choice: each map keeps its own header.
    const bool ownLevels = tiles_.empty() || levels_.rows() == tiles_.front().levels.rows();
    std::uint64_t total = 0;
    for (const Tile& tile : tiles_) total += FileBytes(tile.path);
    if (progress) progress->SetState(PassState::Processing);
    std::vector<TileOutcome> outcomes;
    std::uint64_t done = 0;
    for (const Tile& tile : tiles_) {
        TileOutcome& outcome = outcomes.emplace_back();
        outcome.path = tile.path;
        try {
            MapDocument one(programDir_);
            one.useDictionary_ = useDictionary_;
            if (!one.ScanMapFile(tile.path)) throw Error("no line holds [END-IMG ID] any more");
            one.ApplyConfig(choices);
            if (!ownLevels) one.levels_ = levels_;
            if (folder.empty()) {
                NullSink nowhere;
                one.ProcessFileTo(nowhere, &outcome.summary);
            } else {
                one.ProcessFileTo(folder / tile.path.filename(), &outcome.summary);
            }
            outcome.warnings = one.warnings_;
        } catch (const Error& failure) {
            outcome.failure = failure.what();
        }
        done += FileBytes(tile.path);
        if (progress) progress->SetProgress(total, done);
    }
    buttons_.saveMap = true;
    if (progress) progress->SetState(PassState::Processed);
    return outcomes;
}

void MapDocument::Process(Progress* progress, ProcessSummary* summary) {
    // Without a map the text is empty (map_ starts empty), so the pass changes nothing and the document only
    // becomes "processed": the same outcome as processing a map that holds no line.
    ProcessSummary counted;
    ProcessWarnings warned;
    try {
        ProcessMap(map_, levels_, lists_, useDictionary_, tables_, dicLines_, progress, summary ? &counted : nullptr,
                   kProcessPartSize, &warned);
    } catch (...) {
        RethrowInFile(PathToUtf8(mapPath_));
    }
    warnings_ = warned;
    if (summary) *summary = std::move(counted);
    buttons_.saveMap = true;
    modified_ = true;
}

void MapDocument::SaveMap(const std::filesystem::path& path, const std::function<void(std::uint64_t)>& written) {
    map_.Save(path, written);
    modified_ = false;
}

void MapDocument::SetShowAll(bool on) {
    if (on == showAll_) return;
    showAll_ = on;
    if (on) {
        // The buttons come first: a type name file that cannot be read ends the switch-on with the box
        // ticked and these buttons enabled.
        buttons_.saveCfg = true;
        if (useDictionary_) buttons_.saveDic = true;
        ShowAllObjects(lists_, Names());
        return;
    }
    RemoveShowAllRows(lists_);
    buttons_.process = false;
    buttons_.saveMap = false;
    buttons_.openCfg = false;
    buttons_.saveCfg = false;
    if (useDictionary_) buttons_.saveDic = false;
}

void MapDocument::SaveConfig(const std::filesystem::path& path) {
    cfgLines_ = BuildConfigLines(lists_);
    SaveLineFile(path, cfgLines_);
}

std::vector<UnmatchedConfigLine> MapDocument::OpenConfig(const std::filesystem::path& path) {
    return ApplyConfig(LoadConfigFile(path));
}

std::vector<UnmatchedConfigLine> MapDocument::ApplyConfig(LineList lines) {
    cfgLines_ = std::move(lines);
    std::vector<UnmatchedConfigLine> unmatched = ApplyConfigLines(lists_, cfgLines_);
    buttons_.saveCfg = true;
    if (useDictionary_) buttons_.saveDic = true;
    return unmatched;
}

void MapDocument::SaveDictionary(const std::filesystem::path& path) {
    DictionaryTables tables = tables_;
    LineList lines = BuildDictionary(lists_, tables);
    // The generated lines and tables are kept even when the file cannot be written: generating is done
    // by then, as it would be for Process.
    dicLines_ = std::move(lines);
    tables_ = tables;
    SaveLineFile(path, dicLines_);
}

void MapDocument::SortList(ObjectKind kind, int column) {
    sortColumn_ = column;
    lists_.Of(kind).Sort(column);
}

void MapDocument::SetLevelOfRows(ObjectKind kind, const std::vector<std::size_t>& rows, int level) {
    lists_.Of(kind).SetLevelOfRows(rows, level);
}

void MapDocument::SetLevelText(ObjectKind kind, std::size_t row, std::string text) {
    TypeList& list = lists_.Of(kind);
    if (row < list.size()) list.SetLevel(row, std::move(text));
}

MapDocument::AdviceMap MapDocument::MeasureAdvice(const AdviceLimits& limits) const {
    std::vector<int> bits;
    for (const LevelRow& row : levels_.rows()) {
        const std::optional<std::int32_t> count = TryReadInteger(LeadingBits(row.value));
        if (!count || *count < 1 || *count > 24) {
            throw Error("The level " + Cp1251ToUtf8(row.key) + " gives no bit count from 1 to 24");
        }
        bits.push_back(static_cast<int>(*count));
    }
    LevelMeasure measure(std::move(bits), limits);
    if (tiles_.empty()) {
        MeasureMap(TextParts(map_.Buffer()), measure);
    } else {
        for (const Tile& tile : tiles_) {
            const FileSource::Stamp stamp = FileSource(tile.path).stamp();
            MeasureMap(FileParts(tile.path, stamp), measure);
        }
    }
    AdviceMap advice;
    for (LevelAdvice& one : Advise(measure)) {
        const ObjectKind kind = one.kind;
        advice.emplace(std::make_pair(kind, NormalisedTypeCode(kind, one.value)), std::move(one));
    }
    return advice;
}

const LevelAdvice* MapDocument::AdviceOf(ObjectKind kind, const std::string& code) const {
    const auto found = advice_.find({kind, code});
    return found == advice_.end() ? nullptr : &found->second;
}

void MapDocument::ApplyAdvice(ObjectKind kind, const std::vector<std::size_t>& rows) {
    TypeList& list = lists_.Of(kind);
    for (const std::size_t row : rows) {
        if (row >= list.size()) continue;
        if (const LevelAdvice* advice = AdviceOf(kind, list[row].code)) list.SetLevelOfRows({row}, advice->level);
    }
}

void MapDocument::AddLevelAfter(std::optional<std::size_t> selected) { levels_.AddAfter(selected); }

void MapDocument::RemoveLevel(std::optional<std::size_t> selected) { levels_.Remove(selected); }

void MapDocument::SetLevelValue(std::size_t row, std::string value) {
    if (row < levels_.size()) levels_.SetValue(row, std::move(value));
}

void MapDocument::SetLevels(const std::vector<int>& bits) {
    levels_.Clear();
    for (std::size_t i = 0; i < bits.size(); ++i) {
        // Distinct keys, so every row gets the pick list as a scanned row would.
        levels_.AddScannedRow("Level" + std::to_string(i), LevelValue(bits[i]));
    }
}

}  // namespace stratex

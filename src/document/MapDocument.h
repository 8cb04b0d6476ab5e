#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bytes/FileSource.h"
#include "bytes/LineList.h"
#include "bytes/MapText.h"
#include "document/TileSet.h"
#include "levels/Dictionary.h"
#include "levels/LevelConfig.h"
#include "levels/LevelsTable.h"
#include "passes/LevelAdvisor.h"
#include "passes/MapFigures.h"
#include "passes/MapScan.h"
#include "passes/Parts.h"
#include "passes/ProcessSummary.h"
#include "passes/Progress.h"
#include "passes/StreamFacts.h"
#include "types/TypeLists.h"

namespace stratex {

// Which tool-bar buttons are enabled. "Open MAP" always is.
struct ButtonStates {
    bool process = false;
    bool saveMap = false;
    bool openCfg = false;
    bool saveCfg = false;
    bool saveDic = false;

    bool operator==(const ButtonStates&) const = default;
};

// Everything the main window knows about the open map and the user's choices, and every operation on it,
// without widgets or dialogs: the window and stratex-cli both drive this class. Each operation is the part
// of a button's handler after its file dialog and questions. Operations that throw Error leave the
// document as it was, unless noted.
class MapDocument {
public:
    // programDir: the folder of the type name files (the working folder at start-up); empty where the types
    // go unnamed (stratex-cli check without the files).
    explicit MapDocument(std::filesystem::path programDir);

    // Open MAP after its dialog: switches Show All off, scans the map, enables Process, Open CFG, Save CFG
    // (and Save DIC with the dictionary option). Returns false when the file is no Polish map (no line
    // contains "[END-IMG ID]"): the map is still loaded, its level rows shown, the lists empty, and the
    // buttons enabled. On a failure (a type name file or the map unreadable, a text that is no number) the
    // document is as before, except that Show All has been switched off.
    bool OpenMap(const std::filesystem::path& path, Progress* progress = nullptr);

    // Open MAP as stratex-cli needs it: the same, with the map scanned as it is read and not kept in memory
    // (map() stays empty, hasMap() false), so that memory does not grow with the map. ProcessFileTo then
    // reads the file again.
    bool ScanMapFile(const std::filesystem::path& path);

    // Process followed by Save MAP to output, after ScanMapFile: the map file is read once more and the result
    // goes straight into output (CR LF line ends), which is replaced atomically. All or nothing: on any
    // failure (those of Process and Save MAP, or a map file that changed after ScanMapFile or while it is
    // read) nothing is written and the document is as before. Process's failure is reported before the
    // output's. On success as Process then SaveMap: Save MAP enabled, Modified clear. With summary, it is
    // replaced by what this Process did to the EndLevel lines, when it succeeds.
    // With refuseWarnings, a Process that warns (processWarnings()) writes nothing and returns false, the
    // document as before but for the warnings.
    // written, where given, is told the bytes of each piece of output as it is written (from the calling thread).
    bool ProcessFileTo(const std::filesystem::path& output, ProcessSummary* summary = nullptr,
                       bool refuseWarnings = false, const std::function<void(std::uint64_t)>& written = {});
    // The same into output as it goes (standard output, or nothing for a dry run): on a failure output may
    // hold a part of the result.
    void ProcessFileTo(ByteSink& output, ProcessSummary* summary = nullptr);

    // Open MAP of a set of tiles (several maps): each map is scanned from its file (none is kept in memory);
    // the lists show the union of their types, each with the set's level (UniteTypes), sorted; the Levels
    // table is the first map's. Buttons as after Open MAP. Returns the maps that are no Polish map; the set
    // holds the others, and when none is left the document is as before. A failure (as OpenMap's, for the
    // first map that fails) leaves the document as it was, except that Show All has been switched off.
    std::vector<std::filesystem::path> OpenMapSet(const std::vector<std::filesystem::path>& paths,
                                                  Progress* progress = nullptr);
    // The maps of the open set; empty while one map (or none) is open.
    const std::vector<Tile>& tiles() const { return tiles_; }
    // The set's type of a row, or null (no set, or a row the set's maps do not list).
    const SetType* SetTypeOf(ObjectKind kind, const std::string& code) const;
    // Some map of the set has another level header than the first.
    bool levelsDiffer() const;

    // What Process did to one map of a set.
    struct TileOutcome {
        std::filesystem::path path;
        std::string failure;  // empty when done
        ProcessSummary summary;
        ProcessWarnings warnings;
    };
    // Process of a set, and with a folder Save MAP: each map is read from its file once more, processed with
    // the document's choices (the lists' levels, the dictionary option, and the Levels table where it was
    // changed; otherwise each map keeps its own) and written under its own name into folder (replaced
    // atomically), or nowhere when folder is empty. A map that fails is told in its outcome; the others go
    // on. Enables Save MAP.
    std::vector<TileOutcome> ProcessSet(const std::filesystem::path& folder, Progress* progress = nullptr);

    // Process: rewrites the map in memory, sets Modified and enables Save MAP. All or nothing. Without a
    // map it processes the empty text: nothing changes but Modified and Save MAP. With summary, it is
    // replaced by what this Process did to the EndLevel lines, when it succeeds. A failure met at an
    // object carries the map's file and the object's end line (as a failure of the scan carries the
    // failing line).
    void Process(Progress* progress = nullptr, ProcessSummary* summary = nullptr);

    // Save MAP after its dialog and question: writes the map (CR LF line ends), clears Modified. written is
    // as for MapText::Save; a save it ends leaves the document and the file as before.
    void SaveMap(const std::filesystem::path& path, const std::function<void(std::uint64_t)>& written = {});

    // Show All switched on or off, with the buttons it enables or disables.
    void SetShowAll(bool on);

    // Save CFG / Open CFG after their dialogs. OpenConfig returns the file's lines that named no row.
    void SaveConfig(const std::filesystem::path& path);
    std::vector<UnmatchedConfigLine> OpenConfig(const std::filesystem::path& path);
    // Open CFG of lines already read (the level config of a set of maps).
    std::vector<UnmatchedConfigLine> ApplyConfig(LineList lines);

    // Save DIC after its dialog: BuildDictionary, then writes the lines. When BuildDictionary fails, the
    // tables and dicLines are unchanged; when only the write fails, they keep the generated result.
    void SaveDictionary(const std::filesystem::path& path);

    // Takes the type name files from namesDir from now on (those of the window's language) and names every
    // listed type, of a set's types too, from them: a code they lack gets an empty name. The lists keep
    // their order, except that after a sort by name all three lists are sorted by name again. Throws Error as the scan
    // does for a file that cannot be read, with the document as before. An empty namesDir leaves the types unnamed.
    void UseNamesDir(std::filesystem::path namesDir);

    // The dictionary option (the check box); changes no button.
    void SetUseDictionary(bool on) { useDictionary_ = on; }
    bool useDictionary() const { return useDictionary_; }

    // A header click on a list: remembers the column and sorts that list only.
    void SortList(ObjectKind kind, int column);
    int sortColumn() const { return sortColumn_; }

    // The level popup: sets the level of the given (selected) rows of a list.
    void SetLevelOfRows(ObjectKind kind, const std::vector<std::size_t>& rows, int level);
    // The in-place editor and the typing shortcut: any text becomes the caption. A row out of range is
    // ignored, as is one in SetLevelValue.
    void SetLevelText(ObjectKind kind, std::size_t row, std::string text);

    // The advisor's proposals by kind and type code.
    using AdviceMap = std::map<std::pair<ObjectKind, std::string>, LevelAdvice>;
    // Advise: measures the open map (in memory, as the last Process left it) or each map of the open set
    // (from its file, into one measure) on the bit counts of the Levels table, and proposes a level for each
    // type with objects. Reads the document only, so it may run on another thread while nothing changes the
    // document. Throws Error where a map cannot be read or a level's value has no bit count (1 to 24).
    AdviceMap MeasureAdvice(const AdviceLimits& limits = {}) const;
    // Keeps advice as the proposals that AdviceOf and ApplyAdvice give, until the next Open MAP.
    void SetAdvice(AdviceMap advice) { advice_ = std::move(advice); }
    // The proposal for a row's type, or null where Advise gave it none (or has not run).
    const LevelAdvice* AdviceOf(ObjectKind kind, const std::string& code) const;
    bool hasAdvice() const { return !advice_.empty(); }
    // Apply: gives the given rows of a list their proposed level, as the level popup would; a row without a
    // proposal or out of range keeps its level.
    void ApplyAdvice(ObjectKind kind, const std::vector<std::size_t>& rows);

    // The Levels table menu and value cells.
    void AddLevelAfter(std::optional<std::size_t> selected);
    void RemoveLevel(std::optional<std::size_t> selected);
    void SetLevelValue(std::size_t row, std::string value);

    // Replaces the Levels table by rows Level0.. with the values LevelValue(bits), each with the pick list
    // (stratex-cli --levels, which allows at most LevelsTable::kMaxRows counts).
    void SetLevels(const std::vector<int>& bits);

    const MapText& map() const { return map_; }
    // The map file as ScanMapFile scanned it: reading it fails once the file has changed.
    FileParts scannedFile() const { return FileParts(mapPath_, scannedStamp_); }
    // What ScanMapFile recorded for a streamed Process of that file.
    const StreamFacts& scannedFacts() const { return scannedFacts_; }
    // What the last Process made that the map's maker would not want (by the map's input lines).
    const ProcessWarnings& processWarnings() const { return warnings_; }
    bool hasMap() const { return hasMap_; }
    // The file of the open map.
    const std::filesystem::path& mapPath() const { return mapPath_; }
    // The figures of the last scan: objects per type with their EndLevel values, whether the map has a
    // dictionary section and a "Levels=" header line. Process does not change them.
    const MapFigures& figures() const { return figures_; }
    const LevelsTable& levels() const { return levels_; }
    const TypeLists& lists() const { return lists_; }
    const DictionaryTables& tables() const { return tables_; }
    const LineList& dicLines() const { return dicLines_; }
    const LineList& cfgLines() const { return cfgLines_; }
    const ButtonStates& buttons() const { return buttons_; }
    bool modified() const { return modified_; }
    bool showAll() const { return showAll_; }
    const std::filesystem::path& programDir() const { return programDir_; }
    // The type name files of programDir, read now, or none without a folder. Throws Error where one cannot
    // be read.
    TypeNameFiles Names() const;

private:
    // The end of a successful Open MAP: takes what the scan of path found and enables the buttons. Returns
    // whether the file is a Polish map.
    bool CommitScan(const std::filesystem::path& path, ScanResult result, const DictionaryTables& tables);
    // ProcessFileTo's pass; commit runs once the pass has succeeded, before the document changes.
    bool ProcessScannedFile(ByteSink& output, ProcessSummary* summary, const std::function<void()>& commit,
                            bool refuseWarnings);

    std::filesystem::path programDir_;
    MapText map_;
    std::vector<Tile> tiles_;
    std::vector<SetType> setTypes_;
    std::map<std::pair<ObjectKind, std::string>, std::size_t> setTypeOf_;  // kind and code -> setTypes_ index
    bool hasMap_ = false;
    std::filesystem::path mapPath_;
    MapFigures figures_;
    // The file that ScanMapFile scanned (mapPath_), as it was then, and what its scan found for ProcessFileTo.
    FileSource::Stamp scannedStamp_;
    StreamFacts scannedFacts_;
    LevelsTable levels_;
    TypeLists lists_;
    DictionaryTables tables_;
    LineList dicLines_;
    LineList cfgLines_;
    ProcessWarnings warnings_;
    AdviceMap advice_;
    ButtonStates buttons_;
    bool modified_ = false;
    bool showAll_ = false;
    bool useDictionary_ = false;
    int sortColumn_ = 1;
};

}  // namespace stratex

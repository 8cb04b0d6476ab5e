#pragma once

#include <QCoreApplication>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "document/MapDocument.h"
#include "passes/MapFigures.h"
#include "passes/ProcessSummary.h"

namespace stratex {

// The texts the window makes of the engine's figures, in the window's language (CurrentLanguage()).
class WindowTexts {
    Q_DECLARE_TR_FUNCTIONS(WindowTexts)
public:
    // A count of map objects as Russian counts them, "1 объект", "2 объекта", "5 объектов" ("1 object",
    // "5 objects").
    static QString ObjectCount(std::uint64_t count);

    // A Levels table value (Windows-1251 bytes) as the window shows it. A value that ends in the zoom
    // text of a bit count ("21bit (<=1,2км)") is shown in English with English units and a decimal point
    // ("21bit (<=1.2 km)"); any other value, and every value in Russian, as its bytes stand. Display only:
    // the map and the engine keep the bytes.
    static QString LevelValue(std::string_view value);

    // The tooltip of a Type list row: how many objects of its type the map holds and which EndLevels they
    // carry, "12 объектов, EndLevel 1 (10), 3 (1), нет (1)"; "нет объектов на карте" when figures is null or
    // counts none. EndLevels are the up-to texts the scan read, in their order.
    static QString TypeFiguresTip(const TypeFigures* figures);

    // Each map's level of a type of a set of tiles, "n37-010.mp: уровень 1, 5 объектов", one line per map
    // that lists the type, at most 12 (then "… и ещё 3"); first a line that says the maps disagree where
    // they do.
    static QString TileLevelsTip(const SetType& type, const std::vector<Tile>& tiles);

    // What Process (and Save MAP) did to each map of a set: one line per map, its EndLevel counts and warnings
    // or its failure; at most maxLines lines (then "… и ещё 3").
    static QString SetProcessTip(const std::vector<MapDocument::TileOutcome>& outcomes, int maxLines);

    // Process's warnings, one line per kind of problem; empty where there is none. levels: the rows of the
    // Levels table that Process wrote.
    static QString WarningsText(const ProcessWarnings& made, std::size_t levels);

    // The status bar's tooltip after a Process: the warnings and a blank line, one line per type whose
    // EndLevel lines changed (in kind and code order), the number of types that kept theirs, the header and
    // dictionary changes, the total. It has at most maxLines lines where the warnings and the lines after
    // the types leave room for one: the types that do not fit are counted in a last row, "… и ещё 12".
    static QString ProcessTip(const ProcessSummary& summary, const ProcessWarnings& made, std::size_t levels,
                              int maxLines);
};

}  // namespace stratex

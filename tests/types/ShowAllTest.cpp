#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "types/TypeLists.h"

namespace stratex {
namespace {

std::vector<std::string> Codes(const TypeList& list) {
    std::vector<std::string> codes;
    for (const auto& row : list.rows()) codes.push_back(row.code);
    return codes;
}

using CodeList = std::vector<std::string>;

// Lists as a map scan leaves them: rows found in the map, sorted by code.
TypeLists FoundLists() {
    TypeLists lists;
    lists.poi.AddTypeRow("0x2f06", "Bank", "2");
    lists.poi.AddTypeRow("0x6400", "Monument", "1");
    lists.polyline.AddTypeRow("0x16", "Trail", "3");
    lists.polygon.AddTypeRow("0x4c", "Lake", "4");
    return lists;
}

TypeNameFiles Names() {
    TypeNameFiles names;
    names.poi = {"; points", "0x0100=City", "0x2F06=Bank upper", "0x2f06=Bank", "0x2a01=Food"};
    names.polyline = {"0x01=Heading line", "0x16=Trail", "0x02=Highway"};
    names.polygon = {"0x4c=Lake", "0x4a=Frame", ";0x01=hidden"};
    return names;
}

TEST(ShowAll, AppendsEveryNamedTypeMissingInFileOrder) {
    TypeLists lists = FoundLists();
    ShowAllObjects(lists, Names());

    ASSERT_EQ(Codes(lists.poi), (CodeList{"0x2f06", "0x6400", "0x0100", "0x2F06", "0x2a01"}));
    // The file's own spelling stands beside the found code; the catalogue still gives its icon, and the
    // name is the first line whose key matches ignoring case.
    EXPECT_EQ(lists.poi[3], (TypeRow{"0", "0x2F06", "Bank upper", 58, true}));
    EXPECT_EQ(lists.poi[2], (TypeRow{"0", "0x0100", "City", 0, true}));
    EXPECT_EQ(lists.poi[4], (TypeRow{"0", "0x2a01", "Food", 26, true}));
    EXPECT_FALSE(lists.poi[0].addedByShowAll);

    // The first line of the polyline file never gives a row, even for a type the map lacks.
    EXPECT_EQ(Codes(lists.polyline), (CodeList{"0x16", "0x02"}));
    EXPECT_EQ(lists.polyline[1], (TypeRow{"0", "0x02", "Highway", 2, true}));

    EXPECT_EQ(Codes(lists.polygon), (CodeList{"0x4c", "0x4a"}));
    EXPECT_EQ(lists.polygon[1], (TypeRow{"0", "0x4a", "Frame", -1, true}));
}

TEST(ShowAll, EmptyLinesAreSkippedAndTheRestStillCounts) {
    TypeLists lists;
    TypeNameFiles names;
    names.poi = {"", "0x0100=City", "", "", "0x2f06=Bank"};
    names.polyline = {"", "", "0x16=Trail"};
    names.polygon = {"0x4c=Lake", ""};
    ShowAllObjects(lists, names);
    EXPECT_EQ(Codes(lists.poi), (CodeList{"0x0100", "0x2f06"}));
    EXPECT_EQ(Codes(lists.polyline), (CodeList{"0x16"}));
    EXPECT_EQ(Codes(lists.polygon), (CodeList{"0x4c"}));
}

TEST(ShowAll, KeylessLinesGiveOneRowWithAnEmptyCode) {
    struct Case {
        LineList poiFile;
        std::vector<TypeRow> rows;
    };
    const Case cases[] = {
        {{"no key here", "0x0100=City", "=Unnamed", "another", "=Second"},
         {{"0", "", "Unnamed", -1, true}, {"0", "0x0100", "City", 0, true}}},
        {{"=First", "=Second"}, {{"0", "", "First", -1, true}}},
        {{"no key", "0x0100=City"}, {{"0", "", "", -1, true}, {"0", "0x0100", "City", 0, true}}},
        {{";=Comment", "0x0100=City"}, {{"0", "0x0100", "City", 0, true}}},
    };
    for (const auto& c : cases) {
        TypeLists lists;
        TypeNameFiles names;
        names.poi = c.poiFile;
        ShowAllObjects(lists, names);
        EXPECT_EQ(lists.poi.rows(), c.rows) << c.poiFile.front();
    }
}

TEST(ShowAll, AddsNothingWhenEverythingIsListed) {
    TypeLists lists = FoundLists();
    TypeNameFiles names;
    names.poi = {"0x2f06=Bank", ";0x0100=City", "0x6400=Monument"};
    names.polyline = {"0x01=Heading line", "0x16=Trail"};
    names.polygon = {"0x4c=Lake"};
    ShowAllObjects(lists, names);
    const TypeLists before = FoundLists();
    for (const ObjectKind kind : kAllKinds) EXPECT_EQ(lists.Of(kind).rows(), before.Of(kind).rows());
    RemoveShowAllRows(lists);
    for (const ObjectKind kind : kAllKinds) EXPECT_EQ(lists.Of(kind).rows(), before.Of(kind).rows());
}

TEST(ShowAll, OnEmptyListsFillsThemAndSwitchingOffEmptiesThem) {
    TypeLists lists;
    ShowAllObjects(lists, Names());
    EXPECT_EQ(Codes(lists.poi), (CodeList{"0x0100", "0x2F06", "0x2f06", "0x2a01"}));
    EXPECT_EQ(Codes(lists.polyline), (CodeList{"0x16", "0x02"}));
    EXPECT_EQ(Codes(lists.polygon), (CodeList{"0x4c", "0x4a"}));
    RemoveShowAllRows(lists);
    for (const ObjectKind kind : kAllKinds) EXPECT_TRUE(lists.Of(kind).empty());
    EXPECT_FALSE(lists.poi.IsTypeListed("0x0100"));
}

TEST(ShowAll, SwitchingOffRemovesExactlyTheAddedRowsAfterASort) {
    TypeLists lists = FoundLists();
    lists.poi.AddTypeRow("0x2c02", "Museum", "6");
    ShowAllObjects(lists, Names());
    // A header click interleaves the added rows with the found ones.
    lists.SortAll(1);
    ASSERT_EQ(Codes(lists.poi), (CodeList{"0x0100", "0x2a01", "0x2c02", "0x2f06", "0x2F06", "0x6400"}));
    lists.poi.SetLevel(0, "9");
    lists.poi.SetLevel(2, "7");

    RemoveShowAllRows(lists);

    // The found rows stay in their sorted order with the levels set meanwhile; no added row survives.
    EXPECT_EQ(Codes(lists.poi), (CodeList{"0x2c02", "0x2f06", "0x6400"}));
    EXPECT_EQ(lists.poi.GetTypeLevel("0x2c02"), 7);
    EXPECT_EQ(lists.poi.GetTypeLevel("0x2f06"), 2);
    EXPECT_EQ(lists.poi.GetTypeLevel("0x6400"), 1);
    EXPECT_FALSE(lists.poi.IsTypeListed("0x0100"));
    EXPECT_FALSE(lists.poi.IsTypeListed("0x2F06"));
    EXPECT_EQ(lists.poi.GetTypeLevel("0x2a01"), 0);
    EXPECT_EQ(Codes(lists.polyline), (CodeList{"0x16"}));
    EXPECT_EQ(Codes(lists.polygon), (CodeList{"0x4c"}));

    // Switching on again adds the same rows once more.
    ShowAllObjects(lists, Names());
    EXPECT_EQ(Codes(lists.poi), (CodeList{"0x2c02", "0x2f06", "0x6400", "0x0100", "0x2F06", "0x2a01"}));
}

TEST(TypeLists, SortAllSortsEachListAndOfNamesThem) {
    TypeLists lists;
    for (const char* code : {"0x2f06", "0x0100"}) lists.poi.AddTypeRow(code, "", "0");
    for (const char* code : {"0x16", "0x01"}) lists.polyline.AddTypeRow(code, "", "0");
    for (const char* code : {"0x4c", "0x01"}) lists.polygon.AddTypeRow(code, "", "0");
    lists.SortAll(1);
    EXPECT_EQ(Codes(lists.Of(ObjectKind::Poi)), (CodeList{"0x0100", "0x2f06"}));
    EXPECT_EQ(Codes(lists.Of(ObjectKind::Polyline)), (CodeList{"0x01", "0x16"}));
    EXPECT_EQ(Codes(lists.Of(ObjectKind::Polygon)), (CodeList{"0x01", "0x4c"}));
    EXPECT_EQ(lists.Of(ObjectKind::Polyline).kind(), ObjectKind::Polyline);
    EXPECT_EQ(std::as_const(lists).Of(ObjectKind::Polygon).kind(), ObjectKind::Polygon);
}

}  // namespace
}  // namespace stratex

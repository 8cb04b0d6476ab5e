#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "levels/LevelsTable.h"
#include "levels/ZoomTable.h"

namespace stratex {
namespace {

// A table as a map header with the given values gives it: rows Level0, Level1, ...
LevelsTable TableOf(const std::vector<std::string>& values) {
    LevelsTable table;
    table.Clear();
    for (std::size_t i = 0; i < values.size(); ++i) table.AddScannedRow("Level" + std::to_string(i), values[i]);
    return table;
}

std::vector<std::string> Keys(const LevelsTable& table) {
    std::vector<std::string> keys;
    for (const auto& row : table.rows()) keys.push_back(row.key);
    return keys;
}

std::vector<std::string> Values(const LevelsTable& table) {
    std::vector<std::string> values;
    for (const auto& row : table.rows()) values.push_back(row.value);
    return values;
}

const std::string k24 = LevelValue(24);
const std::string k22 = LevelValue(22);
const std::string k20 = LevelValue(20);
const std::string k18 = LevelValue(18);

TEST(LevelsTable, StartsWithOneEmptyRow) {
    const LevelsTable table;
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.rows()[0], (LevelRow{"", "", false}));
}

TEST(LevelsTable, ScannedRowGetsPickListOnlyForTheFirstOfItsKey) {
    LevelsTable table;
    table.Clear();
    table.AddScannedRow("Level0", k24);
    table.AddScannedRow("Level1", k22);
    table.AddScannedRow("LEVEL0", k20);
    table.AddScannedRow("level1", k18);
    table.AddScannedRow("Level2", k18);
    const std::vector<bool> expected = {true, true, false, false, true};
    ASSERT_EQ(table.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(table.rows()[i].pickList, expected[i]) << i;
    EXPECT_EQ(Values(table), (std::vector<std::string>{k24, k22, k20, k18, k18}));
}

TEST(LevelsTable, PickListFollowsTheKeysTheTableHoldsNow) {
    // The placeholder's empty key counts as a key until the table is cleared.
    LevelsTable fresh;
    fresh.AddScannedRow("", "");
    EXPECT_FALSE(fresh.rows()[1].pickList);
    fresh.Clear();
    fresh.AddScannedRow("", "");
    EXPECT_TRUE(fresh.rows()[0].pickList);

    // After a removal renumbers the keys, Level1 is gone and Level0 names the old second row.
    LevelsTable table = TableOf({k24, k22});
    table.Remove(0);
    ASSERT_EQ(Keys(table), (std::vector<std::string>{"Level0"}));
    table.AddScannedRow("level0", k20);
    table.AddScannedRow("Level1", k18);
    EXPECT_FALSE(table.rows()[1].pickList);
    EXPECT_TRUE(table.rows()[2].pickList);

    table.Clear();
    table.AddScannedRow("Level0", k24);
    EXPECT_TRUE(table.rows()[0].pickList);
}

struct AddCase {
    const char* name;
    std::vector<std::string> values;  // the table before, keys Level0..
    std::optional<std::size_t> selected;
    std::optional<std::size_t> newRow;
    std::vector<std::string> after;  // values after; keys are always Level0..
};

TEST(LevelsTable, AddAfterInsertsACopyOrReplacesTheFirstRow) {
    const AddCase cases[] = {
        {"after the last row", {k24, k22}, 1, 2, {k24, k22, k22}},
        {"after a middle row", {k24, k22, k20}, 0, 1, {k24, k24, k22, k20}},
        {"one-digit count is read and copied", {k24, "9bit ()", k20}, 1, 2, {k24, "9bit ()", "9bit ()", k20}},
        {"only the leading digits count", {"8bit ()"}, 0, 1, {"8bit ()", "8bit ()"}},
        {"two digits at most", {"100bit ()"}, 0, 1, {"100bit ()", LevelValue(10)}},
        {"27 has its number as zoom", {"27bit (27)"}, 0, 1, {"27bit (27)", "27bit (27)"}},
        {"no digits: first row replaced", {k22, "x", k20}, 1, 0, {k24, "x", k20}},
        {"leading blank is no digit", {k22, " 5bit ()"}, 1, 0, {k24, " 5bit ()"}},
        {"no selection: first row replaced", {k22, k20}, std::nullopt, 0, {k24, k20}},
        {"selection past the end", {k22, k20}, 2, 0, {k24, k20}},
        {"empty table gains Level0", {}, std::nullopt, 0, {k24}},
        {"empty table, stale selection", {}, 3, 0, {k24}},
    };
    for (const auto& c : cases) {
        LevelsTable table = TableOf(c.values);
        EXPECT_EQ(table.AddAfter(c.selected), c.newRow) << c.name;
        EXPECT_EQ(Values(table), c.after) << c.name;
        std::vector<std::string> keys;
        for (std::size_t i = 0; i < c.after.size(); ++i) keys.push_back("Level" + std::to_string(i));
        EXPECT_EQ(Keys(table), keys) << c.name;
        if (c.newRow && *c.newRow < table.size()) {
            EXPECT_TRUE(table.rows()[*c.newRow].pickList) << c.name;
        }
    }
}

TEST(LevelsTable, AddingToTheStartTableReplacesTheEmptyRow) {
    for (const std::optional<std::size_t> selected : {std::optional<std::size_t>(0), std::optional<std::size_t>()}) {
        LevelsTable table;
        EXPECT_EQ(table.AddAfter(selected), 0u);
        ASSERT_EQ(table.size(), 1u);
        EXPECT_EQ(table.rows()[0], (LevelRow{"Level0", "24bit (<=120\xEC)", true}));
    }
}

TEST(LevelsTable, OneDigitRowGetsItsCopyAfterItAndTheFirstRowStays) {
    LevelsTable table = TableOf({k24, k22, "9bit ()"});
    ASSERT_EQ(table.AddAfter(2), 3u);
    EXPECT_EQ(Values(table), (std::vector<std::string>{k24, k22, "9bit ()", "9bit ()"}));
    EXPECT_EQ(Keys(table), (std::vector<std::string>{"Level0", "Level1", "Level2", "Level3"}));
}

TEST(LevelsTable, HoldsAtMostTenRows) {
    std::vector<std::string> nine(9, k20);
    LevelsTable table = TableOf(nine);
    ASSERT_EQ(table.AddAfter(8), 9u);
    ASSERT_EQ(table.size(), 10u);

    const LevelsTable full = table;
    for (std::size_t selected = 0; selected < 10; ++selected) {
        EXPECT_EQ(table.AddAfter(selected), std::nullopt) << selected;
        EXPECT_EQ(table.rows(), full.rows()) << selected;
    }
    EXPECT_EQ(table.rows().back().key, "Level9");

    // Replacing the first row of a full table keeps ten rows, so it is allowed.
    table.SetValue(3, "");
    EXPECT_EQ(table.AddAfter(3), 0u);
    EXPECT_EQ(table.size(), 10u);
    EXPECT_EQ(table.rows()[0].value, k24);
}

TEST(LevelsTable, ReplacingTheFirstRowOfAnOverfullHeaderIsRefusedToo) {
    LevelsTable table = TableOf(std::vector<std::string>(12, "x"));
    const LevelsTable before = table;
    EXPECT_EQ(table.AddAfter(std::nullopt), std::nullopt);
    EXPECT_EQ(table.rows(), before.rows());
}

TEST(LevelsTable, InsertedRowsLeaveTheOthersTheirValueCells) {
    LevelsTable table;
    table.Clear();
    table.AddScannedRow("Level0", k24);
    table.AddScannedRow("level0", k22);  // a repeated key: open to typing
    table.AddScannedRow("Level2", k20);
    ASSERT_EQ(table.AddAfter(0), 1u);
    const std::vector<bool> pick = {true, true, false, true};
    for (std::size_t i = 0; i < pick.size(); ++i) EXPECT_EQ(table.rows()[i].pickList, pick[i]) << i;
    EXPECT_EQ(Keys(table), (std::vector<std::string>{"Level0", "Level1", "level2", "Level3"}));
}

TEST(LevelsTable, RemoveTakesTheSelectedRowAndRenumbers) {
    LevelsTable table = TableOf({k24, k22, k20, k18});
    table.Remove(1);
    EXPECT_EQ(Keys(table), (std::vector<std::string>{"Level0", "Level1", "Level2"}));
    EXPECT_EQ(Values(table), (std::vector<std::string>{k24, k20, k18}));

    table.Remove(0);
    EXPECT_EQ(Values(table), (std::vector<std::string>{k20, k18}));
    EXPECT_EQ(Keys(table), (std::vector<std::string>{"Level0", "Level1"}));
}

TEST(LevelsTable, RemoveWithoutARowChangesNothing) {
    LevelsTable table;
    table.Clear();
    table.AddScannedRow("Level3", k24);
    table.AddScannedRow("Level7", k22);
    const LevelsTable before = table;
    table.Remove(std::nullopt);
    table.Remove(2);
    EXPECT_EQ(table.rows(), before.rows());

    LevelsTable empty;
    empty.Clear();
    empty.Remove(0);
    EXPECT_EQ(empty.size(), 0u);
}

struct RenumberCase {
    std::vector<std::string> before;
    std::vector<std::string> after;
};

TEST(LevelsTable, RenumberSetsTheSixthCharacterOfEveryKey) {
    const RenumberCase cases[] = {
        {{"Level3", "Level7", "Level1"}, {"Level0", "Level1", "Level2"}},
        {{"LEVEL5", "level9"}, {"LEVEL0", "level1"}},
        {{"EndLevel", "Level12"}, {"EndLe0el", "Level12"}},
        // Keys without a sixth character become level keys.
        {{"Level", "", "Lev"}, {"Level0", "Level1", "Level2"}},
    };
    for (const auto& c : cases) {
        LevelsTable table;
        table.Clear();
        for (const auto& key : c.before) table.AddScannedRow(key, k20);
        table.RenumberLevels();
        EXPECT_EQ(Keys(table), c.after) << c.before.front();
        for (const auto& row : table.rows()) EXPECT_EQ(row.value, k20);
    }
}

TEST(LevelsTable, RenumberRunsPastNineOnlyForAnOverfullHeader) {
    LevelsTable table = TableOf(std::vector<std::string>(12, k20));
    table.RenumberLevels();
    EXPECT_EQ(table.rows()[9].key, "Level9");
    // Only the sixth character changes: the header's "Level10" and "Level11" keep their last digits.
    EXPECT_EQ(table.rows()[10].key, "Level:0");
    EXPECT_EQ(table.rows()[11].key, "Level;1");
}

TEST(LevelsTable, ValueOfKeyTakesTheFirstRowIgnoringCase) {
    LevelsTable table;
    table.Clear();
    table.AddScannedRow("Level0", k24);
    table.AddScannedRow("LEVEL0", k22);
    table.AddScannedRow("Level1", k20);
    EXPECT_EQ(table.ValueOfKey("level0"), k24);
    EXPECT_EQ(table.ValueOfKey("LEVEL1"), k20);
    EXPECT_EQ(table.ValueOfKey("Level2"), "");
    EXPECT_EQ(table.ValueOfKey(""), "");
}

TEST(LevelsTable, SetValueChangesOneCell) {
    LevelsTable table = TableOf({k24, k22});
    table.SetValue(1, k18);
    table.SetValue(5, k20);  // no such row
    EXPECT_EQ(Values(table), (std::vector<std::string>{k24, k18}));
}

TEST(LevelsTable, LeadingBitsAreAtMostTwoLeadingDigits) {
    const std::pair<const char*, const char*> cases[] = {
        {"24bit (<=120\xEC)", "24"},
        {"8bit ()", "8"},
        {"9", "9"},
        {"07bit", "07"},
        {"100bit ()", "10"},
        {"", ""},
        {"bit ()", ""},
        {" 5bit", ""},
        {"+5bit ()", ""},
        {"-5bit ()", ""},
        {"x", ""},
        {"0x18bit", "0"},
        {"12", "12"},
        {"1a", "1"},
    };
    for (const auto& [value, bits] : cases) {
        EXPECT_EQ(LeadingBits(value), bits) << '"' << value << '"';
    }
}

}  // namespace
}  // namespace stratex

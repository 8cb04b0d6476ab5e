#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace stratex {

// The zoom text of a bit count (Windows-1251 bytes): "" for 0..9, "<=1200км" for 10, ... "27" and "28";
// "" outside 0..28.
std::string_view ZoomText(int bits);

// A Levels table value: bitsText, "bit (", zoom text of bits, ")". bitsText is the bit count as the map
// spells it; LevelValue(24) gives "24bit (<=120м)".
std::string LevelValue(std::string_view bitsText, int bits);
std::string LevelValue(int bits);

// The 17 choices of a level's value cell: LevelValue(b) for b = 10..26.
const std::vector<std::string>& LevelPickList();

}  // namespace stratex

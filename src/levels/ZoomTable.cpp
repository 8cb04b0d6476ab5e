#include "levels/ZoomTable.h"

#include <array>
#include <string>

namespace stratex {

namespace {

// Indexed by bit count. The Cyrillic units are Windows-1251 bytes: "\xEA\xEC" is "км", "\xEC" is "м".
constexpr std::array<std::string_view, 29> kZoomTexts = {
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "<=1200\xEA\xEC",  // 10
    "<=800\xEA\xEC",
    "<=500\xEA\xEC",
    "<=200\xEA\xEC",
    "<=120\xEA\xEC",
    "<=50\xEA\xEC",  // 15
    "<=30\xEA\xEC",
    "<=12\xEA\xEC",
    "<=8\xEA\xEC",
    "<=3\xEA\xEC",
    "<=2\xEA\xEC",  // 20
    "<=1,2\xEA\xEC",
    "<=500\xEC",
    "<=300\xEC",
    "<=120\xEC",
    "<=80\xEC",  // 25
    "<=30\xEC",
    "27",
    "28",
};

constexpr int kFirstPickBits = 10;
constexpr int kLastPickBits = 26;

}  // namespace

std::string_view ZoomText(int bits) {
    // Counts the table does not cover show no zoom, like the low counts do.
    if (bits < 0 || bits >= static_cast<int>(kZoomTexts.size())) return {};
    return kZoomTexts[static_cast<std::size_t>(bits)];
}

std::string LevelValue(std::string_view bitsText, int bits) {
    const std::string_view zoom = ZoomText(bits);
    std::string value;
    value.reserve(bitsText.size() + zoom.size() + 6);
    value.append(bitsText).append("bit (").append(zoom).append(")");
    return value;
}

std::string LevelValue(int bits) { return LevelValue(std::to_string(bits), bits); }

const std::vector<std::string>& LevelPickList() {
    static const std::vector<std::string> list = [] {
        std::vector<std::string> choices;
        for (int b = kFirstPickBits; b <= kLastPickBits; ++b) choices.push_back(LevelValue(b));
        return choices;
    }();
    return list;
}

}  // namespace stratex

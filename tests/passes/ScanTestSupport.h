#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bytes/MapText.h"
#include "passes/Progress.h"
#include "types/TypeList.h"
#include "types/TypeNames.h"

namespace stratex {

// A map from its lines, written with CR LF as map files are.
inline MapText MapOf(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    return MapText::FromBytes(std::move(bytes));
}

// A small set of type name files.
inline TypeNameFiles TestNames() {
    TypeNameFiles names;
    names.poi = {"0x2f06=Bank", "0x2F01=Fuel", "0x0001=City"};
    names.polyline = {";roads", "0x16=Trail", "0x1f=River"};
    names.polygon = {"0x4c=Lake"};
    return names;
}

// The rows of a list as "level|code|name".
inline std::vector<std::string> RowsOf(const TypeList& list) {
    std::vector<std::string> rows;
    for (const auto& row : list.rows()) rows.push_back(row.level + "|" + row.code + "|" + row.name);
    return rows;
}

// Keeps every report of a long operation.
class RecordingProgress : public Progress {
public:
    void SetState(PassState state) override { states.push_back(state); }
    void SetProgress(std::uint64_t maximum, std::uint64_t position) override {
        positions.emplace_back(maximum, position);
    }

    std::vector<PassState> states;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> positions;
};

}  // namespace stratex

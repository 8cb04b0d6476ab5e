#include "types/TypeLists.h"

#include <string>
#include <string_view>
#include <unordered_map>

#include "bytes/Integer.h"
#include "bytes/Strings.h"

namespace stratex {

std::int32_t ObjectEndLevel(const TypeLists& lists, ObjectKind kind, std::string_view typeText) {
    return lists.Of(kind).GetTypeLevel(NormalisedTypeCode(kind, ReadInteger(typeText)));
}

TypeList& TypeLists::Of(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::Polyline:
            return polyline;
        case ObjectKind::Polygon:
            return polygon;
        case ObjectKind::Poi:
            break;
    }
    return poi;
}

const TypeList& TypeLists::Of(ObjectKind kind) const { return const_cast<TypeLists*>(this)->Of(kind); }

void TypeLists::SortAll(int sortColumn) {
    for (const ObjectKind kind : kAllKinds) Of(kind).Sort(sortColumn);
}

namespace {

void AddNamedTypes(TypeList& list, const LineList& lines, std::size_t firstLine) {
    // The name of every key, as LookupTypeName finds it (the first line with that key, ASCII case folded),
    // gathered once so that long files stay linear.
    std::unordered_map<std::string, std::string_view> firstName;
    for (const std::string& line : lines) {
        if (HasKey(line)) firstName.try_emplace(AsciiLowerCopy(KeyOf(line)), ValueOf(line));
    }
    for (std::size_t i = firstLine; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        // Empty lines are layout, not an entry; ";" starts a comment.
        if (line.empty() || line.front() == ';') continue;
        const std::string_view code = KeyOf(line);
        if (list.IsTypeListed(code)) continue;
        const auto name = firstName.find(AsciiLowerCopy(code));
        list.AddTypeRow(std::string(code), name == firstName.end() ? std::string() : std::string(name->second), "0",
                        true);
    }
}

}  // namespace

void ShowAllObjects(TypeLists& lists, const TypeNameFiles& names) {
    AddNamedTypes(lists.poi, names.poi, 0);
    // The polyline file is read from its second line: its first line never becomes a row.
    AddNamedTypes(lists.polyline, names.polyline, 1);
    AddNamedTypes(lists.polygon, names.polygon, 0);
}

void RemoveShowAllRows(TypeLists& lists) {
    for (const ObjectKind kind : kAllKinds) lists.Of(kind).RemoveShowAllRows();
}

}  // namespace stratex

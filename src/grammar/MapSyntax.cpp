#include "grammar/MapSyntax.h"

#include "bytes/ByteScan.h"
#include "bytes/Strings.h"

namespace stratex::mapsyntax {

namespace {

constexpr std::string_view kDictionaryEndSpaced = "[END DICTIONARY]";

// Reads "KEY<digits>" and blanks before "=" at the start of line, the key's case ignored: the digits'
// value, or -1.
int KeyLevel(std::string_view line, std::string_view key) {
    if (line.size() <= key.size() || !EqualsNoCase(line.substr(0, key.size()), key)) return -1;
    std::size_t i = key.size();
    const std::size_t first = i;
    int level = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && i - first < 3) level = level * 10 + (line[i++] - '0');
    if (i == first) return -1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return i < line.size() && line[i] == '=' ? level : -1;
}

}  // namespace

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

std::string_view TypeText(std::string_view line) {
    // Characters 6 and 7 ("0x"), five digits at 8 to 12, and no digit at 13.
    constexpr std::size_t kValue = 5;
    constexpr std::size_t kExtended = 7;
    if (line.size() >= kValue + kExtended && line[kValue] == '0' &&
        (line[kValue + 1] == 'x' || line[kValue + 1] == 'X') &&
        (line.size() == kValue + kExtended || !IsHexDigit(line[kValue + kExtended]))) {
        bool digits = true;
        for (std::size_t k = kValue + 2; k < kValue + kExtended; ++k) digits = digits && IsHexDigit(line[k]);
        if (digits) return line.substr(kValue, kExtended);
    }
    return Mid(line, 6, 11);
}

std::string_view UpToText(std::string_view line) { return Mid(line, 10, 11); }

bool BeginsEndLevelOtherCase(std::string_view line) { return StartsWithNoCase(line, "EndLevel"); }

bool IsCutOpener(std::string_view line) {
    if (line.empty() || line.front() != '[') return false;
    for (const Opener& opener : kOpeners) {
        if (line.size() < opener.marker.size() && opener.marker.substr(0, line.size()) == line) return true;
    }
    return false;
}

bool IsLevelLine(std::string_view line) {
    return line.size() > 5 && StartsWithNoCase(line, "level") && line[5] >= '0' && line[5] <= '9';
}

bool IsLevelsLine(std::string_view line) { return StartsWithNoCase(line, "Levels="); }

bool ContinuesLevelRun(std::string_view line) {
    return StartsWithNoCase(line, "Level") || StartsWithNoCase(line, "Zoom");
}

bool IsLevelKey(std::string_view line) {
    if (StartsWithNoCase(line, "Levels=")) return true;
    std::size_t at = 0;
    if (StartsWithNoCase(line, "Level")) {
        at = 5;
    } else if (StartsWithNoCase(line, "Zoom")) {
        at = 4;
    } else {
        return false;
    }
    const std::size_t firstDigit = at;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9') ++at;
    return at > firstDigit && at < line.size() && line[at] == '=';
}

bool EndsDictionaryForReading(std::string_view line) {
    return line.find('[') != std::string_view::npos && ContainsNoCase(line, kDictionaryEnd);
}

bool BeginsDictionaryEndMarker(std::string_view text) {
    return StartsWithNoCase(text, kDictionaryEnd) || StartsWithNoCase(text, kDictionaryEndSpaced);
}

bool EndsDictionaryForRemoval(std::string_view line) {
    return ContainsNoCase(line, kDictionaryEnd) || ContainsNoCase(line, kDictionaryEndSpaced);
}

std::optional<int> CoordinateLevel(std::string_view line) {
    if (line.empty()) return std::nullopt;
    const char first = static_cast<char>(line[0] | 0x20);
    if (first != 'd' && first != 'o') return std::nullopt;
    const int level = first == 'd' ? KeyLevel(line, "Data") : KeyLevel(line, "Origin");
    if (level < 0) return std::nullopt;
    return level;
}

std::optional<std::size_t> FindSectionCut(std::string_view bytes, std::size_t& scanned, bool more) {
    const char* const data = bytes.data();
    const char* const end = data + bytes.size();
    while (scanned < bytes.size()) {
        const char* bracket = bytescan::Find(data + scanned, end, '[');
        if (bracket == end) {
            scanned = bytes.size();
            break;
        }
        const auto at = static_cast<std::size_t>(bracket - data);
        // A line starts behind a LF, and behind a CR that no LF follows ("[" does not).
        if (at == 0 || (data[at - 1] != '\n' && data[at - 1] != '\r')) {
            scanned = at + 1;
            continue;
        }
        const char* lineEnd = bytescan::FindLineEnd(bracket, end);
        if (lineEnd == end && more) {
            scanned = at;
            break;
        }
        if (ClassifyLine(std::string_view(bracket, static_cast<std::size_t>(lineEnd - bracket))).opens) return at;
        scanned = static_cast<std::size_t>(lineEnd - data);
    }
    return std::nullopt;
}

}  // namespace stratex::mapsyntax

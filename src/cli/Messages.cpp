#include "cli/Messages.h"

namespace stratex {

std::string MessagePrefix(const std::string& file, std::uint64_t line) {
    std::string prefix(kProgramName);
    prefix.append(": ");
    if (!file.empty()) {
        prefix.append(file);
        if (line != 0) prefix.append(":").append(std::to_string(line));
        prefix.append(": ");
    }
    return prefix;
}

std::string FailureText(const Error& failure) {
    std::string text = failure.what();
    if (!failure.reason().empty()) text += ": " + failure.reason();
    return MessagePrefix(failure.file(), failure.line()) + WithFullStop(text);
}

std::string NotAMapText(const NotAMap& why) {
    switch (why.reason) {
        case NotAMapReason::Empty:
            return "the file is empty";
        case NotAMapReason::Utf16:
            return "the file is UTF-16 text; a map is single-byte text (Windows-1251)";
        case NotAMapReason::Utf32:
            return "the file is UTF-32 text; a map is single-byte text (Windows-1251)";
        case NotAMapReason::Binary:
            return "the file holds binary data, not text";
        case NotAMapReason::HeaderClosedByEnd:
            return "the header is closed by [END] at line " + std::to_string(why.line) + " instead of [END-IMG ID]";
        case NotAMapReason::NoHeaderEnd:
            break;
    }
    return "no line holds [END-IMG ID]";
}

void WriteNotAPolishMap(const std::string& mapUtf8, const NotAMap& why, std::ostream& err) {
    err << MessagePrefix(mapUtf8) << "Этот файл не Polish MAP!!!\n"
        << MessagePrefix(mapUtf8, why.reason == NotAMapReason::HeaderClosedByEnd ? why.line : 0) << NotAMapText(why)
        << ".\n";
}

}  // namespace stratex

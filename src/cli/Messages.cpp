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

void WriteNotAPolishMap(const std::string& mapUtf8, std::ostream& err) {
    err << MessagePrefix(mapUtf8) << "Этот файл не Polish MAP!!!\n"
        << MessagePrefix(mapUtf8) << "no line holds [END-IMG ID].\n";
}

}  // namespace stratex

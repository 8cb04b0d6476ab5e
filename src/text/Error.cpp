#include "text/Error.h"

namespace stratex {

std::string WithFullStop(std::string message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.')) {
        message += '.';
    }
    return message;
}

void ThrowCannotOpen(const std::string& pathUtf8) {
    throw Error("Cannot open file " + pathUtf8);
}

void ThrowCannotCreate(const std::string& pathUtf8) {
    throw Error("Cannot create file " + pathUtf8);
}

}  // namespace stratex

#include "text/Error.h"

namespace stratex {

void ThrowCannotOpen(const std::string& pathUtf8) {
    throw Error("Cannot open file " + pathUtf8);
}

void ThrowCannotCreate(const std::string& pathUtf8) {
    throw Error("Cannot create file " + pathUtf8);
}

}  // namespace stratex

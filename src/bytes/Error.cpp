#include "bytes/Error.h"

#include <cerrno>

namespace stratex {

std::string WithFullStop(std::string message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.')) {
        message += '.';
    }
    return message;
}

void RethrowAtLine(std::uint64_t line) {
    try {
        throw;
    } catch (Error& failure) {
        failure.SetLineIfUnset(line);
        throw;
    }
}

void RethrowMovedBy(std::exception_ptr failure, std::uint64_t lines) {
    try {
        std::rethrow_exception(failure);
    } catch (Error& moved) {
        moved.MoveLine(lines);
        throw;
    }
}

void RethrowInFile(const std::string& fileUtf8) {
    try {
        throw;
    } catch (Error& failure) {
        if (failure.line() != 0) failure.SetFileIfUnset(fileUtf8);
        throw;
    }
}

std::error_code LastSystemError() { return {errno, std::generic_category()}; }

void ThrowCannotOpen(const std::string& pathUtf8, std::error_code cause) {
    throw Error("Cannot open file " + pathUtf8, cause ? cause.message() : std::string());
}

void ThrowCannotCreate(const std::string& pathUtf8, std::error_code cause) {
    throw Error("Cannot create file " + pathUtf8, cause ? cause.message() : std::string());
}

}  // namespace stratex

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "bytes/WindowsApi.h"
#include "cli/Cli.h"
#include "cli/ConsoleBuffer.h"
#include "cli/Interrupts.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
// shellapi.h needs what windows.h (bytes/WindowsApi.h, above) declares.
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// The arguments as UTF-8. argv holds them in the ANSI code page, which cannot spell every file name, so
// they are taken again from the wide command line. Empty when Windows cannot split it.
std::vector<std::string> Utf8Arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return args;
    for (int i = 0; i < count; ++i) {
        // The length includes the terminating NUL, which the string then drops.
        const int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(length > 0 ? static_cast<std::size_t>(length) : 1, '\0');
        if (length > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), length, nullptr, nullptr);
        arg.resize(arg.size() - 1);
        args.push_back(std::move(arg));
    }
    LocalFree(wide);
    return args;
}

// The console behind a standard handle (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE), or null when the handle is
// a file, a pipe or nothing.
HANDLE ConsoleOf(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode) ? handle : nullptr;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    stratex::RemoveTempFilesOnInterrupt();
    std::vector<std::string> args;
#ifdef _WIN32
    args = Utf8Arguments();
    // "-o -" writes the file's bytes, CR LF included: standard output must not add a CR of its own.
    _setmode(_fileno(stdout), _O_BINARY);
    // The report and the messages are UTF-8, which a console shows right only as UTF-16 (its code page may
    // be any, and it takes no character in pieces). Files and pipes get the bytes.
    std::unique_ptr<stratex::ConsoleBuffer> consoleOut;
    std::unique_ptr<stratex::ConsoleBuffer> consoleErr;
    std::streambuf* const outBuffer = std::cout.rdbuf();
    std::streambuf* const errBuffer = std::cerr.rdbuf();
    if (HANDLE console = ConsoleOf(STD_OUTPUT_HANDLE)) {
        consoleOut = std::make_unique<stratex::ConsoleBuffer>(console);
        std::cout.rdbuf(consoleOut.get());
    }
    if (HANDLE console = ConsoleOf(STD_ERROR_HANDLE)) {
        consoleErr = std::make_unique<stratex::ConsoleBuffer>(console);
        std::cerr.rdbuf(consoleErr.get());
    }
#endif
    if (args.empty()) args.assign(argv, argv + argc);
#ifdef _WIN32
    const bool errIsTerminal = _isatty(_fileno(stderr)) != 0;
#else
    const bool errIsTerminal = isatty(STDERR_FILENO) != 0;
#endif
    const int status = stratex::RunCli(args, std::cout, std::cerr, errIsTerminal);
#ifdef _WIN32
    std::cout.flush();
    std::cerr.flush();
    // The streams outlive main; the console buffers do not.
    std::cout.rdbuf(outBuffer);
    std::cerr.rdbuf(errBuffer);
#endif
    return status;
}

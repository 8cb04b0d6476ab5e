#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// shellapi.h needs what windows.h declares.
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
#endif

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    args = Utf8Arguments();
    // The report and the messages are UTF-8; a console shows them right only in the UTF-8 code page.
    const UINT consoleCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    // "-o -" writes the file's bytes, CR LF included: standard output must not add a CR of its own.
    _setmode(_fileno(stdout), _O_BINARY);
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
    if (consoleCodePage != 0) SetConsoleOutputCP(consoleCodePage);
#endif
    return status;
}

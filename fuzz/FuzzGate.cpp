// libFuzzer entry of fuzz_gate: the input is a map, its first byte choosing Process's options; check,
// process and the check of process's output must keep the gate's promise (support/Gate.h).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/Gate.h"

namespace {

// A folder of this process with the shipped type name files, made at the first input.
const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path made = std::filesystem::temp_directory_path() /
                                     ("stratex-fuzz-gate-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(made);
        for (const char* name : {"poi.txt", "polyline.txt", "polygon.txt"}) {
            std::filesystem::copy_file(std::filesystem::path(STRATEX_DATA_DIR) / name, made / name,
                                       std::filesystem::copy_options::overwrite_existing);
        }
        return made;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned choice = data[0];
    std::vector<std::string> options;
    if (choice & 1) options.insert(options.end(), {"--levels", "24,21,18"});
    if (choice & 2) options.push_back("--dictionary");
    if (choice & 4) options.push_back("--show-all");
    if (choice & 8) options.insert(options.end(), {"--sort", "2"});
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string broken = stratex::GateBroken(stratex::RunGate(Folder(), bytes, options));
    if (!broken.empty()) {
        std::fprintf(stderr, "the gate's promise is broken: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}

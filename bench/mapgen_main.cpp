// stratex-mapgen: writes a synthetic Polish map of a given size, for benchmarks and fault tests.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "MapGenerator.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: stratex-mapgen SIZE_MB OUT.mp [SEED] [SHARE_WITHOUT_ENDLEVEL] [--lf] [--no-dictionary]\n"
                     "       stratex-mapgen SIZE_MB OUT.mp --real DIR   (the objects of the maps in DIR, repeated)\n";
        return 2;
    }
    stratex::bench::MapShape shape;
    shape.targetBytes = std::strtoull(argv[1], nullptr, 10) << 20;
    int positional = 0;
    std::filesystem::path realDir;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--real" && i + 1 < argc) {
            realDir = argv[++i];
        } else if (arg == "--lf") {
            shape.crlf = false;
        } else if (arg == "--no-dictionary") {
            shape.dictionary = false;
        } else if (positional++ == 0) {
            shape.seed = static_cast<std::uint32_t>(std::strtoul(arg.c_str(), nullptr, 10));
        } else {
            shape.withoutEndLevel = std::strtod(arg.c_str(), nullptr);
        }
    }
    try {
        std::uint64_t bytes = 0;
        if (realDir.empty()) {
            bytes = stratex::bench::GenerateMap(argv[2], shape);
        } else {
            std::vector<std::filesystem::path> sources;
            for (const auto& entry : std::filesystem::directory_iterator(realDir)) {
                if (entry.path().extension() == ".mp") sources.push_back(entry.path());
            }
            std::sort(sources.begin(), sources.end());
            bytes = stratex::bench::RepeatRealMaps(sources, argv[2], shape.targetBytes);
        }
        std::cout << bytes << " bytes written to " << argv[2] << "\n";
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}

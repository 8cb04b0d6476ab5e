// stratex-mapgen: writes a synthetic Polish map of a given size, for benchmarks and fault tests.
#include <cstdlib>
#include <iostream>
#include <string>

#include "MapGenerator.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: stratex-mapgen SIZE_MB OUT.mp [SEED] [SHARE_WITHOUT_ENDLEVEL] [--lf] [--no-dictionary]\n";
        return 2;
    }
    stratex::bench::MapShape shape;
    shape.targetBytes = std::strtoull(argv[1], nullptr, 10) << 20;
    int positional = 0;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--lf") {
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
        const auto bytes = stratex::bench::GenerateMap(argv[2], shape);
        std::cout << bytes << " bytes written to " << argv[2] << "\n";
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}

#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace stratex {

// The shared real maps lie beside the project (../shared/testdata/real), not in it: a clone of the project
// alone has none, and tests that read them skip there. CI has the folder and runs them.
inline std::filesystem::path RealMap(const std::string& relative) {
    return std::filesystem::path(STRATEX_TESTDATA_DIR) / "real" / relative;
}

}  // namespace stratex

// Skips the current test, saying what it needs, when the real map (a path from RealMap) is absent.
#define STRATEX_SKIP_WITHOUT(path)                                                                            \
    do {                                                                                                      \
        if (!std::filesystem::exists(path)) {                                                                 \
            GTEST_SKIP() << "needs ../shared/testdata beside the project (the shared real maps): " << (path); \
        }                                                                                                     \
    } while (false)

#!/usr/bin/env bash
# Cross-compiles the engine and stratex-cli for 64-bit Windows with Debian's MinGW-w64 compilers, which it
# installs with apt-get when they are missing. The window is not built (it needs Qt for Windows).
# CLI11 and nlohmann-json are header-only: their headers and CMake configs are copied from the host's
# libcli11-dev and nlohmann-json3-dev into a private prefix, so that the cross build sees them without
# seeing the rest of the host's /usr/include.
# The result: $STRATEX_BUILD_DIR/src/cli/stratex-cli.exe (default build-mingw).
# STRATEX_WERROR=ON turns warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh only cmake make g++-mingw-w64-x86-64-posix libcli11-dev nlohmann-json3-dev

build=${STRATEX_BUILD_DIR:-build-mingw}
cli11=$PWD/$build/cli11
rm -rf "$cli11"
mkdir -p "$cli11/include" "$cli11/share/cmake"
cp -r /usr/include/CLI "$cli11/include/"
cp -r /usr/share/cmake/CLI11 "$cli11/share/cmake/"
cp -r /usr/include/nlohmann "$cli11/include/"
cp -r /usr/share/cmake/nlohmann_json "$cli11/share/cmake/"

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCLI11_DIR="$cli11/share/cmake/CLI11" -Dnlohmann_json_DIR="$cli11/share/cmake/nlohmann_json" -DSTRATEX_BUILD_GUI=OFF -DSTRATEX_BUILD_TESTS=OFF \
    -DSTRATEX_WERROR="${STRATEX_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target stratex_document stratex-cli

exe=$build/src/cli/stratex-cli.exe
file "$exe" 2>/dev/null || ls -l "$exe"
# The program needs no DLL beyond those every Windows has.
x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | sort
if command -v wine >/dev/null 2>&1; then
    wine "$exe" --version
fi

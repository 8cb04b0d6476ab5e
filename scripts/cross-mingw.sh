#!/usr/bin/env bash
# Cross-compiles the engine, stratex-cli and the engine's tests (the GoogleTest binary stratex_tests, with
# the CLI's) for 64-bit Windows with Debian's MinGW-w64 compilers, and runs the tests under Wine. The window
# is not built (it needs Qt for Windows). Missing Debian packages (the compilers, googletest's source,
# wine64) are installed with apt-get.
# CLI11 and nlohmann-json are header-only: their headers and CMake configs are copied from the host's
# libcli11-dev and nlohmann-json3-dev into a private prefix, so that the cross build sees them without
# seeing the rest of the host's /usr/include. GoogleTest is built from /usr/src/googletest into the same
# prefix, once.
# Wine runs with a private prefix in the build folder and without its debug output.
#
# Usage: scripts/cross-mingw.sh [--no-tests]
#   --no-tests  build stratex-cli.exe only
# The results: $STRATEX_BUILD_DIR/src/cli/stratex-cli.exe and tests/stratex_tests.exe (default build-mingw);
# the test log is $STRATEX_BUILD_DIR/wine-tests.log. STRATEX_WERROR=ON turns warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."

tests=ON
[ "${1:-}" = --no-tests ] && tests=OFF

packages=(cmake make g++-mingw-w64-x86-64-posix libcli11-dev nlohmann-json3-dev)
[ $tests = ON ] && packages+=(googletest wine64)
bash scripts/deps.sh only "${packages[@]}"

build=${STRATEX_BUILD_DIR:-build-mingw}
mkdir -p "$build"
build_path=$(cd "$build" && pwd)
toolchain=$PWD/cmake/mingw-w64.cmake
deps=$build_path/deps
mkdir -p "$deps/include" "$deps/share/cmake"
# -a keeps the headers' times, so that a second run rebuilds nothing.
cp -a /usr/include/CLI /usr/include/nlohmann "$deps/include/"
cp -a /usr/share/cmake/CLI11 /usr/share/cmake/nlohmann_json "$deps/share/cmake/"

gtest_dir=$deps/lib/cmake/GTest
if [ $tests = ON ] && [ ! -f "$gtest_dir/GTestConfig.cmake" ]; then
    # Without pthreads GoogleTest uses the Windows threads and locks of its own.
    cmake -S /usr/src/googletest -B "$build/googletest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=ON \
        >/dev/null
    cmake --build "$build/googletest" -j"$(nproc)"
    cmake --install "$build/googletest" >/dev/null
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCLI11_DIR="$deps/share/cmake/CLI11" -Dnlohmann_json_DIR="$deps/share/cmake/nlohmann_json" \
    -DGTest_DIR="$gtest_dir" -DSTRATEX_BUILD_GUI=OFF -DSTRATEX_BUILD_BENCH=OFF -DSTRATEX_BUILD_TESTS=$tests \
    -DSTRATEX_WERROR="${STRATEX_WERROR:-OFF}" >/dev/null
targets=(stratex-cli)
[ $tests = ON ] && targets+=(stratex_tests)
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

exe=$build/src/cli/stratex-cli.exe
file "$exe" 2>/dev/null || ls -l "$exe"
# The program needs no DLL beyond those every Windows has.
x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | sort
[ $tests = ON ] || exit 0

# Debian's wine64 package has the loader but no wine command on PATH.
wine=/usr/lib/wine/wine64
export WINEPREFIX=$build_path/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
start=$SECONDS
# The first start makes the prefix; where that fails half-way (seen once: "could not load kernel32.dll"), the
# prefix is made again from nothing, once.
if ! "$wine" "$exe" --version; then
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    "$wine" "$exe" --version
fi
log=$build/wine-tests.log
# The log with Unix line ends: the program writes its text with CR LF.
set +e
"$wine" "$build/tests/stratex_tests.exe" 2>&1 | tr -d '\r' >"$log"
status=${PIPESTATUS[0]}
set -e
# Wine's server outlives the programs for a moment; this prefix's own is stopped now.
/usr/lib/wine/wineserver -k 2>/dev/null || true
# GoogleTest's summary, each skipped test with the reason it gave, and the failed ones.
grep -E '^\[(==========|  PASSED  )\] [0-9]' "$log" || true
awk '/: Skipped$/ { getline why }
     /^\[  SKIPPED \] .* \([0-9]+ ms\)$/ { sub(/ \([0-9]+ ms\)$/, ""); print $0 ": " why }' "$log"
grep -E '^\[  FAILED  \] .* \([0-9]+ ms\)$' "$log" || true
echo "Windows tests under Wine: exit status $status after $((SECONDS - start)) s (log $log)"
exit $status

#!/usr/bin/env bash
# Builds the Debian package of Stratex and checks it: configures a release build installing under /usr,
# builds the programs, runs cpack -G DEB and then the package test (unpacks the .deb into a scratch root
# and runs the installed stratex-cli on a real map).
# Then the Windows zip of stratex-cli beside it: stratex-cli.exe cross-built as scripts/cross-mingw.sh does
# (in build-package-mingw), with the type name files, README.md and the manual page as HTML, made with
# cpack -G ZIP and checked by packaging/check-zip.sh (its listing, and the program run under Wine).
# The packages are left in $STRATEX_BUILD_DIR/packages (default build-package/packages).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh all
# cpack's DEB generator needs dpkg-shlibdeps (dpkg-dev) and file to work out the runtime packages; groff
# renders the manual page of the zip as HTML.
bash scripts/deps.sh only dpkg-dev file gzip groff unzip wine64

build=${STRATEX_BUILD_DIR:-build-package}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DSTRATEX_BUILD_GUI=ON -DSTRATEX_BUILD_TESTS=OFF -DSTRATEX_WERROR=OFF -DSTRATEX_PACKAGE_TEST=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
cpack -G DEB --config "$build/CPackConfig.cmake"
ctest --test-dir "$build" -L package --output-on-failure

windows=$build-mingw
STRATEX_BUILD_DIR=$windows bash scripts/cross-mingw.sh --no-tests
cpack -G ZIP --config "$windows/CPackConfig.cmake" -B "$(cd "$build" && pwd)/packages"
version=$(sed -n 's/^project(Stratex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# stratex-cli prints the major and minor version.
bash packaging/check-zip.sh "$build/packages/stratex-cli-$version-win64.zip" "${version%.*}" data \
    ../shared/testdata/real/map_podm/mp/n37-075.mp
ls -l "$build"/packages/*.deb "$build"/packages/*.zip

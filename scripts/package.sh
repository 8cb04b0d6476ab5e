#!/usr/bin/env bash
# Builds the Debian package of Stratex and checks it: configures a release build installing under /usr,
# builds the programs, runs cpack -G DEB and then the package test (unpacks the .deb into a scratch root
# and runs the installed stratex-cli on a real map).
# The package is left in $STRATEX_BUILD_DIR/packages (default build-package/packages).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh all
# cpack's DEB generator needs dpkg-shlibdeps (dpkg-dev) and file to work out the runtime packages.
bash scripts/deps.sh only dpkg-dev file gzip

build=${STRATEX_BUILD_DIR:-build-package}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DSTRATEX_BUILD_GUI=ON -DSTRATEX_BUILD_TESTS=OFF -DSTRATEX_WERROR=OFF -DSTRATEX_PACKAGE_TEST=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
cpack -G DEB --config "$build/CPackConfig.cmake"
ctest --test-dir "$build" -L package --output-on-failure
ls -l "$build"/packages/*.deb

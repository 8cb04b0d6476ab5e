#!/usr/bin/env bash
# Builds Stratex and runs every test (engine, CLI and window tests).
# STRATEX_WERROR=ON turns warnings into errors (CI does this).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh all

build=${STRATEX_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRATEX_WERROR="${STRATEX_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j"$(nproc)"
# The window tests run on Qt's offscreen platform: no display needed.
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

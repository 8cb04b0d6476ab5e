#!/usr/bin/env bash
# Builds Stratex and starts its window from data/, where the type name files are.
# Without a display it starts under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh all

build=${STRATEX_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target stratex stratex-cli

app="$PWD/$build/src/app/stratex"
cd data
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$app" "$@"
fi
exec "$app" "$@"

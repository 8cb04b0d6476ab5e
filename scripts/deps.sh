#!/usr/bin/env bash
# Installs the Debian packages that Stratex needs to build, test and run, when some are missing.
# Usage: scripts/deps.sh [engine|all]      the packages of the engine, or of everything
#        scripts/deps.sh only PACKAGE...    just the packages named
set -euo pipefail

if [ "${1:-all}" = only ]; then
    shift
    packages=("$@")
else
    packages=(cmake g++ make libcli11-dev nlohmann-json3-dev libgtest-dev libbenchmark-dev)
    if [ "${1:-all}" = all ]; then
        packages+=(qt6-base-dev qt6-5compat-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgl-dev xvfb xauth fonts-dejavu-core)
    fi
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

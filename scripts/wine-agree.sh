#!/usr/bin/env bash
# Runs the Linux stratex-cli and the Windows stratex-cli.exe (under Wine) on every map of the shared real
# maps and compares what they give: for process -o FILE, process --dictionary -o FILE, config -o FILE and
# check --json, the written file, standard output, standard error and the exit status. Both run in data/,
# whose type name files they read. Fails, naming each difference, when they disagree.
#
# Usage: scripts/wine-agree.sh [MAP_FOLDER]   (default ../shared/testdata/real, searched for *.mp)
# Environment: STRATEX_BUILD_DIR (default build) and STRATEX_MINGW_BUILD_DIR (default build-mingw), the
# build folders of the two programs; either is built when its program is missing.
#
# The messages name files by absolute paths, which Windows spells Z:\work\... where Linux has /work/...:
# the Windows texts are compared with their paths spelt as Linux spells them, and standard error with LF
# line ends (Windows writes it in text mode).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

maps_folder=${1:-../shared/testdata/real}
if [ ! -d "$maps_folder" ]; then
    # A clone of the project alone has no shared maps, as for the tests that read them.
    echo "wine-agree: no maps at $maps_folder; nothing compared"
    exit 0
fi
maps_folder=$(realpath "$maps_folder")
build=${STRATEX_BUILD_DIR:-build}
mingw=${STRATEX_MINGW_BUILD_DIR:-build-mingw}
linux_cli=$(realpath -m "$build/src/cli/stratex-cli")
windows_cli=$(realpath -m "$mingw/src/cli/stratex-cli.exe")

if [ ! -x "$linux_cli" ]; then
    bash scripts/deps.sh all
    # The configuration of scripts/test.sh, so that the two share the build folder.
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j"$(nproc)" --target stratex-cli
fi
[ -f "$windows_cli" ] || STRATEX_BUILD_DIR=$mingw bash scripts/cross-mingw.sh --no-tests
bash scripts/deps.sh only wine64

wine=/usr/lib/wine/wine64
export WINEPREFIX=$(realpath -m "$mingw/wine") WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# One Wine server for all the runs, stopped at the end.
/usr/lib/wine/wineserver -p
scratch=$(mktemp -d)
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT

# The Windows spelling of an absolute Linux path, as it stands in a message and in JSON.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Replaces every Windows spelling of the paths given after the file with the Linux one, in place.
linux_paths() {
    local file=$1 text path win
    shift
    text=$(cat "$file"; echo x)
    text=${text%x}
    for path in "$@"; do
        win=$(windows_path "$path")
        text=${text//"${win//\\/\\\\}"/"$path"}
        text=${text//"$win"/"$path"}
    done
    printf '%s' "$text" >"$file"
}

# Runs one program (linux or windows) on one map with one command; leaves out, err, status and the
# written file in $scratch/<program>.
run() {
    local program=$1 map=$2 written=$3
    shift 3
    local dir=$scratch/$program
    rm -rf "$dir"
    mkdir -p "$dir"
    local status=0
    if [ "$program" = linux ]; then
        (cd data && "$linux_cli" "$@" >"$dir/out" 2>"$dir/err") || status=$?
    else
        (cd data && "$wine" "$windows_cli" "$@" >"$dir/out" 2>"$dir/err") || status=$?
        sed -i 's/\r$//' "$dir/err"
        linux_paths "$dir/err" "$map" "$written" "$root/data"
        linux_paths "$dir/out" "$map" "$written" "$root/data"
    fi
    echo "$status" >"$dir/status"
    if [ -n "$written" ] && [ -f "$written" ]; then mv "$written" "$dir/written"; fi
}

compared=0
differences=0
declare -A statuses  # how many runs ended with each exit status (the Linux program's)
warned=0             # runs whose standard error was not empty
while IFS= read -r -d '' map; do
    for command in process process-dictionary config check; do
        written=$scratch/written
        case $command in
            process) args=(process "$map" -o "$written") ;;
            process-dictionary) args=(process "$map" --dictionary -o "$written") ;;
            config) args=(config "$map" -o "$written") ;;
            check) args=(check "$map" --json) written= ;;
        esac
        run linux "$map" "$written" "${args[@]}"
        run windows "$map" "$written" "${args[@]}"
        compared=$((compared + 1))
        status=$(cat "$scratch/linux/status")
        statuses[$status]=$((${statuses[$status]:-0} + 1))
        [ -s "$scratch/linux/err" ] && warned=$((warned + 1))
        for part in status out err written; do
            if [ -e "$scratch/linux/$part" ] || [ -e "$scratch/windows/$part" ]; then
                if ! cmp -s "$scratch/linux/$part" "$scratch/windows/$part"; then
                    differences=$((differences + 1))
                    echo "DIFFERS: $command ${map#"$maps_folder"/}: $part" >&2
                    diff <(head -c 2000 "$scratch/linux/$part" 2>/dev/null) \
                        <(head -c 2000 "$scratch/windows/$part" 2>/dev/null) | head -10 >&2 || true
                fi
            fi
        done
    done
done < <(find "$maps_folder" -type f -iname '*.mp' -print0 | sort -z)

tally=$(for status in "${!statuses[@]}"; do echo "status $status: ${statuses[$status]}"; done | sort | paste -sd,)
echo "wine-agree: $compared runs compared (process, process --dictionary, config, check --json on each map" \
    "of $maps_folder; ${tally//,/, }; $warned with messages on standard error), $differences differences"
[ "$differences" -eq 0 ]

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer (build folder
# build-fuzz) and runs each for a bounded time. Fails when a target crashes, breaks a harness rule, leaks,
# times out or runs out of memory; the input that did it is kept in build-fuzz/findings/<target>/.
#
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#   SECONDS_PER_TARGET  default 60
#   TARGET              map, config, names, gate (default: all four, one after another); gate runs
#                       stratex-cli's check and process on each map and holds them to each other
# Environment: STRATEX_FUZZ_CXX (default clang++-14, else clang++), STRATEX_FUZZ_BUILD_DIR (default
# build-fuzz), STRATEX_TESTDATA_DIR (default ../shared/testdata: the real maps that seed the corpora).
#
# Each target's corpus lives in build-fuzz/corpus/<target> and grows from run to run. The seeds are copied
# there at run time: the inputs kept in tests/data/fuzz/<target>, files of the test data (cut to the
# target's input size limit) and, for type names, the shipped type name files.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(map config names gate)

bash scripts/deps.sh engine
cxx=${STRATEX_FUZZ_CXX:-}
if [ -z "$cxx" ]; then
    if ! command -v clang++-14 >/dev/null && ! command -v clang++ >/dev/null; then
        # libFuzzer and the sanitizer runtimes come with clang's runtime package.
        echo "Installing: clang-14 libclang-rt-14-dev"
        sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang-14 libclang-rt-14-dev
    fi
    if command -v clang++-14 >/dev/null; then cxx=clang++-14; else cxx=clang++; fi
fi
build=${STRATEX_FUZZ_BUILD_DIR:-build-fuzz}
testdata=${STRATEX_TESTDATA_DIR:-$root/../shared/testdata}

for target in "${targets[@]}"; do
    case $target in
        map | config | names | gate) ;;
        *) echo "unknown fuzz target: $target (map, config, names, gate)" >&2; exit 2 ;;
    esac
done

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRATEX_FUZZ=ON \
    -DSTRATEX_BUILD_TESTS=OFF -DSTRATEX_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Largest input per target: maps need room for a header and a few objects; the other files are short, and
# Show All's cost grows with the square of a type name file's lines.
max_len() {
    case $1 in
        map | gate) echo 16384 ;;
        config) echo 4096 ;;
        names) echo 2048 ;;
    esac
}

# Copies the seeds of a target into its corpus, each cut to the size limit.
seed() {
    local target=$1 corpus=$2 limit
    limit=$(max_len "$target")
    local files=()
    # The gate reads maps: it takes the map target's inputs and dictionary.
    local inputs=$target
    [ "$target" = gate ] && inputs=map
    while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$root/tests/data/fuzz/$inputs" -type f -print0)
    if [ -d "$testdata" ]; then
        case $target in
            map | gate) while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$testdata" -type f -iname '*.mp' -print0) ;;
            config | names)
                while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$testdata" -type f \( -iname '*.txt' -o -iname '*.cfg' \) -print0)
                ;;
        esac
    else
        echo "note: no test data at $testdata; seeding from tests/data/fuzz only" >&2
    fi
    if [ "$target" = names ]; then
        files+=("$root/data/poi.txt" "$root/data/polyline.txt" "$root/data/polygon.txt")
    fi
    local f name
    for f in "${files[@]}"; do
        # Named by content, so seeding again adds no duplicates.
        name=$(head -c "$limit" "$f" | sha1sum | cut -c1-40)
        [ -e "$corpus/$name" ] || head -c "$limit" "$f" >"$corpus/$name"
    done
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
summary=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    findings="$build/findings/$target"
    mkdir -p "$corpus" "$findings"
    seed "$target" "$corpus"
    log="$build/fuzz-$target.log"
    echo "== fuzz_$target for ${seconds}s (corpus $corpus, log $log)"
    set +e
    "$build/fuzz/fuzz_$target" "$corpus" -max_total_time="$seconds" -max_len="$(max_len "$target")" \
        -dict="$root/fuzz/${target/gate/map}.dict" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/" >"$log" 2>&1
    rc=$?
    set -e
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
    cov=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*/[0-9a-zA-Z]*' || true)
    if [ $rc -ne 0 ]; then
        status=1
        summary+=("fuzz_$target: FAILED (exit $rc) after ${runs:-?} runs; see $log and $findings/")
        tail -n 60 "$log" >&2
    else
        summary+=("fuzz_$target: ok, ${runs:-?} runs in ${seconds}s, ${cov:-no coverage line}")
    fi
done

printf '%s\n' "${summary[@]}"
exit $status

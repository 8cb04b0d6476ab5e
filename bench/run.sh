#!/usr/bin/env bash
# The speed and memory benchmark: builds a Release stratex-cli and the timers, generates synthetic maps of the
# given sizes (MB; default 300 and 1024), each with CR LF and with LF line ends, and prints a table of the
# window's open/Process/save throughput, end-to-end time of `stratex-cli process` against `cat MAP > OUT` on
# the same file (and the floor of any rewrite in two passes: the file read twice and written once, nothing
# done to its bytes), and peak memory; then the peak memory of `stratex-cli process` on larger maps (memory
# only); then the plain vector-of-lines rewrite against the engine's Process on a 20 MB map where a third of the
# objects lack EndLevel; check against scan on the synthetic map and on a map of real maps' objects.
#
# Usage: bash bench/run.sh [SIZE_MB...]
# Environment: STRATEX_BENCH_DIR  folder for the maps (default /tmp; they are deleted afterwards)
#              STRATEX_BENCH_RUNS paired cat/stratex-cli runs per map (default 5)
#              STRATEX_BUILD_DIR  build folder (default build-speed)
#              STRATEX_BENCH_BASELINE_MB size of the baseline comparison map (default 20)
#              STRATEX_BENCH_MEMORY_MB sizes of the memory-only maps (default none; e.g. "4400")
#              STRATEX_BENCH_REAL_MB size of the map of real maps' objects that check is timed on (default 1024)
#              STRATEX_BENCH_TILES a set of tiles, COUNTxMB (default 500x20; empty: none): process -O of the set
#                                  against the sum of the tiles' single runs, and the window's Open of the set
#                                  against stratex-cli scan of it
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(300 1024)
runs=${STRATEX_BENCH_RUNS:-5}
build=${STRATEX_BUILD_DIR:-build-speed}
work=$(mktemp -d "${STRATEX_BENCH_DIR:-/tmp}/stratex-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

bash scripts/deps.sh engine
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DSTRATEX_BUILD_GUI=OFF -DSTRATEX_BUILD_TESTS=OFF \
    -DSTRATEX_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target stratex-cli stratex-mapgen stratex-speed >/dev/null

cli=$root/$build/src/cli/stratex-cli
mapgen=$root/$build/bench/stratex-mapgen
speed=$root/$build/bench/stratex-speed

# value KEY < "key value" lines
value() { awk -v k="$1" '$1 == k { print $2 }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "Stratex benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "Machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)," \
    "$(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo) memory; load average at start:" \
    "$(cut -d' ' -f1-3 /proc/loadavg)"
echo "Maps in $work; medians of $runs paired runs of cat and stratex-cli"
echo

rows=()
for mb in "${sizes[@]}"; do
    for ends in "CR LF" "LF"; do
        map=$work/map-$mb.mp
        if [ "$ends" = "LF" ]; then "$mapgen" "$mb" "$map" 1 0.3 --lf >/dev/null; else "$mapgen" "$mb" "$map" >/dev/null; fi
        sync
        bytes=$(stat -c %s "$map")
        # The window's steps, and the peak memory of the process that ran them (one map held at a time).
        stages=$("$speed" run - -- "$speed" stages "$map" 3)

        cats=() floors=() clis=() ratios=() floorRatios=() rss=0
        for ((r = 0; r < runs; r++)); do
            # Each command writes a file that does not exist yet, after the file it wrote last time is gone and
            # the disk has caught up: neither starts with the memory that the other has just freed.
            rm -f "$work/out-cat.mp"
            sync
            c=$("$speed" run "$work/out-cat.mp" -- cat "$map" | value seconds)
            rm -f "$work/out-floor.mp"
            sync
            f=$("$speed" run - -- "$speed" floor "$map" "$work/out-floor.mp" | value seconds)
            rm -f "$work/out-cli.mp"
            sync
            out=$("$speed" run - -- "$cli" process "$map" -o "$work/out-cli.mp" --names-dir "$root/data")
            s=$(value seconds <<<"$out")
            m=$(value maxrss_kb <<<"$out")
            cats+=("$c") floors+=("$f") clis+=("$s")
            ratios+=("$(awk -v a="$s" -v b="$c" 'BEGIN { print a / b }')")
            floorRatios+=("$(awk -v a="$f" -v b="$c" 'BEGIN { print a / b }')")
            [ "$m" -gt "$rss" ] && rss=$m
        done
        rm -f "$map" "$work/out-cat.mp" "$work/out-floor.mp" "$work/out-cli.mp"

        cat_s=$(printf '%s\n' "${cats[@]}" | median)
        floor_s=$(printf '%s\n' "${floors[@]}" | median)
        cli_s=$(printf '%s\n' "${clis[@]}" | median)
        ratio=$(printf '%s\n' "${ratios[@]}" | median)
        floorRatio=$(printf '%s\n' "${floorRatios[@]}" | median)
        rows+=("$(awk -v b="$bytes" -v e="$ends" -v o="$(value open_mbps <<<"$stages")" \
            -v p="$(value process_mbps <<<"$stages")" -v s="$(value save_mbps <<<"$stages")" -v c="$cat_s" \
            -v f="$floor_s" -v g="$floorRatio" -v l="$cli_s" -v r="$ratio" -v m="$rss" \
            -v w="$(value maxrss_kb <<<"$stages")" 'BEGIN {
            printf "| %.0f MB | %s | %d | %d | %d | %.2f | %.3f | %.3f | %.2f | %.3f | %.2f | %.1f MB |",
                b / 1048576, e, o, p, s, w * 1024 / b, c, f, g, l, r, m / 1024 }')")
    done
done

echo "| Map | Line ends | Open MB/s | Process MB/s | Save MB/s | Window peak / map | cat s | floor s | floor / cat | stratex-cli process s | cli / cat | Peak memory |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
echo

# Memory only: one run of stratex-cli process on each larger map.
for mb in ${STRATEX_BENCH_MEMORY_MB:-}; do
    map=$work/memory-$mb.mp
    "$mapgen" "$mb" "$map" >/dev/null
    sync
    bytes=$(stat -c %s "$map")
    out=$("$speed" run - -- "$cli" process "$map" -o "$work/out-cli.mp" --names-dir "$root/data")
    rm -f "$map" "$work/out-cli.mp"
    awk -v b="$bytes" -v s="$(value seconds <<<"$out")" -v m="$(value maxrss_kb <<<"$out")" \
        -v x="$(value exit <<<"$out")" 'BEGIN {
        printf "stratex-cli process on a %.2f GB CR LF map: peak memory %.1f MB, %.1f s, exit status %d\n",
            b / 1073741824, m / 1024, s, x }'
done

# check against scan, in paired runs: the synthetic map of the first size, and a map of real maps' objects
# repeated where the shared real maps are there; check's peak memory with grouped text and with JSON.
check_maps=("synthetic ${sizes[0]}")
testdata=${STRATEX_TESTDATA_DIR:-$root/../shared/testdata}/real/map_podm/mp
[ -d "$testdata" ] && check_maps+=("real ${STRATEX_BENCH_REAL_MB:-1024}")
for entry in "${check_maps[@]}"; do
    kind=${entry% *} mb=${entry#* }
    map=$work/check-$kind.mp
    if [ "$kind" = real ]; then "$mapgen" "$mb" "$map" --real "$testdata" >/dev/null; else "$mapgen" "$mb" "$map" >/dev/null; fi
    sync
    ratios=() peak_text=0 peak_json=0 findings=0
    for ((r = 0; r < runs; r++)); do
        s=$("$speed" run /dev/null -- "$cli" scan "$map" --names-dir "$root/data" | value seconds)
        out=$("$speed" run /dev/null -- "$cli" check "$map" --names-dir "$root/data")
        ratios+=("$(awk -v a="$(value seconds <<<"$out")" -v b="$s" 'BEGIN { print a / b }')")
        m=$(value maxrss_kb <<<"$out")
        [ "$m" -gt "$peak_text" ] && peak_text=$m
    done
    out=$("$speed" run "$work/findings.json" -- "$cli" check "$map" --json --names-dir "$root/data")
    peak_json=$(value maxrss_kb <<<"$out")
    findings=$(grep -c '"code"' "$work/findings.json" || true)
    rm -f "$map" "$work/findings.json"
    awk -v k="$kind" -v mb="$mb" -v r="$(printf '%s
' "${ratios[@]}" | median)" -v t="$peak_text" -v j="$peak_json" \
        -v n="$findings" 'BEGIN {
        printf "check / scan on the %s %d MB map: %.2f (median of paired runs); check peak memory %.1f MB " \
            "(grouped text), %.1f MB (JSON, %d findings)\n", k, mb, r, t / 1024, j / 1024, n }'
done

# A set of tiles: a few generated maps, copied, so that every tile is a file of its own.
tiles=${STRATEX_BENCH_TILES-500x20}
if [ -n "$tiles" ]; then
    count=${tiles%x*} tile_mb=${tiles#*x}
    mkdir -p "$work/tiles"
    for ((i = 0; i < 8 && i < count; i++)); do "$mapgen" "$tile_mb" "$work/seed-$i.mp" $((i + 1)) >/dev/null; done
    for ((i = 0; i < count; i++)); do cp "$work/seed-$((i % 8)).mp" "$work/tiles/t$(printf %05d "$i").mp"; done
    rm -f "$work"/seed-*.mp
    sync
    # Each single run on one processor, as each of the set's runs has one; its output kept until all are done,
    # as the set's are, so that both write the same to the disk.
    single=0
    mkdir -p "$work/single"
    for tile in "$work"/tiles/*.mp; do
        s=$("$speed" run - -- taskset -c 0 "$cli" process "$tile" -o "$work/single/${tile##*/}" \
            --names-dir "$root/data" | value seconds)
        single=$(awk -v a="$single" -v b="$s" 'BEGIN { print a + b }')
    done
    rm -rf "$work/single"
    sync
    set_run=$("$speed" run /dev/null -- "$cli" process "$work"/tiles/*.mp -O "$work/out" --names-dir "$root/data")
    rm -rf "$work/out"
    scan_run=$("$speed" run /dev/null -- "$cli" scan "$work"/tiles/*.mp --names-dir "$root/data")
    open_run=$("$speed" open-set "$root/data" "$work"/tiles/*.mp)
    awk -v n="$count" -v mb="$tile_mb" -v p="$(nproc)" -v one="$single" -v set="$(value seconds <<<"$set_run")" \
        -v m="$(value maxrss_kb <<<"$set_run")" -v x="$(value exit <<<"$set_run")" \
        -v scan="$(value seconds <<<"$scan_run")" -v open="$(value seconds <<<"$open_run")" 'BEGIN {
        printf "A set of %d tiles of %d MB: process -O %.1f s (exit %d) against %.1f s, the sum of the single runs " \
            "on one processor each, over %d processors (ratio %.2f); peak memory %.1f MB for %d tiles at once\n",
            n, mb, set, x, one / p, p, set / (one / p), m / 1024, p
        printf "The window opens the set in %.1f s, stratex-cli scan of it takes %.1f s (ratio %.2f)\n",
            open, scan, open / scan }'
    rm -rf "$work/tiles"
fi

baseline_mb=${STRATEX_BENCH_BASELINE_MB:-20}
map=$work/baseline.mp
"$mapgen" "$baseline_mb" "$map" 7 0.3333 >/dev/null
base=$("$speed" baseline "$map" 5)
rm -f "$map"
echo "Process on a $baseline_mb MB map, a third of the objects without EndLevel:" \
    "engine $(value engine_s <<<"$base") s, vector-of-lines baseline $(value baseline_s <<<"$base") s," \
    "speed-up $(value speedup <<<"$base")x (same output: $(value same_output <<<"$base"))"
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

#!/usr/bin/env bash
# Checks the Windows zip of stratex-cli: its listing, the type name files it carries, the manual page and,
# where Wine is installed, the unpacked stratex-cli.exe on a real map, with the type name files beside it.
# Usage: check-zip.sh ZIP VERSION DATA_DIR MAP
#   ZIP       the zip made by cpack -G ZIP
#   VERSION   the version stratex-cli.exe --version must print ("2.1")
#   DATA_DIR  the source folder of the type name files, which the zip must carry unchanged
#   MAP       a Polish map to process
set -euo pipefail

zip=$1 version=$2 data_dir=$3 map=$4
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

[ -f "$zip" ] || { echo "FAIL: no zip $zip (run cpack -G ZIP first)" >&2; exit 1; }
zip=$(realpath "$zip") data_dir=$(realpath "$data_dir")
# The checks run in a scratch folder.
[ -f "$map" ] && map=$(realpath "$map")
unzip -l "$zip"

# Everything lies in one folder named after the zip.
top=$(basename "$zip" .zip)
expected=(bin/stratex-cli.exe bin/poi.txt bin/polyline.txt bin/polygon.txt bin/en/poi.txt bin/en/polyline.txt
    bin/en/polygon.txt README.md stratex-cli.html)
listed=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
wanted=$(printf "$top/%s\n" "${expected[@]}" | sort)
[ "$listed" = "$wanted" ] || fail "the zip holds $(tr '\n' ' ' <<<"$listed")instead of $(tr '\n' ' ' <<<"$wanted")"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unzip -q "$zip" -d "$scratch"
root=$scratch/$top
for name in poi.txt polyline.txt polygon.txt en/poi.txt en/polyline.txt en/polygon.txt; do
    cmp -s "$data_dir/$name" "$root/bin/$name" || fail "$name differs from $data_dir/$name"
done
manual=$root/stratex-cli.html
if [ -f "$manual" ]; then
    grep -q "<h2>SYNOPSIS" "$manual" || fail "stratex-cli.html has no SYNOPSIS"
    grep -q "@[A-Z_]*@" "$manual" && fail "stratex-cli.html: a placeholder was left unfilled"
    grep -q "the folder of stratex-cli.exe" "$manual" || fail "stratex-cli.html does not say where the type name files are"
fi

wine=/usr/lib/wine/wine64
if [ ! -x "$wine" ] || [ ! -f "$map" ]; then
    echo "note: no Wine ($wine) or no map $map: stratex-cli.exe is not run"
else
    export WINEPREFIX=$scratch/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$scratch/work"
    cd "$scratch/work"
    cli=$root/bin/stratex-cli.exe
    before=$failures
    printed=$("$wine" "$cli" --version 2>/dev/null | tr -d '\r') || fail "stratex-cli.exe --version exited with status $?"
    [ "$printed" = "stratex-cli $version" ] || fail "stratex-cli.exe --version printed '$printed'"
    # The working folder has no type name files: those beside the program are found.
    # A copy of its own that may be written (the shared maps are read-only).
    cat "$map" >map.mp
    status=0
    "$wine" "$cli" process map.mp -o map.mp 2>err.txt || status=$?
    [ "$status" -eq 0 ] || fail "process exited with status $status: $(cat err.txt)"
    [ -s err.txt ] && fail "process wrote to stderr: $(cat err.txt)"
    objects=$(grep -c '^\[END\]' map.mp || true)
    end_levels=$(grep -c '^EndLevel=' map.mp || true)
    [ "$objects" -gt 0 ] && [ "$objects" -eq "$end_levels" ] || fail "$objects objects but $end_levels EndLevel lines"
    [ "$failures" -eq "$before" ] &&
        echo "stratex-cli.exe: processed $(basename "$map") in place with the type name files beside it"
    /usr/lib/wine/wineserver -k 2>/dev/null || true
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed for $zip" >&2
    exit 1
fi
echo "OK: $(basename "$zip") holds stratex-cli.exe, the type name files, README.md and the manual page"

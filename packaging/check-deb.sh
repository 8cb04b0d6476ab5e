#!/usr/bin/env bash
# Checks a built Debian package of Stratex: unpacks it into a scratch root with dpkg -x and runs the
# installed stratex-cli from there on a real map, with the installed type name files.
# Usage: check-deb.sh DEB PREFIX VERSION DATA_DIR MAP [BUILT_CLI]
#   DEB        the package file
#   PREFIX     the install prefix the package was made for (/usr)
#   VERSION    the version stratex-cli --version must print ("2.1")
#   DATA_DIR   the source folder of the type name files, which the package must carry unchanged
#   MAP        a Polish map to process
#   BUILT_CLI  optional: the stratex-cli of the build tree; a package older than it is out of date
set -euo pipefail

deb=$1 prefix=$2 version=$3 data_dir=$4 map=$5 built_cli=${6:-}
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

[ -f "$deb" ] || { echo "FAIL: no package $deb (run cpack -G DEB first)" >&2; exit 1; }
[ -f "$map" ] || { echo "FAIL: no map $map" >&2; exit 1; }
[ -d "$data_dir" ] || { echo "FAIL: no folder $data_dir" >&2; exit 1; }
# The checks run in a scratch folder.
deb=$(realpath "$deb") map=$(realpath "$map") data_dir=$(realpath "$data_dir")
if [ -n "$built_cli" ] && [ "$built_cli" -nt "$deb" ]; then
    echo "FAIL: $deb is older than $built_cli (run cpack -G DEB again)" >&2
    exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
mkdir -p "$root" "$scratch/work"
dpkg-deb -x "$deb" "$root"

# The package declares the Qt libraries the window needs.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libqt6core5compat6; do
    grep -Eq "(^|, )$lib(t64)?( |,|$)" <<<"$depends" || fail "Depends does not name $lib"
done
# Qt's own texts of the Russian window (file dialogs, message boxes).
grep -Eq "(^|, )qt6-translations-l10n( |,|$)" <<<"$depends" || fail "Depends does not name qt6-translations-l10n"

# Every installed file is where the desktop, the menu and the manual look for it.
names_dir=$root$prefix/share/stratex
expected=(
    "$root$prefix/bin/stratex"
    "$root$prefix/bin/stratex-cli"
    "$names_dir/poi.txt"
    "$names_dir/polyline.txt"
    "$names_dir/polygon.txt"
    "$names_dir/en/poi.txt"
    "$names_dir/en/polyline.txt"
    "$names_dir/en/polygon.txt"
    "$root$prefix/share/applications/stratex.desktop"
    "$root$prefix/share/man/man1/stratex-cli.1.gz"
)
for size in 16 24 32 48 64 128 256; do
    expected+=("$root$prefix/share/icons/hicolor/${size}x${size}/apps/stratex.png")
done
for file in "${expected[@]}"; do
    [ -f "$file" ] || fail "missing ${file#"$root"}"
done
for name in poi.txt polyline.txt polygon.txt en/poi.txt en/polyline.txt en/polygon.txt; do
    cmp -s "$data_dir/$name" "$names_dir/$name" || fail "$name differs from $data_dir/$name"
done
for program in stratex stratex-cli; do
    [ -x "$root$prefix/bin/$program" ] || fail "$program is not executable"
    if unresolved=$(ldd "$root$prefix/bin/$program" 2>&1 | grep 'not found'); then
        fail "$program needs libraries that are not found: $unresolved"
    fi
done

# The desktop entry starts the window in the folder of the type name files.
desktop=$root$prefix/share/applications/stratex.desktop
if [ -f "$desktop" ]; then
    grep -qx "Path=$prefix/share/stratex" "$desktop" || fail "desktop entry: Path= is not $prefix/share/stratex"
    grep -qx "Exec=stratex %F" "$desktop" || fail "desktop entry: Exec= is not stratex %F"
    grep -qx "Icon=stratex" "$desktop" || fail "desktop entry: Icon= is not stratex"
    if command -v desktop-file-validate >/dev/null 2>&1; then
        desktop-file-validate "$desktop" || fail "desktop entry: desktop-file-validate reports errors"
    fi
fi
man_page=$root$prefix/share/man/man1/stratex-cli.1.gz
if [ -f "$man_page" ]; then
    zcat "$man_page" | grep -q "^\.TH STRATEX-CLI 1 .*Stratex $version" || fail "man page: no title line for $version"
    zcat "$man_page" | grep -q "@[A-Z_]*@" && fail "man page: a placeholder was left unfilled"
fi

cli=$root$prefix/bin/stratex-cli
cd "$scratch/work"

printed=$("$cli" --version) || fail "stratex-cli --version exited with status $?"
[ "$printed" = "stratex-cli $version" ] || fail "stratex-cli --version printed '$printed', not 'stratex-cli $version'"

# The scratch working folder has no type name files, so the run only succeeds with the installed ones.
status=0
"$cli" process "$map" -o out.mp >/dev/null 2>err.txt || status=$?
[ "$status" -eq 1 ] || fail "process without --names-dir exited with status $status, not 1"
grep -q "The type name files poi.txt, polyline.txt and polygon.txt are not in the working folder" err.txt ||
    fail "process without --names-dir did not report the missing type name files: $(cat err.txt)"

status=0
"$cli" process "$map" -o out.mp --names-dir "$names_dir" 2>err.txt || status=$?
[ "$status" -eq 0 ] || fail "process exited with status $status: $(cat err.txt)"
[ -s err.txt ] && fail "process wrote to stderr: $(cat err.txt)"
if [ -f out.mp ]; then
    # Process gives every object an EndLevel line and changes no other line of this map.
    objects=$(grep -c '^\[END\]' out.mp || true)
    end_levels=$(grep -c '^EndLevel=' out.mp || true)
    [ "$objects" -gt 0 ] || fail "the processed map has no objects"
    [ "$objects" -eq "$end_levels" ] || fail "$objects objects but $end_levels EndLevel lines"
    other=$(diff <(tr -d '\r' <"$map") <(tr -d '\r' <out.mp) | grep '^[<>]' | grep -v '^[<>] EndLevel=' || true)
    [ -z "$other" ] || fail "process changed lines other than EndLevel: $(head -3 <<<"$other")"
    lines=$(wc -l <out.mp)
    crlf=$(grep -c $'\r$' out.mp || true)
    [ "$lines" -eq "$crlf" ] || fail "the processed map has $((lines - crlf)) lines without CR LF"
    echo "process: $objects objects, $end_levels EndLevel lines, $lines lines"
else
    fail "process wrote no map"
fi

# The English type names serve the command line as well: scan names every listed type from them.
status=0
"$cli" scan "$map" --names-dir "$names_dir/en" >scan.txt 2>err.txt || status=$?
[ "$status" -eq 0 ] || fail "scan with the English type names exited with status $status: $(cat err.txt)"
while IFS=$'\t' read -r _ code name _; do
    english=$(grep -i "^$code=" "$names_dir/en/poi.txt" | head -1 | cut -d= -f2- | tr -d '\r')
    [ "$name" = "$english" ] || fail "scan names $code '$name', not '$english'"
done < <(grep -P '^\S+\t0x[0-9a-f]{4}\t' scan.txt | head -5)

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed for $deb" >&2
    exit 1
fi
echo "OK: $(basename "$deb") installs and runs"

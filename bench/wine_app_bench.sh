#!/usr/bin/env bash
# The Windows program's batch speed under Wine: 1,000 small pages and one
# 100 MB page through a "/r" list file, beside `vorlax -j 1` on the same
# files. Prints files/s and MB/s for each.
#
#   bench/wine_app_bench.sh [build/win32|build/win64] [SMALL-COUNT] [BIG-MB]
#
# The Wine prefix is made once (outside the timing) and kept for the runs;
# each figure is the best of three.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree=${1:-build/win32}
count=${2:-1000}
big_mb=${3:-100}
vorlax=$root/build/native/bin/vorlax
exe=$root/$tree/bin/Vorlax.exe
for f in "$vorlax" "$exe"; do
    [ -x "$f" ] || [ -f "$f" ] || { echo "missing $f: build it first (./test.sh)" >&2; exit 2; }
done

# shellcheck source=tools/wine-prefix.sh
source "$root/tools/wine-prefix.sh"
vorlax_wine_need --gui "$(vorlax_pe_arch "$exe")"
vorlax_wine_trap
work=$(mktemp -d "${TMPDIR:-/tmp}/vorlax-wine-bench.XXXXXX")
vorlax_wine_temporaries+=("$work")
mkdir -p "$work/small" "$work/big"

# The pages: the mixed benchmark page cut into small pieces, and repeated up
# to the big size.
page=$root/bench/mixed.html
for i in $(seq -w 1 "$count"); do
    head -c $((2000 + 10#$i % 3000)) "$page" > "$work/small/p$i.htm"
done
while [ "$(stat -c %s "$work/big/big.htm" 2>/dev/null || echo 0)" -lt $((big_mb << 20)) ]; do
    cat "$page" "$page" "$page" "$page" >> "$work/big/big.htm"
done
small_bytes=$(cat "$work"/small/*.htm | wc -c)
big_bytes=$(stat -c %s "$work/big/big.htm")

make_list() {  # FOLDER LIST
    for f in "$1"/*.htm; do printf '%s\r\n' "$(vorlax_winpath "$f")"; done > "$2"
}
clean() { rm -f "$work"/small/*.txt "$work"/big/*.txt; }

# The prefix is made first, outside the timing. The timed runs call wine
# directly, with a server kept running and a desktop up, as a user's session
# would have them: a resident program (Wine's notepad) keeps the desktop
# process, which Wine would otherwise start anew for every run (about 0.2 s).
# A GUI program needs a display, and this one has no window manager.
vorlax_wine_headless
vorlax_wine_prefix "$work/prefix" --arch "$(vorlax_pe_arch "$exe")"
vorlax_wine_xvfb 1024x768x24
vorlax_wine_warm
wine notepad >/dev/null 2>&1 &
make_list "$work/small" "$work/warm.lst"
wine "$exe" /r "$(vorlax_winpath "$work/warm.lst")" >/dev/null 2>&1
clean

best() {  # COMMAND...: the best wall time of three runs, in seconds
    local best_time= t0 t1 t
    for _ in 1 2 3; do
        clean
        "$@" prepare
        t0=$(date +%s.%N)
        "$@" run >/dev/null 2>&1
        t1=$(date +%s.%N)
        # Every page must have been converted, or the figure means nothing.
        if [ "$(ls "$work"/small/*.txt "$work"/big/*.txt 2>/dev/null | wc -l)" -ne "$("$@" outputs)" ]; then
            echo "$*: not every page was converted" >&2
            exit 1
        fi
        t=$(echo "$t1 - $t0" | bc -l)
        if [ -z "$best_time" ] || [ "$(echo "$t < $best_time" | bc -l)" = 1 ]; then best_time=$t; fi
    done
    echo "$best_time"
}
app_small() {
    case $1 in
        prepare) make_list "$work/small" "$work/small.lst" ;;
        outputs) echo "$count" ;;
        run) wine "$exe" /r "$(vorlax_winpath "$work/small.lst")" ;;
    esac
}
app_big() {
    case $1 in
        prepare) make_list "$work/big" "$work/big.lst" ;;
        outputs) echo 1 ;;
        run) wine "$exe" /r "$(vorlax_winpath "$work/big.lst")" ;;
    esac
}
cli_small() {
    case $1 in
        run) "$vorlax" -j 1 "$work"/small/*.htm ;;
        outputs) echo "$count" ;;
    esac
}
cli_big() {
    case $1 in
        run) "$vorlax" -j 1 "$work/big/big.htm" ;;
        outputs) echo 1 ;;
    esac
}

report() {  # NAME SECONDS FILES BYTES
    printf '%-28s %8.2f s %10.0f files/s %8.1f MB/s\n' "$1" "$2" "$(echo "$3 / $2" | bc -l)" \
        "$(echo "$4 / 1048576 / $2" | bc -l)"
}
echo "$count small pages ($((small_bytes / 1024)) KB), one page of $((big_bytes >> 20)) MB; best of 3"
report "Vorlax.exe /r (Wine) small" "$(best app_small)" "$count" "$small_bytes"
report "vorlax -j 1 small" "$(best cli_small)" "$count" "$small_bytes"
report "Vorlax.exe /r (Wine) big" "$(best app_big)" 1 "$big_bytes"
report "vorlax -j 1 big" "$(best cli_big)" 1 "$big_bytes"

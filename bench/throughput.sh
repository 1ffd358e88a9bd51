#!/usr/bin/env bash
# The throughput table: vorlax on large pages of every kind it meets, side by
# side with w3m and cat in one run, and the Windows program's batch under
# Wine beside `vorlax -j 1`.
#
#   bench/throughput.sh                 # 5 rounds, w3m once, no Wine rows
#   bench/throughput.sh --wine          # and the Windows batch (needs build/win32, build/win64)
#   bench/throughput.sh --readme        # and write the table into bench/README.md
#   bench/throughput.sh --quick         # small inputs, one round: does it all work
#
# Rows: English documentation (the HTML under /usr/share concatenated), a
# generated Japanese page in UTF-8, Shift-JIS and EUC-JP, a page whose TITLE
# is never closed, a page of small table rows. Each round runs vorlax and cat
# on every input in an order rotated from round to round; the median wall
# time counts, and the largest peak resident set. MB = 10^6 bytes.
set -u -o pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
rounds=5
scale=1
wine_rows=0
readme=0
vorlax=$root/build/native/bin/vorlax
work=""
keep=0

while [ $# -gt 0 ]; do
    case $1 in
        --rounds) rounds=$2; shift ;;
        --wine) wine_rows=1 ;;
        --readme) readme=1 ;;
        --quick) rounds=1 scale=32 ;;
        --vorlax) vorlax=$2; shift ;;
        --work) work=$2; shift ;;
        --keep) keep=1 ;;
        -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "throughput.sh: unknown option '$1'" >&2; exit 2 ;;
    esac
    shift
done
say() { printf '%s\n' "$*" >&2; }
[ -x "$vorlax" ] || { say "throughput.sh: no $vorlax: build it first (cmake --build build/native)"; exit 1; }
# shellcheck source=tools/deps.sh
source "$root/tools/deps.sh"
vorlax_need_packages w3m time python3 || exit 1

if [ -z "$work" ]; then work=$(mktemp -d /tmp/vorlax-throughput.XXXXXX); else mkdir -p "$work"; fi
cleanup() { [ "$keep" = 1 ] && say "work folder kept: $work" || rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- the inputs ----------------------------------------------------------------
mib() { echo $(( ($1 << 20) / scale )); }
say "making the inputs in $work"
mapfile -t pages < <(find /usr/share -xdev -type f -size +0 -size -8M \( -iname '*.html' -o -iname '*.htm' \) 2>/dev/null | LC_ALL=C sort)
[ ${#pages[@]} -gt 0 ] || { say "throughput.sh: no HTML pages under /usr/share"; exit 1; }
{ while cat "${pages[@]}"; do :; done; } 2>/dev/null | head -c "$(mib 96)" > "$work/english.html"
python3 "$root/tools/make_japanese_page.py" --size "$(mib 50)" --charset UTF-8 > "$work/japanese-utf8.html"
python3 "$root/tools/make_japanese_page.py" --size "$(mib 50)" --charset Shift_JIS |
    iconv -f UTF-8 -t SHIFT_JIS > "$work/japanese-sjis.html"
python3 "$root/tools/make_japanese_page.py" --size "$(mib 50)" --charset EUC-JP |
    iconv -f UTF-8 -t EUC-JP > "$work/japanese-euc.html"
python3 "$root/tools/make_shape_page.py" --shape title --size "$(mib 98)" > "$work/title.html"
python3 "$root/tools/make_shape_page.py" --shape rows --size "$(mib 96)" > "$work/rows.html"

# name|file|goal in MB/s|w3m's options, "-" for none (its table layout
# takes minutes over a few MB of rows)
rows=(
    "English documentation (${#pages[@]} pages under /usr/share)|english.html|1000|-T text/html"
    "Japanese page, UTF-8|japanese-utf8.html|600|-T text/html -I UTF-8"
    "the same, Shift-JIS|japanese-sjis.html|1000|-T text/html -I Shift_JIS"
    "the same, EUC-JP|japanese-euc.html|700|-T text/html -I EUC-JP"
    "unclosed TITLE|title.html|300|-"
    "small table rows|rows.html|300|-"
)
field() { local IFS='|'; local -a f=($1); printf '%s' "${f[$2]:-}"; }

# --- the runs ------------------------------------------------------------------
results=$work/results.tsv
: > "$results"
run() {  # TOOL FILE COMMAND...: one timed run on standard input, into the results
    local tool=$1 file=$2 start rc kb
    shift 2
    start=$EPOCHREALTIME
    /usr/bin/time -f %M -o "$work/mem" "$@" < "$work/$file" > /dev/null 2> "$work/err"
    rc=$?
    kb=$(tail -n 1 "$work/mem" 2>/dev/null)
    [ "$rc" = 0 ] || say "  $tool on $file failed ($rc): $(head -c 200 "$work/err")"
    printf '%s\t%s\t%s\t%s\t%s\n' "$tool" "$file" \
        "$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f", b - a }')" "${kb:-0}" "$rc" >> "$results"
}
say "measuring: $rounds round(s), w3m in the first"
for ((r = 0; r < rounds; r++)); do
    say "  round $((r + 1))/$rounds"
    n=${#rows[@]}
    for ((k = 0; k < n; k++)); do
        row=${rows[(k + r) % n]}
        file=$(field "$row" 1)
        run vorlax "$file" "$vorlax" -
        run cat "$file" cat
        w3m_options=$(field "$row" 3)
        if [ "$r" = 0 ] && [ "$w3m_options" != - ]; then run w3m "$file" w3m -dump $w3m_options -O UTF-8; fi
    done
done

# --- the table -----------------------------------------------------------------
table=$work/table.md
{
    echo "| input | size | vorlax | peak memory | w3m | cat | goal |"
    echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: |"
    for row in "${rows[@]}"; do
        file=$(field "$row" 1)
        bytes=$(stat -c %s "$work/$file")
        awk -F'\t' -v file="$file" -v bytes="$bytes" -v name="$(field "$row" 0)" -v goal="$(field "$row" 2)" '
            function median(list,   n, a, i, j, t) {
                n = split(list, a, " ")
                for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] + 0 > t + 0; j--) a[j + 1] = a[j]; a[j + 1] = t }
                return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
            }
            $2 == file && $5 == 0 { times[$1] = times[$1] " " $3; if ($4 > peak[$1]) peak[$1] = $4 }
            function cell(tool,   m) {
                if (!(tool in times)) return tool == "w3m" ? "—" : "fail"
                m = median(times[tool])
                return sprintf("%.3f s, %.0f MB/s", m, bytes / m / 1e6)
            }
            END {
                v = 0
                if ("vorlax" in times) v = bytes / median(times["vorlax"]) / 1e6
                printf "| %s | %.0f MB | %s | %.1f MiB | %s | %s | %s MB/s%s |\n", name, bytes / 1e6,
                    cell("vorlax"), peak["vorlax"] / 1024, cell("w3m"), cell("cat"), goal,
                    (v >= goal ? "" : " (not reached)")
            }' "$results"
    done
} > "$table"

if [ "$wine_rows" = 1 ]; then
    for arch in win32 win64; do
        [ -f "$root/build/$arch/bin/Vorlax.exe" ] || { say "no build/$arch: Wine rows left out"; continue; }
        say "the Windows batch under Wine ($arch)"
        "$here/wine_app_bench.sh" "build/$arch" $((1000 / scale)) $((100 / scale)) > "$work/wine-$arch.txt" ||
            { say "wine_app_bench.sh build/$arch failed"; continue; }
        # "NAME  SECONDS s  FILES files/s  MB MB/s" lines: Wine's beside the native.
        awk -v arch="$arch" '
            / small / { small[$1] = $(NF - 3); }
            / big / { big[$1] = $(NF - 1); }
            END {
                printf "| Vorlax.exe \"/r\" under Wine (%s), small pages / one big page | | %s files/s / %s MB/s | | `vorlax -j 1`: %s files/s / %s MB/s | | within 2x: %s, %s |\n",
                    arch, small["Vorlax.exe"], big["Vorlax.exe"], small["vorlax"], big["vorlax"],
                    (small["Vorlax.exe"] * 2 >= small["vorlax"] ? "yes" : "no"), (big["Vorlax.exe"] * 2 >= big["vorlax"] ? "yes" : "no")
            }' "$work/wine-$arch.txt" >> "$table"
    done
fi

header="vorlax $("$vorlax" --version 2>/dev/null | sed 's/^vorlax //') (tree $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo '?')),"
header+=" $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cores, $(date -u '+%Y-%m-%d');"
header+=" median of $rounds round(s), w3m one run; peak memory: vorlax's largest resident set"
cat "$table"
echo
echo "$header"

if [ "$readme" = 1 ]; then
    # Between the two marker lines of bench/README.md.
    python3 - "$here/README.md" "$table" "$header" <<'EOF'
import sys
readme, table, header = sys.argv[1], open(sys.argv[2]).read(), sys.argv[3]
text = open(readme).read()
begin, end = "<!-- throughput table: bench/throughput.sh --readme -->", "<!-- end of throughput table -->"
head, rest = text.split(begin, 1)
_, tail = rest.split(end, 1)
open(readme, "w").write(head + begin + "\n" + header + "\n\n" + table + end + tail)
EOF
    say "bench/README.md: table written"
fi

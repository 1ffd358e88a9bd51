#!/usr/bin/env bash
# Side-by-side benchmark: vorlax against other HTML-to-text converters.
#
# Measures, in one run and interleaved (each tool runs once per round, the
# median of the rounds is reported):
#   - MiB/s on one big file made by concatenating HTML pages found on the machine
#   - MiB/s on a large generated Japanese page in Shift-JIS and in EUC-JP
#   - files/s on a corpus of many small pages, one process per file, and
#     vorlax as one batch process with -j 2 when the binary has -j
#   - peak memory (maximum resident set size, /usr/bin/time -f %M)
# and prints a table and vorlax's ratios against the fastest peer.
#
# Peers: w3m -dump, html2text (the C++ one), python3 -m html2text, lynx -dump
# (off by default, it is slow) and cat as the floor. Missing Debian packages
# are installed when run as root.
#
#   bench/compare.sh                      # 100M big file, 3000 files, 5 rounds
#   bench/compare.sh --quick              # well under a minute
#   bench/compare.sh --size 20M --rounds 1 --files 300
#   bench/compare.sh --size 1G --rounds 3 --lynx
set -u -o pipefail
set -f  # commands below are split on spaces; no file name globbing

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)

size=100M
jp_size=8M
files=3000
rounds=5
limit=600
mem_limit=12G
with_lynx=0
skip=""
vorlax=""
work=""
keep=0
install=1

usage() {
    cat <<EOF
usage: bench/compare.sh [options]
  --size SIZE      size of the one big file (K/M/G suffixes, default 100M; 1G for the large run)
  --jp-size SIZE   size of the generated Japanese page in UTF-8 (default 8M)
  --files N        number of pages in the many-file corpus (default and most 3000)
  --rounds N       rounds; each tool runs once per round, medians reported (default 5)
  --timeout SEC    limit for one run of one tool (default 600); slower runs show "timeout"
  --mem-limit SIZE address-space limit for one run (default 12G); larger runs show "fail"
  --lynx           also measure lynx -dump (slow)
  --skip LIST      comma-separated tools to leave out (vorlax,w3m,html2text,py-html2text,lynx,cat)
  --quick          a run of well under a minute: --size 6M --jp-size 1M --files 60 --rounds 1 --timeout 20
  --vorlax PATH    the vorlax binary (default build/native/bin/vorlax, built when missing)
  --work DIR       work folder (default a new one under /tmp, removed at the end)
  --keep           keep the work folder
  --no-install     do not install missing packages
EOF
}

while [ $# -gt 0 ]; do
    case $1 in
        --size) size=$2; shift ;;
        --jp-size) jp_size=$2; shift ;;
        --files) files=$2; shift ;;
        --rounds) rounds=$2; shift ;;
        --timeout) limit=$2; shift ;;
        --mem-limit) mem_limit=$2; shift ;;
        --lynx) with_lynx=1 ;;
        --skip) skip=$2; shift ;;
        --quick) size=6M jp_size=1M files=60 rounds=1 limit=20 ;;
        --vorlax) vorlax=$2; shift ;;
        --work) work=$2; shift ;;
        --keep) keep=1 ;;
        --no-install) install=0 ;;
        -h|--help) usage; exit 0 ;;
        *) echo "compare.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
    esac
    shift
done

to_bytes() {  # 100M -> bytes (K, M, G are powers of 1024)
    local n=${1%[KkMmGg]} unit=${1##*[0-9]}
    [[ $n =~ ^[0-9]+$ ]] || { echo "compare.sh: bad size '$1'" >&2; exit 2; }
    case $unit in
        '') echo "$n" ;; K|k) echo $((n << 10)) ;; M|m) echo $((n << 20)) ;; G|g) echo $((n << 30)) ;;
        *) echo "compare.sh: bad size '$1'" >&2; exit 2 ;;
    esac
}
size_bytes=$(to_bytes "$size")
jp_bytes=$(to_bytes "$jp_size")
mem_kb=$(( $(to_bytes "$mem_limit") / 1024 ))
for v in files rounds limit; do
    [[ ${!v} =~ ^[1-9][0-9]*$ ]] || { echo "compare.sh: --$v needs a positive number" >&2; exit 2; }
done
[ "$files" -le 3000 ] || { echo "compare.sh: --files is at most 3000" >&2; exit 2; }
say() { printf '%s\n' "$*" >&2; }

# --- packages ---------------------------------------------------------------
want_pkgs=(w3m html2text python3-html2text time coreutils)
[ "$with_lynx" = 1 ] && want_pkgs+=(lynx)
missing=()
for p in "${want_pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$install" = 1 ] && [ "$(id -u)" = 0 ]; then
        say "installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null 2>&1 ||
            { apt-get update -q >/dev/null 2>&1 &&
              apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null; } ||
            { say "compare.sh: could not install ${missing[*]}"; exit 1; }
    else
        say "compare.sh: missing packages: ${missing[*]} (run as root, or apt-get install them)"
        exit 1
    fi
fi
python=/usr/bin/python3   # Debian's python, the one python3-html2text belongs to

# --- vorlax ----------------------------------------------------------------
if [ -z "$vorlax" ]; then
    vorlax=$repo/build/native/bin/vorlax
    if [ ! -x "$vorlax" ]; then
        say "building vorlax in build/native"
        cmake -S "$repo" -B "$repo/build/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null &&
            cmake --build "$repo/build/native" --target vorlax >/dev/null ||
            { say "compare.sh: build failed"; exit 1; }
    fi
fi
[ -x "$vorlax" ] || { say "compare.sh: no vorlax at $vorlax"; exit 1; }
vorlax=$(cd "$(dirname "$vorlax")" && pwd)/$(basename "$vorlax")
commit=$(git -C "$repo" rev-parse --short HEAD 2>/dev/null || echo '?')
[ -n "$(git -C "$repo" status --porcelain --untracked-files=no 2>/dev/null)" ] && commit="$commit, modified"
has_jobs=0
"$vorlax" --help 2>&1 | grep -qE -- '(^|[^[:alnum:]-])-j([^[:alnum:]-]|$)' && has_jobs=1

# --- work folder -----------------------------------------------------------
if [ -z "$work" ]; then
    work=$(mktemp -d /tmp/vorlax-bench.XXXXXX)
else
    mkdir -p "$work"
fi
cleanup() { [ "$keep" = 1 ] && say "work folder kept: $work" || rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- corpus: HTML already on the machine ----------------------------------
say "collecting HTML pages under /usr/share"
mapfile -t sources < <(find /usr/share -xdev -type f -size +0 -size -8M \
    \( -iname '*.html' -o -iname '*.htm' -o -iname '*.xhtml' -o -iname '*.html.gz' \) 2>/dev/null |
    LC_ALL=C sort)
[ ${#sources[@]} -gt 0 ] || { say "compare.sh: no HTML found under /usr/share"; exit 1; }
rm -rf "$work/pages" "$work/corpus"
mkdir -p "$work/pages" "$work/corpus"
pages=()
for ((i = 0; i < ${#sources[@]}; i++)); do
    dst=$(printf '%s/pages/%05d.html' "$work" "$i")
    case ${sources[i]} in
        *.gz) gzip -dc "${sources[i]}" > "$dst" 2>/dev/null ;;
        *) cp "${sources[i]}" "$dst" ;;
    esac
    [ -s "$dst" ] && pages+=("$dst") || rm -f "$dst"
done
[ ${#pages[@]} -gt 0 ] || { say "compare.sh: no readable HTML pages"; exit 1; }
# The many-file corpus: the pages in turn, copied again when --files asks for more.
corpus=()
for ((i = 0; i < files; i++)); do
    dst=$(printf '%s/corpus/%05d.html' "$work" "$i")
    cp "${pages[i % ${#pages[@]}]}" "$dst"
    corpus+=("$dst")
done
unique=$(( ${#pages[@]} < files ? ${#pages[@]} : files ))
corpus_bytes=$(cat "${corpus[@]}" | wc -c)

say "making the big file ($size)"
big=$work/big.html
{ while cat "${pages[@]}"; do :; done; } 2>/dev/null | head -c "$size_bytes" > "$big"
big_bytes=$(stat -c %s "$big")

say "generating the Japanese page ($jp_size in UTF-8)"
sjis=$work/japanese.sjis.html
euc=$work/japanese.euc.html
"$python" "$repo/tools/make_japanese_page.py" --size "$jp_size" --charset Shift_JIS |
    iconv -f UTF-8 -t SHIFT_JIS > "$sjis" || { say "compare.sh: Shift-JIS page failed"; exit 1; }
"$python" "$repo/tools/make_japanese_page.py" --size "$jp_size" --charset EUC-JP |
    iconv -f UTF-8 -t EUC-JP > "$euc" || { say "compare.sh: EUC-JP page failed"; exit 1; }
sjis_bytes=$(stat -c %s "$sjis")
euc_bytes=$(stat -c %s "$euc")

notes=()
# The same text in two codes must give the same CP932 output.
if ! cmp -s <("$vorlax" - < "$sjis") <("$vorlax" - < "$euc"); then
    notes+=("vorlax gives different text for the Shift-JIS and EUC-JP pages: this build does not decode EUC-JP yet, so its EUC-JP figure is not a real conversion")
fi

# --- tools -------------------------------------------------------------------
# name|command on stdin for ordinary pages|Shift-JIS command|EUC-JP command ("" = not measured)
tools=(
    "vorlax|$vorlax -|$vorlax -|$vorlax -"
    "w3m|w3m -dump -T text/html|w3m -dump -T text/html -I Shift_JIS -O UTF-8|w3m -dump -T text/html -I EUC-JP -O UTF-8"
    "html2text|html2text -nobs||"
    "py-html2text|$python -m html2text --decode-errors=ignore -|$python -m html2text --decode-errors=ignore - shift_jis|$python -m html2text --decode-errors=ignore - euc_jp"
    "lynx|lynx -dump -force_html -stdin -display_charset=utf-8|lynx -dump -force_html -stdin -assume_charset=shift_jis -display_charset=utf-8|lynx -dump -force_html -stdin -assume_charset=euc-jp -display_charset=utf-8"
    "cat|cat|cat|cat"
)
active=()
for t in "${tools[@]}"; do
    name=${t%%|*}
    [ "$name" = lynx ] && [ "$with_lynx" = 0 ] && continue
    [[ ,$skip, == *,$name,* ]] && continue
    active+=("$t")
done
field() { local IFS='|'; local -a f=($1); printf '%s' "${f[$2]:-}"; }

results=$work/results.tsv
: > "$results"
mem=$work/mem
err=$work/err

record() {  # test tool round start rc fails
    local end=$EPOCHREALTIME kb status=ok
    kb=$(tail -n 1 "$mem" 2>/dev/null); [[ $kb =~ ^[0-9]+$ ]] || kb=0
    if [ "$5" = 124 ] || [ "$5" = 137 ]; then status=timeout
    elif [ "$5" != 0 ]; then status=fail; fi
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" \
        "$(awk -v a="$4" -v b="$end" 'BEGIN{printf "%.6f", b-a}' 2>/dev/null)" "$kb" "$status" "${6:-0}" >> "$results"
}

single() {  # test tool round cmd input
    local start rc
    rm -f "$mem"
    start=$EPOCHREALTIME
    (ulimit -v "$mem_kb"; exec timeout -k 5 "$limit" /usr/bin/time -f %M -o "$mem" $4) < "$5" > /dev/null 2> "$err"
    rc=$?
    record "$1" "$2" "$3" "$start" "$rc"
}

per_file() {  # tool round cmd: one process per corpus page
    local start rc
    rm -f "$mem" "$work/fails"
    start=$EPOCHREALTIME
    (ulimit -v "$mem_kb"; exec timeout -k 5 "$limit" /usr/bin/time -f %M -o "$mem" bash -f -c '
        out=$1 cmd=$2; shift 2; fails=0
        for f; do $cmd < "$f" > /dev/null 2>&1 || fails=$((fails + 1)); done
        echo "$fails" > "$out"' _ "$work/fails" "$3" "${corpus[@]}") 2> "$err"
    rc=$?
    record files "$1" "$2" "$start" "$rc" "$(cat "$work/fails" 2>/dev/null || echo 0)"
}

batch() {  # round: vorlax -j 2 over the whole corpus in one process
    local start rc out=$work/batch-out
    rm -rf "$out" "$mem"; mkdir -p "$out"
    start=$EPOCHREALTIME
    (ulimit -v "$mem_kb"; exec timeout -k 5 "$limit" /usr/bin/time -f %M -o "$mem" "$vorlax" -j 2 -o "$out" "${corpus[@]}") > /dev/null 2> "$err"
    rc=$?
    [ "$rc" = 1 ] && rc=0  # some pages failed: still a complete run, counted below
    record files-batch vorlax "$1" "$start" "$rc" \
        $(( ${#corpus[@]} - $(find "$out" -type f -name '*.txt' | wc -l) ))
    rm -rf "$out"
}

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
say "measuring: ${#active[@]} tools, $rounds round(s), time limit ${limit}s a run"
for ((r = 1; r <= rounds; r++)); do
    # Rotate the order each round so no tool always runs first on a cold cache.
    n=${#active[@]}
    order=()
    for ((k = 0; k < n; k++)); do order+=("${active[(k + r - 1) % n]}"); done
    say "  round $r/$rounds"
    for t in "${order[@]}"; do single big "$(field "$t" 0)" "$r" "$(field "$t" 1)" "$big"; done
    for t in "${order[@]}"; do
        c=$(field "$t" 2); [ -n "$c" ] && single sjis "$(field "$t" 0)" "$r" "$c" "$sjis"
    done
    for t in "${order[@]}"; do
        c=$(field "$t" 3); [ -n "$c" ] && single euc "$(field "$t" 0)" "$r" "$c" "$euc"
    done
    for t in "${order[@]}"; do per_file "$(field "$t" 0)" "$r" "$(field "$t" 1)"; done
    if [ "$has_jobs" = 1 ] && [[ ,$skip, != *,vorlax,* ]]; then batch "$r"; fi
done

# --- report ------------------------------------------------------------------
names=()
for t in "${active[@]}"; do names+=("$(field "$t" 0)"); done
cpu=$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')
{
    echo "vorlax compare.sh  $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "machine: $cpu, $(nproc) cores, $(awk '/MemTotal/{printf "%.0f GiB", $2/1048576}' /proc/meminfo);" \
         "load average before: $load_start, after: $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "vorlax: $("$vorlax" --version 2>/dev/null) (tree $commit)," \
         "batch -j: $([ "$has_jobs" = 1 ] && echo yes || echo 'not in this build')"
    echo "big file: $big_bytes bytes from ${#pages[@]} pages under /usr/share (repeated);" \
         "Japanese page: Shift-JIS $sjis_bytes bytes, EUC-JP $euc_bytes bytes;" \
         "corpus: ${#corpus[@]} files, $corpus_bytes bytes ($unique distinct pages)"
    echo "rounds: $rounds (median time, largest peak memory); MiB = 2^20 bytes; output to /dev/null;" \
         "limits a run: ${limit}s, $mem_limit address space"
    echo
} > "$work/report"

awk -F'\t' -v names="${names[*]}" -v big="$big_bytes" -v sjis="$sjis_bytes" -v euc="$euc_bytes" \
    -v nfiles="${#corpus[@]}" -v has_jobs="$has_jobs" '
function median(key,   n, i, j, a, t) {
    n = split(times[key], a, " ")
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] + 0 > t + 0; j--) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
{
    key = $1 SUBSEP $2
    if ($6 != "ok") bad[key] = $6
    else times[key] = (key in times ? times[key] " " : "") $4
    if ($5 + 0 > peak[key] + 0) peak[key] = $5
    if ($7 + 0 > fails[key] + 0) fails[key] = $7
    seen[key] = 1
}
function rate(test, tool, bytes,   key, m) {
    key = test SUBSEP tool
    if (!(key in seen)) return "-"
    if (key in bad) return bad[key]
    m = median(key); if (m <= 0) m = 1e-6
    speed[key] = bytes / m
    return bytes >= 0 ? sprintf("%.1f", bytes / m / 1048576) : ""
}
function frate(test, tool,   key, m) {
    key = test SUBSEP tool
    if (!(key in seen)) return "-"
    if (key in bad) return bad[key]
    m = median(key); if (m <= 0) m = 1e-6
    speed[key] = nfiles / m
    return sprintf("%.0f", nfiles / m) (fails[key] > 0 ? "*" : "")
}
function mib(test, tool,   key) {
    key = test SUBSEP tool
    if (!(key in seen) || !(peak[key] > 0)) return "-"
    mem[key] = peak[key]
    return sprintf("%.1f", peak[key] / 1024)
}
END {
    nt = split(names, tool, " ")
    hdr = sprintf("%-13s %10s %9s %10s %9s %10s %9s %10s %9s", "tool", "big MiB/s", "peak MiB",
                  "SJIS MiB/s", "peak MiB", "EUC MiB/s", "peak MiB", "files/s", "peak MiB")
    print hdr
    line = hdr; gsub(/./, "-", line); print line
    for (i = 1; i <= nt; i++) {
        t = tool[i]
        printf "%-13s %10s %9s %10s %9s %10s %9s %10s %9s\n", t,
            rate("big", t, big), mib("big", t), rate("sjis", t, sjis), mib("sjis", t),
            rate("euc", t, euc), mib("euc", t), frate("files", t), mib("files", t)
        if (t == "vorlax" && ("files-batch" SUBSEP "vorlax") in seen)
            printf "%-13s %10s %9s %10s %9s %10s %9s %10s %9s\n", "vorlax -j 2", "", "", "", "", "", "",
                frate("files-batch", "vorlax"), mib("files-batch", "vorlax")
    }
    print ""
    print "files/s: one process per page; vorlax -j 2: one batch process writing its outputs to a folder"
    print "* some pages made the tool exit non-zero; timeout/fail: no median for that column"
    if (has_jobs != 1) print "vorlax -j 2: this build has no -j, batch not measured"
    print ""
    print "vorlax against the fastest peer (cat excluded; above 1 means vorlax is faster or smaller):"
    split("big sjis euc files", tests, " ")
    split("big file|Shift-JIS page|EUC-JP page|many files", label, "|")
    for (k = 1; k <= 4; k++) {
        test = tests[k]; v = test SUBSEP "vorlax"
        if (!(v in speed)) continue
        best = ""; bs = 0; small = ""; sm = 0
        for (i = 1; i <= nt; i++) {
            t = tool[i]; key = test SUBSEP t
            if (t == "vorlax" || t == "cat" || !(key in speed)) continue
            if (speed[key] > bs) { bs = speed[key]; best = t }
            if ((key in mem) && (sm == 0 || mem[key] < sm)) { sm = mem[key]; small = t }
        }
        if (best == "") { printf "  %-15s no peer measured\n", label[k] ":"; continue }
        printf "  %-15s speed %6.2fx  (vorlax vs %s)", label[k] ":", speed[v] / bs, best
        if (small != "" && (v in mem)) printf "   memory %6.2fx  (vorlax %.1f MiB vs %s %.1f MiB)", sm / mem[v], mem[v] / 1024, small, sm / 1024
        printf "\n"
        if (test == "files" && ("files-batch" SUBSEP "vorlax") in speed)
            printf "  %-15s speed %6.2fx  (vorlax -j 2 batch vs %s one process per page)\n", "", speed["files-batch" SUBSEP "vorlax"] / bs, best
        if (("big" SUBSEP "cat") in speed && test == "big")
            printf "  %-15s vorlax runs at %.1f%% of cat\n", "", 100 * speed[v] / speed["big" SUBSEP "cat"]
    }
}' "$results" >> "$work/report"

for n in "${notes[@]}"; do echo "note: $n" >> "$work/report"; done
cat "$work/report"

#!/usr/bin/env bash
# Spreading a corpus with an existing tool: `vorlax -` as a filter under GNU
# parallel gives, for every page, the same bytes as running it directly.
#
#   tests/parallel_test.sh path/to/vorlax
#
# Installs Debian's `parallel` when it is missing and we are root; skips with
# a message (exit 0) when it cannot be had.
set -u
vorlax=${1:?usage: parallel_test.sh path/to/vorlax}
vorlax=$(cd "$(dirname "$vorlax")" && pwd)/$(basename "$vorlax")

have_parallel() {
    command -v parallel >/dev/null 2>&1 && parallel --version 2>/dev/null | grep -q 'GNU parallel'
}
if ! have_parallel; then
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "parallel_test: installing GNU parallel (Debian package parallel)"
        export DEBIAN_FRONTEND=noninteractive
        apt-get install -y -q --no-install-recommends parallel >/dev/null 2>&1 ||
            { apt-get update -q >/dev/null 2>&1 &&
              apt-get install -y -q --no-install-recommends parallel >/dev/null 2>&1; }
    fi
    if ! have_parallel; then
        echo "parallel_test: GNU parallel is not installed and could not be installed; skipped"
        echo "parallel: 0 passed, 0 failed, 1 skipped"
        exit 0
    fi
fi

dir=$(mktemp -d /tmp/vorlax-parallel.XXXXXX)
trap 'rm -rf "$dir"' EXIT
# shellcheck source=tests/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# A small corpus: 20 pages, Shift-JIS text, tables, lists, centring, rules,
# links, one empty page and names with spaces and quotes.
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t SHIFT_JIS; }
for i in $(seq 1 18); do
    {
        printf '<html><head><title>page %d</title></head><body>\n' "$i"
        sjis "<h1>見出し $i</h1><p>日本語の本文です。ｶﾀｶﾅ&amp;かな</p>"
        for ((k = 0; k < i; k++)); do printf '<p>paragraph %d of page %d with <a href="http://example.com/%d">a link</a></p>\n' "$k" "$i" "$k"; done
        printf '<ul><li>one<li>two</ul><center>middle %d</center><hr width="%d%%">\n' "$i" $((i * 5))
        printf '<table border=1><tr><th>a<th>b<tr><td>%d<td>%d</table>\n' "$i" $((i * i))
        printf '<pre>  pre  %d\n\tformatted</pre></body></html>\n' "$i"
    } > "$dir/page$(printf '%02d' "$i").html"
done
: > "$dir/empty.html"
printf '<p>name with spaces and a quote</p>' > "$dir/it's a page.html"
count=$(find "$dir" -name '*.html' | wc -l)

# Expected: vorlax run directly, one page at a time.
mkdir "$dir/expected"
for f in "$dir"/*.html; do
    b=$(basename "$f" .html)
    "$vorlax" - < "$f" > "$dir/expected/$b.txt" || fail "direct run on $b exited $?"
done

# Under GNU parallel, two jobs at a time; {} and {.} are quoted by parallel.
(cd "$dir" && parallel --will-cite -j 2 --halt never "$vorlax - < {} > {.}.txt" ::: *.html)
check "parallel's status" 0 $?

for f in "$dir"/*.html; do
    b=$(basename "$f" .html)
    check_file "the output for $b, as the direct run gives it" "$dir/expected/$b.txt" "$dir/$b.txt"
done

# The --pipe style: the pages streamed through one pipe, NUL after each page,
# one page a block (-N1 --recend '\0' --rrs), every block converted by its own
# `vorlax -`, the outputs kept in input order (-k).
for f in "$dir"/page*.html; do cat "$f"; printf '\0'; done |
    parallel --will-cite -j 2 --pipe -N1 --recend '\0' --rrs -k "$vorlax -" > "$dir/piped.out"
check "parallel --pipe's status" 0 $?
cat "$dir"/expected/page*.txt > "$dir/piped.expected"
check_file "the --pipe output, as the direct runs give it" "$dir/piped.expected" "$dir/piped.out"

check_run "a corpus of at least 20 pages ($count)" [ "$count" -ge 20 ]
checks_done parallel

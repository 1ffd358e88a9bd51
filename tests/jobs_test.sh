#!/usr/bin/env bash
# A batch gives the same output tree whatever the number of jobs: output
# names are claimed in input order, also when inputs compete for a name.
set -u
vorlax=${1:?usage: jobs_test.sh path/to/vorlax}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

mkdir "$work/in"
for i in $(seq 1 40); do
    {
        printf '<title>page %d</title><h1 align=center>%d</h1><ul>' "$i" "$i"
        for j in $(seq 1 $((i * 7))); do printf '<li>item %d &amp; %d<a href="http://x/%d">l</a>' "$j" "$i" "$j"; done
        printf '</ul><pre>\n a\tb\n</pre>'
    } > "$work/in/p$i.htm"
done
# Four inputs that all want the name same.txt, and one that cannot be read.
for ext in htm html shtml xhtml; do printf '<p>%s' "$ext" > "$work/in/same.$ext"; done
files=()
for i in $(seq 1 40); do files+=("$work/in/p$i.htm"); [ $((i % 10)) = 0 ] && files+=("$work/in/missing$i.htm"); done
files+=("$work/in/same.htm" "$work/in/same.html" "$work/in/same.shtml" "$work/in/same.xhtml")

declare -A status
for jobs in 1 2 5; do
    mkdir "$work/out$jobs"
    "$vorlax" -j "$jobs" -v -o "$work/out$jobs" --set SWlink=1 "${files[@]}" \
        > "$work/stdout$jobs" 2> "$work/stderr$jobs"
    status[$jobs]=$?
    sed -i "s|$work/out$jobs|OUT|" "$work/stdout$jobs"
done
check "missing files give status 1" 1 "${status[1]}"
check "4 missing files reported" 4 "$(grep -c 'このファイルのオープンに失敗しました' "$work/stderr1")"
check "44 files converted" 44 "$(ls "$work/out1" | wc -l)"
check "competing names in input order" shtml "$(tr -d '\r\n' < "$work/out1/same.vorl1.txt")"
for jobs in 2 5; do
    check "-j $jobs status" "${status[1]}" "${status[$jobs]}"
    check_run "-j $jobs same tree" diff -r "$work/out1" "$work/out$jobs"
    check_run "-j $jobs same report order" cmp -s "$work/stdout1" "$work/stdout$jobs"
    check_run "-j $jobs same messages" cmp -s "$work/stderr1" "$work/stderr$jobs"
done
# Off a terminal there is no progress line: stderr holds the messages only.
check "no progress off a terminal" 0 "$(grep -c 'MB/s' "$work/stderr1")"
# The filter gives the same bytes as the file conversion.
check_run "filter equals file" cmp -s <("$vorlax" --set SWlink=1 - < "$work/in/p7.htm") "$work/out1/p7.txt"

checks_done jobs

#!/usr/bin/env bash
# Converts HTML files to CP932 text with the native command-line build.
#
#   ./run.sh              converts samples/sample.html into out/sample.txt
#   ./run.sh FILE...      converts each FILE into out/<name>.txt
#
# Installs what the native build needs when it is missing, and builds
# build/native (only the vorlax program) first.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/deps.sh
source "$root/tools/deps.sh"
vorlax_need_packages "${VORLAX_PKGS_NATIVE[@]}"

tree=$root/build/native
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if [ ! -f "$tree/build.ninja" ]; then
    # A tree of its own making leaves tests and benchmark out (no GoogleTest
    # needed); ./test.sh switches them on in the same tree.
    if ! cmake -G Ninja -S "$root" -B "$tree" -DVORLAX_TESTS=OFF -DVORLAX_BENCH=OFF >"$log" 2>&1; then
        cat "$log" >&2
        exit 1
    fi
fi
if ! cmake --build "$tree" --target vorlax >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
vorlax=$tree/bin/vorlax

[ $# -eq 0 ] && set -- "$root/samples/sample.html"
mkdir -p "$root/out"
for input in "$@"; do
    name=$(basename "$input")
    output=$root/out/${name%.*}.txt
    # For now each file goes through the filter (standard input to standard
    # output). TODO: hand the paths to `vorlax FILE...` once the command line
    # converts files itself.
    "$vorlax" - < "$input" > "$output"
    echo "${input#"$root"/} -> ${output#"$root"/}"
done

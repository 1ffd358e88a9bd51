#!/usr/bin/env bash
# Converts HTML files to CP932 text with the native command-line build.
#
#   ./run.sh              converts samples/sample.html into out/sample.txt
#   ./run.sh FILE...      converts each FILE into out/<name>.txt (or
#                         out/<name>.vorlN.txt when that name is taken)
#   ./run.sh --gui [FILE...]  the Windows program under Wine (tools/run-gui.sh)
#
# Installs what the native build needs when it is missing, and builds
# build/native (only the vorlax program) first.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ "${1:-}" = --gui ]; then
    shift
    exec "$root/tools/run-gui.sh" "$@"
fi
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

mkdir -p "$root/out"
if [ $# -eq 0 ]; then
    # The bundled sample; its earlier result is replaced, so repeated runs stay tidy.
    rm -f "$root/out/sample.txt"
    set -- "$root/samples/sample.html"
fi
# Each result goes into out/ as NAME.txt (NAME.vorlN.txt when that exists:
# nothing is ever overwritten); -v prints "input -> output" for each file.
exec "$vorlax" -v -o "$root/out" -- "$@"

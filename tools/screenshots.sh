#!/usr/bin/env bash
# Takes the README's screenshots of the Windows program under Xvfb and Wine
# and writes them as PNG into docs/screenshots/.
#
#   tools/screenshots.sh [build/win32|build/win64]
#
# The GUI test program takes them itself (its Screenshots tests, which run
# only when VORLAX_SCREENSHOTS names a folder); every other test is left out.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree=${1:-build/win32}
# shellcheck source=tools/deps.sh
source "$root/tools/deps.sh"
vorlax_need_packages imagemagick

shots=$(mktemp -d "${TMPDIR:-/tmp}/vorlax-shots.XXXXXX")
trap 'rm -rf "$shots"' EXIT
VORLAX_SCREENSHOTS="Z:${shots//\//\\}" "$root/tools/wine-run.sh" --gui \
    "$root/$tree/bin/vorlax_gui_tests.exe" --gtest_filter='*Screenshots*' >"$shots/run.log" 2>&1 || {
    cat "$shots/run.log" >&2
    exit 1
}
# The uninstaller's question and closing message, from its Yes case; the
# shell-extension page (on the test's own sheet).
VORLAX_SCREENSHOTS="Z:${shots//\//\\}" "$root/tools/wine-run.sh" --gui \
    "$root/$tree/bin/vorlax_install_tests.exe" \
    --gtest_filter='Uninstaller.YesRemovesEverythingAndTheBatchDeletesTheUninstaller:ShellPage.RegisteringCopiesTheDllAndWritesTheKeys' >"$shots/install.log" 2>&1 || {
    cat "$shots/install.log" >&2
    exit 1
}
mkdir -p "$root/docs/screenshots"
for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    name=$(basename "$bmp" .bmp)
    convert "$bmp" "$root/docs/screenshots/$name.png"
    echo "docs/screenshots/$name.png"
done

#!/usr/bin/env bash
# Takes the README's screenshots of the Windows program under Xvfb and Wine
# and writes them as PNG into docs/screenshots/: at 96 DPI on a Japanese
# system there, at 144 DPI (150 %) into docs/screenshots/144dpi/, and at 96
# DPI on a system with code page 1252 (C.UTF-8: an English or European
# Windows, where the manifest gives the program code page 932) into
# docs/screenshots/cp1252/.
#
#   tools/screenshots.sh [build/win32|build/win64]
#
# The GUI test program takes them itself (its Screenshots tests, which run
# only when VORLAX_SCREENSHOTS names a folder); every other test is left out.
# tests/win/settings/screenshots.sh takes the settings sheet's pages.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree=${1:-build/win32}
# shellcheck source=tools/wine-prefix.sh
source "$root/tools/wine-prefix.sh"
vorlax_need_packages imagemagick

shots=$(mktemp -d "${TMPDIR:-/tmp}/vorlax-shots.XXXXXX")
# The prefixes of every set come from templates made once.
vorlax_wine_trap
vorlax_wine_temporaries+=("$shots")

# take FOLDER WINE-RUN-OPTION...: one set into docs/screenshots/FOLDER.
take() {
    local folder=$1 into=$shots/$1
    shift
    mkdir -p "$into"
    VORLAX_SCREENSHOTS="$(vorlax_winpath "$into/")" "$root/tools/wine-run.sh" --gui "$@" \
        "$root/$tree/bin/vorlax_gui_tests.exe" --gtest_filter='*Screenshots*' >"$into/run.log" 2>&1 || {
        cat "$into/run.log" >&2
        exit 1
    }
    # The uninstaller's question and closing message, from its Yes case; the
    # shell-extension page (on the test's own sheet).
    VORLAX_SCREENSHOTS="$(vorlax_winpath "$into/")" "$root/tools/wine-run.sh" --gui "$@" \
        "$root/$tree/bin/vorlax_install_tests.exe" \
        --gtest_filter='Uninstaller.YesRemovesEverythingAndTheBatchDeletesTheUninstaller:ShellPage.RegisteringCopiesTheDllAndWritesTheKeys' >"$into/install.log" 2>&1 || {
        cat "$into/install.log" >&2
        exit 1
    }
    mkdir -p "$root/docs/screenshots/$folder"
    local bmp name
    for bmp in "$into"/*.bmp; do
        [ -e "$bmp" ] || continue
        name=$(basename "$bmp" .bmp)
        /usr/bin/convert "$bmp" -strip "$root/docs/screenshots/$folder/$name.png"
        echo "docs/screenshots/${folder:+$folder/}$name.png"
    done
}
take "" --dpi 96
take 144dpi --dpi 144
take cp1252 --dpi 96 --locale C.UTF-8

#!/usr/bin/env bash
# Takes the README's screenshots of the Windows programs under Xvfb and Wine
# and writes them as PNG into docs/screenshots/: at 96 DPI on a Japanese
# system there, at 144 DPI (150 %) into docs/screenshots/144dpi/, and at 96
# DPI on a system with code page 1252 (C.UTF-8: an English or European
# Windows, where the manifest gives the programs code page 932) into
# docs/screenshots/cp1252/.
#
#   tools/screenshots.sh [build/win32|build/win64]
#
# The test programs take them themselves in the cases below, which do so
# only when VORLAX_SCREENSHOTS names a folder: the main window idle,
# converting and done, the abort question, the about box and a path too
# long (the GUI tests' Screenshots case); the uninstaller's question and
# closing message (its Yes case); the shell-extension page; the settings
# sheet's seven pages. Every other test is left out.
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
    local folder=$1 into=$shots/$1 program cases bmp name
    shift
    mkdir -p "$into" "$root/docs/screenshots/$folder"
    while read -r program cases; do
        VORLAX_SCREENSHOTS="$(vorlax_winpath "$into/")" "$root/tools/wine-run.sh" --gui "$@" \
            "$root/$tree/bin/$program" --gtest_filter="$cases" >"$into/$program.log" 2>&1 || {
            iconv -c -f CP932 -t UTF-8 "$into/$program.log" >&2
            exit 1
        }
    done <<'CASES'
vorlax_gui_tests.exe VorlaxApp.Screenshots
vorlax_install_tests.exe Uninstaller.YesRemovesEverythingAndTheBatchDeletesTheUninstaller:ShellPage.RegisteringCopiesTheDllAndWritesTheKeys
vorlax_settings_tests.exe Settings.SheetAndPageTemplates
CASES
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

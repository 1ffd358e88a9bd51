#!/usr/bin/env bash
# Takes the screenshots of the settings sheet's seven pages under Xvfb, as
# the driver sees them with the first-start options, and writes them as
# docs/screenshots/settings-page1.png .. settings-page7.png (96 DPI), the
# same in docs/screenshots/144dpi/ (144 DPI, 150 %) and in
# docs/screenshots/cp1252/ (96 DPI, a system with code page 1252).
#
#   tests/win/settings/screenshots.sh [BUILD-TREE]   (default build/win32)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
cd "$root"
# shellcheck source=tools/wine-prefix.sh
source tools/wine-prefix.sh
vorlax_need_packages imagemagick

tree=${1:-build/win32}
shots=$(mktemp -d "$root/build/settings-shots.XXXXXX")
# The prefixes of every set come from templates made once.
vorlax_wine_trap
vorlax_wine_temporaries+=("$shots")

# take FOLDER WINE-RUN-OPTION...: one set into docs/screenshots/FOLDER.
take() {
    local folder=$1 into=$shots/$1
    shift
    mkdir -p "$into" "docs/screenshots/$folder"
    # The driver writes BMP files; Wine sees the folder on drive Z:.
    VORLAX_SCREENSHOTS="$(vorlax_winpath "$into")" tools/wine-run.sh --check --gui "$@" "$tree/bin/settings_driver.exe" \
        > "$into/driver.log" 2>&1 || {
        iconv -c -f CP932 -t UTF-8 "$into/driver.log" >&2
        exit 1
    }
    for i in 1 2 3 4 5 6 7; do
        /usr/bin/convert "$into/settings-page$i.bmp" -strip "docs/screenshots/$folder/settings-page$i.png"
    done
}
take "" --dpi 96
take 144dpi --dpi 144
take cp1252 --dpi 96 --locale C.UTF-8
ls docs/screenshots/settings-page*.png docs/screenshots/*/settings-page*.png

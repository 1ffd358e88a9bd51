#!/usr/bin/env bash
# Takes the screenshots of the settings sheet's seven pages under Xvfb, as
# the driver sees them with the first-start options, and writes them as
# docs/screenshots/settings-page1.png .. settings-page7.png.
#
#   tests/win/settings/screenshots.sh [BUILD-TREE]   (default build/win32)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
cd "$root"
# shellcheck source=tools/deps.sh
source tools/deps.sh
vorlax_need_packages imagemagick

tree=${1:-build/win32}
shots=$(mktemp -d "$root/build/settings-shots.XXXXXX")
trap 'rm -rf "$shots"' EXIT
# The driver writes BMP files; Wine sees the folder on drive Z:.
VORLAX_SCREENSHOTS="Z:${shots//\//\\}" tools/wine-run.sh --check --gui "$tree/bin/settings_driver.exe" \
    > "$shots/driver.log" 2>&1 || {
    iconv -c -f CP932 -t UTF-8 "$shots/driver.log" >&2
    exit 1
}
mkdir -p docs/screenshots
for i in 1 2 3 4 5 6 7; do
    /usr/bin/convert "$shots/settings-page$i.bmp" -strip "docs/screenshots/settings-page$i.png"
done
ls docs/screenshots/settings-page*.png

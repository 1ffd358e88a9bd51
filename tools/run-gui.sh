#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine: ./run.sh --gui [FILE...]
#
# The Wine prefix is kept in ~/.local/share/vorlax/wine-win32 (made on the
# first run, with ANSI code page 932 and the Japanese fonts mapped), so the
# settings stay from one run to the next. With a display ($DISPLAY) the
# window opens there; without one it runs on a private Xvfb server and a
# screenshot is saved. FILEs are converted beside themselves, as
# "Vorlax.exe FILE..." does on Windows, and the program then closes.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=tools/wine-prefix.sh
source "$root/tools/wine-prefix.sh"
vorlax_need_packages "${VORLAX_PKGS_NATIVE[@]}" "${VORLAX_PKGS_WINDOWS[@]}" imagemagick
vorlax_wine_need --gui win32

tree=$root/build/win32
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if [ ! -f "$tree/build.ninja" ]; then
    cmake -G Ninja -S "$root" -B "$tree" -DVORLAX_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
fi
echo "building $tree/bin/Vorlax.exe" >&2
cmake --build "$tree" --target Vorlax >"$log" 2>&1 || { cat "$log" >&2; exit 1; }

prefix=${XDG_DATA_HOME:-$HOME/.local/share}/vorlax/wine-win32
args=()
for file in "$@"; do
    path=$(realpath -m -- "$file")
    args+=("$(vorlax_winpath "$path")")
done

if [ -n "${DISPLAY:-}" ]; then
    exec "$root/tools/wine-run.sh" --screen --prefix "$prefix" "$tree/bin/Vorlax.exe" "${args[@]}"
fi

# No display: a private Xvfb, and a picture of what the window shows.
wine_end_hook() { rm -f "$log"; }
vorlax_wine_trap
vorlax_wine_xvfb 1024x768x24
"$root/tools/wine-run.sh" --screen --prefix "$prefix" "$tree/bin/Vorlax.exe" "${args[@]}" &
run_pid=$!
shot=$root/out/vorlax-screen.png
mkdir -p "$root/out"
# The window needs a moment (a first run also makes the prefix).
for _ in $(seq 60); do
    sleep 1
    if WINEPREFIX=$prefix LC_ALL=ja_JP.UTF-8 xwininfo -root -tree 2>/dev/null | grep -q '"Vorlax"'; then
        sleep 1
        break
    fi
    kill -0 "$run_pid" 2>/dev/null || break
done
import -window root "$shot"
echo "no display: Vorlax ran on a private Xvfb server; screenshot in ${shot#"$root"/}" >&2
if [ $# -eq 0 ]; then
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
fi
wait "$run_pid" || true

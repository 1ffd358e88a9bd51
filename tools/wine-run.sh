#!/usr/bin/env bash
# Runs a Windows program under Wine, in a fresh prefix that is thrown away
# afterwards, so no run sees what an earlier one left behind.
#
#   tools/wine-run.sh [--check] [--gui] PROGRAM.exe [ARG...]
#
#   --check  first run wine_env_check.exe from PROGRAM's folder in the same
#            prefix (ANSI code page 932, Japanese font mapping, Wine's own
#            fonts); stop if it fails
#   --gui    start a private Xvfb server for the run (for window tests)
#   --screen show windows on the caller's own display ($DISPLAY), whose
#            window manager draws the frames
#   --prefix DIR  use the prefix DIR and keep it (it is made and prepared
#            only when it does not exist yet), instead of a fresh one
#   --arch win64  make a new prefix 64-bit even for a 32-bit program (which
#            then runs under WOW64, as on a 64-bit Windows)
#   --locale NAME  the Unix locale Wine takes the Windows one from (default
#            ja_JP.UTF-8: ANSI code page 932, a Japanese system); a Western
#            one (C.UTF-8, en_US.UTF-8) gives code page 1252, a non-Japanese
#            system, where only a program's manifest gives it 932
#   --dpi N  the screen's DPI (HKCU\Control Panel\Desktop LogPixels) in a
#            new prefix: 96 by default, 144 for a screen at 150 %
#
# The prefix is 32-bit for a 32-bit program and 64-bit for a 64-bit one,
# prepared as tools/wine-prefix.sh describes.
# The exit status is the program's. Set VORLAX_WINE_KEEP=1 to keep the prefix
# for a look afterwards (its path is printed).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/wine-prefix.sh
source "$here/wine-prefix.sh"

check=0
gui=0
screen=0
kept_prefix=
wanted_arch=
locale=ja_JP.UTF-8
options=()
while [ $# -gt 0 ]; do
    case "$1" in
        --check) check=1; shift ;;
        --gui) gui=1; shift ;;
        --screen) screen=1; options+=(--window-manager); shift ;;
        --prefix) kept_prefix=${2:?--prefix needs a folder}; shift 2 ;;
        --arch) wanted_arch=${2:?--arch needs win32 or win64}; shift 2 ;;
        --locale) locale=${2:?--locale needs a locale name}; shift 2 ;;
        --dpi) options+=(--dpi "${2:?--dpi needs a number}"); shift 2 ;;
        --) shift; break ;;
        -*) echo "wine-run.sh: unknown option $1" >&2; exit 2 ;;
        *) break ;;
    esac
done
if [ $# -lt 1 ]; then
    echo "usage: tools/wine-run.sh [--check] [--gui|--screen] [--prefix DIR] [--arch win64] [--locale NAME] [--dpi N] PROGRAM.exe [ARG...]" >&2
    exit 2
fi
program=$1
shift
if [ ! -f "$program" ]; then
    echo "wine-run.sh: no such program: $program" >&2
    exit 2
fi

if ! arch=$(vorlax_pe_arch "$program"); then
    echo "wine-run.sh: $program is not an i386 or x86-64 Windows program" >&2
    exit 2
fi
architectures=("$arch")
case "$wanted_arch" in
    '') ;;
    win64) architectures+=(win64); arch=win64 ;;
    win32) [ "$arch" = win32 ] || { echo "wine-run.sh: a 64-bit program needs a 64-bit prefix" >&2; exit 2; } ;;
    *) echo "wine-run.sh: --arch takes win32 or win64" >&2; exit 2 ;;
esac
if [ "$gui" = 1 ]; then
    vorlax_wine_need --gui "${architectures[@]}"
else
    vorlax_wine_need "${architectures[@]}"
fi

vorlax_wine_trap
if [ -z "$kept_prefix" ]; then
    vorlax_wine_temporary_prefix wine --arch "$arch" --locale "$locale" "${options[@]}"
elif [ -f "$kept_prefix/system.reg" ]; then
    vorlax_wine_env "$arch" "$locale"
    vorlax_wine_use "$kept_prefix"
else
    vorlax_wine_prefix "$kept_prefix" --arch "$arch" --locale "$locale" "${options[@]}"
fi

if [ "$gui" = 1 ]; then
    vorlax_wine_xvfb 1280x1024x24
elif [ "$screen" = 1 ]; then
    if [ -z "${DISPLAY:-}" ]; then
        echo "wine-run.sh: --screen needs a display (DISPLAY is not set)" >&2
        exit 2
    fi
else
    vorlax_wine_headless
fi

if [ "$check" = 1 ]; then
    checker=$(dirname "$program")/wine_env_check.exe
    if ! wine "$checker" "$vorlax_code_page" >"$WINEPREFIX/.check.log" 2>&1; then
        cat "$WINEPREFIX/.check.log" >&2
        echo "wine-run.sh: the Wine environment check failed" >&2
        exit 1
    fi
    iconv -f CP932 -t UTF-8 "$WINEPREFIX/.check.log" | sed 's/\r$//; s/^/wine-env: /' >&2
fi

set +e
wine "$program" "$@"
status=$?
set -e
exit "$status"

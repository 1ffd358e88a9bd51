#!/usr/bin/env bash
# Runs a Windows program under Wine, in a fresh prefix that is thrown away
# afterwards, so no run sees what an earlier one left behind.
#
#   tools/wine-run.sh [--check] [--gui] PROGRAM.exe [ARG...]
#
#   --check  first run wine_env_check.exe from PROGRAM's folder in the same
#            prefix (ANSI code page 932, Japanese font mapping); stop if it fails
#   --gui    start a private Xvfb server for the run (for window tests)
#   --screen show windows on the caller's own display ($DISPLAY)
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
# The prefix is 32-bit for a 32-bit program and 64-bit for a 64-bit one. The
# locale is ja_JP.UTF-8 unless --locale names another.
# The exit status is the program's. Set VORLAX_WINE_KEEP=1 to keep the prefix
# for a look afterwards (its path is printed).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/deps.sh
source "$here/deps.sh"
# shellcheck source=tools/xvfb.sh
source "$here/xvfb.sh"

check=0
gui=0
screen=0
kept_prefix=
wanted_arch=
locale=ja_JP.UTF-8
dpi=
while [ $# -gt 0 ]; do
    case "$1" in
        --check) check=1; shift ;;
        --gui) gui=1; shift ;;
        --screen) screen=1; shift ;;
        --prefix) kept_prefix=${2:?--prefix needs a folder}; shift 2 ;;
        --arch) wanted_arch=${2:?--arch needs win32 or win64}; shift 2 ;;
        --locale) locale=${2:?--locale needs a locale name}; shift 2 ;;
        --dpi) dpi=${2:?--dpi needs a number}; shift 2 ;;
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

# The machine type in the PE header: 0x14c i386, 0x8664 x86-64.
pe_machine() {
    local offset
    offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' '
}
case "$(pe_machine "$program")" in
    014c) arch=win32; packages=(wine wine32:i386) ;;
    8664) arch=win64; packages=(wine wine64) ;;
    *) echo "wine-run.sh: $program is not an i386 or x86-64 Windows program" >&2; exit 2 ;;
esac
case "$wanted_arch" in
    '') ;;
    win64) [ "$arch" = win32 ] && packages+=(wine64); arch=win64 ;;
    win32) [ "$arch" = win32 ] || { echo "wine-run.sh: a 64-bit program needs a 64-bit prefix" >&2; exit 2; } ;;
    *) echo "wine-run.sh: --arch takes win32 or win64" >&2; exit 2 ;;
esac
packages+=(locales fonts-ipafont-gothic)
[ "$gui" = 1 ] && packages+=(xvfb)
vorlax_need_packages "${packages[@]}"
vorlax_need_ja_locale
case "$locale" in
    ja_JP*) code_page=932 ;;
    *) code_page=1252 ;;
esac
if ! LC_ALL=$locale locale charmap >/dev/null 2>&1 || [ -n "$(LC_ALL=$locale locale charmap 2>&1 >/dev/null)" ]; then
    echo "wine-run.sh: the locale $locale is not installed" >&2
    exit 2
fi
case "$dpi" in
    ''|[1-9]|[1-9][0-9]|[1-9][0-9][0-9]) ;;
    *) echo "wine-run.sh: --dpi takes a number of dots per inch" >&2; exit 2 ;;
esac

new_prefix=1
if [ -n "$kept_prefix" ]; then
    prefix=$kept_prefix
    [ -f "$prefix/system.reg" ] && new_prefix=0
    mkdir -p "$prefix"
else
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/vorlax-wine.XXXXXX")
fi
xvfb_pid=
cleanup() {
    local status=$?
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    if [ -n "$kept_prefix" ]; then
        :
    elif [ "${VORLAX_WINE_KEEP:-0}" = 1 ]; then
        echo "wine-run.sh: prefix kept in $prefix" >&2
    else
        rm -rf "$prefix"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

export WINEPREFIX=$prefix
export WINEARCH=$arch
export WINEDEBUG=-all
# No Mono or Gecko download dialogs, no menu entries or file associations.
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
export LC_ALL=$locale
export LANG=$locale
unset LANGUAGE

if [ "$gui" = 1 ]; then
    if ! vorlax_start_xvfb "$prefix/.display" 1280x1024x24; then
        xvfb_pid=$vorlax_xvfb_pid
        echo "wine-run.sh: Xvfb did not start" >&2
        exit 1
    fi
    xvfb_pid=$vorlax_xvfb_pid
elif [ "$screen" = 1 ]; then
    if [ -z "${DISPLAY:-}" ]; then
        echo "wine-run.sh: --screen needs a display (DISPLAY is not set)" >&2
        exit 2
    fi
else
    # A console run: Wine must not reach for the caller's X server.
    unset DISPLAY WAYLAND_DISPLAY
fi

# Japanese UI faces a Windows system has, mapped onto IPA Gothic (both Wine's
# own replacement table and the Windows substitution list), so Japanese text
# in dialogs renders and measures like on a Japanese system; and no crash
# dialog.
prepare_registry() {
    # Fixed-pitch faces go to IPA Gothic, proportional ones (the "P" faces,
    # MS UI Gothic, the dialog faces) to IPA P Gothic, so texts measure
    # about as they do on a Japanese system.
    local faces=("MS Gothic" "ＭＳ ゴシック" "MS PGothic" "MS UI Gothic" "ＭＳ Ｐゴシック"
                 "MS Shell Dlg" "MS Shell Dlg 2")
    local reg=$prefix/fonts.reg face target
    face_target() { case "$1" in "MS Gothic"|"ＭＳ ゴシック") echo IPAGothic ;; *) echo IPAPGothic ;; esac; }
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for face in "${faces[@]:0:5}"; do
            printf '"%s"="%s"\r\n' "$face" "$(face_target "$face")"
        done
        printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
        for face in "${faces[@]}"; do
            printf '"%s"="%s"\r\n' "$face" "$(face_target "$face")"
        done
        # A crashing program must end the run, not wait at a dialog.
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n'
        printf '"ShowCrashDialog"=dword:00000000\r\n\r\n'
        # The screen's DPI, as the display settings set it.
        if [ -n "$dpi" ]; then
            printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n'
            printf '"LogPixels"=dword:%08x\r\n\r\n' "$dpi"
        fi
        # Without a window manager, Wine draws the window frames itself.
        if [ "$gui" = 1 ]; then
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n'
            printf '"Managed"="N"\r\n\r\n'
        fi
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
    wine regedit /S "$(winepath_of "$reg")"
}

# The prefix's own drive Z: maps the Unix root.
winepath_of() { printf 'Z:%s' "${1//\//\\}"; }

log=$prefix/.wineboot.log
if [ "$new_prefix" = 1 ]; then
    if ! wine wineboot.exe --init >"$log" 2>&1; then
        cat "$log" >&2
        echo "wine-run.sh: wineboot failed" >&2
        exit 1
    fi
    if ! prepare_registry >>"$log" 2>&1; then
        cat "$log" >&2
        echo "wine-run.sh: registry set-up failed" >&2
        exit 1
    fi
fi

if [ "$check" = 1 ]; then
    checker=$(dirname "$program")/wine_env_check.exe
    if ! wine "$checker" "$code_page" >"$prefix/.check.log" 2>&1; then
        cat "$prefix/.check.log" >&2
        echo "wine-run.sh: the Wine environment check failed" >&2
        exit 1
    fi
    iconv -f CP932 -t UTF-8 "$prefix/.check.log" | sed 's/\r$//; s/^/wine-env: /' >&2
fi

set +e
wine "$program" "$@"
status=$?
set -e
exit "$status"

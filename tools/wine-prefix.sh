# shellcheck shell=bash
# The Wine environment of every Windows test, tool and script: the
# packages, the variables, the prefixes, a private X server and the
# clean-up. Sourced (bash); it sources tools/deps.sh.
#
#   vorlax_wine_need [--gui] ARCH...   Wine for these architectures (win32,
#                       win64), the fonts, the locales; Xvfb with --gui
#   vorlax_wine_env ARCH [LOCALE]      exports WINEARCH, WINEDEBUG (off),
#                       WINEDLLOVERRIDES (no Mono or Gecko dialogs, no menu
#                       entries) and LC_ALL/LANG (default ja_JP.UTF-8: ANSI
#                       code page 932); sets vorlax_code_page (932 or 1252)
#   vorlax_wine_prefix DIR [OPTION...] DIR becomes a prepared prefix (a copy
#                       of the template of its kind, made first when this
#                       run has none) and WINEPREFIX; the environment as
#                       vorlax_wine_env sets it. OPTIONs:
#                         --arch win32|win64   (default win32)
#                         --locale NAME        (default ja_JP.UTF-8)
#                         --dpi N              the screen's DPI (default 96)
#                         --window-manager     leave the frames to a window
#                                              manager (a user's own display)
#   vorlax_wine_temporary_prefix LABEL [OPTION...]  the same in a new
#                       temporary folder, set as `prefix`; removed at the end
#   vorlax_wine_warm    a persistent server for WINEPREFIX, warmed by one
#                       run, so each program after it starts at once
#   vorlax_wine_xvfb GEOMETRY  a private Xvfb server, DISPLAY exported
#   vorlax_wine_headless       no display: Wine must not reach for one
#   vorlax_wine_trap    installs the clean-up below on EXIT (and INT/TERM),
#                       and the templates' folder, so that subshells share it
#   vorlax_wine_end     ends the servers of every prefix used and the Xvfb,
#                       removes the temporary prefixes (VORLAX_WINE_KEEP=1
#                       keeps them and says where) and templates this shell
#                       made; a function `wine_end_hook`, when the caller
#                       defines one, runs first
#   vorlax_pe_arch FILE  win32 or win64: a Windows program's or DLL's machine
#   vorlax_winpath PATH  the Windows name of a Unix path (drive Z: is /)
#
# Every prefix is made from a template of its kind (architecture, locale,
# DPI, window manager), which is made once with wineboot and prepared:
#   - the Japanese UI faces a Windows system has, mapped (Wine's own
#     replacement table and the Windows substitution list): the fixed-pitch
#     ones onto IPA Gothic, the proportional ones (the "P" faces, MS UI
#     Gothic, the dialog faces) onto IPA P Gothic, so texts render and
#     measure about as on a Japanese system;
#   - Wine's own fonts (Debian's fonts-wine: Marlett for the caption
#     buttons Wine draws, Tahoma, the system's bitmap fonts), which this
#     Wine does not find by itself, in the prefix's Fonts folder;
#   - no crash dialog: a crashing program ends the run;
#   - the screen's DPI (LogPixels);
#   - without a window manager (Managed=N) Wine draws the frames itself and
#     does not wait for a manager at every window.
# The templates live in VORLAX_WINE_TEMPLATES (test.sh makes one folder
# for its whole run); when it is not set, the first shell that needs one
# makes a folder, exports it to the scripts it starts and removes it at its
# end. Copying a template takes a second or two; wineboot takes 5 to 30.

# shellcheck source=tools/deps.sh
source "$(dirname "${BASH_SOURCE[0]}")/deps.sh"

vorlax_wine_prefixes=()      # every prefix this shell used: servers ended at the end
vorlax_wine_temporaries=()   # removed at the end
vorlax_wine_own_templates=   # the templates folder this shell made
vorlax_wine_xvfb_pid=
vorlax_wine_xvfb_display=

vorlax_wine_need() {
    local gui=0 arch packages=(wine locales fonts-ipafont-gothic fonts-wine)
    [ "${1:-}" = --gui ] && gui=1 && shift
    for arch in "$@"; do
        case $arch in
            win32) packages+=(wine32:i386) ;;
            win64) packages+=(wine64) ;;
        esac
    done
    [ "$gui" = 1 ] && packages+=(xvfb xauth)
    vorlax_need_packages "${packages[@]}" && vorlax_need_ja_locale
}

vorlax_wine_env() {
    local arch=$1 locale=${2:-ja_JP.UTF-8}
    if [ -n "$(LC_ALL=$locale locale charmap 2>&1 >/dev/null)" ]; then
        echo "wine-prefix.sh: the locale $locale is not installed" >&2
        return 2
    fi
    case $locale in
        ja_JP*) vorlax_code_page=932 ;;
        *) vorlax_code_page=1252 ;;
    esac
    export WINEARCH=$arch WINEDEBUG=-all
    export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
    export LC_ALL=$locale LANG=$locale
    unset LANGUAGE
}

vorlax_wine_headless() { unset DISPLAY WAYLAND_DISPLAY; }

vorlax_winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The machine type in the PE header: 0x14c i386, 0x8664 x86-64.
vorlax_pe_arch() {
    local offset machine
    offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$offset" ] || return 1
    machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' ')
    case $machine in
        014c) echo win32 ;;
        8664) echo win64 ;;
        *) return 1 ;;
    esac
}

# The registry of a template, as a .reg file (UTF-16 with its mark).
vorlax_wine_template_registry() {
    local dpi=$1 window_manager=$2 face
    local faces=("MS Gothic" "ＭＳ ゴシック" "MS PGothic" "MS UI Gothic" "ＭＳ Ｐゴシック"
                 "MS Shell Dlg" "MS Shell Dlg 2")
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
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n'
        printf '"ShowCrashDialog"=dword:00000000\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n'
        printf '"LogPixels"=dword:%08x\r\n\r\n' "$dpi"
        if [ "$window_manager" = 0 ]; then
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n'
            printf '"Managed"="N"\r\n\r\n'
        fi
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; }
}

# The folder of the templates, made when the caller has none.
vorlax_wine_templates() {
    [ -n "${VORLAX_WINE_TEMPLATES:-}" ] && return 0
    VORLAX_WINE_TEMPLATES=$(mktemp -d "${TMPDIR:-/tmp}/vorlax-wine-templates.XXXXXX") || return 1
    export VORLAX_WINE_TEMPLATES
    vorlax_wine_own_templates=$VORLAX_WINE_TEMPLATES
}

# vorlax_wine_template ARCH LOCALE DPI WINDOW-MANAGER: the template's folder
# (made when missing) in vorlax_wine_template_dir.
vorlax_wine_template() {
    local arch=$1 locale=$2 dpi=$3 window_manager=$4
    vorlax_wine_templates || return 1
    local dir=$VORLAX_WINE_TEMPLATES/$arch-$locale-$dpi
    [ "$window_manager" = 1 ] && dir+=-wm
    vorlax_wine_template_dir=$dir
    [ -f "$dir/system.reg" ] && return 0
    # Made aside and renamed when ready: a template is whole or missing.
    local new=$dir.new.$$ log font
    rm -rf "$new"
    mkdir -p "$new"
    log=$new.log
    if ! (
        vorlax_wine_env "$arch" "$locale" && vorlax_wine_headless &&
        export WINEPREFIX=$new &&
        wine wineboot.exe --init &&
        vorlax_wine_template_registry "$dpi" "$window_manager" >"$new/.template.reg" &&
        wine regedit /S "$(vorlax_winpath "$new/.template.reg")" &&
        wineserver -w
    ) >"$log" 2>&1; then
        cat "$log" >&2
        echo "wine-prefix.sh: the $arch template ($locale, $dpi DPI) could not be made" >&2
        WINEPREFIX=$new wineserver -k >/dev/null 2>&1
        rm -rf "$new" "$log"
        return 1
    fi
    rm -f "$new/.template.reg" "$log"
    mkdir -p "$new/drive_c/windows/Fonts"
    for font in /usr/share/wine/fonts/*; do
        [ -e "$new/drive_c/windows/Fonts/$(basename "$font")" ] || ln -s "$font" "$new/drive_c/windows/Fonts/"
    done
    mv "$new" "$dir"
}

vorlax_wine_prefix() {
    local dir=$1 arch=win32 locale=ja_JP.UTF-8 dpi=96 window_manager=0
    shift
    while [ $# -gt 0 ]; do
        case $1 in
            --arch) arch=$2; shift 2 ;;
            --locale) locale=$2; shift 2 ;;
            --dpi) dpi=$2; shift 2 ;;
            --window-manager) window_manager=1; shift ;;
            *) echo "wine-prefix.sh: unknown prefix option $1" >&2; return 2 ;;
        esac
    done
    case $arch in
        win32|win64) ;;
        *) echo "wine-prefix.sh: the architecture is win32 or win64, not $arch" >&2; return 2 ;;
    esac
    case $dpi in
        [1-9]|[1-9][0-9]|[1-9][0-9][0-9]) ;;
        *) echo "wine-prefix.sh: the DPI is a number of dots per inch, not $dpi" >&2; return 2 ;;
    esac
    vorlax_wine_env "$arch" "$locale" || return
    vorlax_wine_template "$arch" "$locale" "$dpi" "$window_manager" || return 1
    mkdir -p "$dir"
    cp -a "$vorlax_wine_template_dir/." "$dir/" || return 1
    vorlax_wine_use "$dir"
}

# vorlax_wine_use DIR: an existing prefix, its server ended at the end.
vorlax_wine_use() {
    export WINEPREFIX=$1
    vorlax_wine_prefixes+=("$1")
}

vorlax_wine_temporary_prefix() {
    local label=$1
    shift
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/vorlax-$label.XXXXXX") || return 1
    vorlax_wine_temporaries+=("$prefix")
    vorlax_wine_prefix "$prefix" "$@"
}

# After `wineserver -p`, `wineserver -w` never returns: vorlax_wine_end
# ends such a server with -k.
vorlax_wine_warm() {
    wineserver -p
    wine cmd /c exit >/dev/null 2>&1
}

vorlax_wine_xvfb() {
    local geometry=$1
    vorlax_wine_xvfb_display=$(mktemp "${TMPDIR:-/tmp}/vorlax-xvfb.XXXXXX") || return 1
    Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp 3>"$vorlax_wine_xvfb_display" >/dev/null 2>&1 &
    vorlax_wine_xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$vorlax_wine_xvfb_display" ] && break
        sleep 0.1
    done
    [ -s "$vorlax_wine_xvfb_display" ] || { echo "wine-prefix.sh: Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(tr -d '\n' < "$vorlax_wine_xvfb_display")"
}

vorlax_wine_end() {
    if declare -F wine_end_hook >/dev/null; then wine_end_hook; fi
    local dir
    for dir in "${vorlax_wine_prefixes[@]}"; do
        # No server runs for a prefix that is not in use: not a failure,
        # also for the callers under set -e.
        WINEPREFIX=$dir wineserver -k >/dev/null 2>&1 || true
        WINEPREFIX=$dir wineserver -w >/dev/null 2>&1 || true
    done
    if [ -n "$vorlax_wine_xvfb_pid" ]; then
        kill "$vorlax_wine_xvfb_pid" 2>/dev/null || true
        wait "$vorlax_wine_xvfb_pid" 2>/dev/null || true
        vorlax_wine_xvfb_pid=
    fi
    [ -n "$vorlax_wine_xvfb_display" ] && rm -f "$vorlax_wine_xvfb_display"
    for dir in "${vorlax_wine_temporaries[@]}"; do
        if [ "${VORLAX_WINE_KEEP:-0}" = 1 ]; then
            echo "wine prefix kept in $dir" >&2
        else
            rm -rf "$dir"
        fi
    done
    [ -n "$vorlax_wine_own_templates" ] && rm -rf "$vorlax_wine_own_templates"
    vorlax_wine_prefixes=() vorlax_wine_temporaries=() vorlax_wine_own_templates=
    return 0
}

vorlax_wine_trap() {
    trap 'vorlax_wine_exit' EXIT
    trap 'exit 130' INT TERM
    vorlax_wine_templates
}

vorlax_wine_exit() {
    local status=$?
    vorlax_wine_end
    exit "$status"
}

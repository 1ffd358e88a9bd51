# Installing what the build and the tests need, on a fresh Debian machine as
# well as on one that already has everything. Sourced by run.sh, test.sh and
# tools/wine-prefix.sh; every function is idempotent and quiet when nothing is
# missing.
#
#   vorlax_need_packages PKG...   install the Debian packages not yet installed
#   vorlax_need_ja_locale         generate ja_JP.UTF-8 when it is missing

# Package sets, by what needs them.
VORLAX_PKGS_NATIVE=(cmake ninja-build g++)
VORLAX_PKGS_TESTS=(libgtest-dev googletest libbenchmark-dev parallel python3)
# The win32 thread model's compilers: no libwinpthread in the programs.
VORLAX_PKGS_WINDOWS=(g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32
                     gcc-mingw-w64-i686-win32 gcc-mingw-w64-x86-64-win32)
# Wine's own fonts (fonts-wine: Marlett draws the caption buttons) and the
# Japanese ones the prefixes map the Windows faces onto (tools/wine-prefix.sh).
VORLAX_PKGS_WINE=(wine wine64 wine32:i386 locales xvfb xauth fonts-ipafont-gothic fonts-wine)
# Drags from the X side (tools/xdnd_drop and its check under Wine).
VORLAX_PKGS_X11=(libx11-dev xdotool x11-utils)
VORLAX_PKGS_FUZZ=(clang libclang-rt-14-dev)
# The shell extension's export check (objdump of both DLLs).
VORLAX_PKGS_SHELLEXT=(binutils-mingw-w64-i686 binutils-mingw-w64-x86-64)
# The installer's tests make the prefix's Windows folder immutable (chattr).
VORLAX_PKGS_INSTALL=(e2fsprogs)
# The native tree built for 64-bit ARM and run under an emulator.
VORLAX_PKGS_AARCH64=(g++-aarch64-linux-gnu qemu-user)

vorlax_log() { printf '%s\n' "$*" >&2; }

# The packages among the arguments that are not installed.
vorlax_missing_packages() {
    local pkg status
    for pkg in "$@"; do
        status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
        [ "$status" = installed ] || printf '%s\n' "$pkg"
    done
}

vorlax_need_packages() {
    local missing
    mapfile -t missing < <(vorlax_missing_packages "$@")
    [ "${#missing[@]}" -eq 0 ] && return 0

    if [ "$(id -u)" -ne 0 ]; then
        vorlax_log "missing packages: ${missing[*]} (run as root, or install them)"
        return 1
    fi
    local pkg
    for pkg in "${missing[@]}"; do
        if [[ "$pkg" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
            dpkg --add-architecture i386
        fi
    done
    vorlax_log "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    local log
    log=$(mktemp)
    # An index that fails to download (a mirror in the middle of a sync)
    # need not stop the install: the others, or the lists already here,
    # may well hold the packages.
    apt-get update -qq >"$log" 2>&1 || vorlax_log "apt-get update failed in part; installing from the lists at hand"
    if ! apt-get install -y -qq "${missing[@]}" >>"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        vorlax_log "package installation failed"
        return 1
    fi
    rm -f "$log"
}

# Wine takes its ANSI code page from the locale: ja_JP.UTF-8 gives 932.
vorlax_need_ja_locale() {
    if locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
        return 0
    fi
    vorlax_need_packages locales || return 1
    vorlax_log "generating the ja_JP.UTF-8 locale"
    if [ -f /etc/locale.gen ] && grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
        sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
    elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    fi
    locale-gen >/dev/null 2>&1 || localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
    locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'
}

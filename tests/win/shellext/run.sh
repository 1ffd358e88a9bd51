#!/usr/bin/env bash
# The shell extension's tests under Wine, for one Windows build tree:
#
#   tests/win/shellext/run.sh [--locale NAME] TREE [WOW_TREE]
#
#   1. the DLL exports exactly DllCanUnloadNow and DllGetClassObject by name
#      and imports no runtime DLL (objdump);
#   2. TREE/bin/vorlax_shellext_tests.exe (shellext_test.cpp) in a fresh
#      prefix: the direct cases (the DLL driven as the shell drives it, and
#      one whole use of the menu with its debug lines) and the Explorer-like
#      ones (the extension registered as an installation leaves it,
#      shellext_explorer_host.exe right-clicking a file and a folder, the
#      stand-in Vorlax.exe converting what the list file names);
#   3. the direct cases again with the program taken for Windows 98
#      (platform id 1), where the extension keeps the ANSI functions
#      (Windows NT the Unicode ones): every one with the i686 DLL (the only
#      one Windows 98 runs), the command-string answers, which follow the
#      request whatever the platform, with either.
#   With WOW_TREE (an i686 tree, when TREE is x86_64): WOW_TREE's
#   Explorer-like cases in the same 64-bit prefix: the i686 DLL beside the
#   x86_64 one, registered in the 32-bit view (Wow6432Node).
#
# --locale NAME: the prefix's locale (default ja_JP.UTF-8, code page 932);
# with a Western one (C.UTF-8: code page 1252) the Explorer-like host runs
# as Explorer does on a non-Japanese Windows, in code page 1252, and the
# Japanese names must still reach the list file and the program whole.
#
# One fresh prefix per run, removed afterwards (VORLAX_WINE_KEEP=1 keeps it).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
# shellcheck source=tools/wine-prefix.sh
source "$root/tools/wine-prefix.sh"
# shellcheck source=tests/lib.sh
source "$root/tests/lib.sh"

locale=ja_JP.UTF-8
if [ "${1:-}" = --locale ]; then
    locale=${2:?--locale needs a locale name}
    shift 2
fi
tree=$(cd "${1:?usage: run.sh [--locale NAME] TREE [WOW_TREE]}" && pwd)
wow_tree=${2:+$(cd "$2" && pwd)}

arch=$(vorlax_pe_arch "$tree/bin/shVorlax.dll") || die "$tree/bin/shVorlax.dll is not a Windows DLL"
vorlax_wine_need "$arch" ${wow_tree:+win32}
vorlax_need_packages "${VORLAX_PKGS_SHELLEXT[@]}"

# ---- 1. exports and imports

check_dll() {
    local dll=$1 triplet exports imports
    case $(vorlax_pe_arch "$dll") in
        win32) triplet=i686-w64-mingw32 ;;
        *) triplet=x86_64-w64-mingw32 ;;
    esac
    exports=$("$triplet-objdump" -p "$dll" |
              sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p')
    check "$dll: the exports" "$(printf 'DllCanUnloadNow\nDllGetClassObject')" "$exports"
    imports=$("$triplet-objdump" -p "$dll" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
    echo "imports of $dll: $imports"
    case "$imports" in
        *LIBSTDC++*|*LIBGCC*|*LIBWINPTHREAD*) fail "$dll needs a runtime DLL: $imports" ;;
        *) pass ;;
    esac
}
check_dll "$tree/bin/shVorlax.dll"
[ -n "$wow_tree" ] && check_dll "$wow_tree/bin/shVorlax.dll"
checks_done "the DLLs' exports and imports" || exit 1

# ---- the prefix

vorlax_wine_trap
vorlax_wine_temporary_prefix shellext --arch "$arch" --locale "$locale"
vorlax_wine_headless
unset VORLAX_STUB_CONVERT VORLAX_PLATFORM_ID
# A persistent server, warmed, so each program starts at once.
vorlax_wine_warm

# run_tests TREE [GTEST-OPTION...]: the tests of TREE, their output shown
# (written to a file first: a pipe can hang on the servers Wine starts).
run_tests() {
    local status=0
    timeout -k 5 600 wine "$1/bin/vorlax_shellext_tests.exe" "${@:2}" >"$prefix/.out" 2>&1 || status=$?
    tr -d '\r' <"$prefix/.out" | iconv -c -f CP932 -t UTF-8
    return "$status"
}

# ---- 2. every case, as Windows NT

run_tests "$tree" --gtest_filter='-ExplorerHost.UnderWow64*'

# ---- 3. the direct cases as Windows 98

wine reg add 'HKCU\Software\Wine\AppDefaults\vorlax_shellext_tests.exe' /v Version /d win98 /f >/dev/null 2>&1
if [ "$arch" = win32 ]; then
    as98='DirectHost.*'
else
    as98='DirectHost.CommandStrings:DirectHost.RunsOnThePlatformAsked'
fi
VORLAX_PLATFORM_ID=1 run_tests "$tree" --gtest_filter="$as98"
wine reg delete 'HKCU\Software\Wine\AppDefaults\vorlax_shellext_tests.exe' /f >/dev/null 2>&1

# ---- the i686 extension beside the x86_64 one

if [ -n "$wow_tree" ]; then
    run_tests "$wow_tree" --gtest_filter='ExplorerHost.*'
fi
echo "shellext: the exports checked; the cases as Windows NT and as Windows 98${wow_tree:+, the i686 DLL under WOW64}"

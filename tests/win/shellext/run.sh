#!/usr/bin/env bash
# The shell extension's tests under Wine, for one Windows build tree:
#
#   tests/win/shellext/run.sh [--locale NAME] TREE [WOW_TREE]
#
#   1. the DLL exports exactly DllCanUnloadNow and DllGetClassObject by name
#      and imports no runtime DLL (objdump);
#   2. shellext_host.exe drives TREE/bin/shVorlax.dll directly: every case,
#      then one whole use of the menu with its debug lines, then (i686)
#      every case and the command-string cases again with the program
#      taken for Windows 98, where the extension keeps the ANSI functions;
#   3. as Explorer would load it: the extension registered in the prefix by
#      its class id, handler keys and "Application Path", the DLL in the
#      system folder, shellext_explorer_host.exe right-clicks a file and a
#      folder (Shift held) through the shell's own data objects; the
#      stand-in Vorlax.exe converts what the list file names, and every
#      output must equal tests/data/page.default.txt.
#   With WOW_TREE (an i686 tree, when TREE is x86_64): step 3 again with
#   WOW_TREE's DLL and host in the same 64-bit prefix, registered in the
#   32-bit view (Wow6432Node).
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

locale=ja_JP.UTF-8
if [ "${1:-}" = --locale ]; then
    locale=${2:?--locale needs a locale name}
    shift 2
fi
tree=$(cd "${1:?usage: run.sh [--locale NAME] TREE [WOW_TREE]}" && pwd)
wow_tree=${2:+$(cd "$2" && pwd)}

arch=$(vorlax_pe_arch "$tree/bin/shVorlax.dll") || { echo "run.sh: $tree/bin/shVorlax.dll is not a Windows DLL" >&2; exit 2; }
case $arch in
    win32) triplet=i686-w64-mingw32 ;;
    win64) triplet=x86_64-w64-mingw32 ;;
esac
vorlax_wine_need $arch ${wow_tree:+win32}
vorlax_need_packages "${VORLAX_PKGS_SHELLEXT[@]}"

checks=0
fail() { echo "FAIL: $*"; exit 1; }
pass() { checks=$((checks + 1)); echo "ok: $*"; }

# ---- 1. exports and imports

check_dll() {
    local dll=$1 triplet=$2 exports imports
    exports=$("$triplet-objdump" -p "$dll" |
              sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p')
    echo "exports of $dll:"
    echo "$exports" | sed 's/^/    /'
    [ "$exports" = "$(printf 'DllCanUnloadNow\nDllGetClassObject')" ] ||
        fail "$dll must export exactly DllCanUnloadNow and DllGetClassObject"
    pass "$(basename "$(dirname "$(dirname "$dll")")")/bin/shVorlax.dll exports exactly the two names"
    imports=$("$triplet-objdump" -p "$dll" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
    echo "imports: $imports"
    case "$imports" in
        *LIBSTDC++*|*LIBGCC*|*LIBWINPTHREAD*) fail "$dll needs a runtime DLL: $imports" ;;
    esac
    pass "the DLL carries its runtime (imports: $imports)"
}
check_dll "$tree/bin/shVorlax.dll" "$triplet"
[ -n "$wow_tree" ] && check_dll "$wow_tree/bin/shVorlax.dll" i686-w64-mingw32

# ---- the prefix

vorlax_wine_trap
vorlax_wine_temporary_prefix shellext --arch "$arch" --locale "$locale"
vorlax_wine_headless
unset VORLAX_STUB_CONVERT
# A persistent server, warmed, so each case starts at once.
vorlax_wine_warm
drive_c=$prefix/drive_c
winpath() { vorlax_winpath "$@"; }

# Runs a Windows program with its output (CP932) in $out as UTF-8 without CRs.
out=$prefix/.out
run_wine() {
    local status=0
    timeout -k 5 120 wine "$@" >"$out.raw" 2>"$out.err" || status=$?
    iconv -f CP932 -t UTF-8 "$out.raw" | tr -d '\r' >"$out"
    return "$status"
}

# ---- 2. the direct host

for mode in "" --debug-lines; do
    if ! run_wine "$tree/bin/shellext_host.exe" $mode "$(winpath "$tree/bin/shVorlax.dll")" \
                  "$(winpath "$tree/bin/shellext_stub_vorlax.exe")"; then
        cat "$out" "$out.err"
        fail "shellext_host.exe $mode"
    fi
    cat "$out"
    pass "shellext_host.exe ${mode:-(every case)}"
done

# As Windows 98 reports itself (platform id 1) the extension takes the
# ANSI road (Windows NT the Unicode one): every case again with the i686 DLL
# (the only one Windows 98 runs), and the command-string answers, which
# follow the request whatever the platform.
wine reg add 'HKCU\Software\Wine\AppDefaults\shellext_host.exe' /v Version /d win98 /f >/dev/null 2>&1
if [ "$arch" = win32 ]; then
    run_wine "$tree/bin/shellext_host.exe" "$(winpath "$tree/bin/shVorlax.dll")" \
        "$(winpath "$tree/bin/shellext_stub_vorlax.exe")" || { cat "$out" "$out.err"; fail "every case as Windows 98"; }
    cat "$out"
    pass "shellext_host.exe (every case) as Windows 98"
fi
run_wine "$tree/bin/shellext_host.exe" --command-strings "$(winpath "$tree/bin/shVorlax.dll")" \
    "$(winpath "$tree/bin/shellext_stub_vorlax.exe")" || { cat "$out" "$out.err"; fail "--command-strings"; }
cat "$out"
grep -qx 'command strings on platform id 1: 0 failures' "$out" || fail "command strings as Windows 98"
pass "shellext_host.exe --command-strings as Windows 98"
wine reg delete 'HKCU\Software\Wine\AppDefaults\shellext_host.exe' /f >/dev/null 2>&1

# ---- 3. as Explorer loads it

class_id='{7D6E5756-62BA-4BF7-9BDE-71F512AE9BBB}'

# register VIEW SYSTEM-FOLDER INSTALL-FOLDER DLL STUB: the keys, the DLL in
# the system folder, the stand-in as Vorlax.exe in the install folder.
register() {
    local view=$1 system=$2 install=$3 dll=$4 stub=$5
    local k
    for k in '.htm' '.html'; do
        wine reg add "HKCR\\$k" /ve /d htmlfile /f $view >/dev/null
    done
    for k in 'htmlfile\shellex\ContextMenuHandlers\shVorlax' \
             'Directory\shellex\ContextMenuHandlers\shVorlax'; do
        wine reg add "HKCR\\$k" /ve /d "$class_id" /f $view >/dev/null
    done
    wine reg add "HKCR\\CLSID\\$class_id" /ve /d shVorlax /f $view >/dev/null
    wine reg add "HKCR\\CLSID\\$class_id\\InProcServer32" /ve /d shVorlax.dll /f $view >/dev/null
    wine reg add "HKCR\\CLSID\\$class_id\\InProcServer32" /v ThreadingModel /d Apartment /f $view >/dev/null
    wine reg add 'HKLM\SOFTWARE\Zel\Vorlax' /v 'Application Path' /d "$install" /f $view >/dev/null
    cp "$dll" "$drive_c/windows/$system/shVorlax.dll"
    local unix_install=$drive_c/${install#C:\\}
    unix_install=${unix_install//\\//}
    mkdir -p "$unix_install"
    cp "$stub" "$unix_install/Vorlax.exe"
}

# explorer_case NAME HOST INSTALL-FOLDER BASE EXPECTED-OUTPUTS HOST-ARGUMENT...:
# expected/NAME.txt with @APP@ for the install folder and @BASE@ for the
# cases' folder on drive C.
explorer_case() {
    local name=$1 host=$2 install=$3 base=$4 outputs=$5
    shift 5
    if ! VORLAX_STUB_CONVERT=1 run_wine "$host" "$@"; then
        cat "$out" "$out.err"
        fail "$name"
    fi
    local escaped=${install//\\/\\\\}
    sed "s|@APP@|${escaped//|/\\|}|g; s|@BASE@|$base|g" "$here/expected/$name.txt" >"$out.want"
    if ! cmp -s "$out" "$out.want"; then
        diff "$out.want" "$out" || true
        fail "$name: the host's report differs from expected/$name.txt"
    fi
    cat "$out"
    local output
    for output in $outputs; do
        cmp "$root/tests/data/page.default.txt" "$drive_c/$output" ||
            fail "$name: C:/$output is not the conversion of page.html"
    done
    pass "$name (outputs: $outputs)"
}

# explorer_cases LABEL HOST INSTALL-FOLDER: a file, then a folder with Shift.
explorer_cases() {
    local label=$1 host=$2 install=$3 base=shx-e-$1
    mkdir -p "$drive_c/$base/pages" "$drive_c/$base/site/表"
    cp "$root/tests/data/page.html" "$drive_c/$base/pages/ページ.html"
    cp "$root/tests/data/page.html" "$drive_c/$base/pages/other.html"
    cp "$root/tests/data/page.html" "$drive_c/$base/site/top.htm"
    cp "$root/tests/data/page.html" "$drive_c/$base/site/表/nested.htm"
    explorer_case explorer_file "$host" "$install" "$base" "$base/pages/ページ.txt" \
        --verb 0 "C:\\$base\\pages\\ページ.html"
    explorer_case explorer_folder "$host" "$install" "$base" "$base/site/top.txt $base/site/表/nested.txt" \
        --shift --verb 1 "C:\\$base\\site"
    [ ! -e "$drive_c/$base/pages/other.txt" ] || fail "$label: an unselected file was converted"
}

if [ "$arch" = win32 ]; then
    register "" system32 'C:\Program Files\Vorlax\' "$tree/bin/shVorlax.dll" \
        "$tree/bin/shellext_stub_vorlax.exe"
else
    register /reg:64 system32 'C:\Program Files\Vorlax\' "$tree/bin/shVorlax.dll" \
        "$tree/bin/shellext_stub_vorlax.exe"
fi
explorer_cases "$arch" "$tree/bin/shellext_explorer_host.exe" 'C:\Program Files\Vorlax\'

if [ -n "$wow_tree" ]; then
    # The i686 DLL beside the x86_64 one: its class and "Application Path"
    # in the 32-bit view, the file in the 32-bit system folder.
    register /reg:32 syswow64 'C:\Program Files (x86)\Vorlax\' "$wow_tree/bin/shVorlax.dll" \
        "$wow_tree/bin/shellext_stub_vorlax.exe"
    wine reg query "HKLM\\Software\\Classes\\Wow6432Node\\CLSID\\$class_id\\InProcServer32" /reg:64 \
        >/dev/null 2>&1 || fail "the 32-bit class is not under Wow6432Node"
    wine reg query 'HKLM\Software\Wow6432Node\Zel\Vorlax' /v 'Application Path' /reg:64 \
        >/dev/null 2>&1 || fail "the 32-bit \"Application Path\" is not under Wow6432Node"
    pass "the i686 extension is registered under Wow6432Node"
    explorer_cases wow64 "$wow_tree/bin/shellext_explorer_host.exe" 'C:\Program Files (x86)\Vorlax\'
fi

echo "shellext: $checks checks passed"

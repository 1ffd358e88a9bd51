#!/usr/bin/env bash
# The whole life cycle of one Windows build tree, on each Windows version
# Wine is asked to report:
#
#   tests/win/install/life_cycle.sh TREE NATIVE-TREE [VERSION[@win64]...]
#
# VERSION is what Wine reports ("win98", "winxp", "win2003", "win10", ...,
# as HKCU\Software\Wine "Version"); "@win64" runs a 32-bit tree in a 64-bit
# prefix, as on a 64-bit Windows (WOW64). Without a VERSION, one run with
# Wine's own. The prefix of each kind is made once, with the machine set up
# (the package TREE/vorlax-VERSION-ARCH.zip unpacked into
# C:\Program Files\Vorlax\, HTML classes, Japanese pages in C:\lc), and
# copied for every version. In each copy: the machine is recorded (registry
# and file listing); the driver's LifeCycle case starts Vorlax.exe and drops
# a page on it, runs a command-line job, "/install", the shell-extension
# page checked and OK, the context menu through the Explorer-like host (the
# real Vorlax.exe converts and deletes the list), the page cleared and OK,
# the uninstaller with Yes while the DLL is held (so it goes at the next
# start: WININIT.INI on Windows 9x, the system's rename list on NT, with the
# DLL's real folder); then Windows restarts (wineboot -r). Every output must
# equal `vorlax -` of its page (NATIVE-TREE/bin/vorlax); no shVorlax.dll may
# be left anywhere; after the outputs (and Windows 9x's WININIT.BAK) are
# removed, the machine must be as recorded, and Wine's list of programs must
# not name Vorlax.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
tree=$(cd "${1:?usage: life_cycle.sh TREE NATIVE-TREE [VERSION[@win64]...]}" && pwd)
native=$(cd "${2:?usage: life_cycle.sh TREE NATIVE-TREE [VERSION[@win64]...]}" && pwd)
shift 2
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(default)
vorlax=$native/bin/vorlax
driver=$tree/bin/vorlax_install_tests.exe
zip=$(ls "$tree/vorlax-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$tree/CMakeCache.txt")"-win*.zip)

# shellcheck source=tools/wine-prefix.sh
source "$root/tools/wine-prefix.sh"
vorlax_wine_need --gui win32 win64
vorlax_wine_trap
base=$(mktemp -d "${TMPDIR:-/tmp}/vorlax-life-cycle.XXXXXX")
vorlax_wine_temporaries+=("$base")
vorlax_wine_headless
# shellcheck source=tests/lib.sh
source "$root/tests/lib.sh"

"$vorlax" - <"$root/tests/data/page.html" >"$base/expected"

# template ARCH: a prepared prefix of that kind with the user's machine:
# HTML classes, a viewer for text files (the editor stub), the unpacked
# package, the pages. Its registry view is the one the package's programs
# use.
template() {
    local arch=$1 dir=$base/template-$1 view=
    [ -d "$dir" ] && return 0
    case "$zip:$arch" in
        *win64.zip:*) view=/reg:64 ;;
        *:win64) view=/reg:32 ;;
    esac
    (
        vorlax_wine_prefix "$dir" --arch "$arch"
        for ext in .htm .html; do wine reg add "HKCR\\$ext" /ve /d htmlfile /f $view >/dev/null; done
        wine reg add 'HKCR\.txt' /ve /d txtfile /f $view >/dev/null
        wine reg add 'HKCR\txtfile\shell\open\command' /ve /d "\"$(vorlax_winpath "$tree/bin/editor_stub.exe")\" \"%1\"" \
            /f $view >/dev/null
        # Explorer's handler lists exist already, as on Windows.
        for key in 'Directory\shellex\ContextMenuHandlers' 'htmlfile\shellex\ContextMenuHandlers'; do
            wine reg add "HKCR\\$key" /f $view >/dev/null
        done
        wineserver -w
    )
    vorlax_wine_prefixes+=("$dir")
    local drive_c=$dir/drive_c install="$dir/drive_c/Program Files/Vorlax"
    mkdir -p "$install" "$drive_c/lc/pages" "$drive_c/lc/site/表" "$drive_c/lc/drop" "$drive_c/lc/command"
    (cd "$install" && cmake -E tar xf "$zip")
    cp "$root/tests/data/page.html" "$drive_c/lc/pages/ページ.html"
    cp "$root/tests/data/page.html" "$drive_c/lc/pages/other.html"
    cp "$root/tests/data/page.html" "$drive_c/lc/site/top.htm"
    cp "$root/tests/data/page.html" "$drive_c/lc/site/表/nested.htm"
    cp "$root/tests/data/page.html" "$drive_c/lc/drop/dropped.html"
    cp "$root/tests/data/page.html" "$drive_c/lc/command/page.html"
}

# The machine as lines: every key and value of both registry files (each
# value with its key, without time stamps), and every path on drive C. The
# device tree (System\CurrentControlSet\Enum and ...\Control\Class) is
# left out: Wine's display driver rewrites it at every start with a display.
snapshot() {
    WINEPREFIX=$1 wineserver -w
    local f
    for f in system.reg user.reg; do
        awk -v file="$f" '
            /^\[/ { key = $0; sub(/\] [0-9]+$/, "]", key)
                    skip = key ~ /^\[System\\\\CurrentControlSet\\\\(Enum|Control\\\\Class)\\\\/
                    if (!skip) print file ": " key; next }
            /^#time=/ || /^$/ || key == "" { next }
            !skip { print file ": " key " " $0 }' "$1/$f"
    done
    (cd "$1/drive_c" && find . -path ./users/root/Temp -prune -o -print | LC_ALL=C sort | sed 's/^/file: /')
}

for case in "${cases[@]}"; do
    version=${case%@*}
    arch=win32
    case "$zip" in *win64.zip) arch=win64 ;; esac
    [ "$case" != "${case%@win64}" ] && arch=win64
    template "$arch"
    run=$base/$case
    cp -a "$base/template-$arch" "$run"
    vorlax_wine_env "$arch"
    vorlax_wine_use "$run"
    drive_c=$run/drive_c
    if [ "$version" != default ]; then
        wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null
    fi
    snapshot "$run" >"$run/.before"

    status=0
    VORLAX_LIFE_CYCLE='C:\Program Files\Vorlax\' VORLAX_XDND=$native/bin/xdnd_drop \
        "$root/tools/wine-run.sh" --gui --arch "$arch" --prefix "$run" "$driver" --gtest_filter='LifeCycle.*' \
        >"$run/.run" 2>&1 || status=$?
    tr -d '\r' <"$run/.run" | sed -n 's/^life cycle: /life cycle: '"$case"': /p'
    if [ "$status" != 0 ] || ! grep -q '^\[  PASSED  \] 1 test' "$run/.run"; then
        cat "$run/.run"
        die "$case: the LifeCycle case failed"
    fi

    # The next start of Windows.
    wine wineboot.exe -r >/dev/null 2>&1
    wineserver -w
    left=$(cd "$drive_c" && find . -iname shvorlax.dll)
    [ -z "$left" ] || die "$case: shVorlax.dll is still there after the restart: $left"
    if [ -e "$drive_c/windows/wininit.bak" ]; then
        grep -q '^NUL=' "$drive_c/windows/wininit.bak" || die "$case: WININIT.BAK has no NUL line"
        rm "$drive_c/windows/wininit.bak"
        echo "life cycle: $case: the restart deleted the DLL named in WININIT.INI"
    else
        echo "life cycle: $case: the restart deleted the scheduled DLL"
    fi

    for output in lc/pages/ページ.txt lc/site/top.txt lc/site/表/nested.txt lc/drop/dropped.txt lc/command/page.txt; do
        cmp "$base/expected" "$drive_c/$output" || die "$case: C:/$output is not what vorlax - makes of the page"
        rm "$drive_c/$output"
    done
    [ ! -e "$drive_c/lc/pages/other.txt" ] || die "$case: an unselected page was converted"
    echo "life cycle: $case: 5 pages converted as vorlax - converts them"

    snapshot "$run" >"$run/.after"
    if ! diff "$run/.before" "$run/.after" >"$run/.diff"; then
        cat "$run/.diff"
        die "$case: the machine differs from before the installation"
    fi
    echo "life cycle: $case: registry and files as before the installation (empty diff of $(wc -l <"$run/.before") lines)"
    list=$(wine uninstaller --list 2>/dev/null </dev/null | tr -d '\r')
    if echo "$list" | grep -q 'Vorlax'; then die "$case: Wine still lists Vorlax: $list"; fi
    echo "life cycle: $case: Wine's list of programs has no Vorlax"
    wineserver -k >/dev/null 2>&1 || true
    [ "${VORLAX_WINE_KEEP:-0}" = 1 ] || rm -rf "$run"
done

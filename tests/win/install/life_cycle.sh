#!/usr/bin/env bash
# The whole life cycle of one Windows build tree in one fresh prefix:
#
#   tests/win/install/life_cycle.sh TREE NATIVE-TREE
#
# The package TREE/vorlax-1.73-ARCH.zip is unpacked into
# C:\Program Files\Vorlax\ beside a folder of Japanese pages (C:\lc); the
# machine is recorded (registry and file listing); then the driver's
# LifeCycle case: "/install", the shell-extension page checked and OK, the
# context menu through the Explorer-like host (the real Vorlax.exe converts
# and deletes the list), the page cleared and OK, the uninstaller with Yes.
# Every output must equal `vorlax -` of its page (NATIVE-TREE/bin/vorlax);
# after the outputs are removed, the machine must be as recorded, and
# Wine's list of programs must not name Vorlax.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
tree=$(cd "${1:?usage: life_cycle.sh TREE NATIVE-TREE}" && pwd)
vorlax=$(cd "${2:?usage: life_cycle.sh TREE NATIVE-TREE}" && pwd)/bin/vorlax
driver=$tree/bin/vorlax_install_tests.exe
zip=$(ls "$tree"/vorlax-1.73-win*.zip)
case "$zip" in *win64.zip) view=/reg:64 ;; *) view= ;; esac

# shellcheck source=tests/win/install/prefix.sh
source "$here/prefix.sh"
vorlax_temporary_prefix life-cycle
fail() { echo "FAIL: $*"; exit 1; }

# The prefix, made and prepared as every test run's.
"$root/tools/wine-run.sh" --prefix "$prefix" "$driver" --gtest_list_tests >/dev/null
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
unset DISPLAY
drive_c=$prefix/drive_c
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The user's machine: HTML classes, a viewer for text files (the editor
# stub), the unpacked package, the pages.
for ext in .htm .html; do wine reg add "HKCR\\$ext" /ve /d htmlfile /f $view >/dev/null; done
wine reg add 'HKCR\.txt' /ve /d txtfile /f $view >/dev/null
wine reg add 'HKCR\txtfile\shell\open\command' /ve /d "\"$(winpath "$tree/bin/editor_stub.exe")\" \"%1\"" \
    /f $view >/dev/null
# Explorer's handler lists exist already, as on Windows.
for key in 'Directory\shellex\ContextMenuHandlers' 'htmlfile\shellex\ContextMenuHandlers'; do
    wine reg add "HKCR\\$key" /f $view >/dev/null
done
install="$drive_c/Program Files/Vorlax"
mkdir -p "$install" "$drive_c/lc/pages" "$drive_c/lc/site/表"
(cd "$install" && cmake -E tar xf "$zip")
cp "$root/tests/data/page.html" "$drive_c/lc/pages/ページ.html"
cp "$root/tests/data/page.html" "$drive_c/lc/pages/other.html"
cp "$root/tests/data/page.html" "$drive_c/lc/site/top.htm"
cp "$root/tests/data/page.html" "$drive_c/lc/site/表/nested.htm"
wineserver -w

# The machine as lines: every key and value of both registry files (each
# value with its key, without time stamps), and every path on drive C. The
# device tree (System\CurrentControlSet\Enum and ...\Control\Class) is
# left out: Wine's display driver rewrites it at every start with a display.
snapshot() {
    wineserver -w
    local f
    for f in system.reg user.reg; do
        awk -v file="$f" '
            /^\[/ { key = $0; sub(/\] [0-9]+$/, "]", key)
                    skip = key ~ /^\[System\\\\CurrentControlSet\\\\(Enum|Control\\\\Class)\\\\/
                    if (!skip) print file ": " key; next }
            /^#time=/ || /^$/ || key == "" { next }
            !skip { print file ": " key " " $0 }' "$prefix/$f"
    done
    (cd "$drive_c" && find . -path ./users/root/Temp -prune -o -print | LC_ALL=C sort | sed 's/^/file: /')
}
snapshot >"$prefix/.before"

VORLAX_LIFE_CYCLE='C:\Program Files\Vorlax\' "$root/tools/wine-run.sh" --gui --prefix "$prefix" "$driver" \
    --gtest_filter='LifeCycle.*'

"$vorlax" - <"$root/tests/data/page.html" >"$prefix/.expected"
for output in lc/pages/ページ.txt lc/site/top.txt lc/site/表/nested.txt; do
    cmp "$prefix/.expected" "$drive_c/$output" || fail "C:/$output is not what vorlax - makes of the page"
    rm "$drive_c/$output"
done
[ ! -e "$drive_c/lc/pages/other.txt" ] || fail "an unselected page was converted"
echo "life cycle: 3 pages converted as vorlax - converts them"

snapshot >"$prefix/.after"
if ! diff "$prefix/.before" "$prefix/.after" >"$prefix/.diff"; then
    cat "$prefix/.diff"
    fail "the machine differs from before the installation"
fi
echo "life cycle: registry and files as before the installation (empty diff of $(wc -l <"$prefix/.before") lines)"
list=$(wine uninstaller --list 2>/dev/null </dev/null | tr -d '\r')
if echo "$list" | grep -q 'Vorlax'; then fail "Wine still lists Vorlax: $list"; fi
echo "life cycle: Wine's list of programs has no Vorlax"

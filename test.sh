#!/usr/bin/env bash
# Builds everything and runs every test suite:
#   native   build/native/bin/vorlax_tests
#   native-cli  the command-line tests (ctest) in build/native
#   aarch64  the native tree built for 64-bit ARM (char unsigned there), its
#            vorlax_tests under qemu-user, and its vorlax against
#            build/native's over the corpora: the same bytes
#            (tests/same_bytes.sh)
#   native-unsigned  the same with the native tree built with -funsigned-char
#            (not in the full run: aarch64 covers it; by name only)
#   win32    build/win32/bin/vorlax_tests.exe under 32-bit Wine
#   win64    build/win64/bin/vorlax_tests.exe under 64-bit Wine
#   xdnd     drags from the X side (build/native/bin/xdnd_drop) onto both
#            trees' drop_target.exe under Wine
#   win32-settings, win64-settings  the settings sheet driven under Wine
#            (vorlax_settings_tests.exe, a private Xvfb)
#   win32-shellext, win64-shellext  shVorlax.dll's exports, then
#            vorlax_shellext_tests.exe under Wine: the DLL driven directly
#            (as Windows NT and as Windows 98) and through the Explorer-like
#            host (tests/win/shellext/run.sh); the 64-bit stage also runs
#            the i686 DLL in the 64-bit prefix
#   win32-install, win64-install  UnInst_Vorlax.exe, "Vorlax.exe /install" and
#            the shell-extension page under Wine, driven by vorlax_install_tests.exe,
#            then the whole life cycle from the ZIP package (tests/win/install/run.sh)
#   win32-locale, win64-locale  the programs on a non-Japanese Windows: a
#            prefix with code page 1252 (C.UTF-8), where only their
#            manifests give them 932: Japanese names from the command line,
#            dropped and in the shell extension, the boxes, the settings
#            sheet, /install and the uninstaller (tests/win/locale_check.sh)
#   imports  every function the six deliverables import, against the list of
#            each one's oldest Windows (tests/imports/floor.txt): nothing above
#            the i686 floor (Windows 95, NT 4.0) or the x86-64 one (XP x64 /
#            Server 2003 x64), PE header versions 4.0 and 5.2, no SSE in i686
#   package-win32, package-win64  the ZIP packages (cpack) a user takes:
#            build/win32/vorlax-VERSION-win32.zip, build/win64/vorlax-VERSION-win64.zip,
#            each exactly Vorlax.exe and Vorlax.txt as built
#   fuzz     the libFuzzer target for a bounded time (VORLAX_FUZZ_SECONDS, 20)
#   bench    a short smoke run of the engine benchmark
#
#   ./test.sh                  every stage
#   ./test.sh native win64     only the stages named (and the builds and the
#                              Debian packages those need)
#
# One line per stage; a failing stage shows its log and ends the run. The
# last line is "N passed, N failed; N tests skipped" (the suites, and the
# tests that did not run).
#
# Full logs are in build/logs/. Missing Debian packages and the ja_JP.UTF-8
# locale are installed first (root needed then).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$root"
# shellcheck source=tools/wine-prefix.sh
source tools/wine-prefix.sh

# The test stages, and what each needs: build trees and package sets.
all_stages=(imports package-win32 package-win64 native native-cli aarch64 win32 win64 win32-gui win64-gui
            xdnd win32-settings win64-settings win32-shellext win64-shellext win32-install
            win64-install win32-locale win64-locale fuzz bench)
# Stages run only when named.
extra_stages=(native-unsigned)
declare -A needs_trees=(
    [native]=native [native-cli]=native [bench]=native [fuzz]=
    [aarch64]="native aarch64" [native-unsigned]="native unsigned"
    [win32]=win32 [win64]=win64 [win32-gui]="native win32" [win64-gui]="native win64"
    [xdnd]="native win32 win64" [win32-shellext]=win32 [win64-shellext]="win32 win64"
    [package-win32]=win32 [package-win64]=win64 [win32-settings]=win32 [win64-settings]=win64
    [imports]="win32 win64"
    [win32-install]="native win32" [win64-install]="native win64"
    [win32-locale]="native win32" [win64-locale]="native win64"
)
declare -A needs_packages=(
    [native]="NATIVE TESTS" [native-cli]="NATIVE TESTS" [bench]="NATIVE TESTS"
    [aarch64]="NATIVE TESTS AARCH64" [native-unsigned]="NATIVE TESTS"
    [fuzz]="NATIVE FUZZ"
    [win32]="WINDOWS WINE" [win64]="WINDOWS WINE"
    [win32-gui]="WINDOWS WINE X11" [win64-gui]="WINDOWS WINE X11" [xdnd]="WINDOWS WINE X11"
    [win32-shellext]="WINDOWS WINE SHELLEXT" [win64-shellext]="WINDOWS WINE SHELLEXT"
    [package-win32]=WINDOWS [package-win64]=WINDOWS [imports]="WINDOWS TESTS"
    [win32-settings]="WINDOWS WINE" [win64-settings]="WINDOWS WINE"
    [win32-install]="WINDOWS WINE X11 INSTALL" [win64-install]="WINDOWS WINE X11 INSTALL"
    [win32-locale]="WINDOWS WINE X11 SHELLEXT" [win64-locale]="WINDOWS WINE X11 SHELLEXT"
)
if [ $# -eq 0 ]; then
    chosen=("${all_stages[@]}")
else
    chosen=("$@")
    for name in "${chosen[@]}"; do
        if [ -z "${needs_packages[$name]+set}" ]; then
            echo "test.sh: unknown stage '$name'; stages: ${all_stages[*]} ${extra_stages[*]}" >&2
            exit 2
        fi
    done
fi
declare -A run_stage=() run_tree=() use_set=()
for name in "${chosen[@]}"; do
    run_stage[$name]=1
    for tree in ${needs_trees[$name]}; do run_tree[$tree]=1; done
    for set in ${needs_packages[$name]}; do use_set[$set]=1; done
done
# The life cycle installs from the tree's ZIP package: it is made first.
[ -n "${run_stage[win32-install]:-}" ] && run_stage[package-win32]=1
[ -n "${run_stage[win64-install]:-}" ] && run_stage[package-win64]=1
# A native build needs the test packages too (GoogleTest, the benchmark library).
[ -n "${run_tree[native]:-}${run_tree[unsigned]:-}" ] && use_set[NATIVE]=1 && use_set[TESTS]=1
[ -n "${run_tree[aarch64]:-}" ] && use_set[NATIVE]=1 && use_set[TESTS]=1 && use_set[AARCH64]=1
[ -n "${run_tree[win32]:-}${run_tree[win64]:-}" ] && use_set[NATIVE]=1 && use_set[TESTS]=1 &&
    use_set[WINDOWS]=1

logs=build/logs
mkdir -p "$logs"
# The Wine stages copy their prefixes from templates made once in this run.
vorlax_wine_trap
passed=0
failed=0
skipped=0
started=$SECONDS

summary() {
    echo "total $((SECONDS - started))s"
    echo "$passed passed, $failed failed; $skipped tests skipped"
}

# The tests a stage's log reports as skipped (GoogleTest's, by name, less
# those that passed when run again as another user; ctest's).
skipped_in() {
    tr -d '\r' < "$1" | awk '/^again as nobody:/ { again = 1 }
        /^\[  SKIPPED \] [A-Za-z0-9_\/]+\.[A-Za-z0-9_\/]+$/ { skip[$4] = 1 }
        again && /^\[       OK \] / { delete skip[$4] }
        / \(Skipped\)$/ { n++ }
        END { for (k in skip) n++; print n + 0 }'
}

# Shows a failed stage's log: all of it when short, the end when long.
show_log() {
    local log=$1 lines
    lines=$(wc -l < "$log")
    echo "----- $log -----"
    if [ "$lines" -gt 300 ]; then
        echo "(last 300 of $lines lines)"
        tail -n 300 "$log"
    else
        cat "$log"
    fi
    echo "-----"
}

# stage NAME SUITE DETAIL-FUNCTION COMMAND...
# SUITE is 1 when the stage counts as a suite in the summary. DETAIL-FUNCTION
# (or -) prints a short note from the log after success.
stage() {
    local name=$1 suite=$2 detail=$3
    shift 3
    local log=$logs/$name.log t0=$SECONDS note=
    if "$@" >"$log" 2>&1 </dev/null; then
        [ "$detail" != - ] && note=$("$detail" "$log" 2>/dev/null || true)
        printf '%-14s ok    %4ss  %s\n' "$name" $((SECONDS - t0)) "$note"
        [ "$suite" = 1 ] && passed=$((passed + 1))
        local n
        n=$(skipped_in "$log")
        [ "$n" -gt 0 ] && printf '%-14s %s tests skipped (see %s)\n' '' "$n" "$log"
        skipped=$((skipped + n))
        return 0
    fi
    printf '%-14s FAIL  %4ss  (log: %s)\n' "$name" $((SECONDS - t0)) "$log"
    show_log "$log"
    failed=$((failed + 1))
    summary
    exit 1
}

# ---- stages

setup() {
    local set packages=()
    for set in NATIVE TESTS WINDOWS WINE X11 FUZZ SHELLEXT INSTALL AARCH64; do
        [ -n "${use_set[$set]:-}" ] || continue
        local -n list="VORLAX_PKGS_$set"
        packages+=("${list[@]}")
        unset -n list
    done
    vorlax_need_packages "${packages[@]}" &&
    vorlax_need_ja_locale
}

# configure_and_build TREE [CMAKE-OPTION...]: warnings are errors here, so a
# warning fails the run however the tree was built before.
configure_and_build() {
    local tree=$1
    shift
    cmake -G Ninja -S . -B "$tree" -DVORLAX_TESTS=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@" &&
    cmake --build "$tree"
}

setup_note() {
    local installed locale=
    installed=$(sed -n 's/^installing: //p' "$1")
    grep -q '^generating the ja_JP' "$1" && locale=", generated ja_JP.UTF-8"
    if [ -n "$installed" ]; then
        echo "installed $installed$locale"
    else
        echo "nothing missing$locale"
    fi
}
gtest_note() { tr -d '\r' < "$1" | sed -n 's/^\[  PASSED  \] \(.*\)\.$/\1 passed/p' | tail -n 1; }
# native_tests BINARY: the tests, then, when run as root, those that skip
# themselves for the superuser (file permissions do not bind it) again as
# an unprivileged user, from a copy of the program that user can reach.
native_tests() {
    "$1" || return 1
    [ "$(id -u)" -eq 0 ] || return 0
    local names copy status
    names=$(sed -n 's/^\[  SKIPPED \] \([A-Za-z0-9_]*\.[A-Za-z0-9_]*\)$/\1/p' "$logs/native.log" | paste -sd: -)
    [ -n "$names" ] || return 0
    copy=$(mktemp -d)
    cp "$1" "$copy/" && chmod 755 "$copy" "$copy/$(basename "$1")"
    echo "again as nobody: $names"
    (cd /tmp && setpriv --reuid=nobody --regid=nogroup --clear-groups -- \
        "$copy/$(basename "$1")" --gtest_filter="$names")
    status=$?
    rm -rf "$copy"
    return "$status"
}
native_note() {
    local first again
    first=$(sed '/^again as nobody:/q' "$1" > "$1.first" && gtest_note "$1.first"; rm -f "$1.first")
    again=$(sed -n '/^again as nobody:/,$p' "$1" | grep -c '^\[       OK \]')
    [ "$again" -gt 0 ] || again=
    echo "$first${again:+, $again of the skipped ones again as nobody}"
}
wine_note() {
    local acp tests
    acp=$(sed -n 's/^wine-env: \(ACP [0-9]*\).*/\1/p' "$1" | head -n 1)
    tests=$(gtest_note "$1")
    echo "$tests${acp:+, $acp}"
}
xdnd_note() { grep -c '^ok: .*drop_target' "$1" | sed 's/$/ targets, every drop as expected/'; }
ctest_note() { sed -n 's/^\([0-9]*% tests passed.*\)/\1/p' "$1"; }
fuzz_note() { sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 runs in \2 s, no crash/p' "$1"; }
bench_note() {
    awk '/^BM_/ { for (i = 1; i <= NF; i++) if ($i ~ /^bytes_per_second=/) {
             v = $i; sub("bytes_per_second=", "", v); sub("/s", "", v); sub("^BM_", "", $1)
             notes = notes (notes ? ", " : "") $1 " " v "B/s" } }
         END { print notes }' "$1"
}
# passed_sum LOG: the tests that passed in every GoogleTest run of the log.
passed_sum() { tr -d '\r' < "$1" | awk '/^\[  PASSED  \] [0-9]+ tests?\.$/ { n += $4 } END { print n + 0 }'; }
shellext_note() { echo "$(passed_sum "$1") cases passed, $(sed -n 's/^shellext: //p' "$1")"; }
install_note() {
    tr -d '\r' < "$1" | awk '/^\[  PASSED  \] [0-9]+ tests?\.$/ { n += $4 }
        /^install: / { sub("^install: ", ""); last = $0 }
        /^life cycle: [^ ]+: registry and files as before/ { sub(":$", "", $3); cycles = cycles (cycles ? " " : "") $3 }
        END { print n " cases passed, " last (cycles ? ", life cycle with an empty before/after diff as " cycles : "") }'
}
locale_note() {
    tr -d '\r' < "$1" | awk '/^wine-env: ACP/ { acp = $2 " " $3; sub(",", "", acp) }
        /^\[  PASSED  \] [0-9]+ tests?\.$/ { cases += $4 }
        END { print acp ": " cases " cases of the main window, the settings sheet, the installer and the shell extension passed" }'
}
# package TREE ARCH: the tree's ZIP package, holding exactly the built
# Vorlax.exe and Vorlax.txt.
package() {
    local tree=$1 zip listing
    zip=vorlax-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$tree/CMakeCache.txt")-$2.zip
    rm -f "$tree/$zip" &&
    (cd "$tree" && cpack) &&
    listing=$(cd "$tree" && cmake -E tar tf "$zip") &&
    echo "$zip: $(echo $listing)" &&
    [ "$listing" = "$(printf 'Vorlax.exe\nVorlax.txt')" ] &&
    rm -rf "$tree/package-check" && mkdir "$tree/package-check" &&
    (cd "$tree/package-check" && cmake -E tar xf "../$zip") &&
    cmp "$tree/package-check/Vorlax.exe" "$tree/bin/Vorlax.exe" &&
    cmp "$tree/package-check/Vorlax.txt" "$tree/bin/Vorlax.txt" &&
    rm -rf "$tree/package-check"
}
imports_note() { sed -n 's/^imports: //p' "$1"; }
package_note() { sed -n 's/^\(vorlax-.*\.zip: .*\)/\1/p' "$1"; }
# other_build TREE [RUNNER...]: another build of the native tree (char
# unsigned, or another CPU run by RUNNER): its own tests, then the same
# bytes as build/native's vorlax over the corpora.
other_build() {
    local tree=$1 filter=
    shift
    # An emulated tree has no CP932 converter in iconv to compare its table
    # with; the table is the same data in every tree and is compared natively.
    [ $# -gt 0 ] && filter=--gtest_filter=-CP932Table.EveryEntryAgainstThePlatform
    "$@" "$tree/bin/vorlax_tests" $filter &&
    tests/same_bytes.sh build/native/bin/vorlax "$tree/bin/vorlax" "$@"
}
other_note() {
    local tests
    tests=$(gtest_note "$1")
    echo "$tests; $(sed -n 's/^same bytes: //p' "$1")"
}
count_note() { grep -c 'warning:' "$1" | sed 's/^0$/no warnings/; s/^\([1-9][0-9]*\)$/\1 warnings/'; }

# when NAME: true when the stage NAME was chosen; build-TREE when a chosen stage needs TREE.
when() {
    case $1 in
        build-*) [ -n "${run_tree[${1#build-}]:-}" ] ;;
        *) [ -n "${run_stage[$1]:-}" ] ;;
    esac
}

stage setup 0 setup_note setup
when build-native && stage build-native 0 count_note configure_and_build build/native -DVORLAX_BENCH=ON
when build-unsigned && stage build-unsigned 0 count_note configure_and_build build/unsigned \
    -DCMAKE_CXX_FLAGS=-funsigned-char
when build-aarch64 && stage build-aarch64 0 count_note configure_and_build build/aarch64 \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-aarch64-linux-gnu.cmake"
when build-win32 && stage build-win32 0 count_note configure_and_build build/win32 \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake"
when build-win64 && stage build-win64 0 count_note configure_and_build build/win64 \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake"

when imports && stage imports 1 imports_note python3 tests/imports/check.py tests/imports/floor.txt build/win32 build/win64
when package-win32 && stage package-win32 0 package_note package build/win32 win32
when package-win64 && stage package-win64 0 package_note package build/win64 win64
when native && stage native 1 native_note native_tests build/native/bin/vorlax_tests
when native-cli && stage native-cli 1 ctest_note ctest --test-dir build/native --output-on-failure -E '^vorlax_tests$'
when native-unsigned && stage native-unsigned 1 other_note other_build build/unsigned
when aarch64 && stage aarch64 1 other_note other_build build/aarch64 qemu-aarch64 -L /usr/aarch64-linux-gnu
when win32 && stage win32 1 wine_note timeout -k 10 900 tools/wine-run.sh --check build/win32/bin/vorlax_tests.exe
when win64 && stage win64 1 wine_note timeout -k 10 900 tools/wine-run.sh --check build/win64/bin/vorlax_tests.exe
when win32-gui && stage win32-gui 1 gtest_note env VORLAX_XDND="$root/build/native/bin/xdnd_drop" \
    timeout -k 10 900 tools/wine-run.sh --check --gui build/win32/bin/vorlax_gui_tests.exe
when win64-gui && stage win64-gui 1 gtest_note env VORLAX_XDND="$root/build/native/bin/xdnd_drop" \
    timeout -k 10 900 tools/wine-run.sh --check --gui build/win64/bin/vorlax_gui_tests.exe
when xdnd && stage xdnd 1 xdnd_note timeout -k 10 300 tests/win/xdnd_check.sh build/native/bin/xdnd_drop \
    build/win64/bin/drop_target.exe build/win32/bin/drop_target.exe
when win32-settings && stage win32-settings 1 wine_note timeout -k 10 600 tools/wine-run.sh --check --gui build/win32/bin/vorlax_settings_tests.exe
when win64-settings && stage win64-settings 1 wine_note timeout -k 10 600 tools/wine-run.sh --check --gui build/win64/bin/vorlax_settings_tests.exe
when win32-shellext && stage win32-shellext 1 shellext_note timeout -k 10 600 tests/win/shellext/run.sh build/win32
when win64-shellext && stage win64-shellext 1 shellext_note timeout -k 10 600 tests/win/shellext/run.sh build/win64 build/win32
# The life cycle as each Windows the package is for reports itself: the
# i686 package on Windows 98, XP and 10, and on 64-bit 10 (WOW64); the
# x86-64 one on Server 2003 and 10.
when win32-install && stage win32-install 1 install_note timeout -k 10 900 tests/win/install/run.sh build/win32 build/native \
    win98 winxp win10 win10@win64
when win64-install && stage win64-install 1 install_note timeout -k 10 900 tests/win/install/run.sh build/win64 build/native \
    win2003 win10
# A non-Japanese Windows: the prefix in code page 1252.
when win32-locale && stage win32-locale 1 locale_note timeout -k 10 600 tests/win/locale_check.sh build/win32 build/native
when win64-locale && stage win64-locale 1 locale_note timeout -k 10 600 tests/win/locale_check.sh build/win64 build/native
when fuzz && stage fuzz 1 fuzz_note timeout -k 10 600 fuzz/run.sh "${VORLAX_FUZZ_SECONDS:-20}"
when bench && stage bench 1 bench_note build/native/bin/vorlax_bench --benchmark_min_time=0.01

summary

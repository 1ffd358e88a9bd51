#!/usr/bin/env bash
# Drags from the X side onto a Windows window under Wine: xdnd_drop against
# drop_target.exe, which logs every WM_DROPFILES it gets.
#
#   tests/win/xdnd_check.sh XDND_DROP DROP_TARGET.exe...
#
# Every drop_target.exe (32- or 64-bit) runs in one fresh 64-bit prefix on a
# private Xvfb server. For each: one file, three files (a space, "%" and a
# CP932 trail byte 0x5C in the names), a Japanese name; each must come back
# as the Z:\ paths in CP932, byte for byte; then paths given the Windows way
# (C:\..., Z:\...) with a status file; after its fourth drop the window stops
# accepting and the fifth drop must end with status 3; a window that never
# accepts refuses the first. Also the tool's own failures: no such window (4),
# a window that is not XdndAware (5), one that never answers (6).
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: tests/win/xdnd_check.sh XDND_DROP DROP_TARGET.exe..." >&2
    exit 2
fi
xdnd_drop=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/wine-prefix.sh
source "$here/../../tools/wine-prefix.sh"
vorlax_wine_need --gui win32 win64 || exit 1
vorlax_need_packages "${VORLAX_PKGS_X11[@]}" || exit 1

# shellcheck source=tests/lib.sh
source "$here/../lib.sh"

target_pid=
wine_end_hook() { [ -n "$target_pid" ] && kill "$target_pid" 2>/dev/null; }
vorlax_wine_trap
dir=$(mktemp -d "${TMPDIR:-/tmp}/vorlax-xdnd.XXXXXX")
vorlax_wine_temporaries+=("$dir")
# Every target in one 64-bit prefix, made before the display is there.
vorlax_wine_headless
vorlax_wine_prefix "$dir/prefix" --arch win64 || { echo "FAIL: the prefix"; exit 1; }
vorlax_wine_xvfb 1024x768x24 || { echo "FAIL: Xvfb did not start"; exit 1; }

# The dropped files; their names are UTF-8 on the Unix side.
files=$dir/files
mkdir "$files"
one=$files/one.html
three=("$files/a b.html" "$files/100%.html" "$files/表示.html")   # 表 ends in 0x5C
japanese=$files/日本語ページ.html
touch "$one" "${three[@]}" "$japanese"
# A file inside the prefix, named the Windows way, and how Wine names it back.
mkdir -p "$WINEPREFIX/drive_c/users/Public"
touch "$WINEPREFIX/drive_c/users/Public/in c.html"

# The Windows path of a Unix one, CP932: the prefix's drive Z: is the root.
dos() { vorlax_winpath "$1" | iconv -f UTF-8 -t CP932; }

# drop_log PATH...: what drop_target writes for one drop of these paths
# (Unix paths, or Windows ones as they are).
drop_log() {
    printf 'drop %d\r\n' $#
    local path
    for path in "$@"; do
        case "$path" in
            /*) dos "$path" ;;
            *) printf '%s' "$path" | iconv -f UTF-8 -t CP932 ;;
        esac
        printf '\r\n'
    done
}

# expect_status_file STATUS: what --status-file wrote.
expect_status_file() {
    check_bytes "status file" "$1"$'\n' "$dir/status"
    check_run "status file: no status.tmp left behind" [ ! -e "$dir/status.tmp" ]
    rm -f "$dir/status"
}

# wait_drops LOG N: until LOG holds N drops (the window handles a drop after
# xdnd_drop has seen it finished). Not a timing check: it only bounds a hang.
wait_drops() {
    local n
    for _ in $(seq 200); do
        n=$(grep -c '^drop ' "$1" 2>/dev/null)
        [ "${n:-0}" -ge "$2" ] && return 0
        sleep 0.05
    done
    return 1
}

# expect_drop STATUS EXPECTED-STDERR XDND_DROP-ARGUMENT...
expect_drop() {
    local want=$1 want_err=$2 status
    shift 2
    "$xdnd_drop" --timeout 30 "$@" >"$dir/out" 2>"$dir/err"
    status=$?
    check "xdnd_drop $*: status" "$want" "$status"
    check_bytes "xdnd_drop $*: stderr" "$want_err" "$dir/err"
    check_bytes "xdnd_drop $*: stdout" "" "$dir/out"
}

# start_target EXE LOG COUNT: drop_target.exe in the background.
start_target() {
    wine "$1" "$(dos "$2")" "$3" >"$dir/target.out" 2>&1 &
    target_pid=$!
}

stop_target() {
    kill "$target_pid" 2>/dev/null
    wait "$target_pid" 2>/dev/null
    target_pid=
    # Until its window is gone, so the next target is the only one found.
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name '^DropTarget$' >/dev/null 2>&1 || return 0
        sleep 0.05
    done
    fail "the DropTarget window stayed after its program ended"
}

refused=$'xdnd_drop: the target refused the drop\n'
for exe in "$@"; do
    exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
    name=$(basename "$(dirname "$(dirname "$exe")")")/$(basename "$exe")
    before=$failed
    log=$dir/drops.log
    rm -f "$log"
    : >"$dir/expected"

    start_target "$exe" "$log" 4
    # xdnd_drop waits for the window to be mapped: no delay needed here.
    expect_drop 0 '' --name '^DropTarget$' "$one"
    drop_log "$one" >>"$dir/expected"
    wait_drops "$log" 1 || fail "$name: the first drop never reached the log"
    # Relative names, from the files' own folder.
    cd "$files" || exit 1
    expect_drop 0 '' --name '^droptarget$' "a b.html" ./100%.html ../files/表示.html
    cd - >/dev/null || exit 1
    drop_log "${three[@]}" >>"$dir/expected"
    wait_drops "$log" 2 || fail "$name: the three-file drop never reached the log"
    expect_drop 0 '' --name '^DropTarget$' "$japanese"
    drop_log "$japanese" >>"$dir/expected"
    wait_drops "$log" 3 || fail "$name: the Japanese drop never reached the log"
    windows_paths=('C:\users\Public\in c.html' "$(dos "$japanese" | iconv -f CP932 -t UTF-8)")
    window=$(xdotool search --onlyvisible --name '^DropTarget$' | head -n 1)
    expect_drop 0 '' --status-file "$dir/status" --window "$window" "${windows_paths[@]}"
    expect_status_file 0
    drop_log "${windows_paths[@]}" >>"$dir/expected"
    wait_drops "$log" 4 || fail "$name: the drop of Windows paths never reached the log"
    # The fourth drop switched acceptance off.
    expect_drop 3 "$refused" --status-file "$dir/status" --name '^DropTarget$' "$one"
    expect_status_file 3
    cmp -s "$dir/expected" "$log" ||
        fail "$name: the log differs: $(od -c "$log" | head -20)"
    stop_target

    # A window that never accepts.
    rm -f "$log"
    start_target "$exe" "$log" 0
    expect_drop 3 "$refused" --name '^DropTarget$' "$one"
    [ -e "$log" ] && fail "$name: a refused drop reached the window: $(od -c "$log" | head -5)"
    stop_target

    [ "$failed" = "$before" ] && pass "$name: 1, 3, Japanese-named and Windows-named files dropped; refusals give 3"
done

# The tool's own failures.
expect_drop 4 $'xdnd_drop: no mapped window named like "^NoSuchWindow$"\n' \
    --timeout 0.2 --name '^NoSuchWindow$' "$one"
root_id=$(xwininfo -root 2>/dev/null | awk '/Window id:/ { print $4 }')
if [ -n "$root_id" ]; then
    expect_drop 5 "xdnd_drop: window $root_id is not XdndAware"$'\n' --window "$root_id" "$one"
    # XdndAware version 5 (the atom BITMAP is 5), but no one there answers.
    xprop -root -f XdndAware 32a -set XdndAware BITMAP
    expect_drop 6 $'xdnd_drop: timeout: no XdndStatus from the target\n' \
        --timeout 0.5 --window "$root_id" "$one"
else
    fail "xwininfo gave no root window id"
fi
[ "$failed" = 0 ] && pass "xdnd_drop reports a missing window (4), one that is not XdndAware (5), no answer (6)"
checks_done xdnd

#!/usr/bin/env bash
# The command line under faults: closed standard descriptors, a broken -v
# stream, stop signals while threads wait in open, read or write, signals
# ignored from the start, long paths, the descriptor limit, batches that read
# their own outputs, numbers out of range, names with control characters on a
# terminal, and the system's reason in messages. Every wait is bounded: a run
# that does not end in time is killed and counted as a failure.
set -u
vorlax=${1:?usage: cli_faults_test.sh path/to/vorlax}
work=$(mktemp -d)
cleanup() {
    # Processes of this test still running (a failed case): by their ids.
    for pid in $(jobs -p); do kill -KILL "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source=tests/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
files_in() { (cd "$1" && LC_ALL=C ls -A | tr '\n' ' '); }
u8() { printf '%s' "$1"; }  # the UTF-8 text of a message, as the terminal shows it
open_failure=$(u8 'このファイルのオープンに失敗しました')
access_failure=$(u8 'このファイルのアクセスに失敗しました')

# finish PID SECONDS: waits for the process, at most SECONDS, and sets
# `status` to its exit status, or to "hung" (it is killed then).
finish() {
    local pid=$1 tenths=$(($2 * 10))
    while kill -0 "$pid" 2>/dev/null && [ "$tenths" -gt 0 ]; do
        sleep 0.1
        tenths=$((tenths - 1))
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        status=hung
    else
        wait "$pid"
        status=$?
    fi
}

# blocked_in PID PATTERN: waits (at most 5 s) until a thread of the process
# waits in a kernel function matching PATTERN (a FIFO open, a pipe read or
# write), so that a signal finds it there.
blocked_in() {
    local tries=50
    while [ "$tries" -gt 0 ]; do
        cat /proc/"$1"/task/*/wchan 2>/dev/null | tr '\0' '\n' | grep -Eq "$2" && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 0
}
kFifoOpen='wait_for_partner|fifo_open'
kPipeRead='pipe_read|pipe_wait'
kPipeWrite='pipe_write|pipe_wait'

# A page of about a megabyte, and its text as the filter gives it.
page() {
    local i
    for i in $(seq 1 2000); do printf '<p>line %d &amp; <b>bold</b> text of the page</p>\n' "$i"; done
}
page > "$work/page1.html"
for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15; do cat "$work/page1.html"; done > "$work/big.html"
"$vorlax" - < "$work/big.html" > "$work/big.expected"

# ---- 1. Closed standard descriptors: no file takes their numbers, so no -v
# line or message lands in an output. c.html and g.html are FIFOs that hold
# their jobs until the test feeds them: by then the first file is done and
# the large file prepared after it has the numbers the first one had; the
# line of c.html, or the message of the missing file after it, is printed
# while that large file is being written.
closed_case() {  # closed_case CLOSED JOBS FILE...
    local closed=$1 jobs=$2
    shift 2
    rm -rf "$dir" && mkdir "$dir"
    printf 'a' > "$dir/a.html"
    mkfifo "$dir/c.html" "$dir/g.html"
    cp "$work/big.html" "$dir/d.html"
    exec {feed_c}<>"$dir/c.html" {feed_g}<>"$dir/g.html"
    eval '"$vorlax" -v -j "$jobs" "$@" > /dev/null 2> /dev/null {feed_c}>&- {feed_g}>&- '"$closed"' &'
    pid=$!
    local last=${*: -1} tries=50
    while [ ! -e "${last%.html}.txt" ] && [ "$tries" -gt 0 ]; do sleep 0.1; tries=$((tries - 1)); done
    printf 'c' >&"$feed_c"
    exec {feed_c}>&-
    # g.html is fed only when the run has it, or it would wait for a writer.
    case " $* " in *" $dir/g.html "*) printf 'g' >&"$feed_g" ;; esac
    exec {feed_g}>&-
    finish "$pid" 10
}
dir=$work/closed
closed_case '<&- >&-' 1 "$dir/a.html" "$dir/c.html" "$dir/d.html"
check "stdout closed: status" 0 "$status"
check "stdout closed: files" "a.html a.txt c.html c.txt d.html d.txt g.html " "$(files_in "$dir")"
check "stdout closed: c.txt" "$(printf 'c\r\n')" "$(cat "$dir/c.txt")"
check_file "stdout closed: d.txt" "$work/big.expected" "$dir/d.txt"
for closed in '<&- 2>&-' '<&- >&- 2>&-'; do
    closed_case "$closed" 2 "$dir/a.html" "$dir/c.html" "$dir/missing.html" "$dir/g.html" "$dir/d.html"
    check "$closed: status" 1 "$status"
    check "$closed: files" "a.html a.txt c.html c.txt d.html d.txt g.html g.txt " "$(files_in "$dir")"
    check "$closed: a.txt" "$(printf 'a\r\n')" "$(cat "$dir/a.txt")"
    check "$closed: c.txt" "$(printf 'c\r\n')" "$(cat "$dir/c.txt")"
    check "$closed: g.txt" "$(printf 'g\r\n')" "$(cat "$dir/g.txt")"
    check_file "$closed: d.txt" "$work/big.expected" "$dir/d.txt"
done
# The filter cannot write a closed standard output: an error, not silence.
printf 'x' | "$vorlax" - >&- 2> "$work/err"
check "filter, stdout closed: status" 1 $?
check "filter, stdout closed: message" "vorlax: writing standard output: Bad file descriptor" "$(cat "$work/err")"

# ---- 2. A broken -v stream stops the run like an interrupt: the file under
# way (a FIFO that gives nothing yet) leaves no output, the next one is not
# converted, one message, status 1.
dir=$work/pipe
mkdir "$dir"
printf 'a' > "$dir/a.html"
mkfifo "$dir/b.html"
printf 'c' > "$dir/c.html"
mkfifo "$work/noreader"
exec {both}<>"$work/noreader"
exec {writer}>"$work/noreader"
exec {both}>&-  # now the pipe has no reader
exec {feed}<>"$dir/b.html"
"$vorlax" -v -j 1 "$dir/a.html" "$dir/b.html" "$dir/c.html" >&"$writer" 2> "$work/err" \
    {writer}>&- {feed}>&- &
pid=$!
exec {writer}>&-
finish "$pid" 10
check "broken -v stream: status" 1 "$status"
exec {feed}>&-
check "broken -v stream: message" "vorlax: writing standard output: Broken pipe" "$(cat "$work/err")"
check "broken -v stream: files" "a.html a.txt b.html c.html " "$(files_in "$dir")"

# ---- 3. A stop signal ends the run at once wherever the threads wait, with
# 128 + its number, "vorlax: interrupted" and no partial output.
# stop_case NAME SIGNAL STATUS PATTERN COMMAND...: runs the command in the
# background, the signal at its default, without the descriptors in `held`;
# once it waits where PATTERN says, sends it the signal. Its output goes where
# the caller's does: the checks write to stderr.
stop_case() {
    local name=$1 signal=$2 expected=$3 pattern=$4
    shift 4
    (
        for fd in $held; do eval "exec $fd>&-"; done
        exec env --default-signal="$signal" "$@"
    ) <&0 2> "$work/err" &  # <&0: a background job's input is not /dev/null here
    pid=$!
    blocked_in "$pid" "$pattern"
    kill -"$signal" "$pid"
    finish "$pid" 5
    check "$name: status" "$expected" "$status" >&2
    check "$name: message" "vorlax: interrupted" "$(cat "$work/err")" >&2
}
# The main thread opening a FIFO nobody writes.
dir=$work/open
mkdir "$dir"
mkfifo "$dir/p.html"
printf 'x' > "$dir/ok.html"
held=
stop_case "SIGINT in open" INT 130 "$kFifoOpen" "$vorlax" -j 1 "$dir/p.html" "$dir/ok.html"
check "SIGINT in open: files" "ok.html p.html " "$(files_in "$dir")"

# A worker reading a FIFO that gives nothing.
dir=$work/read
mkdir "$dir"
mkfifo "$dir/p.html"
printf 'x' > "$dir/ok.html"
exec {feed}<>"$dir/p.html"
held=$feed
stop_case "SIGTERM in read" TERM 143 "$kPipeRead" "$vorlax" -j 1 "$dir/p.html" "$dir/ok.html"
exec {feed}>&-
check "SIGTERM in read: files" "ok.html p.html " "$(files_in "$dir")"

# The filter reading standard input that gives nothing.
mkfifo "$work/stdin"
exec {feed}<>"$work/stdin"
held=$feed
stop_case "SIGINT in the filter's read" INT 130 "$kPipeRead" "$vorlax" - < "$work/stdin" > "$work/out"
exec {feed}>&-

# The main thread writing -v lines into a full pipe.
dir=$work/write
mkdir "$dir"
long=$(printf '%0200d' 0)
for i in $(seq 1 400); do printf 'x' > "$dir/$long$i.html"; done
mkfifo "$work/full"
exec {drain}<>"$work/full"  # holds the pipe open, never reads
held=$drain
stop_case "SIGINT in a write to a full pipe" INT 130 "$kPipeWrite" \
    "$vorlax" -v -j 2 "$dir"/*.html > "$work/full"
exec {drain}>&-
partial=0
for out in "$dir"/*.txt; do [ "$(cat "$out")" == "$(printf 'x\r\n')" ] || partial=$((partial + 1)); done
check "SIGINT in a write to a full pipe: only whole outputs" 0 "$partial"

# ---- 4. A stop signal ignored when the program starts stays ignored.
dir=$work/ignored
mkdir "$dir"
mkfifo "$dir/p.html"
exec {feed}<>"$dir/p.html"
env --ignore-signal=INT --ignore-signal=HUP "$vorlax" -j 1 "$dir/p.html" 2> "$work/err" {feed}>&- &
pid=$!
blocked_in "$pid" "$kPipeRead"
kill -HUP "$pid"
kill -INT "$pid"
# Both signals are dealt with before the input ends.
tries=50
while grep -Eq '^(SigPnd|ShdPnd):[[:space:]]*0*[1-9a-f]' /proc/"$pid"/status 2>/dev/null && [ "$tries" -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
done
printf 'late' >&"$feed"
exec {feed}>&-
finish "$pid" 5
check "ignored SIGHUP and SIGINT: status" 0 "$status"
check "ignored SIGHUP and SIGINT: no message" "" "$(cat "$work/err")"
check "ignored SIGHUP and SIGINT: output" "$(printf 'late\r\n')" "$(cat "$dir/p.txt")"

# ---- 5. A path longer than Windows allows converts on this system.
deep=$work/$(printf '%0150d' 1)/$(printf '%0150d' 2)
mkdir -p "$deep"
printf 'deep' > "$deep/a.html"
"$vorlax" "$deep/a.html" 2> "$work/err"
check "long path: status" 0 $?
check "long path: no message" "" "$(cat "$work/err")"
check "long path: output" "$(printf 'deep\r\n')" "$(cat "$deep/a.txt" 2>/dev/null)"

# ---- 6. Within a descriptor limit of 1024, -j 1024 converts what -j 1
# converts.
dir=$work/many
mkdir "$dir" "$dir/out1" "$dir/out1024"
for i in $(seq 1 1300); do printf '<p>%d' "$i" > "$dir/p$i.html"; done
(ulimit -n 1024 && "$vorlax" -j 1 -o "$dir/out1" "$dir"/p*.html) 2> "$work/err1"
check "-j 1 under ulimit -n 1024: status" 0 $?
(ulimit -n 1024 && "$vorlax" -j 1024 -o "$dir/out1024" "$dir"/p*.html) 2> "$work/err1024"
check "-j 1024 under ulimit -n 1024: status" 0 $?
check "-j 1024 under ulimit -n 1024: no message" "" "$(cat "$work/err1024")"
check "-j 1024 under ulimit -n 1024: outputs" "" "$(diff -r "$dir/out1" "$dir/out1024" 2>&1 | head -3)"
check "-j 1024 under ulimit -n 1024: 1300 outputs" 1300 "$(ls "$dir/out1024" | wc -l)"
# Every worker waits on a FIFO while the files behind are prepared: they
# are prepared only as far as the limit of 128 descriptors allows.
dir=$work/held
mkdir "$dir" "$dir/out"
feeds=()
inputs=()
for i in $(seq 1 40); do
    mkfifo "$dir/f$i.html"
    exec {fd}<>"$dir/f$i.html"
    feeds+=("$fd")
    inputs+=("$dir/f$i.html")
done
for i in $(seq 1 60); do printf 'p%d' "$i" > "$dir/p$i.html"; inputs+=("$dir/p$i.html"); done
(
    for fd in "${feeds[@]}"; do eval "exec $fd>&-"; done
    ulimit -n 128 && exec "$vorlax" -j 40 -o "$dir/out" "${inputs[@]}"
) 2> "$work/err" &
pid=$!
# Once files behind the FIFOs are prepared, the run has gone as far as it
# goes before the FIFOs give their text.
tries=50
while [ "$(ls "$dir/out" | wc -l)" -le 40 ] && [ "$tries" -gt 0 ]; do sleep 0.1; tries=$((tries - 1)); done
sleep 0.5
for i in $(seq 1 40); do
    printf 'f%d' "$i" >&"${feeds[i - 1]}"
    eval "exec ${feeds[i - 1]}>&-"
done
finish "$pid" 10
check "-j 40 under ulimit -n 128: status" 0 "$status"
check "-j 40 under ulimit -n 128: no message" "" "$(cat "$work/err")"
wrong=0
for i in $(seq 1 40); do
    [ "$(cat "$dir/out/f$i.txt" 2>/dev/null)" == "$(printf 'f%d\r\n' "$i")" ] || wrong=$((wrong + 1))
done
for i in $(seq 1 60); do
    [ "$(cat "$dir/out/p$i.txt" 2>/dev/null)" == "$(printf 'p%d\r\n' "$i")" ] || wrong=$((wrong + 1))
done
check "-j 40 under ulimit -n 128: every output" 0 "$wrong"
# With no descriptor left to load the message's code conversion, the message
# still comes out in UTF-8.
dir=$work/nofd
mkdir "$dir"
printf 'x' > "$dir/a.html"
(
    # One descriptor free: the input takes it. Those inherited go first.
    for fd in $(ls /proc/$BASHPID/fd); do [ "$fd" -gt 2 ] && eval "exec $fd>&-"; done 2> /dev/null
    ulimit -n 4 && exec "$vorlax" "$dir/a.html"
) 2> "$work/err"
check "no descriptor left: status" 1 $?
check "no descriptor left: message" "$dir/a.txt
$open_failure (Too many open files)" "$(cat "$work/err")"

# ---- 7. An input that is an output of the same batch is read once that
# output is complete, whatever the number of jobs.
"$vorlax" - < "$work/big.expected" > "$work/twice.expected"
for jobs in 1 2 4; do
    dir=$work/own$jobs
    mkdir "$dir"
    cp "$work/big.html" "$dir/a.html"
    "$vorlax" -j "$jobs" "$dir/a.html" "$dir/a.txt" 2> "$work/err"
    check "own output, -j $jobs: status" 0 $?
    check_file "own output, -j $jobs: a.txt" "$work/big.expected" "$dir/a.txt"
    check_file "own output, -j $jobs: a.vorl0.txt" "$work/twice.expected" "$dir/a.vorl0.txt"
    # An output that failed is gone when its reader's turn comes.
    mkdir "$dir/d.html"
    "$vorlax" -j "$jobs" "$dir/d.html" "$dir/d.txt" 2> "$work/err"
    check "failed own output, -j $jobs: status" 1 $?
    check "failed own output, -j $jobs: messages" "$dir/d.html
$access_failure (Is a directory)
$dir/d.txt
$open_failure (No such file or directory)" "$(cat "$work/err")"
    check "failed own output, -j $jobs: files" "a.html a.txt a.vorl0.txt d.html " "$(files_in "$dir")"
done

# ---- 8. Numbers outside -32768..32767 are usage errors; values that fit but
# mean nothing to the option are used as given, with a warning.
for bad in 65615 99999999 32768 -32769 999999999999999999999; do
    out=$(printf 'x' | "$vorlax" --set "Column=$bad" - 2> "$work/err")
    check "Column=$bad: status" 2 $?
    check "Column=$bad: no output" "" "$out"
    check "Column=$bad: message" "vorlax: option Column needs a number from -32768 to 32767, got '$bad'" \
          "$(cat "$work/err")"
done
for edge in -32768 32767; do
    printf 'x' | "$vorlax" --set "SWdiv=$edge" - > /dev/null 2> "$work/err"
    check "SWdiv=$edge: status" 0 $?
    check "SWdiv=$edge: warning" "vorlax: warning: SWdiv is $edge, outside its range 0..2; used as given" \
          "$(cat "$work/err")"
done
printf 'ab' | "$vorlax" --set SWmcode=7 --set SWimage=2 --set SWimage=2 --set Column=255 - \
    > "$work/out" 2> "$work/err"
check "SWmcode=7 SWimage=2: status" 0 $?
# An unknown input code converts nothing.
check "SWmcode=7 SWimage=2: output" 0d0a "$(od -An -tx1 "$work/out" | tr -d ' \n')"
check "SWmcode=7 SWimage=2: warnings" "vorlax: warning: SWmcode is 7, outside its range 0..5; used as given
vorlax: warning: SWimage is 2, outside its range 0..1; used as given" "$(cat "$work/err")"
printf 'ab' | "$vorlax" --set SWmcode=7 --set SWmcode=0 - > /dev/null 2> "$work/err"
check "a value set again within range: no warning" "" "$(cat "$work/err")"

# ---- 9. Names reach a terminal with their control characters escaped; off
# a terminal they are left as they are.
dir=$work/names
mkdir "$dir"
name=$'\e]0;X\a\e[2J'
printf 'n' > "$dir/$name.html"
shown='\e]0;X\x07\e[2J'
on_tty() {  # on_tty OUTPUT COMMAND: runs the command on a terminal, its output in OUTPUT
    local out=$1
    shift
    CMD="$*" SHELL=/bin/sh script -qfec 'stty -onlcr; eval "$CMD"' /dev/null < /dev/null > "$out"
}
export vorlax dir name
on_tty "$work/tty" '"$vorlax" -v "$dir/$name.html" 2> "$dir/../err"'
check "-v on a terminal: escaped" "$dir/$shown.html -> $dir/$shown.txt" "$(cat "$work/tty")"
check "-v on a terminal: converted" n "$(tr -d '\r\n' < "$dir/$name.txt")"
rm "$dir/$name.txt"
"$vorlax" -v "$dir/$name.html" > "$work/out"
check "-v off a terminal: as it is" "$dir/$name.html -> $dir/$name.txt" "$(cat "$work/out")"
rm "$dir/$name.txt"
on_tty "$work/tty" '"$vorlax" "$dir/$name.missing" > /dev/null'
check "message on a terminal: escaped" "$(printf '\r\033[K%s\n%s (No such file or directory)\n\r\033[K' \
      "$dir/$shown.missing" "$open_failure")" "$(cat "$work/tty")"
on_tty "$work/tty" '"$vorlax" "--bogus$name" > /dev/null'
check "usage error on a terminal: escaped" "vorlax: unknown argument '--bogus$shown'" "$(cat "$work/tty")"
# The progress line, shown while a FIFO keeps its file waiting.
mkfifo "$dir/$name.fifo"
exec {feed}<>"$dir/$name.fifo"
on_tty "$work/tty" '"$vorlax" "$dir/$name.fifo" > /dev/null' {feed}>&- &
pid=$!
tries=50
while ! grep -qF "[0/1] 0.0 MB/s $dir/$shown.fifo" "$work/tty" 2>/dev/null && [ "$tries" -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
done
exec {feed}>&-
finish "$pid" 5
check "progress line on a terminal: status" 0 "$status"
check "progress line on a terminal: escaped" 1 "$(grep -cF "[0/1] 0.0 MB/s $dir/$shown.fifo" "$work/tty")"
# Nothing but the program's own line wiping reaches the terminal raw.
check "progress line on a terminal: no raw control" 0 \
      "$(sed 's/\r\x1b\[K//g' "$work/tty" | tr -d '\n' | LC_ALL=C grep -c '[[:cntrl:]]')"

# ---- 11. Messages give the system's reason.
dir=$work/reasons
mkdir "$dir" "$dir/folder.html"
ln -s loop.html "$dir/loop.html"
"$vorlax" "$dir/missing.html" "$dir/folder.html" "$dir/loop.html" 2> "$work/err"
check "reasons: status" 1 $?
check "reasons: messages" "$dir/missing.html
$open_failure (No such file or directory)
$dir/folder.html
$access_failure (Is a directory)
$dir/loop.html
$open_failure (Too many levels of symbolic links)" "$(cat "$work/err")"
"$vorlax" -o "$dir/none" "$work/page1.html" 2> "$work/err"
check "reason for an output: message" "$dir/none/page1.txt
$open_failure (No such file or directory)" "$(cat "$work/err")"
if [ "$(id -u)" -ne 0 ]; then
    printf 'x' > "$dir/locked.html"
    chmod 000 "$dir/locked.html"
    "$vorlax" "$dir/locked.html" 2> "$work/err"
    check "reasons: permission" "$dir/locked.html
$open_failure (Permission denied)" "$(cat "$work/err")"
fi

# The letter case of the naming: an input without extension gives NAME.TXT.
printf 'x' > "$work/noext"
"$vorlax" "$work/noext"
check "no extension gives .TXT" "$(printf 'x\r\n')" "$(cat "$work/noext.TXT" 2>/dev/null)"

checks_done "cli faults"

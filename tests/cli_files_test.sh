#!/bin/sh
# vorlax FILE...: a batch goes on past a failing file, reports it on stderr in
# UTF-8 and ends with status 1; -o writes into a folder; nothing is overwritten.
# usage: cli_files_test.sh PATH-TO-vorlax
set -u
vorlax=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_file NAME printf-FORMAT: the file holds exactly these bytes.
expect_file() {
    printf "$2" > "$dir/expected"
    cmp -s "$dir/expected" "$1" || fail "$1 differs: $(od -c "$1" 2>&1 | head -3)"
}

cd "$dir" || exit 1
mkdir in out
printf 'one<br>\225\134 two' > in/a.htm   # 表 in CP932
printf 'b' > in/b.htm
printf 'c' > in/c.htm
printf 'mine' > in/c.txt

"$vorlax" -v in/a.htm in/b.htm in/missing.htm in/c.htm > stdout 2> stderr
status=$?
[ "$status" -eq 1 ] || fail "status $status, expected 1"
expect_file stdout 'in/a.htm -> in/a.txt\nin/b.htm -> in/b.txt\nin/c.htm -> in/c.vorl0.txt\n'
expect_file stderr 'in/missing.htm\n\343\201\223\343\201\256\343\203\225\343\202\241\343\202\244\343\203\253\343\201\256\343\202\252\343\203\274\343\203\227\343\203\263\343\201\253\345\244\261\346\225\227\343\201\227\343\201\276\343\201\227\343\201\237 (No such file or directory)\n'
expect_file in/a.txt 'one\r\n\225\134 two\r\n'
expect_file in/b.txt 'b\r\n'
expect_file in/c.txt 'mine'
expect_file in/c.vorl0.txt 'c\r\n'
[ "$(LC_ALL=C ls in | tr '\n' ' ')" = "a.htm a.txt b.htm b.txt c.htm c.txt c.vorl0.txt " ] ||
    fail "unexpected files in in/: $(LC_ALL=C ls in | tr '\n' ' ')"

# All converted, into a folder, quietly.
"$vorlax" -o out in/a.htm -- in/c.htm > stdout 2> stderr
status=$?
[ "$status" -eq 0 ] || fail "status $status with -o, expected 0"
expect_file stdout ''
expect_file stderr ''
expect_file out/a.txt 'one\r\n\225\134 two\r\n'
expect_file out/c.txt 'c\r\n'

# --set after -o wins, as with two --set.
"$vorlax" -o out --set SWfolda=1 in/b.htm 2> stderr
[ -f in/b.vorl0.txt ] || fail "--set SWfolda=1 after -o did not write beside the input"
[ ! -e out/b.txt ] || fail "-o was not overridden"

# A stop signal ends the running conversion without leaving its output and
# stops the batch (one job, so the next file is still waiting); the process
# then ends by the signal. SIGTERM, as a shell starts a background job with
# SIGINT ignored, and an ignored signal stays so. The input is a FIFO, so the
# conversion waits in its read until the writer closes; once the writer's
# open returns, vorlax has opened the input and its signal handling is in
# place.
mkdir slow
mkfifo slow/pipe.htm
printf 'x' > slow/next.htm
"$vorlax" -j 1 slow/pipe.htm slow/next.htm > stdout 2> stderr &
pid=$!
exec 3> slow/pipe.htm
kill -TERM "$pid"
# vorlax may have closed the pipe already: the late writer must not die of it.
(trap '' PIPE; printf 'late text' >&3) 2>/dev/null
exec 3>&-
wait "$pid"
status=$?
[ "$status" -eq 143 ] || fail "interrupted: status $status, expected 143 (SIGTERM)"
expect_file stderr 'vorlax: interrupted\n'
[ "$(LC_ALL=C ls slow | tr '\n' ' ')" = "next.htm pipe.htm " ] ||
    fail "interrupted batch left: $(LC_ALL=C ls slow | tr '\n' ' ')"

# Usage errors.
"$vorlax" 2> /dev/null
[ $? -eq 2 ] || fail "no arguments: expected status 2"
"$vorlax" -o 2> /dev/null
[ $? -eq 2 ] || fail "-o without a folder: expected status 2"
"$vorlax" - in/a.htm < /dev/null 2> /dev/null
[ $? -eq 2 ] || fail "'-' with files: expected status 2"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "cli files: all passed"

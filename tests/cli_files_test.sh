#!/usr/bin/env bash
# vorlax FILE...: a batch goes on past a failing file, reports it on stderr in
# UTF-8 and ends with status 1; -o writes into a folder; nothing is overwritten.
# usage: cli_files_test.sh PATH-TO-vorlax
set -u
vorlax=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# shellcheck source=tests/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

cd "$dir" || exit 1
mkdir in out
printf 'one<br>\225\134 two' > in/a.htm   # 表 in CP932
printf 'b' > in/b.htm
printf 'c' > in/c.htm
printf 'mine' > in/c.txt

"$vorlax" -v in/a.htm in/b.htm in/missing.htm in/c.htm > stdout 2> stderr
status=$?
check "status" 1 "$status"
check_bytes stdout $'in/a.htm -> in/a.txt\nin/b.htm -> in/b.txt\nin/c.htm -> in/c.vorl0.txt\n' stdout
check_bytes stderr $'in/missing.htm\n\343\201\223\343\201\256\343\203\225\343\202\241\343\202\244\343\203\253\343\201\256\343\202\252\343\203\274\343\203\227\343\203\263\343\201\253\345\244\261\346\225\227\343\201\227\343\201\276\343\201\227\343\201\237 (No such file or directory)\n' stderr
check_bytes in/a.txt $'one\r\n\225\134 two\r\n' in/a.txt
check_bytes in/b.txt $'b\r\n' in/b.txt
check_bytes in/c.txt $'mine' in/c.txt
check_bytes in/c.vorl0.txt $'c\r\n' in/c.vorl0.txt
check "the files in in/" "a.htm a.txt b.htm b.txt c.htm c.txt c.vorl0.txt " "$(LC_ALL=C ls in | tr '\n' ' ')"

# All converted, into a folder, quietly.
"$vorlax" -o out in/a.htm -- in/c.htm > stdout 2> stderr
status=$?
check "status with -o" 0 "$status"
check_bytes stdout $'' stdout
check_bytes stderr $'' stderr
check_bytes out/a.txt $'one\r\n\225\134 two\r\n' out/a.txt
check_bytes out/c.txt $'c\r\n' out/c.txt

# --set after -o wins, as with two --set.
"$vorlax" -o out --set SWfolda=1 in/b.htm 2> stderr
check_run "--set SWfolda=1 after -o writes beside the input" [ -f in/b.vorl0.txt ]
check_run "--set SWfolda=1 after -o overrides -o" [ ! -e out/b.txt ]

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
check "interrupted: status (SIGTERM)" 143 "$status"
check_bytes stderr $'vorlax: interrupted\n' stderr
check "what the interrupted batch left" "next.htm pipe.htm " "$(LC_ALL=C ls slow | tr '\n' ' ')"

# Usage errors.
"$vorlax" 2> /dev/null
check "no arguments: status" 2 $?
"$vorlax" -o 2> /dev/null
check "-o without a folder: status" 2 $?
"$vorlax" - in/a.htm < /dev/null 2> /dev/null
check "'-' with files: status" 2 $?

checks_done "cli files"

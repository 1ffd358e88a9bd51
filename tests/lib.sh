# shellcheck shell=bash
# The shell tests' checks: one set for every script (bash). Sourced.
#
#   check NAME EXPECTED ACTUAL           the two texts are equal
#   check_bytes NAME EXPECTED-BYTES FILE the file holds exactly these bytes
#                                        (give them as $'...')
#   check_file NAME EXPECTED-FILE ACTUAL-FILE   the two files are equal
#   check_run NAME COMMAND...            the command succeeds
#   pass [WHAT]                          counts a passed check ("ok: WHAT")
#   fail WHAT                            counts a failure ("FAIL: WHAT")
#   die WHAT                             a failure that ends the script
#   checks_done LABEL                    "LABEL: N passed, N failed"; its
#                                        status is 0 when nothing failed
#
# A check that passes is silent; one that fails says what it saw, and the
# script goes on to its other checks.

passed=0
failed=0

pass() {
    passed=$((passed + 1))
    [ $# -eq 0 ] || echo "ok: $*"
}

fail() {
    failed=$((failed + 1))
    echo "FAIL: $*"
}

die() {
    fail "$@"
    exit 1
}

check() {
    if [ "$2" == "$3" ]; then
        pass
    else
        fail "$1"
        printf '  expected: %q\n  actual:   %q\n' "$2" "$3"
    fi
}

check_bytes() {
    if printf '%s' "$2" | cmp -s - "$3"; then
        pass
    else
        fail "$1: $3 differs"
        printf '  expected: %q\n  actual:   ' "$2"
        if [ -e "$3" ]; then od -c "$3" | head -5; else echo "(no such file)"; fi
    fi
}

check_file() {
    local first
    if first=$(cmp "$2" "$3" 2>&1); then
        pass
    else
        fail "$1: $3 differs from $2"
        echo "  $first"
    fi
}

check_run() {
    if "${@:2}"; then pass; else fail "$1"; fi
}

checks_done() {
    echo "$1: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

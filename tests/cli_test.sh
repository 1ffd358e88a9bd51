#!/usr/bin/env bash
# The command line's contract: exit codes, messages, options by value name,
# and the same bytes as the engine.
set -u
vorlax=${1:?usage: cli_test.sh path/to/vorlax}
# shellcheck source=tests/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

hex() { od -An -tx1 -v | tr -d ' \n'; }

check "centre" "$(printf 'a\r\n%39sb\r\nc\r\n' '' | hex)" "$(printf 'a<center>b</center>c' | "$vorlax" - | hex)"
check "rule" "$(printf '\r\n%20s%s\r\n' '' "$(printf '%.0s-' {1..39})" | hex)" \
      "$(printf '<hr width="50%%">' | "$vorlax" - | hex)"
check "empty document" "0d0a" "$(printf '<BR/>' | "$vorlax" - | hex)"
check "an unknown align value keeps the centre" "$(printf '\r\n\r\n%38sabc\r\n\r\n' '' | hex)" \
      "$(printf '<center><p align=junk>abc</p></center>' | "$vorlax" - | hex)"
check "--set numbers" "$(printf '\r\n%40sb\r\n' '' | hex)" \
      "$(printf '<center>b' | "$vorlax" --set Column=81 - | hex)"
check "--set= form" "$(printf 'ab' | hex)" "$(printf 'ab' | "$vorlax" --set=SWendcr=0 - | hex)"
check "negative number" "$(printf 'a\r\nb' | hex)" "$(printf 'ab' | "$vorlax" --set SWqk=1 --set Column=-1 --set SWendcr=0 - | hex)"
check "string option" "$(printf '<a.gif >\r\n' | hex)" \
      "$(printf '<img src=a.gif>' | "$vorlax" --set SWimage=1 --set SWimageStr=3 --set 'AltString=<%S>' - | hex)"
# Standard input that is a regular file is read again from where the run
# found it, once detection has passed over 300 KB without evidence.
page=/tmp/vorlax_cli_page.$$
{ printf 'skip!'; printf '%300000s' ''; printf '<p>\x82\xa0\x82\xa2</p>'; } > "$page"
check "standard input from a file, read again from its offset" "$(tail -c +6 "$page" | "$vorlax" - | hex)" \
      "$({ dd bs=5 count=1 of=/dev/null 2>/dev/null; "$vorlax" -; } < "$page" | hex)"
rm -f "$page"
check "version" "vorlax 1.73" "$("$vorlax" --version)"
check_run "help" grep -q -- '--set NAME=VALUE' <("$vorlax" --help)

for bad in "--set Nope=1 -" "--set Column=abc -" "--set Column= -" "--set Column -" "--bogus -" "" "- -" \
           "--set SWqk=1x -" "--set SWendcr=65536 -" "--set Editor=$(printf '%0300d' 0) -"; do
    out=$(printf 'x' | "$vorlax" $bad 2>/tmp/vorlax_cli_err.$$); status=$?
    check "usage error '$bad' exits 2" 2 "$status"
    check "usage error '$bad' writes nothing" "" "$out"
    check "usage error '$bad' says one line" 1 "$(wc -l < /tmp/vorlax_cli_err.$$)"
done
rm -f /tmp/vorlax_cli_err.$$

checks_done cli

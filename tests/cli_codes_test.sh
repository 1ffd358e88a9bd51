#!/bin/sh
# The vorlax filter's kanji-code options and its UTF-8 option texts.
#   cli.sh VORLAX
set -eu
vorlax=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
status=0

check() {  # check NAME EXPECTED-FILE ACTUAL-FILE
    if cmp -s "$2" "$3"; then echo "ok   $1"; else echo "FAIL $1"; od -An -tx1 "$3" | head -3; status=1; fi
}

# A text option given in UTF-8 is stored in CP932.
printf '<img src="a.png" alt="b">' |
    "$vorlax" --set SWimage=1 --set SWimageStr=3 --set 'AltString=【画像：%s】' - > "$work/out"
printf '【画像：b】\r\n' | iconv -f UTF-8 -t CP932 > "$work/want"
check "AltString in UTF-8" "$work/want" "$work/out"

# A text CP932 cannot hold, or that is not UTF-8, is a usage error.
for bad in '😀' '〜' "$(printf '\377')"; do
    if printf 'x' | "$vorlax" --set "AltString=$bad" - > /dev/null 2>&1; then
        echo "FAIL AltString=$bad accepted"; status=1
    else
        code=$?
        if [ $code -eq 2 ]; then echo "ok   AltString rejected (exit 2)"; else echo "FAIL exit $code"; status=1; fi
    fi
done

# The kanji code: detected by default, fixed by SWmcode, off with SWmcode_s=0.
printf '日本語 ｶﾅ' > "$work/utf8.html"
printf '日本語 ｶﾅ\r\n' | iconv -f UTF-8 -t CP932 > "$work/want"
"$vorlax" - < "$work/utf8.html" > "$work/out"
check "detected UTF-8" "$work/want" "$work/out"
"$vorlax" --set SWmcode=5 - < "$work/utf8.html" > "$work/out"
check "SWmcode=5" "$work/want" "$work/out"
iconv -f UTF-8 -t EUC-JP "$work/utf8.html" > "$work/euc.html"
"$vorlax" --set SWmcode=3 - < "$work/euc.html" > "$work/out"
check "SWmcode=3" "$work/want" "$work/out"
"$vorlax" --set SWmcode=2 - < "$work/euc.html" > "$work/out"
{ cat "$work/euc.html"; printf '\r\n'; } > "$work/want-euc"
check "SWmcode=2 overrides detection" "$work/want-euc" "$work/out"
"$vorlax" --set SWmcode_s=0 --set SWmcode=3 - < "$work/utf8.html" > "$work/out"
printf '日本語 ｶﾅ\r\n' > "$work/want"
check "SWmcode_s=0 copies the bytes" "$work/want" "$work/out"
exit $status

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

# JIS X 0212: EUC-JP's code set 3 and JIS's ESC $ ( D, one character each,
# through the table's fallbacks; no byte of an escape or a tag is lost.
printf 'Català</a>, Español' | iconv -f UTF-8 -t EUC-JP > "$work/0212.euc"
printf 'Català</a>, Español' | iconv -f UTF-8 -t ISO-2022-JP-2 > "$work/0212.jis"
grep -q "$(printf '\033\$(D')" "$work/0212.jis" || { echo "FAIL no ESC \$ ( D in the JIS text"; status=1; }
printf 'Catala, Espanol\r\n' > "$work/want"
"$vorlax" --set SWmcode=3 - < "$work/0212.euc" > "$work/out"
check "JIS X 0212 in EUC-JP" "$work/want" "$work/out"
"$vorlax" --set SWmcode=1 - < "$work/0212.jis" > "$work/out"
check "JIS X 0212 in JIS" "$work/want" "$work/out"
"$vorlax" - < "$work/0212.jis" > "$work/out"
check "JIS X 0212 in JIS, detected" "$work/want" "$work/out"

# An undeclared page behind a 20 KB ASCII head converts as with its code
# fixed, from standard input and as a file.
i=0
while [ $i -lt 500 ]; do
    printf '<p>Home | Packages | Documentation, part %d</p>\n' $i
    i=$((i + 1))
done > "$work/head"
[ "$(wc -c < "$work/head")" -gt 20000 ] || { echo "FAIL the head is short"; status=1; }
printf '<h1>日本語のページ</h1><p>このページには、ふつうの文章と半角のｶﾅがあります。</p>' > "$work/body"
for code in 5:UTF-8 2:CP932 3:EUC-JP; do
    n=${code%%:*}
    { cat "$work/head"; iconv -f UTF-8 -t "${code#*:}" "$work/body"; } > "$work/page$n.html"
    "$vorlax" --set SWmcode=$n - < "$work/page$n.html" > "$work/want"
    "$vorlax" - < "$work/page$n.html" > "$work/out"
    check "${code#*:} behind an ASCII head, standard input" "$work/want" "$work/out"
    "$vorlax" "$work/page$n.html"
    check "${code#*:} behind an ASCII head, a file" "$work/want" "$work/page$n.txt"
done
grep -qF "$(printf 'このページには' | iconv -f UTF-8 -t CP932)" "$work/want" ||
    { echo "FAIL the Japanese text is not in the result"; status=1; }
exit $status

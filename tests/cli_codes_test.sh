#!/usr/bin/env bash
# The vorlax filter's kanji-code options and its UTF-8 option texts.
#   cli_codes_test.sh VORLAX
set -eu
vorlax=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
# shellcheck source=tests/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# A text option given in UTF-8 is stored in CP932.
printf '<img src="a.png" alt="b">' |
    "$vorlax" --set SWimage=1 --set SWimageStr=3 --set 'AltString=【画像：%s】' - > "$work/out"
printf '【画像：b】\r\n' | iconv -f UTF-8 -t CP932 > "$work/want"
check_file "AltString in UTF-8" "$work/want" "$work/out"

# A text CP932 cannot hold, or that is not UTF-8, is a usage error.
for bad in '😀' '〜' "$(printf '\377')"; do
    code=0
    printf 'x' | "$vorlax" --set "AltString=$bad" - > /dev/null 2>&1 || code=$?
    check "AltString=$bad rejected: status" 2 "$code"
done

# The kanji code: detected by default, fixed by SWmcode, off with SWmcode_s=0.
printf '日本語 ｶﾅ' > "$work/utf8.html"
printf '日本語 ｶﾅ\r\n' | iconv -f UTF-8 -t CP932 > "$work/want"
"$vorlax" - < "$work/utf8.html" > "$work/out"
check_file "detected UTF-8" "$work/want" "$work/out"
"$vorlax" --set SWmcode=5 - < "$work/utf8.html" > "$work/out"
check_file "SWmcode=5" "$work/want" "$work/out"
iconv -f UTF-8 -t EUC-JP "$work/utf8.html" > "$work/euc.html"
"$vorlax" --set SWmcode=3 - < "$work/euc.html" > "$work/out"
check_file "SWmcode=3" "$work/want" "$work/out"
"$vorlax" --set SWmcode=2 - < "$work/euc.html" > "$work/out"
{ cat "$work/euc.html"; printf '\r\n'; } > "$work/want-euc"
check_file "SWmcode=2 overrides detection" "$work/want-euc" "$work/out"
"$vorlax" --set SWmcode_s=0 --set SWmcode=3 - < "$work/utf8.html" > "$work/out"
printf '日本語 ｶﾅ\r\n' > "$work/want"
check_file "SWmcode_s=0 copies the bytes" "$work/want" "$work/out"

# JIS X 0212: EUC-JP's code set 3 and JIS's ESC $ ( D, one character each,
# through the table's fallbacks; no byte of an escape or a tag is lost.
printf 'Català</a>, Español' | iconv -f UTF-8 -t EUC-JP > "$work/0212.euc"
printf 'Català</a>, Español' | iconv -f UTF-8 -t ISO-2022-JP-2 > "$work/0212.jis"
check_run "ESC \$ ( D in the JIS text" grep -q "$(printf '\033\$(D')" "$work/0212.jis"
printf 'Catala, Espanol\r\n' > "$work/want"
"$vorlax" --set SWmcode=3 - < "$work/0212.euc" > "$work/out"
check_file "JIS X 0212 in EUC-JP" "$work/want" "$work/out"
"$vorlax" --set SWmcode=1 - < "$work/0212.jis" > "$work/out"
check_file "JIS X 0212 in JIS" "$work/want" "$work/out"
"$vorlax" - < "$work/0212.jis" > "$work/out"
check_file "JIS X 0212 in JIS, detected" "$work/want" "$work/out"

# An undeclared page behind a 20 KB ASCII head converts as with its code
# fixed, from standard input and as a file.
i=0
while [ $i -lt 500 ]; do
    printf '<p>Home | Packages | Documentation, part %d</p>\n' $i
    i=$((i + 1))
done > "$work/head"
check_run "the head is over 20000 bytes" [ "$(wc -c < "$work/head")" -gt 20000 ]
printf '<h1>日本語のページ</h1><p>このページには、ふつうの文章と半角のｶﾅがあります。</p>' > "$work/body"
for code in 5:UTF-8 2:CP932 3:EUC-JP; do
    n=${code%%:*}
    { cat "$work/head"; iconv -f UTF-8 -t "${code#*:}" "$work/body"; } > "$work/page$n.html"
    "$vorlax" --set SWmcode=$n - < "$work/page$n.html" > "$work/want"
    "$vorlax" - < "$work/page$n.html" > "$work/out"
    check_file "${code#*:} behind an ASCII head, standard input" "$work/want" "$work/out"
    "$vorlax" "$work/page$n.html"
    check_file "${code#*:} behind an ASCII head, a file" "$work/want" "$work/page$n.txt"
done
check_run "the Japanese text is in the result" grep -qF "$(printf 'このページには' | iconv -f UTF-8 -t CP932)" "$work/want"
checks_done "cli codes"

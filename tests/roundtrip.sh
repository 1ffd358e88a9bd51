#!/usr/bin/env bash
# Round trip of a real Japanese page through every input code the converter
# reads: the page is encoded with iconv into Shift-JIS, EUC-JP, ISO-2022-JP,
# UTF-8 (HTML4 declaration, HTML5 declaration, signature, no declaration)
# and UTF-16 LE/BE with signature, each converted with automatic detection,
# and every result must be the very bytes of the Shift-JIS page's result.
#
# A character an encoding cannot carry is written as a numeric character
# reference in that encoding's page, as an author would. One EUC-JP page
# carries only two-byte characters (IBM extensions become references there
# too); another is written by iconv's EUC-JP, which writes some characters
# in JIS X 0212 (0x8F and two bytes: NUMERO SIGN, FULLWIDTH TILDE).
#
#   roundtrip.sh VORLAX DATA_DIR
set -eu
vorlax=$1
page=$2/sample.html
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
# shellcheck source=tests/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The distinct non-ASCII characters of the page.
grep -o '[^ -~]' "$page" | sort -u > "$work/chars"

# A sed script turning every character that $1 cannot carry (or, with $2
# set, carries in more than two bytes) into a reference.
references_for() {
    : > "$work/refs.sed"
    while IFS= read -r c; do
        bytes=$(printf '%s' "$c" | iconv -f UTF-8 -t "$1" 2>/dev/null | od -An -tx1 | tr -d ' \n') || bytes=
        if [ -z "$bytes" ] || { [ -n "${2:-}" ] && [ ${#bytes} -gt 4 ]; }; then
            hex=$(printf '%s' "$c" | iconv -f UTF-8 -t UTF-32BE | od -An -tx1 | tr -d ' \n' | sed 's/^0*//')
            printf 's/%s/\\&#x%s;/g\n' "$c" "$hex" >> "$work/refs.sed"
        fi
    done < "$work/chars"
}

encode() {  # encode NAME ICONV-CODE [two-byte-only]
    references_for "$2" "${3:-}"
    sed -f "$work/refs.sed" "$page" | iconv -f UTF-8 -t "$2" > "$work/$1.html" ||
        die "iconv cannot write $1"
}

encode sjis CP932
encode euc EUC-JP-MS two-byte
encode euc0212 EUC-JP
encode jis ISO-2022-JP
cp "$page" "$work/utf8-none.html"
sed 's|<!--charset-->|<META http-equiv="Content-Type" content="text/html; charset=UTF-8">|' \
    "$page" > "$work/utf8-html4.html"
sed 's|<!--charset-->|<meta charset="utf-8">|' "$page" > "$work/utf8-html5.html"
{ printf '\357\273\277'; cat "$page"; } > "$work/utf8-signature.html"
{ printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$page"; } > "$work/utf16le.html"
{ printf '\376\377'; iconv -f UTF-8 -t UTF-16BE "$page"; } > "$work/utf16be.html"

# The pages really are in their codes.
grep -q "$(printf '\033\$B')" "$work/jis.html" || die "no JIS kanji-in in the JIS page"
LC_ALL=C grep -q "$(printf '\217\242\361')" "$work/euc0212.html" || die "no JIS X 0212 in the EUC-JP page"
if iconv -f UTF-8 -t UTF-8 "$work/sjis.html" > /dev/null 2>&1; then die "Shift-JIS page is UTF-8"; fi
if iconv -f UTF-8 -t UTF-8 "$work/euc.html" > /dev/null 2>&1; then die "EUC-JP page is UTF-8"; fi

"$vorlax" - < "$work/sjis.html" > "$work/expected.txt"

# The reference result is the page itself in CP932: no "?" except the
# emoji's single "??", kana and NEC/IBM characters intact, CR LF line ends.
expect_in() {  # expect_in UTF8-TEXT
    printf '%s' "$1" | iconv -f UTF-8 -t CP932 > "$work/needle"
    check_run "the result holds: $1" grep -qF -f "$work/needle" "$work/expected.txt"
}
expect_in '絵文字：??。'
expect_in '丸数字：①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯⑰⑱⑲⑳'
expect_in 'ローマ数字：ⅠⅡⅢⅣⅤⅥⅦⅧⅨⅩ　ⅰⅱⅲⅳⅴⅵⅶⅷⅸⅹ'
expect_in '人名・地名の異体字：髙橋さん、山﨑さん、德田さん'
expect_in 'ＩＢＭ拡張記号：￤＇＂'
expect_in '半角カナ：ﾐﾄﾞﾘﾁｮｳﾘﾂ ﾄｼｮｶﾝ'
expect_in '火曜日～金曜日'
expect_in '(C) みどり町立図書館 & みどり町教育委員会'
check "the question marks in the result" "??" "$(tr -cd '?' < "$work/expected.txt")"
check "lines that end in CR LF" "$(tr -cd '\n' < "$work/expected.txt" | wc -c)" \
    "$(grep -c "$(printf '\r')\$" "$work/expected.txt")"

for name in euc euc0212 jis utf8-none utf8-html4 utf8-html5 utf8-signature utf16le utf16be; do
    "$vorlax" - < "$work/$name.html" > "$work/$name.txt"
    check_file "$name, as the Shift-JIS page's result" "$work/expected.txt" "$work/$name.txt"
done
checks_done roundtrip

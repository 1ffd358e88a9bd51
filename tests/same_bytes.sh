#!/usr/bin/env bash
# Two builds of the command line give the same bytes. The reference build is
# this machine's (char signed, x86-64); the other is built with char unsigned,
# or for another CPU and run by an emulator. Both convert the same pages under
# the same option sets, as file batches and through standard input, and every
# output must be identical.
#
# The pages: the fuzz seeds, the samples, the tests' pages, the benchmark
# page, a generated Japanese page in every input code, the real page's shape
# (an undeclared page behind a 20 KB ASCII head) in three codes, and random
# documents heavy in what the engine acts on (tags with and without align
# values, rules, lists, references, high bytes, JIS escapes, 0x8F triples).
#
#   same_bytes.sh REFERENCE OTHER [RUNNER...]
#   e.g. same_bytes.sh build/native/bin/vorlax build/aarch64/bin/vorlax qemu-aarch64 -L /usr/aarch64-linux-gnu
set -eu
reference=$1
other=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
# shellcheck source=tests/lib.sh
source "$root/tests/lib.sh"
pages=$work/pages
mkdir "$pages"

for f in "$root"/fuzz/corpus/* "$root"/samples/*.html "$root"/tests/data/*.html "$root"/bench/mixed.html; do
    cp "$f" "$pages/$(basename "$(dirname "$f")")-$(basename "$f")"
done

python3 "$root/tools/make_japanese_page.py" --size 200K --seed 19 > "$pages/japanese-utf8.html"
for code in SHIFT_JIS EUC-JP UTF-16; do
    iconv -f UTF-8 -t $code "$pages/japanese-utf8.html" > "$pages/japanese-$code.html"
done
# JIS with its half-width katakana (ESC ( I), which iconv's ISO-2022-JP lacks.
python3 -c 'import sys; sys.stdout.buffer.write(open(sys.argv[1], encoding="utf-8").read().encode("iso2022_jp_ext"))' \
    "$pages/japanese-utf8.html" > "$pages/japanese-JIS.html"

i=0
while [ $i -lt 500 ]; do
    printf '<p>Home | Packages | Documentation, part %d</p>\n' $i
    i=$((i + 1))
done > "$work/head"
printf '<h1>日本語のページ</h1><p>このページには、ふつうの文章と半角のｶﾅがあります。</p>\n' > "$work/body"
for code in UTF-8 CP932 EUC-JP; do
    { cat "$work/head"; iconv -f UTF-8 -t $code "$work/body"; } > "$pages/ascii-head-$code.html"
done

python3 - "$pages" <<'EOF'
import random
import sys

r = random.Random(19)
TAGS = ["<p>", "</p>", "<br>", "<hr>", "<h1>", "</h1>", "<h3 align=center>", "</h3>",
        "<center>", "</center>", "<div>", "</div>", "<div align=right>", "<div valign=top>",
        "<blockquote>", "<ul>", "</ul>", "<ol>", "</ol>", "<li>", "<dl>", "<dt>", "<dd>",
        "<pre>", "</pre>", "<xmp>", "</xmp>", "<table border=1>", "</table>", "<tr>", "<td>",
        "<th>", "<caption>", "<a href=\"http://example.com/x\">", "<a href=local.html>", "</a>",
        "<img src=a.gif alt=\"b c\">", "<img alt=x>", "<title>", "</title>", "<script>",
        "</script>", "<style>", "</style>", "<!-- c -->", "<!->", "<META content=\"x>y\">",
        "&amp;", "&copy;", "&nbsp;", "&#12354;", "&eacute;", "&#x41;", "&zz;", "&lt", "&",
        "<p align=left>", "<p align=center>", "<p align=right>", "<p align=junk>", "<p align=>",
        "<p align>", "<h2 align=\"RIGHT\">", "<div align=>", "<div align=x>", "<hr width=\"50%\">",
        "<hr width=-30%>", "<hr align=junk>", "<hr align=left width=10%>", "<hr align=right>",
        "</P align=center>", "<br/>", "<P/>", "<td valign=top>"]
WORDS = ["alpha", "beta", "gamma", "Home", "docs", "x", "a b", "  ", "\t", "\r\n", "\n", "\r"]
HIGH = [b"\x82\xa0", b"\xa4\xa2", b"\xe3\x81\x82", b"\x8e\xb1", b"\x8f\xab\xa2", b"\x8f\xb0\xa9",
        b"\xb1", b"\xff", b"\x80", b"\xa0", b"\xfc\xfc", b"\x1a", b"\x00"]
JIS = [b"\x1b$B", b"\x1b(B", b"\x1b$(D", b"\x1b(I", b"\x1bK", b"\x1bH", b"\x0e", b"\x0f", b"$\"+\""]
for n in range(300):
    out = []
    for _ in range(r.randrange(20, 600)):
        k = r.random()
        if k < 0.45:
            out.append(r.choice(TAGS).encode())
        elif k < 0.75:
            out.append(r.choice(WORDS).encode())
        elif k < 0.92:
            out.append(r.choice(HIGH))
        else:
            out.append(r.choice(JIS))
    with open(f"{sys.argv[1]}/random-{n:03d}.html", "wb") as f:
        f.write(b"".join(out))
EOF

count=$(ls "$pages" | wc -l)
sets=0
compare() {  # compare WHAT: the two output folders
    for f in "$work/ref"/*; do
        check_file "$1: $(basename "$f")" "$f" "$work/other/$(basename "$f")"
    done
    check "$1: the outputs" "$(ls "$work/ref")" "$(ls "$work/other")"
}
while IFS= read -r options; do
    sets=$((sets + 1))
    rm -rf "$work/ref" "$work/other"
    mkdir "$work/ref" "$work/other"
    # shellcheck disable=SC2086  # the options are words
    "$reference" $options -j 1 -o "$work/ref" "$pages"/* 2>/dev/null ||
        fail "the reference build, options '$options'"
    # shellcheck disable=SC2086
    "$@" "$other" $options -j 1 -o "$work/other" "$pages"/* 2>/dev/null ||
        fail "the other build, options '$options'"
    compare "files, options '${options:-(defaults)}'"
done <<'EOF'

--set SWqk=1 --set Column=40 --set SWlink=1 --set SWlink_e=0 --set SWlink_n=1 --set SWimage=1 --set SWimageStr=3 --set SWdiv=2 --set SWtableLeft=1
--set SWspcut=0 --set SWspcut2=0 --set SWendcr=0 --set SWeofcut=0 --set SWtitle=0 --set SWqk=1 --set Column=7 --set SWimage=1 --set SWimageStr=2
--set SWmcode=3 --set SWdiv=1 --set Column=300 --set SWlink=1
--set SWmcode=1 --set SWlink=1 --set SWimage=1 --set SWimageStr=0 --set SWdiv=3
EOF

# Standard input: the streamed conversion from a source that cannot start over.
rm -rf "$work/ref" "$work/other"
mkdir "$work/ref" "$work/other"
for f in "$pages"/japanese-* "$pages"/ascii-head-* "$pages"/random-00*; do
    "$reference" - < "$f" > "$work/ref/$(basename "$f")"
    "$@" "$other" - < "$f" > "$work/other/$(basename "$f")"
done
compare "standard input"

# An align value the engine does not know, inside CENTER: still centred.
printf '\r\n\r\n%38sabc\r\n\r\n' '' > "$work/want"
printf '<center><p align=junk>abc</p></center>' | "$@" "$other" - > "$work/got"
check_file "<p align=junk> inside CENTER, centred" "$work/want" "$work/got"

checks_done comparisons &&
    echo "same bytes: $count pages, $sets option sets and standard input, every output identical"

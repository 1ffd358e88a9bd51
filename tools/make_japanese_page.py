#!/usr/bin/env python3
"""Writes one large Japanese HTML page in UTF-8 to standard output.

The page mixes kanji, hiragana, katakana, half-width katakana, full-width
and ASCII punctuation, digits and Latin letters, character references and
ordinary markup (headings, paragraphs, lists, tables, links, images, PRE,
CENTER, HR), so a converter meets the same mix as on real Japanese pages.

Every character is one that both Shift-JIS and EUC-JP can hold (JIS X 0201
and JIS X 0208, none of the vendor extensions), so the output can be turned
into either with iconv:

    make_japanese_page.py --size 8M --charset Shift_JIS | iconv -f UTF-8 -t SHIFT_JIS

The text is pseudo-random but fixed by --seed: the same arguments always give
the same bytes, whatever the charset named in the page's META tag.
"""

import argparse
import random
import sys

KANJI = (
    "日本語文字変換表示機能設定画面入力出力情報処理方法作業時間年月週今度前後"
    "上下左右中外内大小高低長短新古多少自分他人会社学校先生学生電話番号住所"
    "名前東西南北京都大阪市町村区駅道路線車鉄電気水火木金土山川海空雨雪風花"
    "春夏秋冬朝昼夜明暗色白黒赤青緑茶音楽映画写真本屋店員客様品物価値段安全"
    "問題解答試験結果原因理由目的計画実行開始終了完成確認検索保存削除追加変更"
    "記事説明書類資料報告会議予定連絡相談送信受信返事手紙郵便局銀行病院医者薬"
    "国際政治経済社会文化歴史地理科学技術研究開発製造販売営業管理運用保守支援"
    "子供親兄弟姉妹家族友達恋愛結婚生活仕事休暇旅行料理食事飲物酒米肉魚野菜果"
)
HIRAGANA = ("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめも"
            "やゆよらりるれろわをんがぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ"
            "ゃゅょっ")
KATAKANA = ("アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモ"
            "ヤユヨラリルレロワヲンガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポ"
            "ャュョッヴー")
HALFWIDTH = "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝｧｨｩｪｫｬｭｮｯｰﾞﾟ｡｢｣､･"
PARTICLES = ["は", "が", "を", "に", "で", "と", "の", "へ", "から", "まで", "より", "も"]
ENDINGS = ["です", "ます", "でした", "ました", "である", "だった", "しません", "でしょう"]
PUNCT_END = ["。", "！", "？", "。", "。"]
FULLWIDTH = "０１２３４５６７８９ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ"
SYMBOLS = "、・「」『』（）【】〔〕〈〉《》…‥：；＝＋※○●◎△▲□■◇◆☆★→←↑↓〒々〆"
LATIN = ["HTML", "CP932", "Shift_JIS", "EUC-JP", "UTF-8", "Windows", "Linux", "OK", "No.1"]
REFS = ["&amp;", "&lt;", "&gt;", "&quot;", "&nbsp;", "&#x3042;", "&#12354;", "&copy;"]


def word(rng):
    kind = rng.random()
    if kind < 0.45:
        return "".join(rng.choice(KANJI) for _ in range(rng.randint(1, 4)))
    if kind < 0.70:
        return "".join(rng.choice(HIRAGANA) for _ in range(rng.randint(1, 5)))
    if kind < 0.85:
        return "".join(rng.choice(KATAKANA) for _ in range(rng.randint(2, 6)))
    if kind < 0.91:
        return "".join(rng.choice(HALFWIDTH) for _ in range(rng.randint(2, 6)))
    if kind < 0.95:
        return "".join(rng.choice(FULLWIDTH) for _ in range(rng.randint(1, 4)))
    if kind < 0.98:
        return rng.choice(LATIN)
    return rng.choice(REFS)


def sentence(rng):
    parts = []
    for _ in range(rng.randint(3, 9)):
        parts.append(word(rng) + rng.choice(PARTICLES))
        if rng.random() < 0.15:
            parts.append(rng.choice(SYMBOLS))
    text = "".join(parts) + word(rng) + rng.choice(ENDINGS) + rng.choice(PUNCT_END)
    roll = rng.random()
    if roll < 0.08:
        text = "<b>" + text + "</b>"
    elif roll < 0.14:
        text = '<a href="https://example.jp/%d.html">%s</a>' % (rng.randint(1, 9999), text)
    elif roll < 0.17:
        text = '<font color="red">%s</font>' % text
    return text


def paragraph(rng):
    return "<p>" + "".join(sentence(rng) for _ in range(rng.randint(2, 7))) + "</p>\n"


def block(rng, n):
    roll = rng.random()
    if roll < 0.55:
        return paragraph(rng)
    if roll < 0.62:
        return "<h%d>%d. %s</h%d>\n" % ((l := rng.randint(2, 4)), n, word(rng) + word(rng), l)
    if roll < 0.72:
        tag = rng.choice(["ul", "ol"])
        items = "".join("<li>%s\n" % sentence(rng) for _ in range(rng.randint(2, 6)))
        return "<%s>\n%s</%s>\n" % (tag, items, tag)
    if roll < 0.82:
        rows = []
        cols = rng.randint(2, 4)
        rows.append("<tr>" + "".join("<th>%s</th>" % word(rng) for _ in range(cols)) + "</tr>")
        for _ in range(rng.randint(2, 5)):
            rows.append("<tr>" + "".join("<td>%s</td>" % (word(rng) + word(rng))
                                         for _ in range(cols)) + "</tr>")
        return '<table border="1">\n' + "\n".join(rows) + "\n</table>\n"
    if roll < 0.87:
        lines = "\n".join("  %s　%s" % (word(rng), word(rng)) for _ in range(rng.randint(2, 5)))
        return "<pre>\n" + lines + "\n</pre>\n"
    if roll < 0.91:
        return '<center>%s</center>\n' % sentence(rng)
    if roll < 0.94:
        return '<hr width="%d%%">\n' % rng.choice([30, 50, 80, 100])
    if roll < 0.97:
        return '<p><img src="img/%d.png" alt="%s">%s</p>\n' % (
            rng.randint(1, 999), word(rng), sentence(rng))
    return "<blockquote>%s</blockquote>\n<br>\n" % sentence(rng)


def parse_size(text):
    factors = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    text = text.strip().upper()
    if text and text[-1] in factors:
        return int(float(text[:-1]) * factors[text[-1]])
    return int(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size", default="8M",
                        help="size of the UTF-8 page, with K/M/G suffix (default 8M)")
    parser.add_argument("--charset", default="UTF-8",
                        help="charset named in the META tag (default UTF-8)")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    args = parser.parse_args()
    target = parse_size(args.size)
    rng = random.Random(args.seed)

    out = sys.stdout.buffer
    head = ("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
            "<html lang=\"ja\">\n<head>\n"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=%s\">\n"
            "<title>日本語の試験頁　ﾃｽﾄﾍﾟｰｼﾞ</title>\n</head>\n<body>\n"
            "<h1>日本語変換の速度試験</h1>\n" % args.charset)
    tail = "<hr>\n<address>以上。</address>\n</body>\n</html>\n"
    written = 0
    data = head.encode("utf-8")
    out.write(data)
    written += len(data)
    limit = target - len(tail.encode("utf-8"))
    n = 1
    chunk = []
    chunk_len = 0
    while written + chunk_len < limit:
        piece = block(rng, n).encode("utf-8")
        n += 1
        chunk.append(piece)
        chunk_len += len(piece)
        if chunk_len > (1 << 20):
            out.write(b"".join(chunk))
            written += chunk_len
            chunk, chunk_len = [], 0
    out.write(b"".join(chunk))
    out.write(tail.encode("utf-8"))


if __name__ == "__main__":
    main()

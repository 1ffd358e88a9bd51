#!/usr/bin/env python3
"""The Unicode-to-CP932 table against a second, independent source: Python's
cp932 codec, over all 65,536 code points.

    cp932_python_check.py CP932_DUMP

CP932_DUMP is the tests' cp932_dump program; it prints the table's bytes for
every code point. The expected table is derived here from Python's cp932
decoder alone: every single byte and every lead/trail pair is decoded, and
where several codes decode to one code point the preferred group wins (single
bytes and JIS X 0208, then NEC special characters, then IBM extensions, then
NEC-selected IBM extensions). A code point no code decodes to must come out
as "?" or "??". The rows the table adds on purpose are listed with their
reason; a listed row that agrees with Python fails too, so the list stays exact.
"""

import subprocess
import sys

# Code points where the table deliberately gives something else than the codec.
LISTED = {0x0000: "U+0000 has no form", 0x3094: "hiragana vu gives katakana vu"}
# The Latin-1 fallbacks: letters without their accents, superscripts, and
# symbols CP932 has under another code point.
for first, last in [(0xA1, 0xA3), (0xA5, 0xA6), (0xA9, 0xAF), (0xB2, 0xB3), (0xB5, 0xB5),
                    (0xB7, 0xBB), (0xC0, 0xD6), (0xD8, 0xF6), (0xF8, 0xFF)]:
    for u in range(first, last + 1):
        LISTED[u] = "Latin-1 fallback"


def group(code):
    """0 single byte or JIS X 0208, 1 NEC special, 2 IBM extension,
    3 NEC-selected IBM extension, 4 user-defined area and the rest."""
    if code < 0x100:
        return 0
    lead = code >> 8
    if 0x81 <= lead <= 0x84 or 0x88 <= lead <= 0x9F or 0xE0 <= lead <= 0xEA:
        return 0
    if lead == 0x87:
        return 1
    if 0xFA <= lead <= 0xFC:
        return 2
    if lead in (0xED, 0xEE):
        return 3
    return 4


def code_bytes(code):
    return bytes([code]) if code < 0x100 else bytes([code >> 8, code & 0xFF])


def expected_table():
    """Code point -> the bytes of its preferred code, from the decoder alone."""
    codes = list(range(0x100))
    for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD)):
        for trail in list(range(0x40, 0x7F)) + list(range(0x80, 0xFD)):
            codes.append(lead << 8 | trail)
    best = {}
    for code in codes:
        try:
            text = code_bytes(code).decode("cp932")
        except UnicodeDecodeError:
            continue
        if len(text) != 1:
            continue
        u = ord(text)
        if u in best and group(best[u]) == group(code):
            sys.exit(f"two codes of one group decode to U+{u:04X}: {best[u]:X} {code:X}")
        if u not in best or group(code) < group(best[u]):
            best[u] = code
    return {u: code_bytes(code) for u, code in best.items()}


def main():
    dump = subprocess.run([sys.argv[1]], capture_output=True, text=True, check=True).stdout
    table = {}
    for line in dump.splitlines():
        fields = line.split()
        table[int(fields[0], 16)] = bytes(int(x, 16) for x in fields[1:])
    if sorted(table) != list(range(0x10000)):
        sys.exit("the dump does not hold every code point once")

    expected = expected_table()
    wrong = []
    for u in range(0x10000):
        ours, theirs = table[u], expected.get(u)
        if u in LISTED:
            if ours == theirs:
                wrong.append(f"U+{u:04X} listed ({LISTED[u]}) but agrees: {ours.hex()}")
        elif theirs is None:
            if ours not in (b"?", b"??"):
                wrong.append(f"U+{u:04X} table {ours.hex()}, the codec has no code")
        elif ours != theirs:
            wrong.append(f"U+{u:04X} table {ours.hex()}, codec {theirs.hex()}")
    mapped = sum(1 for u in range(0x10000) if expected.get(u) == table[u])
    if wrong:
        print("\n".join(wrong[:50]))
        sys.exit(f"{len(wrong)} code points differ from Python's cp932")
    print(f"65536 code points checked, {mapped} mapped as Python's cp932 maps them, "
          f"{len(LISTED)} listed additions")


if __name__ == "__main__":
    main()

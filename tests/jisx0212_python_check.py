#!/usr/bin/env python3
"""The JIS X 0212 table against a second, independent source: Python's euc_jp
codec (code set 3: 0x8F and two bytes), and its iso2022_jp_1 codec (ESC $ ( D
and two bytes), over all 94 x 94 codes.

    jisx0212_python_check.py CP932_DUMP

CP932_DUMP is the tests' cp932_dump program; with the argument "jisx0212" it
prints the table's code point for every code. A code the codecs refuse must
have none (0000). The rows where the table's source, glibc's EUC-JP decoder,
differs from Python are listed with their reason; a listed row that agrees
with Python fails too, so the list stays exact.
"""

import subprocess
import sys

LISTED = {
    0x2237: "TILDE: glibc gives U+FF5E FULLWIDTH TILDE, as a character of a "
            "double-byte set; Python gives U+007E",
}


def decoded(data, codec):
    try:
        text = data.decode(codec)
    except UnicodeDecodeError:
        return None
    return ord(text) if len(text) == 1 else -1


def main():
    dump = subprocess.run([sys.argv[1], "jisx0212"], capture_output=True, text=True,
                          check=True).stdout
    table = {}
    for line in dump.splitlines():
        code, point = line.split()
        table[int(code, 16)] = int(point, 16)
    codes = [row << 8 | cell for row in range(0x21, 0x7F) for cell in range(0x21, 0x7F)]
    if sorted(table) != codes:
        sys.exit("the dump does not hold every code once")

    wrong = []
    mapped = 0
    for code in codes:
        row, cell = code >> 8, code & 0xFF
        euc = decoded(bytes([0x8F, row | 0x80, cell | 0x80]), "euc_jp")
        jis = decoded(b"\x1b$(D" + bytes([row, cell]) + b"\x1b(B", "iso2022_jp_1")
        if euc != jis:
            wrong.append(f"{code:04X}: Python's two codecs differ ({euc}, {jis})")
            continue
        ours = table[code]
        if code in LISTED:
            if ours == euc:
                wrong.append(f"{code:04X} listed ({LISTED[code]}) but agrees: U+{ours:04X}")
        elif euc is None:
            if ours != 0:
                wrong.append(f"{code:04X} table U+{ours:04X}, the codec has no character")
        elif ours != euc:
            wrong.append(f"{code:04X} table U+{ours:04X}, codec U+{euc:04X}")
        else:
            mapped += 1
    if wrong:
        print("\n".join(wrong[:50]))
        sys.exit(f"{len(wrong)} codes differ from Python's euc_jp")
    print(f"{len(codes)} codes checked, {mapped} mapped as Python's euc_jp and iso2022_jp_1 "
          f"map them, {len(LISTED)} listed")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the program icon (resources/vorlax.ico: 16, 20, 24, 32, 40, 48 and
64 pixels square, the small and large icon sizes at 100, 125, 150 and 200 %
of 96 DPI, so no screen gets a stretched one; 32-bit colour with alpha) and the hand cursor of the link labels
(resources/hand.cur: 32x32, monochrome). Run it again after changing a
drawing; the files it writes are committed."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources")

# Colours, RGBA.
CLEAR = (0, 0, 0, 0)
EDGE = (40, 60, 110, 255)
PAGE = (250, 250, 245, 255)
FOLD = (200, 210, 230, 255)
TAG = (30, 90, 200, 255)
TEXT = (90, 90, 90, 255)
ARROW = (230, 120, 20, 255)


def page_icon(n):
    """A page with a folded corner, "<>" on its upper half (the HTML) and
    text lines below, an orange arrow between them: HTML becomes text."""
    px = [[CLEAR] * n for _ in range(n)]
    s = n / 32.0

    def box(x0, y0, x1, y1, c):
        for y in range(int(y0 * s), max(int(y0 * s) + 1, int(y1 * s))):
            for x in range(int(x0 * s), max(int(x0 * s) + 1, int(x1 * s))):
                if 0 <= x < n and 0 <= y < n:
                    px[y][x] = c

    left, top, right, bottom, fold = 5, 1, 27, 31, 7
    box(left, top, right - fold, bottom, PAGE)
    box(right - fold, top + fold, right, bottom, PAGE)
    for i in range(int(fold * s)):  # the folded corner
        for j in range(i + 1):
            x, y = int((right - fold) * s) + j, int(top * s) + i
            if x < n and y < n:
                px[y][x] = FOLD
    # Outline.
    for y in range(int(top * s), int(bottom * s)):
        px[y][int(left * s)] = EDGE
        if y >= int((top + fold) * s):
            px[y][int(right * s) - 1] = EDGE
    for x in range(int(left * s), int(right * s)):
        px[int(bottom * s) - 1][x] = EDGE
        if x < int((right - fold) * s):
            px[int(top * s)][x] = EDGE
    for i in range(int(fold * s)):
        x, y = int((right - fold) * s) + i, int(top * s) + i
        if x < n and y < n:
            px[y][x] = EDGE
    for x in range(int((right - fold) * s), int(right * s)):
        px[int((top + fold) * s)][x] = EDGE
    # "<" and ">" in blue.
    for i in range(int(4 * s) + 1):
        y_up, y_dn = int(11 * s) - i, int(11 * s) + i
        for x in (int(9 * s) + i, int(22 * s) - i):
            for y in (y_up, y_dn):
                if 0 <= y < n:
                    px[y][x] = TAG
                    if s > 0.9 and x + 1 < n:
                        px[y][x + 1] = TAG
    # The arrow pointing down, between the tags and the lines.
    box(15, 7, 17, 17, ARROW)
    for i in range(int(4 * s) + 1):
        box(16 - 4 + i * (1 / s), 17 + i * (1 / s), 16 + 4 - i * (1 / s), 18 + i * (1 / s), ARROW)
    # Text lines.
    for y, x1 in ((23, 23), (26, 20), (29, 23)):
        if int(y * s) < int(bottom * s) - 1:
            box(9, y, x1, y + 1.4, TEXT)
    return px


def ico_image(px):
    """One image of an .ico: BITMAPINFOHEADER (double height), BGRA rows
    bottom-up, then the AND mask."""
    n = len(px)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b"".join(bytes((b, g, r, a)) for y in reversed(range(n)) for (r, g, b, a) in px[y])
    stride = ((n + 31) // 32) * 4
    mask = b""
    for y in reversed(range(n)):
        row = bytearray(stride)
        for x in range(n):
            if px[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    return header + rows + mask


def write_ico(path, images):
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for px in images:
        blob = ico_image(px)
        n = len(px)
        data += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    with open(path, "wb") as f:
        f.write(data + b"".join(blobs))


# The hand: "#" black outline, "." white inside, anything else clear.
HAND = """
      ##
     #..#
     #..#
     #..#
     #..#
     #..###
     #..#..###
     #..#..#..##
  ## #..#..#..#.#
 #..##........#..#
 #...#...........#
  #..............#
   #.............#
   #.............#
    #...........#
    #...........#
     #.........#
     #.........#
     ###########
"""


def write_cursor(path):
    lines = HAND.strip("\n").split("\n")
    n = 32
    stride = 4
    xor = bytearray(stride * n)
    andm = bytearray(b"\xff" * (stride * n))
    for y, line in enumerate(lines):
        for x, c in enumerate(line):
            if c not in "#.":
                continue
            row = n - 1 - y  # bottom-up
            andm[row * stride + x // 8] &= ~(0x80 >> (x % 8)) & 0xFF
            if c == ".":
                xor[row * stride + x // 8] |= 0x80 >> (x % 8)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    blob = header + palette + bytes(xor) + bytes(andm)
    hotspot = (6, 0)
    data = struct.pack("<HHH", 0, 2, 1)
    data += struct.pack("<BBBBHHII", n, n, 2, 0, hotspot[0], hotspot[1], len(blob), 22)
    with open(path, "wb") as f:
        f.write(data + blob)


def main():
    write_ico(os.path.join(OUT, "vorlax.ico"), [page_icon(n) for n in (16, 20, 24, 32, 40, 48, 64)])
    write_cursor(os.path.join(OUT, "hand.cur"))
    return 0


if __name__ == "__main__":
    sys.exit(main())

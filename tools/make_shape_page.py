#!/usr/bin/env python3
"""Writes one large page of a shape that takes the engine off its usual road,
for the benchmarks: seeded, so every run gets the same bytes.

  title  a TITLE that is never closed: the whole page is its content
         (words, line breaks and "<p>" tags), kept as title text
  rows   a table of small rows: "<tr><td>N</td><td>word</td><td>word</td></tr>"
"""
import argparse
import random
import sys

WORDS = "the quick brown fox jumps over lazy dog alpha beta gamma delta".split()


def size(text):
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    return int(text[:-1]) * units[text[-1].upper()] if text[-1].upper() in units else int(text)


def title(rng, limit, out):
    out.write("<html><head><title>")
    written = 0
    while written < limit:
        line = " ".join(rng.choice(WORDS) for _ in range(12)) + "\n"
        if rng.random() < 0.2:
            line = "<p>" + line
        out.write(line)
        written += len(line)


def rows(rng, limit, out):
    out.write("<html><body><table>\n")
    written, n = 0, 0
    while written < limit:
        row = "<tr><td>%d</td><td>%s</td><td>%s</td></tr>\n" % (n, rng.choice(WORDS), rng.choice(WORDS))
        out.write(row)
        written += len(row)
        n += 1
    out.write("</table></body></html>\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--shape", choices=["title", "rows"], required=True)
    parser.add_argument("--size", default="96M", help="bytes of content, K/M/G suffixes")
    parser.add_argument("--seed", type=int, default=7)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    out = open(sys.stdout.fileno(), "w", encoding="ascii", newline="", buffering=1 << 20)
    {"title": title, "rows": rows}[args.shape](rng, size(args.size), out)
    out.flush()


if __name__ == "__main__":
    main()

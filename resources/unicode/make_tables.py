#!/usr/bin/env python3
"""Regenerate case_folding.tsv and wide.tsv from the Unicode character database.

Usage:
    python3 make_tables.py [UCD_DIR] [OUTDIR]

UCD_DIR  folder holding CaseFolding.txt and EastAsianWidth.txt (default: /usr/share/unicode,
         where Debian's package unicode-data puts them)
OUTDIR   where to write the two TSV files (default: this folder)
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# Blocks whose unlisted code points EastAsianWidth.txt gives the default width W.
DEFAULT_WIDE = [(0x3400, 0x4DBF), (0x4E00, 0x9FFF), (0xF900, 0xFAFF), (0x20000, 0x2FFFD), (0x30000, 0x3FFFD)]


def data_lines(path):
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                yield [field.strip() for field in line.split(";")]


def simple_case_folding(ucd):
    """Code point -> folded code point, statuses C and S (simple case folding)."""
    rows = []
    for code, status, mapping, *_ in data_lines(os.path.join(ucd, "CaseFolding.txt")):
        if status in ("C", "S"):
            rows.append((int(code, 16), int(mapping, 16)))
    return sorted(rows)


def wide_ranges(ucd):
    """Ranges of code points that take two cells: East Asian width W or F."""
    ranges = list(DEFAULT_WIDE)
    for code, width, *_ in data_lines(os.path.join(ucd, "EastAsianWidth.txt")):
        if width in ("W", "F"):
            first, _, last = code.partition("..")
            ranges.append((int(first, 16), int(last or first, 16)))
    ranges.sort()
    merged = []
    for first, last in ranges:
        if merged and first <= merged[-1][1] + 1:
            merged[-1] = (merged[-1][0], max(merged[-1][1], last))
        else:
            merged.append((first, last))
    return merged


def write_tsv(path, header, rows):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\t".join(header) + "\n")
        for a, b in rows:
            f.write("0x%04X\t0x%04X\n" % (a, b))


def main():
    ucd = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/unicode"
    out = sys.argv[2] if len(sys.argv) > 2 else HERE
    write_tsv(os.path.join(out, "case_folding.tsv"), ("codepoint", "folded"), simple_case_folding(ucd))
    write_tsv(os.path.join(out, "wide.tsv"), ("first", "last"), wide_ranges(ucd))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the GB2312 syllable table of the pinyin converter from the Unicode Han database.

Inputs are the Unihan files that Debian's unicode-data package ships: kGB0 (the GB2312 row and
cell of each character) from Unihan_OtherMappings, and the Mandarin readings from
Unihan_Readings. Output is a C++ include file with:

- the syllables, upper-case ASCII with "V" for u-umlaut;
- the level-1 ranges (rows 16-55): GB2312 orders these characters by pinyin, so each syllable
  holds one run of consecutive codes. A polyphonic character sits in the run of the reading that
  GB2312 filed it under, which is not always its most common reading; the runs are therefore
  found as the non-decreasing assignment of syllables (in pinyin order) that keeps the most
  characters on their most common reading and puts every other character on one of its readings;
- the level-2 characters (rows 56-87), ordered by radical: each with its most common reading.
"""

import argparse
import bz2
import collections
import sys
import unicodedata

LEVEL1 = (1601, 5589)
LEVEL2 = (5601, 8794)
NONE = 0xFFFF


def read_unihan(path, wanted):
    values = collections.defaultdict(dict)
    with bz2.open(path, "rt", encoding="utf-8") as lines:
        for line in lines:
            if not line.startswith("U+"):
                continue
            code, field, value = line.rstrip("\n").split("\t", 2)
            if field in wanted:
                values[int(code[2:], 16)][field] = value
    return values


def syllable(reading):
    """'lǜ' -> 'LV', 'zhāng' -> 'ZHANG'; lüe and nüe are spelled LUE and NUE."""
    plain = ""
    for ch in unicodedata.normalize("NFD", reading):
        if ch == "\u0308" and plain.endswith("u"):
            plain = plain[:-1] + "v"
        elif not unicodedata.combining(ch):
            plain += ch
    plain = plain.upper()
    return {"LVE": "LUE", "NVE": "NUE"}.get(plain, plain)


def readings(fields):
    """The most common reading and the set of all readings of one character."""
    common = [syllable(r) for r in fields.get("kMandarin", "").split()]
    every = set(common)
    for name in ("kHanyuPinyin", "kXHC1983", "kTGHZ2013"):
        for entry in fields.get(name, "").split():
            for r in entry.split(":")[-1].split(","):
                if r:
                    every.add(syllable(r))
    for entry in fields.get("kHanyuPinlu", "").split():
        every.add(syllable(entry.split("(")[0]))
    return (common[0] if common else None), every


def pinyin_order(name):
    # u-umlaut sorts right after u: LU, LV, LUAN.
    return name.replace("V", "U\x01")


def level1_runs(chars):
    """chars: [(code, common, every)] in code order -> [(first, last, syllable)]."""
    names = sorted({s for _, c, e in chars for s in e | {c} if s}, key=pinyin_order)
    far = 1000  # a character placed on a syllable that none of its readings has
    previous = [0] * len(names)
    choices = []
    for _, common, every in chars:
        best, best_at = None, 0
        current, came_from = [], []
        for i, name in enumerate(names):
            if best is None or previous[i] < best:
                best, best_at = previous[i], i
            cost = 0 if name == common else 1 if name in every else far
            current.append(best + cost)
            came_from.append(best_at)
        choices.append(came_from)
        previous = current
    at = min(range(len(names)), key=lambda i: previous[i])
    if previous[at] >= far:
        sys.exit("level 1: a character has none of its readings in the pinyin order")
    assigned = [0] * len(chars)
    for k in range(len(chars) - 1, -1, -1):
        assigned[k] = at
        at = choices[k][at]
    runs = []
    for (code, _, _), i in zip(chars, assigned):
        if runs and runs[-1][2] == names[i]:
            runs[-1][1] = code
        else:
            runs.append([code, code, names[i]])
    if len({r[2] for r in runs}) != len(runs):
        sys.exit("level 1: a syllable would need two ranges")
    return runs


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--mappings", required=True, help="Unihan_OtherMappings.txt.bz2")
    parser.add_argument("--readings", required=True, help="Unihan_Readings.txt.bz2")
    parser.add_argument("--output", required=True)
    args = parser.parse_args()

    gb = {}
    for cp, fields in read_unihan(args.mappings, {"kGB0"}).items():
        gb[int(fields["kGB0"])] = cp
    spoken = read_unihan(args.readings,
                         {"kMandarin", "kHanyuPinyin", "kXHC1983", "kTGHZ2013", "kHanyuPinlu"})

    level1 = [(code, *readings(spoken.get(gb[code], {})))
              for code in sorted(gb) if LEVEL1[0] <= code <= LEVEL1[1]]
    runs = level1_runs(level1)
    level2 = {}
    for code in sorted(gb):
        if LEVEL2[0] <= code <= LEVEL2[1]:
            common, _ = readings(spoken.get(gb[code], {}))
            if common:
                level2[code] = common
    if len(level1) < 3700 or len(level2) < 3000:
        sys.exit("the Han database lacks GB2312 characters")

    names = sorted({r[2] for r in runs} | set(level2.values()), key=pinyin_order)
    index = {n: i for i, n in enumerate(names)}
    rows = LEVEL2[1] // 100 - LEVEL2[0] // 100 + 1
    cells = [NONE] * (rows * 94)
    for code, name in level2.items():
        cells[(code // 100 - LEVEL2[0] // 100) * 94 + code % 100 - 1] = index[name]

    out = ["// Generated by util/pinyin/make_gb2312_pinyin.py from the Unicode Han database.",
           "// Do not edit; change the script instead.", "",
           "inline constexpr const char* kSyllables[] = {"]
    for i in range(0, len(names), 10):
        out.append("    " + " ".join('"%s",' % n for n in names[i:i + 10]))
    out.append("};")
    out.append("")
    out.append("// Level 1: [first, last] code ranges, one per syllable, in code order.")
    out.append("inline constexpr Gb2312Range kLevel1Ranges[] = {")
    for first, last, name in runs:
        out.append("    {%d, %d, %d},  // %s" % (first, last, index[name], name))
    out.append("};")
    out.append("")
    out.append("// Level 2: the syllable of each cell of rows %d to %d (0x%X: none)." %
               (LEVEL2[0] // 100, LEVEL2[1] // 100, NONE))
    out.append("inline constexpr std::uint16_t kLevel2Cells[%d] = {" % len(cells))
    for i in range(0, len(cells), 16):
        out.append("    " + " ".join("%d," % c for c in cells[i:i + 16]))
    out.append("};")
    with open(args.output, "w", encoding="ascii") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes core/case_folding_table.inc: Unicode's simple case folding (one
character to one), as runs of characters that fold by the same offset, every
character or every second one. Run it again when Python's Unicode version
moves on; the table is kept in the tree so that the build needs no Python.

    tools/make_case_folding.py > core/case_folding_table.inc
    tools/make_case_folding.py --pairs     each character that folds, and what to"""
import sys
import unicodedata


def simple_fold(c):
    """The character c folds to on its own: its full folding where that is one
    character, else its lower case where that is one (as U+1E9E to U+00DF),
    else itself."""
    full = c.casefold()
    if len(full) == 1:
        return full
    lower = c.lower()
    return lower if len(lower) == 1 else c


def runs():
    folds = [(cp, ord(simple_fold(chr(cp))) - cp) for cp in range(0x110000)
             if not 0xD800 <= cp <= 0xDFFF and simple_fold(chr(cp)) != chr(cp)]
    out = []  # [first, last, delta, step]
    for cp, delta in folds:
        if out:
            first, last, d, step = out[-1]
            if d == delta and (cp - last == step or (first == last and cp - last in (1, 2))):
                out[-1] = [first, cp, d, cp - last if first == last else step]
                continue
        out.append([cp, cp, delta, 1])
    return out


def main():
    if sys.argv[1:] == ["--pairs"]:  # every character that folds, and what to: what the tests check the table by
        for cp in range(0x110000):
            if not 0xD800 <= cp <= 0xDFFF and simple_fold(chr(cp)) != chr(cp):
                print(f"{cp:X} {ord(simple_fold(chr(cp))):X}")
        return 0
    table = runs()
    print(f"// Made by tools/make_case_folding.py from Unicode {unicodedata.unidata_version}: {len(table)} runs of")
    print("// {first, last, offset, step}: each character from first to last, every step-th,")
    print("// folds to itself plus offset.")
    for first, last, delta, step in table:
        print(f"{{0x{first:04X}, 0x{last:04X}, {delta}, {step}}},")


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Draws the program's icon: a plain white window with a cyan title bar, as
one icon file of three images (32x32 at 1 and at 4 bits a pixel, 16x16 at 4).

Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

# The 16 colours of the standard 4-bit palette, as B, G, R, 0.
PALETTE16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
             (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
             (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, CYAN, WHITE, GREY = 0, 14, 15, 8  # indices (CYAN is B255 G255 R0)


def window_picture(size):
    """Palette indices, top row first, and a mask (1 = transparent)."""
    bar = max(3, size // 6)
    margin = size // 16
    rows, mask = [], []
    for y in range(size):
        row, mrow = [], []
        for x in range(size):
            inside = margin <= x < size - margin and margin * 2 <= y < size - margin
            if not inside:
                row.append(BLACK)
                mrow.append(1)
                continue
            edge = x in (margin, size - margin - 1) or y in (margin * 2, size - margin - 1)
            row.append(BLACK if edge else CYAN if y < margin * 2 + bar else WHITE)
            mrow.append(0)
        rows.append(row)
        mask.append(mrow)
    return rows, mask


def pack_bits(bits, bpp):
    out = bytearray()
    acc, count = 0, 0
    for b in bits:
        acc = (acc << bpp) | b
        count += bpp
        if count == 8:
            out.append(acc)
            acc, count = 0, 0
    if count:
        out.append(acc << (8 - count))
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def image(size, bpp):
    rows, mask = window_picture(size)
    if bpp == 1:
        palette = [(0, 0, 0), (255, 255, 255)]
        rows = [[1 if p == WHITE else 0 for p in row] for row in rows]
    else:
        palette = PALETTE16
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, len(palette), 0)
    pal = b"".join(bytes((r_b[2], r_b[1], r_b[0], 0)) for r_b in palette)
    xor = b"".join(pack_bits(row, bpp) for row in reversed(rows))
    andm = b"".join(pack_bits(row, 1) for row in reversed(mask))
    return header + pal + xor + andm, len(palette)


def main():
    images = [(32, 1), (32, 4), (16, 4)]
    blobs = [image(size, bpp) for size, bpp in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bpp), (blob, colours) in zip(images, blobs):
        out += struct.pack("<BBBBHHII", size, size, colours if colours < 256 else 0, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    out += b"".join(blob for blob, _ in blobs)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the close picture's two looks as 21x21, 24-bit BMP files.

normal:  a rounded red square, light orange-red at the top left running to a
         deep red at the bottom right, a white diagonal cross, a white rim with
         beige corners and a light highlight along the inner top and left edge.
pressed: the same shape, darker, with a soft pink cross and no highlight.

Usage: make_close_images.py OUTPUT_DIR   (writes close-normal.bmp, close-pressed.bmp)
"""
import struct
import sys
from pathlib import Path

SIZE = 21
BEIGE = (236, 233, 216)
WHITE = (255, 255, 255)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def draw(top_left, bottom_right, cross, highlight):
    pixels = [[WHITE] * SIZE for _ in range(SIZE)]
    last = SIZE - 1
    for y in range(SIZE):
        for x in range(SIZE):
            on_rim = x in (0, last) or y in (0, last)
            if on_rim:
                # The corner pixel and its two neighbours on the rim are beige.
                corner_x = min(x, last - x)
                corner_y = min(y, last - y)
                if corner_x + corner_y <= 1:
                    pixels[y][x] = BEIGE
                else:
                    pixels[y][x] = (250, 250, 250) if (x + y) % 2 else WHITE
                continue
            colour = mix(top_left, bottom_right, (x - 1 + y - 1) / (2 * (last - 2)))
            if highlight and (x == 1 or y == 1):
                colour = mix(colour, WHITE, 0.45)
            if 5 <= x <= 15 and 5 <= y <= 15 and (abs(x - y) <= 1 or abs(x + y - last) <= 1):
                colour = cross
            pixels[y][x] = colour
    return pixels


def bmp(pixels):
    row_bytes = (SIZE * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        data += line + bytes(row_bytes - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    return header + info + bytes(data)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    normal = draw((239, 163, 144), (170, 35, 0), WHITE, highlight=True)
    pressed = draw((89, 28, 13), (195, 65, 30), (221, 152, 135), highlight=False)
    for name, pixels in (("close-normal.bmp", normal), ("close-pressed.bmp", pressed)):
        blob = bmp(pixels)
        assert len(blob) == 1398, len(blob)
        (out / name).write_bytes(blob)


if __name__ == "__main__":
    main()

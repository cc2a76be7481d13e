#!/usr/bin/env python3
"""Draws the shaped form's sample picture: a shaded ring with a small moon beside
it on a magenta background (the colour that becomes holes, as it fills the
bottom-left corner). Writes a 24-bit BMP to the path given."""
import math
import struct
import sys

WIDTH, HEIGHT = 220, 160
KEY = (255, 0, 255)


def pixel(x, y):
    # The ring: shaded from warm orange at the top to deep red at the bottom.
    d = math.hypot(x - 80, y - 80)
    if 38 <= d < 72:
        t = y / HEIGHT
        edge = 40 if d < 41 or d >= 69 else 0  # a darker rim on both edges
        return (max(0, 250 - int(120 * t) - edge), max(0, 170 - int(150 * t) - edge), 40)
    # The moon: a disc with a bite taken out of it.
    if math.hypot(x - 180, y - 40) < 26 and math.hypot(x - 192, y - 32) >= 20:
        return (200, 215, 240)
    return KEY


def bmp(width, height, colour_at):
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):  # BMP rows are stored bottom first
        row = bytearray()
        for x in range(width):
            r, g, b = colour_at(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_sample.py OUTPUT.bmp")
    with open(sys.argv[1], "wb") as f:
        f.write(bmp(WIDTH, HEIGHT, pixel))

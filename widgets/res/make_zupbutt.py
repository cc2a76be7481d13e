#!/usr/bin/env python3
"""Draws the bitmap button's key pictures and writes zupbutt.rc naming them.

Usage: make_zupbutt.py OUTDIR

Small, Medium and Big keys are rounded keys on a black surround: bright blue when
down ("...ON"), dark navy when up ("...OFF"). GREYKEYOFF is a flat grey key whose
corner pixels are RGB(64, 64, 64) and which holds no pure white pixel.
"""
import os
import struct
import sys

HEIGHT = 22
BLACK = (0, 0, 0)


def write_bmp(path, pixels):
    """Writes rows of (r, g, b) tuples, top row first, as a 24-bit BMP."""
    height = len(pixels)
    width = len(pixels[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):  # BMP rows are stored bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def inside_rounded(x, y, left, top, right, bottom, radius):
    """True when pixel (x, y) lies in the rounded rectangle [left, right] x [top, bottom]."""
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    dx = x - cx
    dy = y - cy
    return dx * dx + dy * dy <= radius * radius + radius


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def rounded_key(width, top_colour, bottom_colour, rim_colour, shine_colour):
    """A key inset by one pixel, with a rim, a vertical ramp and a shine line."""
    left, top, right, bottom = 1, 1, width - 2, HEIGHT - 2
    radius = 4
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(width):
            if not inside_rounded(x, y, left, top, right, bottom, radius):
                row.append(BLACK)
                continue
            edge = not (
                inside_rounded(x - 1, y, left, top, right, bottom, radius)
                and inside_rounded(x + 1, y, left, top, right, bottom, radius)
                and inside_rounded(x, y - 1, left, top, right, bottom, radius)
                and inside_rounded(x, y + 1, left, top, right, bottom, radius)
            )
            if edge:
                row.append(rim_colour)
            elif y == top + 2 and left + radius <= x <= right - radius:
                row.append(shine_colour)
            else:
                row.append(mix(top_colour, bottom_colour, (y - top) / (bottom - top)))
        rows.append(row)
    return rows


def grey_key():
    width, height = 135, 17
    face = (120, 120, 120)
    light = (176, 176, 176)
    shade = (84, 84, 84)
    corner = (64, 64, 64)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            if (x in (0, width - 1)) and (y in (0, height - 1)):
                row.append(corner)
            elif y == 0 or x == 0:
                row.append(light)
            elif y == height - 1 or x == width - 1:
                row.append(shade)
            else:
                row.append(face)
        rows.append(row)
    return rows


def pictures():
    down = dict(top_colour=(96, 160, 255), bottom_colour=(16, 72, 232), rim_colour=(8, 40, 160),
                shine_colour=(176, 208, 255))
    up = dict(top_colour=(24, 32, 112), bottom_colour=(6, 10, 64), rim_colour=(40, 48, 128),
              shine_colour=(56, 72, 152))
    out = {}
    for width in (39, 59, 118):
        out["BUTTON%dON" % width] = rounded_key(width, **down)
        out["BUTTON%dOFF" % width] = rounded_key(width, **up)
    out["GREYKEYOFF"] = grey_key()
    return out


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_zupbutt.py OUTDIR")
    outdir = os.path.abspath(sys.argv[1])
    os.makedirs(outdir, exist_ok=True)
    lines = ["// Drawn by make_zupbutt.py; do not edit."]
    for name, rows in pictures().items():
        path = os.path.join(outdir, name + ".bmp")
        write_bmp(path, rows)
        lines.append('%s BITMAP "%s"' % (name, path.replace("\\", "/")))
    with open(os.path.join(outdir, "zupbutt.rc"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the slider's pictures: 18 thumbs, their 18 masks and the hand cursor.

Usage: make_slidebar.py OUTDIR
Writes OUTDIR/slidebar/*.bmp, OUTDIR/slidebar/HandPointer.cur and OUTDIR/slidebar.rc.

Thumbs are 16-colour bitmaps drawn in black, grey, silver and white, black outside their
shape, so that OR-ing them onto a background that the mask has cleared shows the shape only.
Masks are black where the thumb is opaque and white elsewhere.
"""
import os
import struct
import sys

# The standard 16-colour palette; only black, grey, silver and white are used.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (128, 128, 128),
    (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREY, SILVER, WHITE = 0, 7, 8, 15


def bmp16(pixels):
    """A 4-bit BMP file of rows of palette indices, top row first."""
    height, width = len(pixels), len(pixels[0])
    stride = ((width * 4 + 31) // 32) * 4
    rows = []
    for row in reversed(pixels):  # stored bottom-up
        packed = bytearray(stride)
        for x, c in enumerate(row):
            packed[x // 2] |= c << (4 if x % 2 == 0 else 0)
        rows.append(bytes(packed))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    image = b"".join(rows)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(image), 2835, 2835, 16, 16)
    return header + info + palette + image


def diamond(w, h):
    cx, cy = (w - 1) / 2, (h - 1) / 2
    return lambda x, y: abs(x - cx) + abs(y - cy) <= w / 2


def circle(w, h):
    cx, cy, r = (w - 1) / 2, (h - 1) / 2, w / 2
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def box(w, h):
    return lambda x, y: True


def pointed(w, h, down=False, up=False, left=False, right=False):
    """A bar whose chosen ends come to a 45-degree point."""
    cx, cy = (w - 1) / 2, (h - 1) / 2

    def inside(x, y):
        if down and y > h - 1 - w / 2 and abs(x - cx) > (h - 1 - y) + 0.5:
            return False
        if up and y < w / 2 and abs(x - cx) > y + 0.5:
            return False
        if left and x < h / 2 and abs(y - cy) > x + 0.5:
            return False
        if right and x > w - 1 - h / 2 and abs(y - cy) > (w - 1 - x) + 0.5:
            return False
        return True

    return inside


def draw(w, h, inside, mask_h=None):
    """Thumb and mask pictures of a raised shape: black outline, white upper and left
    inner edges, grey lower and right inner edges, silver inside."""
    shape = [[inside(x, y) for x in range(w)] for y in range(h)]

    def opaque(x, y):
        return 0 <= x < w and 0 <= y < h and shape[y][x]

    def rim(x, y):
        return opaque(x, y) and not all(
            opaque(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))

    thumb = [[BLACK] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            if not shape[y][x] or rim(x, y):
                continue
            if rim(x, y - 1):
                thumb[y][x] = WHITE
            elif rim(x, y + 1):
                thumb[y][x] = GREY
            elif rim(x - 1, y):
                thumb[y][x] = WHITE
            elif rim(x + 1, y):
                thumb[y][x] = GREY
            else:
                thumb[y][x] = SILVER
    mask = [[BLACK if shape[y][x] else WHITE for x in range(w)] for y in range(h)]
    # A mask taller than its thumb keeps the extra rows clear; they are never drawn.
    mask += [[WHITE] * w for _ in range((mask_h or h) - h)]
    return thumb, mask


def thumbs():
    """(name, width, height, shape, mask height) of each style, in style order."""
    return [
        ("Bar1", 5, 10, box, None),
        ("Bar2", 6, 12, box, None),
        ("Bar3", 10, 5, box, None),
        ("Bar4", 12, 6, box, None),
        ("Circle1", 8, 8, circle, None),
        ("Square1", 8, 8, box, None),
        ("Diamond1", 8, 8, diamond, None),
        ("Diamond2", 12, 12, diamond, None),
        ("Diamond3", 9, 9, diamond, None),
        ("Diamond4", 11, 11, diamond, None),
        ("StdDown", 13, 26, lambda w, h: pointed(w, h, down=True), 27),
        ("StdUp", 13, 26, lambda w, h: pointed(w, h, up=True), None),
        ("StdVBar", 13, 26, box, None),
        ("StdUpDown", 13, 26, lambda w, h: pointed(w, h, down=True, up=True), None),
        ("StdLeft", 26, 12, lambda w, h: pointed(w, h, left=True), None),
        ("StdRight", 26, 12, lambda w, h: pointed(w, h, right=True), None),
        ("StdHBar", 26, 13, box, None),
        ("StdLeftRight", 26, 12, lambda w, h: pointed(w, h, left=True, right=True), None),
    ]


# The hand: a pointing hand, index finger to the left, its tip on the hot spot (6, 16).
# '#' outline (black), '.' inside (white), anything else transparent.
HAND = [
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                 ######         ",
    "                ##....###       ",
    "               #.........##     ",
    "      #########...........#     ",
    "     #.....................#    ",
    "     #......................#   ",
    "     #......................#   ",
    "      #########.............#   ",
    "              #.............#   ",
    "              ######........#   ",
    "              #.............#   ",
    "              ######.......#    ",
    "              #............#    ",
    "               #####......#     ",
    "                   ######       ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
]
HOT_SPOT = (6, 16)


def cursor(rows, hot):
    """A 32 x 32 monochrome .cur file: black where '#', white where '.', clear elsewhere."""
    size = 32
    assert len(rows) == size and all(len(r) == size for r in rows)
    assert rows[hot[1]][hot[0]] == ".", "the hot spot must lie on the hand"
    xor_rows, and_rows = [], []
    for row in reversed(rows):  # bottom-up, like any DIB
        xor_bits, and_bits = 0, 0
        for x, c in enumerate(row):
            bit = 1 << (size - 1 - x)
            if c == ".":
                xor_bits |= bit
            elif c != "#":
                and_bits |= bit  # transparent: screen AND 1 XOR 0
        xor_rows.append(struct.pack(">I", xor_bits))
        and_rows.append(struct.pack(">I", and_bits))
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = info + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 2, 0, hot[0], hot[1], len(image), 6 + 16)
    return directory + entry + image


def rc_path(path):
    return path.replace("\\", "/")


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_slidebar.py OUTDIR\n")
        return 2
    out = os.path.abspath(argv[1])
    pictures = os.path.join(out, "slidebar")
    os.makedirs(pictures, exist_ok=True)
    lines = ["// Made by make_slidebar.py: the slider's thumbs, masks and hand cursor."]
    for name, w, h, shape, mask_h in thumbs():
        thumb, mask = draw(w, h, shape(w, h), mask_h)
        for suffix, pixels in (("", thumb), ("Mask", mask)):
            path = os.path.join(pictures, name + suffix + ".bmp")
            with open(path, "wb") as f:
                f.write(bmp16(pixels))
            lines.append('%s BITMAP "%s"' % (name + suffix, rc_path(path)))
    cur = os.path.join(pictures, "HandPointer.cur")
    with open(cur, "wb") as f:
        f.write(cursor(HAND, HOT_SPOT))
    lines.append('HandPointer CURSOR "%s"' % rc_path(cur))
    rc = os.path.join(out, "slidebar.rc")
    with open(rc + ".tmp", "w") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(rc + ".tmp", rc)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

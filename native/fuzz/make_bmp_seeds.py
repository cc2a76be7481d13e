#!/usr/bin/env python3
"""Writes the seed pictures of the BMP check's fuzz target: small sound BMP files of
different kinds (header sizes, bit counts, bit fields, top-down, compressed).
Usage: make_bmp_seeds.py FOLDER"""
import os
import struct
import sys


def pack_rows(rows, bits, top_down=False):
    """Rows of pixel values, top row first, packed and padded as a file stores them."""
    out = b""
    for row in (rows if top_down else rows[::-1]):
        stride = (len(row) * bits + 31) // 32 * 4
        packed = bytearray(stride)
        for x, v in enumerate(row):
            if bits < 8:
                bit = x * bits
                packed[bit // 8] |= v << (8 - bits - bit % 8)
            else:
                packed[x * bits // 8:(x + 1) * bits // 8] = v.to_bytes(bits // 8, "little")
        out += bytes(packed)
    return out


def bmp(width, height, bits, pixels, palette=(), compression=0, header_size=40, masks=()):
    """The whole file; palette entries are 0xRRGGBB."""
    core = header_size == 12
    if core:
        header = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        header = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression,
                             len(pixels), 2835, 2835, len(palette), 0)
        if header_size > 40:
            header += b"".join(struct.pack("<I", m) for m in masks)
            header += bytes(header_size - len(header))
    extra = b"".join(struct.pack("<I", m) for m in masks) if header_size == 40 else b""
    entry = 3 if core else 4
    colours = b"".join(c.to_bytes(3, "little") + bytes(entry - 3) for c in palette)
    offset = 14 + len(header) + len(extra) + len(colours)
    body = header + extra + colours + pixels
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, offset) + body


def seeds():
    grey4 = [0x000000, 0xFF0000, 0x00FF00, 0x0000FF]
    yield "8bit_bottom_up", bmp(3, 2, 8, pack_rows([[0, 1, 2], [3, 2, 1]], 8), grey4)
    yield "24bit_top_down", bmp(2, -2, 24, pack_rows([[0xFF0000, 0x00FF00], [0x0000FF, 0xFFFFFF]],
                                                     24, True))
    yield "1bit_core", bmp(9, 2, 1, pack_rows([[1, 0] * 4 + [1], [0, 1] * 4 + [0]], 1),
                           [0x000000, 0xFFFFFF], header_size=12)
    yield "4bit_short_palette", bmp(5, 1, 4, pack_rows([[0, 1, 2, 1, 0]], 4),
                                    [0x102030, 0x405060, 0x708090])
    yield "16bit_fields", bmp(2, 2, 16, pack_rows([[0xF800, 0x07E0], [0x001F, 0xFFFF]], 16),
                              compression=3, masks=(0xF800, 0x07E0, 0x001F))
    yield "32bit_v5_fields", bmp(2, 1, 32, pack_rows([[0x0000FF, 0xFF0000]], 32), compression=3,
                                 header_size=124, masks=(0x0000FF, 0x00FF00, 0xFF0000))
    yield "32bit_v4", bmp(1, 2, 32, pack_rows([[0x123456], [0x654321]], 32), header_size=108)
    # A run, ends of line, a literal of three, a delta, a run and the end mark.
    yield "8bit_rle", bmp(4, 3, 8, bytes([4, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 0,
                                          2, 3, 0, 1]), grey4, compression=1)
    # Alternating runs and an odd literal, with no end mark.
    yield "4bit_rle", bmp(5, 2, 4, bytes([5, 0x12, 0, 0, 0, 5, 0x31, 0x23, 0x10, 0]), grey4,
                          compression=2)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(folder, name + ".bmp"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()

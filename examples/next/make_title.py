#!/usr/bin/env python3
"""Writes title.png, the layer 2 loading screen of stripes.nex: 256 x 192
pixels, 8-bit indexed, rings of rainbow colours around the centre.

Integer arithmetic only, so every run writes the same bytes (the file is
committed; run this again after changing it):   python3 make_title.py
"""
import os
import struct
import zlib

WIDTH, HEIGHT = 256, 192


def hue(i):
    """Colour i of 256 around the colour wheel, as (red, green, blue)."""
    sector, t = divmod(i * 6, 256)
    up, down = t, 255 - t
    return [(255, up, 0), (down, 255, 0), (0, 255, up),
            (0, down, 255), (up, 0, 255), (255, 0, down)][sector]


def pixel(x, y):
    """Palette index: rings from the distance to the centre, turned a little
    by the angle (x - 128) * (y - 96); black inside the smallest ring."""
    dx, dy = x - 128, y - 96
    d2 = dx * dx + dy * dy
    if d2 < 24 * 24:
        return 0
    return 1 + (d2 // 48 + dx * dy // 256) % 255


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png():
    palette = bytes([0, 0, 0]) + b"".join(bytes(hue(i * 256 // 255)) for i in range(255))
    rows = b"".join(b"\0" + bytes(pixel(x, y) for x in range(WIDTH)) for y in range(HEIGHT))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 3, 0, 0, 0))
            + chunk(b"PLTE", palette)
            + chunk(b"IDAT", zlib.compress(rows, 9))
            + chunk(b"IEND", b""))


if __name__ == "__main__":
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "title.png"), "wb") as f:
        f.write(png())

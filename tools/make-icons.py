#!/usr/bin/python3
"""Draws the player's icons: the program icon (in the sizes the window, the
notification area and the desktop's icon theme use, and as SVG) and the two
small arrows of the notification area. Pure Python (zlib only), so the PNGs come out the same
byte for byte on every machine.

Usage: tools/make-icons.py [OUTPUT_DIR]   (default: assets/icons)
"""
import math
import os
import struct
import sys
import zlib


def png(width, height, pixel):
    """pixel(x, y) -> (r, g, b, a) with 0..255 channels."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # no filter
        for x in range(width):
            rows.extend(bytes(pixel(x, y)))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def coverage(inside, x, y, samples=4):
    """Fraction of the pixel (x, y) for which inside(px, py) holds."""
    hits = 0
    for i in range(samples):
        for j in range(samples):
            if inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def program_icon(size):
    c = size / 2
    radius = size / 2 - 1
    stroke = size * 0.09

    def disc(px, py):
        return math.hypot(px - c, py - c) <= radius

    def vee(px, py):
        top, bottom = size * 0.28, size * 0.74
        left, right = size * 0.30, size * 0.70
        return (segment_distance(px, py, left, top, c, bottom) <= stroke or
                segment_distance(px, py, right, top, c, bottom) <= stroke)

    def pixel(x, y):
        a = coverage(disc, x, y)
        v = coverage(vee, x, y)
        # dark blue disc, light "V"
        r = int(0 * (1 - v) + 235 * v)
        g = int(41 * (1 - v) + 235 * v)
        b = int(83 * (1 - v) + 245 * v)
        return (r, g, b, int(255 * a))

    return png(size, size, pixel)


def program_icon_svg(size=64):
    """The program icon as a scalable picture: the same disc and "V"."""
    c = size / 2
    stroke = size * 0.09
    top, bottom = size * 0.28, size * 0.74
    left, right = size * 0.30, size * 0.70

    def n(v):
        return ("%.2f" % v).rstrip("0").rstrip(".")

    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" viewBox="0 0 {s} {s}">\n'
            '  <circle cx="{c}" cy="{c}" r="{r}" fill="#002953"/>\n'
            '  <path d="M {l} {t} L {c} {b} L {rt} {t}" fill="none" stroke="#ebebf5" stroke-width="{w}"\n'
            '        stroke-linecap="round" stroke-linejoin="round"/>\n'
            '</svg>\n').format(s=n(size), c=n(c), r=n(size / 2 - 1), l=n(left), t=n(top), b=n(bottom),
                                rt=n(right), w=n(2 * stroke)).encode()


def arrow_icon(size, pointing_right):
    def triangle(px, py):
        if not pointing_right:
            px = size - px
        x0, x1 = size * 0.25, size * 0.78
        half = (size * 0.36) * (x1 - px) / (x1 - x0)
        return x0 <= px <= x1 and abs(py - size / 2) <= half

    def bar(px, py):
        if not pointing_right:
            px = size - px
        return size * 0.80 <= px <= size * 0.92 and size * 0.16 <= py <= size * 0.84

    def pixel(x, y):
        a = max(coverage(triangle, x, y), coverage(bar, x, y))
        return (0, 41, 83, int(255 * a))

    return png(size, size, pixel)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "assets", "icons")
    os.makedirs(out, exist_ok=True)
    files = {
        "vimbo.png": program_icon(64),
        "vimbo-16.png": program_icon(16),
        "vimbo-32.png": program_icon(32),
        "prev.png": arrow_icon(16, False),
        "next.png": arrow_icon(16, True),
        # The sizes an installed player puts into the desktop's icon theme.
        "vimbo-48.png": program_icon(48),
        "vimbo-128.png": program_icon(128),
        "vimbo-256.png": program_icon(256),
        "vimbo.svg": program_icon_svg(),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print(os.path.join(out, name), len(data), "bytes")


if __name__ == "__main__":
    main()

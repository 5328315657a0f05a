#!/usr/bin/python3
"""Draws the built-in skin: a 449 x 292, 24-bit Windows bitmap, white outside
the window's shape, with the buttons, display, sliders and playlist panel
where the element table's design boxes put them. Pure Python (zlib-free BMP),
so the file comes out the same byte for byte on every machine.

Usage: tools/make-default-skin.py [OUTPUT.bmp]   (default: assets/skins/Default.bmp)
"""
import math
import os
import struct
import sys

W, H = 449, 292
WHITE = (255, 255, 255)


def clamp(v):
    return max(0, min(255, int(round(v))))


def mix(a, b, t):
    return tuple(clamp(a[i] + (b[i] - a[i]) * t) for i in range(3))


def hexrgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


class Canvas:
    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.px = [[colour] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]

    def rect(self, x, y, w, h, c):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.set(xx, yy, c)

    def vgradient(self, x, y, w, h, top, bottom, inside=None):
        for yy in range(y, y + h):
            c = mix(top, bottom, (yy - y) / max(1, h - 1))
            for xx in range(x, x + w):
                if inside is None or inside(xx, yy):
                    self.set(xx, yy, c)

    def frame(self, x, y, w, h, light, dark):
        """A one-pixel bevel: light top/left, dark bottom/right."""
        for xx in range(x, x + w):
            self.set(xx, y, light)
            self.set(xx, y + h - 1, dark)
        for yy in range(y, y + h):
            self.set(x, yy, light)
            self.set(x + w - 1, yy, dark)

    def inset(self, x, y, w, h, fill, depth=1):
        self.rect(x, y, w, h, fill)
        for d in range(depth):
            self.frame(x - 1 - d, y - 1 - d, w + 2 + 2 * d, h + 2 + 2 * d, (40, 46, 52), (150, 160, 168))

    def polygon(self, points, c):
        """Fills a convex polygon with 4x4 supersampled edges blended in."""
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(math.ceil(max(ys))) + 1):
            for x in range(int(min(xs)), int(math.ceil(max(xs))) + 1):
                hits = 0
                for i in range(4):
                    for j in range(4):
                        if inside_convex(points, x + (i + 0.5) / 4, y + (j + 0.5) / 4):
                            hits += 1
                if hits and 0 <= x < self.w and 0 <= y < self.h:
                    self.set(x, y, mix(self.get(x, y), c, hits / 16))

    def bmp(self):
        row_bytes = (self.w * 3 + 3) & ~3
        pixels = bytearray()
        for y in range(self.h - 1, -1, -1):  # bottom-up
            row = bytearray()
            for (r, g, b) in self.px[y]:
                row += bytes((b, g, r))
            row += b"\0" * (row_bytes - len(row))
            pixels += row
        header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
        return header + info + bytes(pixels)


def inside_convex(points, x, y):
    sign = 0
    n = len(points)
    for i in range(n):
        (x1, y1), (x2, y2) = points[i], points[(i + 1) % n]
        cross = (x2 - x1) * (y - y1) - (y2 - y1) * (x - x1)
        if cross != 0:
            s = 1 if cross > 0 else -1
            if sign == 0:
                sign = s
            elif s != sign:
                return False
    return True


def rounded(x, y, w, h, r):
    def inside(px, py):
        cx = min(max(px, x + r), x + w - 1 - r)
        cy = min(max(py, y + r), y + h - 1 - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r
    return inside


def button(c, x, y, w, h, glyph):
    c.vgradient(x, y, w, h, (122, 134, 144), (70, 80, 88))
    c.frame(x, y, w, h, (160, 172, 180), (36, 41, 46))
    ink = (225, 232, 238)
    cx, cy = x + w / 2, y + h / 2
    s = min(w, h) / 2 - 3
    if glyph == "play":
        c.polygon([(cx - s * 0.6, cy - s), (cx + s * 0.9, cy), (cx - s * 0.6, cy + s)], ink)
    elif glyph == "pause":
        c.rect(int(cx - s * 0.8), int(cy - s), 2, int(2 * s) + 1, ink)
        c.rect(int(cx + s * 0.3), int(cy - s), 2, int(2 * s) + 1, ink)
    elif glyph == "stop":
        c.rect(int(cx - s * 0.8), int(cy - s * 0.8), int(1.6 * s) + 1, int(1.6 * s) + 1, ink)
    elif glyph in ("prev", "next"):
        d = 1 if glyph == "next" else -1
        tip = cx + d * s * 0.6
        c.polygon(sorted_poly([(cx - d * s * 0.9, cy - s), (tip, cy), (cx - d * s * 0.9, cy + s)]), ink)
        c.rect(int(tip) if d > 0 else int(tip) - 1, int(cy - s), 2, int(2 * s) + 1, ink)
    elif glyph == "open":
        c.polygon([(cx - s, cy + s * 0.1), (cx, cy - s), (cx + s, cy + s * 0.1)], ink)
        c.rect(int(cx - s), int(cy + s * 0.5), int(2 * s) + 1, 2, ink)
    elif glyph == "min":
        c.rect(int(cx - s * 0.8), int(cy + s * 0.4), int(1.6 * s) + 1, 2, ink)
    elif glyph == "close":
        for t in range(-int(s * 0.8), int(s * 0.8) + 1):
            for k in (0, 1):
                c.set(int(cx + t) + k, int(cy + t), ink)
                c.set(int(cx + t) + k, int(cy - t), ink)
    elif glyph in ("up", "down"):
        d = -1 if glyph == "up" else 1
        c.polygon(sorted_poly([(cx - s, cy - d * s * 0.5), (cx + s, cy - d * s * 0.5), (cx, cy + d * s * 0.7)]), ink)
    elif glyph == "shuffle":
        for t in range(-int(s), int(s) + 1):
            c.set(int(cx + t), int(cy + t * 0.6), ink)
            c.set(int(cx + t), int(cy - t * 0.6), ink)
    elif glyph == "repeat":
        for a in range(0, 300, 8):
            r = math.radians(a)
            c.set(int(cx + s * math.cos(r)), int(cy + s * math.sin(r)), ink)


def stroke(c, x0, y0, x1, y1, width, colour):
    """A thick line with soft edges."""
    for y in range(int(min(y0, y1) - width - 1), int(max(y0, y1) + width + 2)):
        for x in range(int(min(x0, x1) - width - 1), int(max(x0, x1) + width + 2)):
            hits = 0
            for i in range(3):
                for j in range(3):
                    px, py = x + (i + 0.5) / 3, y + (j + 0.5) / 3
                    dx, dy = x1 - x0, y1 - y0
                    t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy or 1)))
                    if math.hypot(px - (x0 + t * dx), py - (y0 + t * dy)) <= width / 2:
                        hits += 1
            if hits and 0 <= x < c.w and 0 <= y < c.h:
                c.set(x, y, mix(c.get(x, y), colour, hits / 9))


# Letters on a 4 x 6 grid, as strokes.
LETTERS = {
    "V": [(0, 0, 2, 6), (2, 6, 4, 0)],
    "I": [(2, 0, 2, 6)],
    "M": [(0, 6, 0, 0), (0, 0, 2, 3), (2, 3, 4, 0), (4, 0, 4, 6)],
    "B": [(0, 0, 0, 6), (0, 0, 3, 0), (3, 0, 4, 1), (4, 1, 4, 2), (4, 2, 3, 3), (0, 3, 3, 3), (3, 3, 4, 4),
          (4, 4, 4, 5), (4, 5, 3, 6), (3, 6, 0, 6)],
    "O": [(1, 0, 3, 0), (3, 0, 4, 1), (4, 1, 4, 5), (4, 5, 3, 6), (3, 6, 1, 6), (1, 6, 0, 5), (0, 5, 0, 1),
          (0, 1, 1, 0)],
}


def word(c, text, x, y, scale, width, colour):
    for ch in text:
        for (a, b, d, e) in LETTERS[ch]:
            stroke(c, x + a * scale, y + b * scale, x + d * scale, y + e * scale, width, colour)
        x += 6 * scale


def sorted_poly(points):
    cx = sum(p[0] for p in points) / len(points)
    cy = sum(p[1] for p in points) / len(points)
    return sorted(points, key=lambda p: math.atan2(p[1] - cy, p[0] - cx))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "assets", "skins", "Default.bmp")
    c = Canvas(W, H, WHITE)
    body = rounded(4, 4, W - 8, H - 8, 18)
    c.vgradient(4, 4, W - 8, H - 8, (104, 116, 126), (58, 66, 73), body)
    # A darker rim along the outline.
    for y in range(H):
        for x in range(W):
            if body(x, y) and not rounded(6, 6, W - 12, H - 12, 16)(x, y):
                c.set(x, y, (44, 49, 54))
    # Title strip with the logo disc (the logo opens the main menu).
    c.vgradient(20, 12, 370, 30, (86, 97, 106), (70, 79, 86))
    c.frame(20, 12, 370, 30, (130, 142, 150), (40, 45, 50))
    logo = rounded(26, 15, 24, 24, 12)
    c.vgradient(26, 15, 24, 24, (0, 60, 120), (0, 30, 66), logo)
    stroke(c, 32, 21, 38, 33, 3, (235, 238, 245))
    stroke(c, 38, 33, 44, 21, 3, (235, 238, 245))
    word(c, "VIMBO", 60, 20, 2.4, 2.2, (214, 222, 230))
    # Window buttons.
    button(c, 397, 17, 19, 20, "min")
    button(c, 422, 17, 19, 20, "close")
    # The display: time, bit rate, length, position slider.
    c.inset(26, 56, 190, 62, hexrgb("#9FB1BE"), 2)
    c.vgradient(26, 56, 190, 10, (178, 192, 202), hexrgb("#9FB1BE"))
    # Transport buttons.
    for x, g in zip((30, 53, 76, 99, 122, 145), ("prev", "play", "pause", "stop", "next", "open")):
        button(c, x, 137, 21, 16, g)
    # Equaliser and volume wells, shuffle and repeat.
    c.inset(27, 178, 110, 34, (52, 59, 65), 1)
    button(c, 140, 182, 13, 13, "shuffle")
    button(c, 140, 195, 13, 13, "repeat")
    # Now-playing strip.
    c.inset(27, 232, 194, 32, hexrgb("#9FB1BE"), 2)
    # Playlist panel and its scroll buttons.
    c.inset(232, 57, 184, 217, hexrgb("#464F55"), 2)
    button(c, 416, 57, 14, 15, "up")
    button(c, 416, 259, 14, 14, "down")
    c.inset(418, 74, 10, 183, (70, 79, 86), 1)
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "wb") as f:
        f.write(c.bmp())
    print(out, W, "x", H)


if __name__ == "__main__":
    main()

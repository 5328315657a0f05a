#!/usr/bin/python3
"""Draws the two extra skins that ship with the player, "Ember" and "Glass":
for each, the picture (NAME.bmp, 24-bit Windows bitmap), the skin file
(NAME.ssk) and the window outline (NAME.msk). Pure Python, standard library
only, so the files come out the same byte for byte on every machine. The
drawing basics (canvas, blending, strokes, the logo letters, the bitmap
writer) come from make-default-skin.py beside this file.

Usage: tools/make-skins.py [OUTPUT_DIRECTORY]   (default: assets/skins)
"""
import math
import os
import struct
import sys
import types

HERE = os.path.dirname(os.path.abspath(__file__))


def _load_default_skin_module():
    path = os.path.join(HERE, "make-default-skin.py")
    module = types.ModuleType("make_default_skin")
    module.__file__ = path
    with open(path, encoding="utf-8") as f:
        exec(compile(f.read(), path, "exec"), module.__dict__)
    return module


art = _load_default_skin_module()
Canvas, mix, stroke, word = art.Canvas, art.mix, art.stroke, art.word

SQRT2 = math.sqrt(2.0)


# ---------------------------------------------------------------------------
# Shapes as signed distances (negative inside, in pixels; pixel x covers
# [x, x + 1)), painted with one pixel of soft edge.

def sd_round(x, y, w, h, r):
    hx, hy = w / 2.0, h / 2.0
    cx, cy = x + hx, y + hy
    r = min(r, hx, hy)

    def sdf(px, py):
        qx = abs(px - cx) - (hx - r)
        qy = abs(py - cy) - (hy - r)
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    return sdf


def sd_chamfer(x, y, w, h, k):
    hx, hy = w / 2.0, h / 2.0
    cx, cy = x + hx, y + hy

    def sdf(px, py):
        ax, ay = abs(px - cx), abs(py - cy)
        d = max(ax - hx, ay - hy)
        if k > 0:
            d = max(d, (ax + ay - (hx + hy - k)) / SQRT2)
        return d
    return sdf


def paint(c, box, sdf, colour, alpha=1.0):
    """Blends `colour` (a colour or a function of x, y) into every pixel of
    `box` (x, y, w, h) by how much of it lies inside `sdf`."""
    x, y, w, h = box
    x0, y0 = max(0, int(math.floor(x)) - 1), max(0, int(math.floor(y)) - 1)
    x1, y1 = min(c.w, int(math.ceil(x + w)) + 1), min(c.h, int(math.ceil(y + h)) + 1)
    fixed = not callable(colour)
    for yy in range(y0, y1):
        row = c.px[yy]
        for xx in range(x0, x1):
            cov = 0.5 - sdf(xx + 0.5, yy + 0.5)
            if cov <= 0:
                continue
            a = alpha * (1.0 if cov > 1 else cov)
            col = colour if fixed else colour(xx, yy)
            row[xx] = col if a >= 1 else mix(row[xx], col, a)


def box_shape(c, x, y, w, h, r, colour, alpha=1.0, chamfer=False):
    sdf = sd_chamfer(x, y, w, h, r) if chamfer else sd_round(x, y, w, h, r)
    paint(c, (x, y, w, h), sdf, colour, alpha)


def vgrad(y, h, top, bottom):
    """A colour function running from `top` at row y to `bottom` at row y + h - 1."""
    steps = [mix(top, bottom, i / max(1, h - 1)) for i in range(max(1, h))]

    def colour(px, py):
        return steps[min(len(steps) - 1, max(0, py - y))]
    return colour


def noise(x, y, seed):
    """A fixed pseudo-random number in [0, 1) for a pixel."""
    n = (x * 374761393 + y * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65536.0


def shade(colour, amount):
    """Lighter (amount > 0) or darker (< 0) by a fraction towards white or black."""
    return mix(colour, (255, 255, 255), amount) if amount > 0 else mix(colour, (0, 0, 0), -amount)


def alpha_mask(w, h, draw):
    """Runs `draw(canvas)` on a black scratch canvas (ink in white) and returns
    the coverage per pixel, 0..1."""
    scratch = Canvas(w, h, (0, 0, 0))
    draw(scratch)
    return [[p[0] / 255.0 for p in row] for row in scratch.px]


def apply_mask(c, mask, dx, dy, colour, alpha=1.0):
    fixed = not callable(colour)
    for y, row in enumerate(mask):
        for x, a in enumerate(row):
            if a <= 0:
                continue
            px, py = x + dx, y + dy
            if 0 <= px < c.w and 0 <= py < c.h:
                col = colour if fixed else colour(px, py)
                c.px[py][px] = mix(c.px[py][px], col, a * alpha)


def blur_mask(mask, radius):
    """A box blur (for glows and soft shadows)."""
    h, w = len(mask), len(mask[0])
    out = [[0.0] * w for _ in range(h)]
    n = (2 * radius + 1) ** 2
    for y in range(h):
        for x in range(w):
            s = 0.0
            for yy in range(max(0, y - radius), min(h, y + radius + 1)):
                r = mask[yy]
                for xx in range(max(0, x - radius), min(w, x + radius + 1)):
                    s += r[xx]
            out[y][x] = s / n
    return out


# ---------------------------------------------------------------------------
# Glyphs, centred in a box. `s` is half the glyph's height in pixels.

def glyph(c, kind, x, y, w, h, ink, s):
    cx, cy = x + w // 2, y + h // 2
    if kind == "play":
        c.polygon([(cx - 0.75 * s, cy - s), (cx + 1.05 * s, cy), (cx - 0.75 * s, cy + s)], ink)
    elif kind == "pause":
        b = max(2, int(round(0.6 * s)))
        g = max(2, int(round(0.6 * s)))
        left = cx - (2 * b + g) // 2
        c.rect(left, cy - s, b, 2 * s, ink)
        c.rect(left + b + g, cy - s, b, 2 * s, ink)
    elif kind == "stop":
        side = int(round(1.7 * s))
        c.rect(cx - side // 2, cy - side // 2, side, side, ink)
    elif kind in ("prev", "next"):
        tw = int(round(1.3 * s))
        b = max(2, int(round(0.35 * s)))
        left = cx - (tw + b) // 2
        if kind == "next":
            c.polygon([(left, cy - s), (left + tw, cy), (left, cy + s)], ink)
            c.rect(left + tw, cy - s, b, 2 * s, ink)
        else:
            c.rect(left, cy - s, b, 2 * s, ink)
            c.polygon([(left + b + tw, cy - s), (left + b + tw, cy + s), (left + b, cy)], ink)
    elif kind == "open":
        base = cy + int(round(0.2 * s))
        c.polygon([(cx - s - 0.5, base), (cx, cy - s), (cx + s + 0.5, base)], ink)
        bar = max(2, int(round(0.35 * s)))
        c.rect(cx - s, cy + s - bar, 2 * s, bar, ink)
    elif kind == "min":
        c.rect(cx - s, cy + s - 2, 2 * s, 2, ink)
    elif kind == "close":
        e = 0.9 * s
        stroke(c, cx - e, cy - e, cx + e, cy + e, 1.8, ink)
        stroke(c, cx - e, cy + e, cx + e, cy - e, 1.8, ink)
    elif kind in ("up", "down"):
        d = -1 if kind == "up" else 1
        c.polygon([(cx - s, cy - d * 0.5 * s), (cx + s, cy - d * 0.5 * s), (cx, cy + d * 0.6 * s)], ink)
    elif kind == "shuffle":
        a, top, bot = 0.55 * s, cy - 0.6 * s, cy + 0.6 * s
        stroke(c, cx - 1.2 * s, bot, cx - 0.5 * s, bot, 1.5, ink)
        stroke(c, cx - 0.5 * s, bot, cx + 0.4 * s, top, 1.5, ink)
        stroke(c, cx - 1.2 * s, top, cx - 0.5 * s, top, 1.5, ink)
        stroke(c, cx - 0.5 * s, top, cx + 0.4 * s, bot, 1.5, ink)
        for yy in (top, bot):
            stroke(c, cx + 0.3 * s, yy, cx + 0.6 * s, yy, 1.5, ink)
            c.polygon([(cx + 0.55 * s, yy - a), (cx + 1.25 * s, yy), (cx + 0.55 * s, yy + a)], ink)
    elif kind == "repeat":
        a, top, bot = 0.5 * s, cy - 0.6 * s, cy + 0.6 * s
        stroke(c, cx - 1.1 * s, cy + 0.15 * s, cx - 1.1 * s, top, 1.5, ink)
        stroke(c, cx - 1.1 * s, top, cx + 0.4 * s, top, 1.5, ink)
        c.polygon([(cx + 0.35 * s, top - a), (cx + 1.05 * s, top), (cx + 0.35 * s, top + a)], ink)
        stroke(c, cx + 1.1 * s, cy - 0.15 * s, cx + 1.1 * s, bot, 1.5, ink)
        stroke(c, cx + 1.1 * s, bot, cx - 0.4 * s, bot, 1.5, ink)
        c.polygon([(cx - 0.35 * s, bot - a), (cx - 0.35 * s, bot + a), (cx - 1.05 * s, bot)], ink)
    else:
        raise ValueError(kind)


def glyph_size(w, h):
    """Half the glyph height that suits a button; wide buttons get a bolder glyph."""
    return max(3, int(round(min(w, h) * (0.28 if w >= 1.8 * h else 0.24))))


GLYPH_OF = {10: "prev", 11: "play", 12: "pause", 13: "stop", 14: "next", 15: "open", 16: "min", 17: "close",
            18: "up", 19: "down", 29: "shuffle", 30: "repeat"}


def button(c, box, kind, style):
    """A bevelled button filling exactly `box`, its glyph centred on it."""
    x, y, w, h = box
    r, chamfer = style["radius"], style.get("chamfer", False)
    box_shape(c, x, y, w, h, r, style["edge"], chamfer=chamfer)
    box_shape(c, x + 1, y + 1, w - 2, h - 2, max(0, r - 1), vgrad(y + 1, h - 2, style["top"], style["bottom"]),
              chamfer=chamfer)
    # A gloss line under the top edge and a darker one above the bottom edge.
    box_shape(c, x + 1 + r * 0.6, y + 1, w - 2 - r * 1.2, 1, 0, style["light"], 0.8)
    box_shape(c, x + 1 + r * 0.6, y + h - 2, w - 2 - r * 1.2, 1, 0, style["dark"], 0.5)
    s = style["glyph"](w, h)
    # A copy one pixel lower, in the shadow colour (dark, or light for an
    # engraved look), sets the glyph off the face.
    glyph(c, kind, x, y + 1, w, h, style["shadow"], s)
    glyph(c, kind, x, y, w, h, style["ink"], s)


def well(c, box, pad, r, fill, dark, light, chamfer=False):
    """A recessed panel: `box` grown by `pad` on every side gets a shadowed rim
    (dark above, light below) and `fill` inside."""
    x, y, w, h = box[0] - pad, box[1] - pad, box[2] + 2 * pad, box[3] + 2 * pad
    box_shape(c, x - 1, y - 1, w + 2, h + 2, r + 1, light, chamfer=chamfer)
    box_shape(c, x - 1, y - 1, w + 2, h + 1, r + 1, dark, chamfer=chamfer)
    box_shape(c, x, y, w, h, r, fill, chamfer=chamfer)
    return x, y, w, h


# Tiny capitals, five pixels high, for captions, row by row ("#" = ink).
PIXEL_FONT = {
    "B": ("##.", "#.#", "##.", "#.#", "##."),
    "E": ("###", "#..", "##.", "#..", "###"),
    "K": ("#..#", "#.#.", "##..", "#.#.", "#..#"),
    "L": ("#..", "#..", "#..", "#..", "###"),
    "N": ("#..#", "##.#", "#.##", "#..#", "#..#"),
    "O": (".#.", "#.#", "#.#", "#.#", ".#."),
    "P": ("##.", "#.#", "##.", "#..", "#.."),
    "Q": (".#.", "#.#", "#.#", "#.#", ".##"),
    "S": (".##", "#..", ".#.", "..#", "##."),
    "V": ("#.#", "#.#", "#.#", "#.#", ".#."),
}


def caption(c, text, x, y, colour, alpha=1.0):
    """Draws `text` in the pixel capitals; returns the width used."""
    start = x
    for ch in text:
        for row, bits in enumerate(PIXEL_FONT[ch]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    c.set(x + col, y + row, mix(c.get(x + col, y + row), colour, alpha))
        x += len(PIXEL_FONT[ch][0]) + 1
    return x - start - 1


def caption_width(text):
    return sum(len(PIXEL_FONT[ch][0]) + 1 for ch in text) - 1


# ---------------------------------------------------------------------------
# Skin files.

def colour_value(rgb):
    r, g, b = rgb
    return r + 256 * g + 65536 * b


def ssk_text(name, colours, transparent, elements, fonts):
    lines = ["[Colors]", "Transparent=" + ("None" if transparent is None else str(colour_value(transparent)))]
    for key in ("Background", "Border", "Unactive", "Active", "Text", "Clicked", "Over"):
        lines.append("%s=%d" % (key, colour_value(colours[key])))
    lines += ["", "[Images]", "Main=%s.bmp" % name]
    for tag in sorted(elements):
        x, y, w, h = elements[tag]
        lines += ["", "[%d]" % tag, "X=%d" % x, "Y=%d" % y, "W=%d" % w, "H=%d" % h, "Visible=1"]
        if tag in fonts:
            font = fonts[tag]
            lines += ["FontName=%s" % font[0], "FontSize=%d" % font[1]]
            if len(font) > 2:
                lines += ["HAlign=%s" % font[2], "VAlign=%s" % font[3]]
    return "\n".join(lines) + "\n"


def mask_rects(w, h, inside):
    """The shape as rectangles: the runs of inside pixels per row, rows with
    the same runs joined into bands, top to bottom then left to right."""
    rects = []
    band, band_top = None, 0
    for y in range(h + 1):
        spans = []
        if y < h:
            x = 0
            while x < w:
                if inside(x, y):
                    x0 = x
                    while x < w and inside(x, y):
                        x += 1
                    spans.append((x0, x))
                else:
                    x += 1
        if spans != band or y == h:
            if band:
                rects += [(x0, band_top, x1, y) for (x0, x1) in band]
            band, band_top = spans, y
    return rects


def msk_bytes(rects):
    if not rects:
        return struct.pack("<I", 0)
    bounds = (min(r[0] for r in rects), min(r[1] for r in rects), max(r[2] for r in rects), max(r[3] for r in rects))
    out = struct.pack("<IIIII", 32 + 16 * len(rects), 32, 1, len(rects), 16 * len(rects))
    out += struct.pack("<4i", *bounds)
    for r in rects:
        out += struct.pack("<4i", *r)
    return out


def write_skin(directory, name, canvas, colours, transparent, elements, fonts, inside):
    for tag, (x, y, w, h) in elements.items():
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                if not (0 <= xx < canvas.w and 0 <= yy < canvas.h and inside(xx, yy)):
                    raise SystemExit("%s: element %d reaches outside the window at %d,%d" % (name, tag, xx, yy))
    if transparent is not None:
        for y in range(canvas.h):
            for x in range(canvas.w):
                if (canvas.px[y][x] == transparent) == inside(x, y):
                    raise SystemExit("%s: pixel %d,%d and the transparent colour disagree" % (name, x, y))
    os.makedirs(directory, exist_ok=True)
    base = os.path.join(directory, name)
    with open(base + ".bmp", "wb") as f:
        f.write(canvas.bmp())
    with open(base + ".ssk", "w", newline="\n", encoding="ascii") as f:
        f.write(ssk_text(name, colours, transparent, elements, fonts))
    rects = mask_rects(canvas.w, canvas.h, inside)
    with open(base + ".msk", "wb") as f:
        f.write(msk_bytes(rects))
    print(base, canvas.w, "x", canvas.h, len(rects), "mask rectangles")


# The text elements' faces in both shipped skins: (name, points[, across, down]).
SKIN_FONTS = {
    1: ("QSwitch Ax", 16, "Left", "Middle"),
    2: ("Seraphic Organism", 8, "Left", "Middle"),
    3: ("Seraphic Organism", 7, "Left", "Middle"),
    4: ("Seraphic Organism", 8),
    5: ("Seraphic Organism", 7, "Right", "Middle"),
    6: ("Seraphic Organism", 7, "Right", "Middle"),
}


# ---------------------------------------------------------------------------
# Ember: charcoal and copper, chamfered corners, playlist on the left.

MAGENTA = (255, 0, 255)

EMBER_W, EMBER_H, EMBER_CUT = 470, 300, 16

EMBER_ELEMENTS = {
    1: (258, 54, 96, 30),     # time
    2: (258, 238, 186, 16),   # loaded file
    3: (258, 256, 186, 14),   # coming up
    4: (24, 48, 190, 228),    # playlist
    5: (384, 56, 60, 12),     # bit rate
    6: (384, 70, 60, 12),     # length
    10: (250, 130, 30, 22), 11: (284, 130, 30, 22), 12: (318, 130, 30, 22),
    13: (352, 130, 30, 22), 14: (386, 130, 30, 22), 15: (420, 130, 30, 22),
    16: (44, 14, 20, 18),     # minimise
    17: (20, 14, 20, 18),     # close
    18: (220, 46, 16, 16),    # playlist up
    19: (220, 262, 16, 16),   # playlist down
    21: (260, 170, 12, 42), 22: (278, 170, 12, 42), 23: (296, 170, 12, 42),
    24: (314, 170, 12, 42), 25: (332, 170, 12, 42), 26: (350, 170, 12, 42),
    27: (380, 170, 14, 42),   # volume
    28: (258, 100, 186, 10),  # position
    29: (412, 166, 40, 22),   # shuffle
    30: (412, 192, 40, 22),   # repeat
}

EMBER_COLOURS = {
    "Background": (24, 19, 16),
    "Border": (122, 70, 36),
    "Unactive": (48, 38, 32),
    "Active": (232, 128, 40),
    "Text": (255, 186, 102),
    "Clicked": (255, 214, 140),
    "Over": (250, 160, 72),
}

EMBER_BUTTON = {
    "radius": 3, "chamfer": True,
    "edge": (12, 10, 9), "top": (84, 72, 64), "bottom": (44, 37, 33),
    "light": (138, 114, 96), "dark": (26, 21, 19),
    "ink": (255, 178, 84), "shadow": (20, 14, 10),
    "glyph": glyph_size,
}


def ember_inside(x, y):
    W, H, k = EMBER_W, EMBER_H, EMBER_CUT
    return (0 <= x < W and 0 <= y < H and x + y >= k and (W - 1 - x) + y >= k
            and x + (H - 1 - y) >= k and (W - 1 - x) + (H - 1 - y) >= k)


def ember_depth(x, y):
    """How many pixels a pixel lies inside the outline (0 on the outline), and
    how much light that stretch of outline catches (1 lit, 0 side, -1 shaded)."""
    W, H, k = EMBER_W, EMBER_H, EMBER_CUT
    edges = [(x, 1), (y, 1), (W - 1 - x, -1), (H - 1 - y, -1), ((x + y - k) / SQRT2, 1),
             ((W - 1 - x + y - k) / SQRT2, 0), ((x + H - 1 - y - k) / SQRT2, 0),
             ((W - 1 - x + H - 1 - y - k) / SQRT2, -1)]
    return min(edges)


def draw_ember():
    W, H = EMBER_W, EMBER_H
    E = EMBER_ELEMENTS
    c = Canvas(W, H, MAGENTA)
    top, bottom = (60, 52, 48), (30, 27, 26)
    # Body: a brushed charcoal gradient, a dark outline, a lit bevel and a copper trim line.
    for y in range(H):
        base = mix(top, bottom, y / (H - 1))
        streak = noise(0, y, 7) * 0.06 - 0.03
        for x in range(W):
            if not ember_inside(x, y):
                continue
            d, light = ember_depth(x, y)
            col = shade(base, streak + (noise(x, y, 3) - 0.5) * 0.03)
            if d < 1:
                col = (10, 8, 8)
            elif d < 2:
                col = shade(base, (0.24, 0.06, -0.35)[1 - light])
            elif 5 <= d < 6:
                col = mix(col, (176, 100, 50), 0.55)
            elif 6 <= d < 7:
                col = mix(col, (0, 0, 0), 0.25)
            c.px[y][x] = col

    # Title bar: a groove with the word mark and the badge at the right end.
    tx, ty, tw, th = 70, 12, 380, 22
    well(c, (tx, ty, tw, th), 0, 3, vgrad(ty, th, (26, 21, 19), (38, 31, 28)), (12, 10, 9), (84, 72, 64), True)
    for gx in range(tx + 8, tx + 200, 4):  # vent slots
        box_shape(c, gx, ty + 7, 2, 8, 1, (12, 10, 9), 0.8)
        box_shape(c, gx, ty + 15, 2, 1, 0, (80, 66, 58), 0.5)
    bx, by = 426, 11
    box_shape(c, bx - 1, by - 1, 26, 26, 7, (10, 8, 8), chamfer=True)
    box_shape(c, bx, by, 24, 24, 6, vgrad(by, 24, (255, 200, 104), (196, 84, 28)), chamfer=True)
    box_shape(c, bx + 2, by + 2, 20, 9, 3, (255, 240, 200), 0.25, chamfer=True)
    stroke(c, bx + 6.5, by + 6.5, bx + 12, by + 18.5, 3.0, (40, 22, 12))
    stroke(c, bx + 12, by + 18.5, bx + 17.5, by + 6.5, 3.0, (40, 22, 12))
    logo = alpha_mask(90, 24, lambda s: word(s, "VIMBO", 4, 5, 2.2, 2.3, (255, 255, 255)))
    glow = blur_mask(logo, 2)
    lx = bx - 92
    apply_mask(c, glow, lx, ty - 1, (255, 120, 30), 0.55)
    apply_mask(c, logo, lx, ty - 1, vgrad(ty + 4, 14, (255, 222, 150), (240, 130, 40)))

    # Playlist panel, with its scroll buttons and a groove between them.
    well(c, E[4], 2, 3, EMBER_COLOURS["Background"], (10, 8, 8), (96, 82, 72), True)
    ux, uy, uw, uh = E[18]
    dx, dy, dw, dh = E[19]
    well(c, (ux + 2, uy + uh + 3, uw - 4, dy - uy - uh - 6), 0, 2, vgrad(0, H, (30, 25, 22), (22, 18, 16)),
         (10, 8, 8), (96, 82, 72), True)
    for yy in range(uy + uh + 6, dy - 4, 3):
        box_shape(c, ux + 5, yy, uw - 10, 1, 0, (64, 52, 44), 0.7)
    button(c, E[18], "up", EMBER_BUTTON)
    button(c, E[19], "down", EMBER_BUTTON)

    # Display: time, bit rate and length over a dark amber-lit glass.
    dsp = (248, 46, 204, 74)
    well(c, dsp, 0, 4, vgrad(dsp[1], dsp[3], (40, 28, 20), (18, 13, 11)), (10, 8, 8), (110, 92, 80), True)
    for yy in range(dsp[1] + 1, dsp[1] + dsp[3], 2):  # faint scan lines
        box_shape(c, dsp[0] + 3, yy, dsp[2] - 6, 1, 0, (0, 0, 0), 0.12)
    box_shape(c, dsp[0] + 4, dsp[1] + 1, dsp[2] - 8, 1, 0, (255, 150, 60), 0.18)
    for tag, text in ((5, "KBPS"), (6, "LEN")):
        caption(c, text, E[tag][0] - 2 - caption_width(text), E[tag][1] + 4, (180, 110, 56), 0.7)
    box_shape(c, E[5][0] - 26, E[5][1], 1, E[6][1] + E[6][3] - E[5][1], 0, (120, 70, 36), 0.45)
    well(c, E[28], 2, 2, (22, 17, 14), (6, 5, 5), (96, 70, 50), True)

    # Transport.
    for tag in (10, 11, 12, 13, 14, 15):
        button(c, E[tag], GLYPH_OF[tag], EMBER_BUTTON)

    # Equaliser and volume in one well; shuffle and repeat beside it.
    eq = (E[21][0] - 8, E[21][1] - 10, E[27][0] + E[27][2] + 8 - (E[21][0] - 8), E[21][3] + 20)
    well(c, eq, 0, 4, vgrad(eq[1], eq[3], (34, 28, 25), (26, 22, 20)), (10, 8, 8), (96, 82, 72), True)
    for tag in (21, 22, 23, 24, 25, 26, 27):
        well(c, E[tag], 1, 1, (18, 14, 12), (8, 6, 6), (88, 74, 64), True)
    sep = (E[26][0] + E[26][2] + E[27][0]) // 2
    box_shape(c, sep, eq[1] + 6, 1, eq[3] - 12, 0, (12, 10, 9))
    box_shape(c, sep + 1, eq[1] + 6, 1, eq[3] - 12, 0, (90, 76, 66), 0.7)
    caption(c, "EQ", eq[0] + 6, eq[1] + 3, (180, 110, 56), 0.7)
    caption(c, "VOL", E[27][0] + E[27][2] // 2 - caption_width("VOL") // 2, eq[1] + 3, (180, 110, 56), 0.7)
    button(c, E[29], "shuffle", EMBER_BUTTON)
    button(c, E[30], "repeat", EMBER_BUTTON)

    # Now playing.
    npl = (248, 230, 204, 48)
    well(c, npl, 0, 4, vgrad(npl[1], npl[3], (36, 26, 19), (18, 13, 11)), (10, 8, 8), (110, 92, 80), True)
    for yy in range(npl[1] + 1, npl[1] + npl[3], 2):
        box_shape(c, npl[0] + 3, yy, npl[2] - 6, 1, 0, (0, 0, 0), 0.12)
    box_shape(c, npl[0] + 4, npl[1] + 1, npl[2] - 8, 1, 0, (255, 150, 60), 0.18)
    c.polygon([(npl[0] + 3, E[2][1] + 4), (npl[0] + 7, E[2][1] + 8), (npl[0] + 3, E[2][1] + 12)], (232, 128, 40))

    # Window buttons.
    button(c, E[17], "close", dict(EMBER_BUTTON, ink=(255, 120, 60)))
    button(c, E[16], "min", EMBER_BUTTON)

    # Nothing inside the outline may be the transparent colour.
    for y in range(H):
        for x in range(W):
            if ember_inside(x, y) and c.px[y][x] == MAGENTA:
                c.px[y][x] = (254, 0, 255)
    return c


# ---------------------------------------------------------------------------
# Glass: frosted blue-grey, strongly rounded, no transparent colour (the
# shipped mask gives the outline).

OUTSIDE_GREY = (128, 128, 128)

GLASS_W, GLASS_H, GLASS_R = 480, 288, 40

GLASS_ELEMENTS = {
    1: (40, 52, 124, 30),     # time
    2: (40, 134, 200, 16),    # loaded file
    3: (40, 152, 200, 14),    # coming up
    4: (262, 46, 170, 216),   # playlist
    5: (186, 54, 54, 12),     # bit rate
    6: (186, 68, 54, 12),     # length
    10: (34, 180, 32, 22), 11: (70, 180, 32, 22), 12: (106, 180, 32, 22),
    13: (142, 180, 32, 22), 14: (178, 180, 32, 22), 15: (214, 180, 32, 22),
    16: (394, 14, 20, 18),    # minimise
    17: (418, 14, 20, 18),    # close
    18: (438, 44, 16, 16),    # playlist up
    19: (438, 248, 16, 16),   # playlist down
    21: (42, 220, 12, 38), 22: (60, 220, 12, 38), 23: (78, 220, 12, 38),
    24: (96, 220, 12, 38), 25: (114, 220, 12, 38), 26: (132, 220, 12, 38),
    27: (160, 220, 14, 38),   # volume
    28: (42, 100, 196, 10),   # position
    29: (198, 212, 48, 22),   # shuffle
    30: (198, 240, 48, 22),   # repeat
}

GLASS_COLOURS = {
    "Background": (242, 246, 250),
    "Border": (96, 116, 138),
    "Unactive": (208, 218, 228),
    "Active": (58, 120, 196),
    "Text": (22, 38, 60),
    "Clicked": (28, 84, 160),
    "Over": (96, 156, 224),
}

GLASS_BUTTON = {
    "radius": 5,
    "edge": (104, 120, 140), "top": (252, 253, 255), "bottom": (198, 210, 224),
    "light": (255, 255, 255), "dark": (170, 184, 200),
    "ink": (38, 58, 86), "shadow": (255, 255, 255),
    "glyph": glyph_size,
}

_glass_sdf = sd_round(0, 0, GLASS_W, GLASS_H, GLASS_R)


def glass_inside(x, y):
    return _glass_sdf(x + 0.5, y + 0.5) < 0


def draw_glass():
    W, H = GLASS_W, GLASS_H
    E = GLASS_ELEMENTS
    c = Canvas(W, H, OUTSIDE_GREY)
    top, bottom = (226, 234, 243), (172, 188, 206)
    rim = (70, 86, 106)
    for y in range(H):
        base = mix(top, bottom, y / (H - 1))
        for x in range(W):
            d = -_glass_sdf(x + 0.5, y + 0.5)
            if d <= 0:
                continue
            # A gloss over the upper part, bounded by a wide curve.
            f = ((x + 0.5 - W / 2) / (W * 0.85)) ** 2 + ((y + 0.5 + H * 0.55) / (H * 0.95)) ** 2
            col = mix(base, (255, 255, 255), max(0.0, min(1.0, (1 - f) * 6)) * 0.5)
            col = shade(col, (noise(x, y, 11) - 0.5) * 0.02)
            if d < 1.5:
                col = rim
            elif d < 2.5:
                col = mix(rim, (255, 255, 255), 0.55 if y < H / 2 else 0.15)
            elif d < 3.5:
                col = mix(col, (255, 255, 255), 0.5 if y < H / 2 else 0.2)
            c.px[y][x] = col

    # Title: the glass bead and the word mark; the window buttons on the right.
    box_shape(c, 31, 11, 24, 24, 12, (60, 80, 110), 0.35)
    box_shape(c, 30, 10, 24, 24, 12, vgrad(10, 24, (120, 178, 236), (26, 80, 156)))
    box_shape(c, 34, 12, 16, 9, 5, (255, 255, 255), 0.45)
    stroke(c, 36.5, 16.5, 42, 28, 2.6, (255, 255, 255))
    stroke(c, 42, 28, 47.5, 16.5, 2.6, (255, 255, 255))
    logo = alpha_mask(80, 22, lambda s: word(s, "VIMBO", 3, 4, 2.0, 2.1, (255, 255, 255)))
    apply_mask(c, logo, 60, 12, (255, 255, 255), 0.9)
    apply_mask(c, logo, 60, 11, vgrad(14, 14, (46, 70, 102), (22, 38, 60)))
    button(c, E[16], "min", GLASS_BUTTON)
    button(c, E[17], "close", dict(GLASS_BUTTON, ink=(150, 40, 40)))

    frost_dark, frost_light = (112, 128, 148), (255, 255, 255)
    # Display.
    dsp = (32, 44, 216, 76)
    well(c, dsp, 0, 8, vgrad(dsp[1], dsp[3], (206, 220, 234), (236, 243, 250)), frost_dark, frost_light)
    box_shape(c, dsp[0] + 1, dsp[1] + 1, dsp[2] - 2, 2, 7, (120, 138, 160), 0.25)
    for tag, text in ((5, "KBPS"), (6, "LEN")):
        caption(c, text, E[tag][0] - 2 - caption_width(text), E[tag][1] + 4, (96, 116, 138))
    well(c, E[28], 2, 3, (226, 234, 242), (150, 166, 184), (255, 255, 255))

    # Now playing.
    npl = (32, 128, 216, 44)
    well(c, npl, 0, 8, vgrad(npl[1], npl[3], (214, 226, 238), (240, 245, 250)), frost_dark, frost_light)
    box_shape(c, npl[0] + 1, npl[1] + 1, npl[2] - 2, 2, 7, (120, 138, 160), 0.25)

    # Transport.
    for tag in (10, 11, 12, 13, 14, 15):
        button(c, E[tag], GLYPH_OF[tag], GLASS_BUTTON)

    # Equaliser and volume; shuffle and repeat.
    eq = (E[21][0] - 8, E[21][1] - 10, E[27][0] + E[27][2] + 8 - (E[21][0] - 8), E[21][3] + 16)
    well(c, eq, 0, 8, vgrad(eq[1], eq[3], (204, 215, 228), (226, 234, 242)), frost_dark, frost_light)
    for tag in (21, 22, 23, 24, 25, 26, 27):
        well(c, E[tag], 1, 2, (226, 234, 242), (150, 166, 184), (255, 255, 255))
    sep = (E[26][0] + E[26][2] + E[27][0]) // 2
    box_shape(c, sep, eq[1] + 8, 1, eq[3] - 16, 0, (150, 166, 184))
    box_shape(c, sep + 1, eq[1] + 8, 1, eq[3] - 16, 0, (255, 255, 255), 0.8)
    caption(c, "EQ", eq[0] + 8, eq[1] + 3, (96, 116, 138))
    caption(c, "VOL", E[27][0] + E[27][2] // 2 - caption_width("VOL") // 2, eq[1] + 3, (96, 116, 138))
    button(c, E[29], "shuffle", GLASS_BUTTON)
    button(c, E[30], "repeat", GLASS_BUTTON)

    # Playlist and its scroll buttons.
    well(c, E[4], 2, 6, GLASS_COLOURS["Background"], frost_dark, frost_light)
    ux, uy, uw, uh = E[18]
    dx, dy, dw, dh = E[19]
    well(c, (ux + 4, uy + uh + 4, uw - 8, dy - uy - uh - 8), 0, 4, (214, 224, 234), (150, 166, 184), (255, 255, 255))
    button(c, E[18], "up", GLASS_BUTTON)
    button(c, E[19], "down", GLASS_BUTTON)
    return c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.normpath(os.path.join(HERE, "..", "assets", "skins"))
    ember = draw_ember()
    write_skin(out, "Ember", ember, EMBER_COLOURS, MAGENTA, EMBER_ELEMENTS, SKIN_FONTS,
               lambda x, y: ember.px[y][x] != MAGENTA)
    glass = draw_glass()
    write_skin(out, "Glass", glass, GLASS_COLOURS, None, GLASS_ELEMENTS, SKIN_FONTS, glass_inside)


if __name__ == "__main__":
    main()

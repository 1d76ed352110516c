#!/usr/bin/env python3
"""Draws the window's pictures and icons as .bmp/.ico files (Python 3, stdlib only).

    python3 src/resources/draw_resources.py      # rewrites the files beside it

The outputs are committed, so building the program needs no Python. Every
picture is 24-bit (icons: 32-bit with an AND mask); colours are written as
(red, green, blue).
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

WHITE = (255, 255, 255)
TAB_LIGHT = (0xD6, 0xF3, 0xFF)     # the tab face, as the frame's light line
TAB_OUTLINE = (0x92, 0xD0, 0xEB)   # as the frame's dark line
MARK = (0x00, 0x86, 0xBF)
MOVE_BLUE = (0x26, 0x99, 0xCA)
HOT_BLUE = (0x00, 0xB2, 0xEF)
HOT_OUTLINE = (0x4C, 0xC8, 0xF3)
FORM_BG = (0xE5, 0xF7, 0xFF)
BAND = (0xDF, 0xF6, 0xFF)          # the placeholder page's top band
PANEL_FILL = (248, 248, 248)       # also the transparent key of thumb and buttons
GROOVE_SHADOW = (0x7F, 0xC3, 0xE3)
GROOVE_INNER = (0xC2, 0xE6, 0xF6)
GROOVE_FLOOR = (0xE2, 0xF4, 0xFC)
THUMB_TOP = (0x9C, 0xDE, 0xF9)
THUMB_BOTTOM = (0x22, 0xA0, 0xDA)
THUMB_OUTLINE = (0x15, 0x7F, 0xB8)
THUMB_GRIP = (0xEA, 0xF8, 0xFF)


class Canvas:
    def __init__(self, w, h, fill):
        self.w, self.h = w, h
        self.px = [[fill for _ in range(w)] for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]

    def rect(self, x0, y0, x1, y1, c):  # x1, y1 exclusive
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y][x] = c

    def blend(self, x, y, c, a):
        if 0 <= x < self.w and 0 <= y < self.h and a > 0:
            o = self.px[y][x]
            self.px[y][x] = tuple(round(o[i] + (c[i] - o[i]) * min(1.0, a)) for i in range(3))

    def cover(self, inside, c, samples=4):
        """Paints colour c with anti-aliased coverage of the shape inside(x, y)."""
        step = 1.0 / samples
        for y in range(self.h):
            for x in range(self.w):
                n = 0
                for j in range(samples):
                    for i in range(samples):
                        if inside(x + (i + 0.5) * step, y + (j + 0.5) * step):
                            n += 1
                if n:
                    self.blend(x, y, c, n / (samples * samples))


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def rounded_box(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def write_bmp(name, canvas):
    row = (canvas.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.h - 1, -1, -1):  # bottom-up
        line = bytearray()
        for x in range(canvas.w):
            r, g, b = canvas.px[y][x]
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + data)


def write_ico(name, images):
    """images: list of (canvas, alpha rows); 32-bit BGRA DIBs with AND masks."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for canvas, alpha in images:
        w, h = canvas.w, canvas.h
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b = canvas.px[y][x]
                xor += bytes((b, g, r, alpha[y][x]))
        mask_row = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(w):
                if alpha[y][x] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = info + xor + mask
        entries.append(struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs))


# ---- Title tabs (14 x 13), the shape the window region gives them ----

def tab_span(y):
    """Columns [a, b) of the tab in row y: three one-pixel steps up to an 8-wide top."""
    return {0: (3, 11), 1: (2, 12), 2: (1, 13)}.get(y, (0, 14))


def in_tab(x, y):
    if not (0 <= y < 13):
        return False
    a, b = tab_span(y)
    return a <= x < b


def title_tab(hot, mark):
    c = Canvas(14, 13, WHITE)
    face, outline = (HOT_BLUE, HOT_OUTLINE) if hot else (TAB_LIGHT, TAB_OUTLINE)
    for y in range(13):
        for x in range(14):
            if not in_tab(x, y):
                continue
            edge = any(not in_tab(x + dx, y + dy) for dx, dy in ((-1, 0), (1, 0), (0, -1)))
            # A slight vertical shading on the hot face.
            c.set(x, y, outline if edge else (mix(face, WHITE, 0.25 * (1 - y / 12)) if hot else face))
    ink = WHITE if hot else MARK
    if mark == "move":
        core = WHITE if hot else MOVE_BLUE
        soft = mix(core, face, 0.45)
        for cx, cy in ((7, 4), (4, 7), (10, 7), (7, 10)):
            c.set(cx - 1, cy - 1, soft); c.set(cx, cy - 1, core)
            c.set(cx - 1, cy, core); c.set(cx, cy, soft if hot else mix(core, (0, 0x5A, 0x8A), 0.4))
    elif mark == "min":
        c.rect(4, 9, 10, 11, ink)
    elif mark == "close":
        for i in range(6):
            for x, y in ((4 + i, 4 + i), (9 - i, 4 + i)):
                c.set(x, y, ink)
                c.set(x + 1 if x < 9 else x, y, mix(ink, c.get(x + 1 if x < 9 else x, y), 0.4) if (x, y) != (x + 1, y) else ink)
    return c


# ---- A small block font for the logo's caption ----

GLYPHS = {
    "В": ["1111.", "1...1", "1...1", "1111.", "1...1", "1...1", "1111."],
    "О": [".111.", "1...1", "1...1", "1...1", "1...1", "1...1", ".111."],
    "Л": ["..111", ".1..1", ".1..1", ".1..1", ".1..1", ".1..1", "11..1"],
    "Н": ["1...1", "1...1", "1...1", "11111", "1...1", "1...1", "1...1"],
    "А": [".111.", "1...1", "1...1", "11111", "1...1", "1...1", "1...1"],
    "Р": ["1111.", "1...1", "1...1", "1111.", "1....", "1....", "1...."],
    "Д": ["..11.", ".1.1.", ".1.1.", ".1.1.", ".1.1.", "11111", "1...1"],
    "И": ["1...1", "1...1", "1..11", "1.1.1", "11..1", "1...1", "1...1"],
    "-": [".....", ".....", ".....", ".111.", ".....", ".....", "....."],
}


def draw_text(c, text, x, y, scale, color_top, color_bottom):
    for ch in text:
        g = GLYPHS[ch]
        for gy, line in enumerate(g):
            for gx, bit in enumerate(line):
                if bit != "1":
                    continue
                for sy in range(scale):
                    for sx in range(scale):
                        py = y + gy * scale + sy
                        t = (py - y) / (7 * scale - 1)
                        c.set(x + gx * scale + sx, py, mix(color_top, color_bottom, t))
        x += 6 * scale


def logo():
    # Sits over the placeholder page: its 52-pixel band, then the white band.
    c = Canvas(290, 62, BAND)
    c.rect(0, 54, 290, 62, WHITE)
    # Three radio waves beside a mast.
    for k, r in enumerate((10, 16, 22)):
        col = mix(MOVE_BLUE, BAND, 0.25 * k)
        c.cover(lambda x, y, r=r: abs(math.hypot(x - 30, y - 26) - r) < 1.6
                and abs(math.atan2(y - 26, x - 30)) > 2.2, col)
        c.cover(lambda x, y, r=r: abs(math.hypot(x - 30, y - 26) - r) < 1.6
                and abs(math.atan2(y - 26, x - 30)) < 0.94, col)
    c.cover(lambda x, y: math.hypot(x - 30, y - 26) < 4.5, MARK)
    c.cover(lambda x, y: abs(x - 30) < 1.5 + (y - 26) * 0.12 and 26 < y < 48, MARK)
    draw_text(c, "ВОЛНАР", 62, 8, 3, (0x00, 0x9C, 0xDB), (0x00, 0x6A, 0x9E))
    draw_text(c, "-РАДИО", 62 + 6 * 3 * 6 - 9, 26, 2, MOVE_BLUE, (0x00, 0x6A, 0x9E))
    # A thin wave line under the caption.
    c.cover(lambda x, y: 62 <= x < 280 and abs(y - (46 + 2.0 * math.sin(x / 9.0))) < 0.8,
            mix(TAB_OUTLINE, BAND, 0.2))
    return c


def loudspeaker():
    c = Canvas(13, 13, PANEL_FILL)
    c.rect(1, 4, 4, 9, MOVE_BLUE)
    for i in range(4):
        c.rect(4 + i, 3 - i + 1, 5 + i, 10 + i - 1, MOVE_BLUE)
    for r in (2.6, 4.6):
        c.cover(lambda x, y, r=r: abs(math.hypot(x - 7.5, y - 6.5) - r) < 0.6
                and x > 8.6 and abs(y - 6.5) < r * 0.85, MARK)
    return c


def skin_panel():
    w, h = 427, 39
    c = Canvas(w, h, FORM_BG)
    c.cover(rounded_box(0, 0, w, h, 6), TAB_OUTLINE)
    c.cover(rounded_box(1, 1, w - 1, h - 1, 5), mix(PANEL_FILL, TAB_LIGHT, 0.5))
    c.cover(rounded_box(2, 2, w - 2, h - 2, 4), PANEL_FILL)
    # The slider groove, x 221..380, y 10..15, sunk into the strip: a blue
    # shadow along the top and left, a white light along the bottom and right,
    # a pale blue floor, and its four corner pixels softened into the fill.
    c.rect(221, 10, 381, 16, GROOVE_FLOOR)
    c.rect(221, 10, 381, 11, GROOVE_SHADOW)
    c.rect(221, 10, 222, 16, GROOVE_SHADOW)
    c.rect(222, 11, 381, 12, GROOVE_INNER)
    c.rect(222, 15, 381, 16, WHITE)
    c.rect(380, 11, 381, 16, WHITE)
    for x, y in ((221, 10), (380, 10), (221, 15), (380, 15)):
        c.set(x, y, mix(c.get(x, y), PANEL_FILL, 0.6))
    # Double-arrow marks at both ends of the groove.
    for base, d in ((213, -1), (388, 1)):
        for k in (0, 3):
            for i in range(3):
                x = base + d * (k + i)
                c.rect(x, 12 - (2 - i), x + 1, 13 + (2 - i) + 1, MOVE_BLUE)
    return c


def thumb():
    """23 x 8: a rounded bar with whole-pixel corners, so no edge pixel mixes
    with the transparent key (a mixed one would show as a light fringe)."""
    c = Canvas(23, 8, PANEL_FILL)
    span = {0: (2, 21), 1: (1, 22), 6: (1, 22), 7: (2, 21)}
    def inside(x, y):
        a, b = span.get(y, (0, 23))
        return 0 <= y < 8 and a <= x < b
    for y in range(8):
        for x in range(23):
            if not inside(x, y):
                continue
            edge = any(not inside(x + dx, y + dy) for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)))
            c.set(x, y, THUMB_OUTLINE if edge else mix(THUMB_TOP, THUMB_BOTTOM, (y - 1) / 5))
    # A soft light under the top outline, and three grip lines about the
    # middle column (x = 11).
    for x in range(3, 20):
        c.set(x, 1, mix(THUMB_TOP, WHITE, 0.45))
    for gx in (9, 11, 13):
        c.rect(gx, 2, gx + 1, 6, THUMB_GRIP)
    assert all(c.get(x, y) == PANEL_FILL for x, y in ((0, 0), (22, 0), (0, 7), (22, 7)))
    return c


def glass_face(kind, state):
    """50 x 22 pill faces of the Play/Stop buttons on the transparent key.

    The silhouette is whole pixels (a pixel is face or key, never a mix with
    the key, which would show as a grey fringe over the glass); the outline and
    the marks are anti-aliased only against the face itself. The Stop square
    (x 20..29, y 6..15) and the Play triangle (x 20..30, y 5..16) sit on whole
    pixels where their edges are straight."""
    c = Canvas(50, 22, PANEL_FILL)
    top, bottom, ink, outline = {
        "normal": ((0xEE, 0xFA, 0xFF), (0x86, 0xD2, 0xF5), MARK, TAB_OUTLINE),
        "down": ((0x8A, 0xD3, 0xF5), (0x1E, 0x9C, 0xD6), WHITE, (0x3C, 0xA8, 0xDC)),
        "disabled": ((0xF4, 0xF4, 0xF4), (0xD2, 0xD6, 0xDA), (0xA4, 0xAA, 0xB0), (0xC4, 0xC8, 0xCC)),
    }[state]
    pill = rounded_box(0, 0, 50, 22, 11)
    inner = rounded_box(1, 1, 49, 21, 10)
    solid = [[pill(x + 0.5, y + 0.5) for x in range(50)] for y in range(22)]
    samples = 8
    for y in range(22):
        for x in range(50):
            if not solid[y][x]:
                continue
            fill = mix(top, bottom, y / 21)
            # Outline coverage: the part of the pixel outside the inner pill.
            n = sum(1 for j in range(samples) for i in range(samples)
                    if not inner(x + (i + 0.5) / samples, y + (j + 0.5) / samples))
            edge = any(not (0 <= x + dx < 50 and 0 <= y + dy < 22 and solid[y + dy][x + dx])
                       for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)))
            t = 1.0 if edge else n / samples ** 2
            c.set(x, y, mix(fill, outline, t))
    if kind == "play":
        # Vertical left edge at x = 20, tip at (30.4, 11): about equilateral.
        tip = 20 + 6 * math.sqrt(3)
        c.cover(lambda x, y: 20 <= x and abs(y - 11) <= 6 * (tip - x) / (tip - 20), ink, samples=8)
    else:
        c.rect(20, 6, 30, 16, ink)
    for x, y in ((0, 0), (49, 0), (0, 21), (49, 21)):
        assert c.get(x, y) == PANEL_FILL
    return c


def icon(size):
    c = Canvas(size, size, (0, 0, 0))
    alpha = [[0] * size for _ in range(size)]
    s = size / 32.0
    samples = 4
    for y in range(size):
        for x in range(size):
            n_disc = n_ink = 0
            for j in range(samples):
                for i in range(samples):
                    px = (x + (i + 0.5) / samples) / s
                    py = (y + (j + 0.5) / samples) / s
                    d = math.hypot(px - 16, py - 16)
                    if d <= 15:
                        n_disc += 1
                        # White radio waves and a dot, left-bottom origin.
                        dw = math.hypot(px - 10, py - 22)
                        ang = math.atan2(py - 22, px - 10)
                        wave = any(abs(dw - r) < 1.7 for r in (7, 13)) and -1.45 < ang < -0.12
                        if dw < 3.2 or wave:
                            n_ink += 1
            a = n_disc / samples ** 2
            alpha[y][x] = round(255 * a)
            if n_disc:
                base = mix((0x00, 0xB2, 0xEF), (0x00, 0x6A, 0x9E), y / max(1, size - 1))
                c.px[y][x] = mix(base, WHITE, n_ink / n_disc)
    return c, alpha


def main():
    marks = ["move", "move", "min", "min", "close", "close"]
    for i in range(6):
        write_bmp("image%d.bmp" % (i + 1), title_tab(i % 2 == 1, marks[i]))
    write_bmp("image7.bmp", logo())
    write_bmp("image8.bmp", Canvas(175, 33, BAND))
    write_bmp("image10.bmp", loudspeaker())
    write_bmp("skinpanel.bmp", skin_panel())
    write_bmp("thumb.bmp", thumb())
    for kind in ("play", "stop"):
        for state in ("normal", "down", "disabled"):
            write_bmp("%s_%s.bmp" % (kind, state), glass_face(kind, state))
    write_ico("volnar.ico", [icon(32), icon(24), icon(16)])


if __name__ == "__main__":
    main()

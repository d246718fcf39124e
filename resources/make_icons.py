#!/usr/bin/env python3
"""Draws the module's 23 icons and writes them to resources/icons/.

1001 (the "Filters" category): 20x20 bitmap file, 32 bits per pixel.
1002..1020 (one per method): 40x40 bitmap files, 32 bits per pixel.
1021, 1022 (the two sub-group categories): the host's compact icon format.
1023 ("flat_field"): 40x40 bitmap file, 24 bits per pixel.

Run it again after changing a pictogram; the build embeds whatever is in
resources/icons/.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "icons")

CONVOLUTION = (70, 110, 200)   # blue-ish tile for convolution methods (R, G, B)
MORPHOLOGY = (60, 150, 90)     # green tile for morphologic methods
COLOR = (200, 140, 40)         # amber tile for colour methods
INK = (255, 255, 255)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def put(self, x, y, rgb, a=255):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = (rgb[0], rgb[1], rgb[2], a)

    def tile(self, rgb):
        """A rounded square filling the icon."""
        s, r = self.size, self.size // 5
        for y in range(s):
            for x in range(s):
                cx = min(max(x, r), s - 1 - r)
                cy = min(max(y, r), s - 1 - r)
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    shade = 1.0 - 0.25 * y / s
                    self.put(x, y, tuple(int(c * shade) for c in rgb))

    def rect(self, x0, y0, x1, y1, rgb=INK):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, rgb)

    def disc(self, cx, cy, r, rgb=INK, soft=False):
        for y in range(self.size):
            for x in range(self.size):
                d = math.hypot(x - cx, y - cy)
                if d <= r:
                    if soft:
                        k = 1.0 - d / r
                        base = self.px[y][x]
                        mix = tuple(int(base[i] + (rgb[i] - base[i]) * k) for i in range(3))
                        self.put(x, y, mix)
                    else:
                        self.put(x, y, rgb)

    def ring(self, cx, cy, r0, r1, rgb=INK):
        for y in range(self.size):
            for x in range(self.size):
                if r0 <= math.hypot(x - cx, y - cy) <= r1:
                    self.put(x, y, rgb)

    def line(self, x0, y0, x1, y1, w=1, rgb=INK):
        n = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(n + 1):
            t = i / n
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            self.rect(int(x - w / 2 + 0.5), int(y - w / 2 + 0.5), int(x + w / 2 - 0.5), int(y + w / 2 - 0.5), rgb)

    def grid(self, n, rgb=INK, centre=None):
        cell = 24 // n
        x0 = (self.size - cell * n) // 2
        for j in range(n):
            for i in range(n):
                colour = centre if (centre and i == j == n // 2) else rgb
                self.rect(x0 + i * cell + 1, x0 + j * cell + 1, x0 + (i + 1) * cell - 1, x0 + (j + 1) * cell - 1, colour)

    def arrow(self, up, cx, rgb=INK):
        tip, tail = (9, 31) if up else (31, 9)
        self.line(cx, tail, cx, tip, 3, rgb)
        d = 6 if up else -6
        self.line(cx, tip, cx - 6, tip + d, 3, rgb)
        self.line(cx, tip, cx + 6, tip + d, 3, rgb)


def bmp_file(canvas, bits):
    """A Windows bitmap file image, bottom-up rows."""
    s = canvas.size
    stride = (s * bits // 8 + 3) & ~3
    rows = b""
    for y in reversed(range(s)):
        row = b""
        for x in range(s):
            r, g, b, a = canvas.px[y][x]
            row += bytes((b, g, r, a)) if bits == 32 else bytes((b, g, r))
        rows += row + b"\0" * (stride - len(row))
    header = struct.pack("<IiiHHIIiiII", 40, s, s, 1, bits, 0, len(rows), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(rows), 0, 0, 54) + header + rows


def compact_icon(canvas):
    """The host's compact format: "KAI1", width, height, palette, then
    (count, index) runs row by row from the top."""
    palette, runs = [], []
    flat = [canvas.px[y][x] for y in range(canvas.size) for x in range(canvas.size)]
    for p in flat:
        if p not in palette:
            palette.append(p)
    assert len(palette) <= 255
    i = 0
    while i < len(flat):
        j = i
        while j < len(flat) and flat[j] == flat[i] and j - i < 255:
            j += 1
        runs.append(bytes((j - i, palette.index(flat[i]))))
        i = j
    out = b"KAI1" + bytes((canvas.size, canvas.size, len(palette)))
    out += b"".join(bytes((b, g, r, a)) for (r, g, b, a) in palette)
    return out + b"".join(runs)


def method_icon(tile, draw):
    c = Canvas(40)
    c.tile(tile)
    draw(c)
    return c


def bell(c):
    pts = [(x, 31 - 20 * math.exp(-((x - 20) / 6.0) ** 2)) for x in range(6, 35)]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        c.line(x0, y0, x1, y1, 2)
    c.line(6, 32, 34, 32, 1)


def plus(c, boost):
    c.rect(17, 8, 22, 31)
    c.rect(8, 17, 31, 22)
    for k in range(boost):
        c.rect(28 + 0, 6 + k * 4, 33, 7 + k * 4)


def bars(c, highlight):
    heights = [8, 14, 20, 26, 30]
    for i, h in enumerate(heights):
        colour = (255, 220, 80) if i == highlight else INK
        c.rect(7 + i * 6, 34 - h, 10 + i * 6, 33, colour)


def skeleton(c):
    c.line(20, 7, 20, 33, 1)
    c.line(8, 14, 32, 14, 1)
    c.line(20, 24, 10, 33, 1)
    c.line(20, 24, 30, 33, 1)


def edge(c):
    c.rect(8, 8, 31, 31, (30, 60, 40))
    for k in range(8, 32):
        c.put(8, k, INK), c.put(31, k, INK), c.put(k, 8, INK), c.put(k, 31, INK)


def vignette(c):
    for y in range(40):
        for x in range(40):
            if c.px[y][x][3]:
                d = math.hypot(x - 20, y - 20) / 28
                v = int(255 * (1 - 0.6 * d * d))
                c.put(x, y, (v, v, int(v * 0.9)))


DRAW = {
    1002: (MORPHOLOGY, lambda c: c.grid(3)),                                       # mean
    1003: (CONVOLUTION, lambda c: c.disc(20, 20, 14, soft=True)),                   # blur
    1004: (CONVOLUTION, bell),                                                     # gaussian
    1005: (CONVOLUTION, lambda c: plus(c, 1)),                                     # laplacian 1
    1006: (CONVOLUTION, lambda c: plus(c, 2)),                                     # laplacian 2
    1007: (CONVOLUTION, lambda c: plus(c, 3)),                                     # laplacian 3
    1008: (MORPHOLOGY, lambda c: bars(c, 2)),                                      # median
    1009: (MORPHOLOGY, lambda c: c.disc(20, 20, 13)),                             # dilation
    1010: (MORPHOLOGY, lambda c: c.disc(20, 20, 6)),                              # erosion
    1011: (MORPHOLOGY, lambda c: (c.disc(20, 20, 11), c.rect(19, 4, 21, 36, MORPHOLOGY))),  # opening
    1012: (MORPHOLOGY, lambda c: (c.ring(20, 20, 6, 12), c.disc(20, 20, 4))),     # closing
    1013: (MORPHOLOGY, skeleton),                                                  # skeletonization
    1014: (MORPHOLOGY, lambda c: c.arrow(False, 20)),                             # minimum
    1015: (MORPHOLOGY, lambda c: c.arrow(True, 20)),                              # maximum
    1016: (MORPHOLOGY, lambda c: (c.arrow(True, 13), c.arrow(False, 27))),        # extreme
    1017: (MORPHOLOGY, edge),                                                      # edge
    1018: (CONVOLUTION, lambda c: c.grid(3, centre=(255, 220, 80))),              # kernel_3x3
    1019: (CONVOLUTION, lambda c: c.grid(5, centre=(255, 220, 80))),              # kernel_5x5
    1020: (CONVOLUTION, lambda c: c.grid(4)),                                     # kernel
}


def main():
    os.makedirs(OUT, exist_ok=True)
    files = {}
    for rid, (tile, draw) in DRAW.items():
        files[f"{rid}.bmp"] = bmp_file(method_icon(tile, draw), 32)
    flat = method_icon(COLOR, vignette)
    files["1023.bmp"] = bmp_file(flat, 24)
    root = Canvas(20)
    root.tile((90, 90, 110))
    root.line(4, 5, 15, 5, 2), root.line(4, 5, 9, 11, 2), root.line(15, 5, 10, 11, 2), root.rect(9, 11, 10, 16)
    files["1001.bmp"] = bmp_file(root, 32)
    for rid, tile in ((1021, CONVOLUTION), (1022, MORPHOLOGY)):
        small = Canvas(16)
        small.tile(tile)
        small.rect(4, 7, 11, 8) if rid == 1021 else small.disc(7.5, 7.5, 4)
        files[f"{rid}.kai"] = compact_icon(small)
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print(f"wrote {len(files)} icons to {OUT}")


if __name__ == "__main__":
    main()

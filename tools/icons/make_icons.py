#!/usr/bin/env python3
"""Writes the suite's list icons (.ico) from the drawings in icons.txt.

    make_icons.py DRAWINGS OUT_DIR

Each drawing is a few filled and outlined shapes on a 32x32 grid. Every icon
gets four images: 16x16 and 32x32, each in 256 colours (a fixed palette, a
1-bit mask: what Windows 95 to 2000 show) and in 32-bit colour with alpha.
The output depends on nothing but the drawings, so the same drawings always
give the same bytes.

Drawing language (one shape a line; a line that starts with '# ' is a comment):
    icon NAME
    rect    X0 Y0 X1 Y1            FILL STROKE WIDTH
    rrect   X0 Y0 X1 Y1 RADIUS     FILL STROKE WIDTH
    ellipse CX CY RX RY            FILL STROKE WIDTH
    poly    FILL STROKE WIDTH : X Y X Y ...   (closed)
    line    STROKE WIDTH : X Y X Y ...        (open)
    gear    CX CY ROUTER RINNER TEETH FILL STROKE WIDTH
Colours are #rrggbb or '-' for none; widths are in grid units (2 = one pixel
at 16x16).
"""
import math
import os
import struct
import sys

GRID = 32.0
SAMPLES = 4  # per pixel and axis


def parse_colour(text):
    if text == "-":
        return None
    if not (text.startswith("#") and len(text) == 7):
        raise ValueError("bad colour %r" % text)
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


def ellipse_points(cx, cy, rx, ry, steps=64):
    return [(cx + rx * math.cos(2 * math.pi * i / steps), cy + ry * math.sin(2 * math.pi * i / steps))
            for i in range(steps)]


def rrect_points(x0, y0, x1, y1, r):
    r = min(r, (x1 - x0) / 2, (y1 - y0) / 2)
    pts = []
    for cx, cy, start in ((x1 - r, y0 + r, -90), (x1 - r, y1 - r, 0), (x0 + r, y1 - r, 90),
                          (x0 + r, y0 + r, 180)):
        for i in range(9):
            a = math.radians(start + 90 * i / 8)
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def gear_points(cx, cy, outer, inner, teeth):
    pts = []
    for t in range(teeth):
        base = 2 * math.pi * t / teeth
        step = 2 * math.pi / teeth
        for frac, radius in ((0.0, inner), (0.15, outer), (0.5, outer), (0.65, inner)):
            a = base + step * frac
            pts.append((cx + radius * math.cos(a), cy + radius * math.sin(a)))
    return pts


class Shape:
    def __init__(self, points, closed, fill, stroke, width):
        self.points, self.closed = points, closed
        self.fill, self.stroke, self.width = fill, stroke, width
        pad = width / 2 + 1
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.box = (min(xs) - pad, min(ys) - pad, max(xs) + pad, max(ys) + pad)
        n = len(points)
        count = n if closed else n - 1
        self.segments = [(points[i], points[(i + 1) % n]) for i in range(count)]

    def inside(self, x, y):
        hit = False
        for (x0, y0), (x1, y1) in self.segments:
            if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                hit = not hit
        return hit

    def near_outline(self, x, y):
        limit = (self.width / 2) ** 2
        for (x0, y0), (x1, y1) in self.segments:
            dx, dy = x1 - x0, y1 - y0
            length = dx * dx + dy * dy
            t = 0.0 if length == 0 else max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length))
            ex, ey = x0 + t * dx - x, y0 + t * dy - y
            if ex * ex + ey * ey <= limit:
                return True
        return False

    def colour_at(self, x, y):
        b = self.box
        if x < b[0] or y < b[1] or x > b[2] or y > b[3]:
            return None
        if self.stroke and self.width > 0 and self.near_outline(x, y):
            return self.stroke
        if self.fill and self.closed and self.inside(x, y):
            return self.fill
        return None


def parse_drawings(text):
    icons, order, current = {}, [], None
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("# ") or line == "#":
            continue
        words = line.split()
        try:
            kind = words[0]
            if kind == "icon":
                current = words[1]
                if current in icons:
                    raise ValueError("icon %s drawn twice" % current)
                icons[current] = []
                order.append(current)
                continue
            if current is None:
                raise ValueError("shape before the first icon")
            if kind in ("poly", "line"):
                head, coords = line.split(":", 1)
                head = head.split()
                values = [float(v) for v in coords.split()]
                points = list(zip(values[0::2], values[1::2]))
                if kind == "poly":
                    shape = Shape(points, True, parse_colour(head[1]), parse_colour(head[2]),
                                  float(head[3]))
                else:
                    shape = Shape(points, False, None, parse_colour(head[1]), float(head[2]))
            else:
                counts = {"rect": 4, "rrect": 5, "ellipse": 4, "gear": 5}
                n = counts[kind]
                v = [float(w) for w in words[1:1 + n]]
                fill, stroke, width = parse_colour(words[1 + n]), parse_colour(words[2 + n]), float(
                    words[3 + n])
                if kind == "rect":
                    points = [(v[0], v[1]), (v[2], v[1]), (v[2], v[3]), (v[0], v[3])]
                elif kind == "rrect":
                    points = rrect_points(*v)
                elif kind == "ellipse":
                    points = ellipse_points(*v)
                else:
                    points = gear_points(v[0], v[1], v[2], v[3], int(v[4]))
                shape = Shape(points, True, fill, stroke, width)
        except (IndexError, KeyError, ValueError) as error:
            raise SystemExit("icons: line %d: %s (%s)" % (number, raw.strip(), error))
        icons[current].append(shape)
    return order, icons


def sample(shapes):
    """The colour (or None) at SAMPLES x SAMPLES points of every pixel of the
    32x32 image, the topmost shape's that covers the point."""
    count = int(GRID) * SAMPLES
    grid = []
    for j in range(count):
        y = (j + 0.5) / SAMPLES
        here = [shape for shape in reversed(shapes) if shape.box[1] <= y <= shape.box[3]]
        row = []
        for i in range(count):
            x = (i + 0.5) / SAMPLES
            colour = None
            for shape in here:
                colour = shape.colour_at(x, y)
                if colour:
                    break
            row.append(colour)
        grid.append(row)
    return grid


def render(grid, size):
    """RGBA rows, top row first: each pixel the mean of its block of samples."""
    block = len(grid) // size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for y in range(py * block, (py + 1) * block):
                for colour in grid[y][px * block:(px + 1) * block]:
                    if colour:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        a += 1
            if a:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / block ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def palette():
    """A fixed 256-colour palette: the 6x6x6 colour cube, 30 greys, 10 unused black."""
    levels = (0, 51, 102, 153, 204, 255)
    colours = [(r, g, b) for r in levels for g in levels for b in levels]
    colours += [(round(255 * i / 31),) * 3 for i in range(1, 31)]
    colours += [(0, 0, 0)] * (256 - len(colours))
    return colours


PALETTE = palette()


def nearest(colour, cache={}):
    if colour not in cache:
        cache[colour] = min(range(256), key=lambda i: sum((c - p) ** 2 for c, p in zip(colour, PALETTE[i])))
    return cache[colour]


def mask_rows(pixels, size):
    """The AND mask, bottom row first: a set bit is a transparent pixel."""
    stride = ((size + 31) // 32) * 4
    out = b""
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def image_8bit(pixels, size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    stride = (size + 3) // 4 * 4
    body = b""
    for row in reversed(pixels):
        line = bytes(nearest(p[:3]) if p[3] >= 128 else 0 for p in row)
        body += line + b"\0" * (stride - size)
    return header + table + body + mask_rows(pixels, size)


def image_32bit(pixels, size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = b"".join(struct.pack("<BBBB", p[2], p[1], p[0], p[3]) for row in reversed(pixels)
                    for p in row)
    return header + body + mask_rows(pixels, size)


def ico(shapes):
    grid = sample(shapes)
    rendered = {size: render(grid, size) for size in (32, 16)}
    images = []
    for bits in (8, 32):
        for size in (32, 16):
            pixels = rendered[size]
            data = image_8bit(pixels, size) if bits == 8 else image_32bit(pixels, size)
            images.append((size, bits, data))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(data),
                           offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def main(argv):
    if len(argv) != 3:
        raise SystemExit(__doc__)
    with open(argv[1], encoding="utf-8") as f:
        order, icons = parse_drawings(f.read())
    os.makedirs(argv[2], exist_ok=True)
    for name in order:
        data = ico(icons[name])
        path = os.path.join(argv[2], name + ".ico")
        try:
            with open(path, "rb") as f:
                if f.read() == data:
                    continue  # unchanged: the resources need not be built again
        except OSError:
            pass
        with open(path, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv)

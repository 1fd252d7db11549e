#!/usr/bin/env python3
"""Draws the dialler's icon (Tovrin.ico) and logo bitmap (Logo.bmp).

Pure Python, no imaging library, so the output is the same on every machine:
    draw-dialler-art.py OUTPUT_DIR
The logo fills the main dialog's 203 x 128 dialog-unit picture at the
base units of an 8-point dialog font (305 x 192 pixels at 6 x 12).
"""
import math
import struct
import sys
from pathlib import Path

LOGO_WIDTH, LOGO_HEIGHT = 305, 192

# A 5 x 7 block font with only the letters the artwork uses.
GLYPHS = {
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    " ": ["00000"] * 7,
}


class Canvas:
    def __init__(self, width, height, colour=(0, 0, 0, 0)):
        self.width, self.height = width, height
        self.pixels = [list(colour) for _ in range(width * height)]

    def blend(self, x, y, colour, coverage=1.0):
        if not (0 <= x < self.width and 0 <= y < self.height) or coverage <= 0:
            return
        r, g, b, a = colour
        alpha = (a / 255.0) * min(coverage, 1.0)
        p = self.pixels[y * self.width + x]
        out_a = alpha + (p[3] / 255.0) * (1 - alpha)
        for i, c in enumerate((r, g, b)):
            under = p[i] * (p[3] / 255.0) * (1 - alpha)
            p[i] = int(round((c * alpha + under) / out_a)) if out_a else 0
        p[3] = int(round(out_a * 255))

    def fill(self, shader):
        for y in range(self.height):
            for x in range(self.width):
                self.blend(x, y, shader(x, y))

    def ring(self, cx, cy, radius, thickness, colour, start_deg, end_deg):
        """An anti-aliased arc, angles measured anticlockwise from east."""
        reach = int(radius + thickness) + 2
        for y in range(int(cy) - reach, int(cy) + reach + 1):
            for x in range(int(cx) - reach, int(cx) + reach + 1):
                dx, dy = x + 0.5 - cx, cy - (y + 0.5)
                angle = math.degrees(math.atan2(dy, dx))
                if not start_deg <= angle <= end_deg:
                    continue
                edge = abs(math.hypot(dx, dy) - radius) - thickness / 2
                self.blend(x, y, colour, 0.5 - edge)

    def disc(self, cx, cy, radius, colour):
        self.ring(cx, cy, radius / 2, radius, colour, -180, 180)

    def text(self, x0, y0, words, scale, colour):
        x = x0
        for ch in words:
            for row, bits in enumerate(GLYPHS[ch]):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        for sy in range(scale):
                            for sx in range(scale):
                                self.blend(x + col * scale + sx, y0 + row * scale + sy, colour)
            x += 6 * scale

    @staticmethod
    def text_width(words, scale):
        return len(words) * 6 * scale - scale


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def draw_logo():
    c = Canvas(LOGO_WIDTH, LOGO_HEIGHT)
    top, bottom = (22, 64, 124, 255), (6, 22, 52, 255)
    c.fill(lambda x, y: mix(top, bottom, y / (LOGO_HEIGHT - 1)))
    # A telephone line running across the lower half, carrying the signal.
    for x in range(LOGO_WIDTH):
        wave = 138 + 9 * math.sin(x / 17.0) * math.exp(-((x - 150) / 120.0) ** 2)
        for y in range(int(wave) - 2, int(wave) + 3):
            c.blend(x, y, (250, 180, 60, 255), 1.5 - abs(y + 0.5 - wave))
    # Signal arcs rising from a socket dot.
    cx, cy = 152, 100
    for i, radius in enumerate((16, 30, 44)):
        c.ring(cx, cy, radius, 5, (140, 210, 255, 230 - 50 * i), 35, 145)
    c.disc(cx, cy, 7, (250, 180, 60, 255))
    # The name, with a soft drop shadow.
    name, scale = "TOVRIN", 6
    x0 = (LOGO_WIDTH - Canvas.text_width(name, scale)) // 2
    c.text(x0 + 3, 20 + 3, name, scale, (0, 0, 0, 110))
    c.text(x0, 20, name, scale, (255, 255, 255, 255))
    tag, tscale = "DIAL-UP", 2
    c.text((LOGO_WIDTH - Canvas.text_width(tag, tscale)) // 2, 162, tag, tscale, (190, 215, 240, 255))
    return c


def draw_icon(size):
    c = Canvas(size, size)
    s = size / 32.0
    corner = 6 * s
    top, bottom = (40, 110, 200, 255), (10, 40, 100, 255)

    def tile(x, y):
        # A rounded square: distance outside the rounded corners fades out.
        px, py = x + 0.5, y + 0.5
        qx = max(corner - px, px - (size - corner), 0)
        qy = max(corner - py, py - (size - corner), 0)
        outside = math.hypot(qx, qy) - corner
        colour = mix(top, bottom, y / (size - 1))
        return colour[:3] + (int(255 * max(0.0, min(1.0, 0.5 - outside))),)

    c.fill(tile)
    cx, cy = 16 * s, 24 * s
    for radius in (6 * s, 12 * s, 18 * s):
        c.ring(cx, cy, radius, max(2.0, 3 * s), (255, 255, 255, 255), 40, 140)
    c.disc(cx, cy, max(2.0, 3.5 * s), (250, 180, 60, 255))
    return c


def palette_of(canvas, size=256):
    """Median cut of the picture's colours into at most `size` entries, each
    the pixel-weighted mean of its box: the gradients stay smooth."""
    counts = {}
    for r, g, b, _ in canvas.pixels:
        counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    boxes = [list(counts.items())]
    while len(boxes) < size:
        splittable = [bx for bx in boxes if len(bx) > 1]
        if not splittable:
            break
        # Split the box with the widest channel range, weighted by pixels.
        def spread(bx):
            return max(max(c[i] for c, _ in bx) - min(c[i] for c, _ in bx) for i in range(3)) * sum(n for _, n in bx)
        box = max(splittable, key=spread)
        boxes.remove(box)
        channel = max(range(3), key=lambda i: max(c[i] for c, _ in box) - min(c[i] for c, _ in box))
        box.sort(key=lambda item: item[0][channel])
        total, running, cut = sum(n for _, n in box), 0, 1
        for cut, (_, n) in enumerate(box, 1):
            running += n
            if running * 2 >= total:
                break
        cut = min(max(cut, 1), len(box) - 1)
        boxes += [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple(int(round(sum(c[i] * n for c, n in box) / total)) for i in range(3)))
    return palette


def nearest_indices(canvas, palette):
    cache = {}
    out = bytearray()
    for r, g, b, _ in canvas.pixels:
        key = (r, g, b)
        if key not in cache:
            cache[key] = min(range(len(palette)),
                             key=lambda i: (palette[i][0] - r) ** 2 + (palette[i][1] - g) ** 2 + (palette[i][2] - b) ** 2)
        out.append(cache[key])
    return out


def rle8_row(row):
    """One row in BI_RLE8: runs as (count, index), other stretches as
    absolute blocks (0, count, indices, padded to a word); ends the line."""
    out, i, n = bytearray(), 0, len(row)
    while i < n:
        run = 1
        while i + run < n and run < 255 and row[i + run] == row[i]:
            run += 1
        if run >= 2:
            out += bytes((run, row[i]))
            i += run
            continue
        start = i
        while i < n and i - start < 255 and not (i + 2 < n and row[i] == row[i + 1] == row[i + 2]):
            i += 1
        literal = row[start:i]
        if len(literal) < 3:
            for index in literal:
                out += bytes((1, index))
        else:
            out += bytes((0, len(literal))) + bytes(literal) + (b"\0" if len(literal) % 2 else b"")
    return out + b"\0\0"


def bmp_bytes(canvas):
    """An 8-bit palettised, RLE8-compressed bottom-up BMP, which LoadBitmap
    and LoadImage read as they read a 24-bit one, at a tenth of the size: the
    updater fetches the whole program over dial-up."""
    palette = palette_of(canvas)
    indices = nearest_indices(canvas, palette)
    w = canvas.width
    data = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        data += rle8_row(indices[y * w:(y + 1) * w])
    data[-2:] = b"\0\1"  # the last end of line becomes the end of the bitmap
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    header = struct.pack("<IiiHHIIiiII", 40, w, canvas.height, 1, 8, 1, len(data), 2835, 2835, len(palette), 0)
    offset = 14 + len(header) + len(colours)
    return struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset) + header + colours + bytes(data)


def icon_image(canvas):
    """One 32-bit image of an .ico: header, BGRA rows bottom-up, AND mask."""
    w, h = canvas.width, canvas.height
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = canvas.pixels[y * w + x]
            colour += bytes((b, g, r, a))
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def ico_bytes(canvases):
    images = [icon_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    out.mkdir(parents=True, exist_ok=True)
    (out / "Logo.bmp").write_bytes(bmp_bytes(draw_logo()))
    (out / "Tovrin.ico").write_bytes(ico_bytes([draw_icon(32), draw_icon(16), draw_icon(48)]))


if __name__ == "__main__":
    main()

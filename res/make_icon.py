#!/usr/bin/env python3
"""Draws the programs' icon into res/chpimport.ico: 16 to 256 pixels.

The picture of BITMAP1 in small: a dark blue rounded square (the bitmap's gradient) with a
green voice-band level display. Small sizes get their bars on the pixel grid so they stay
sharp; the edges are smoothed by 4 x 4 supersampling. Sizes below 256 are 32-bit BMP
entries (with the AND mask old systems want), the 256-pixel one is a PNG, as Windows
Vista and later read it. Only the standard library is used and the output is the same on
every run; the committed chpimport.ico is its output, so run it only to change the icon.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
SUPERSAMPLE = 4

# Half-heights of the bars, as parts of the icon's height, from left to right.
PROFILE_SMALL = [0.16, 0.30, 0.40, 0.26, 0.12]
PROFILE_LARGE = [0.12, 0.24, 0.34, 0.40, 0.30, 0.20, 0.10]

TOP, BOTTOM = (16, 24, 60), (47, 55, 123)  # BITMAP1's background gradient
RIM = (110, 130, 210)
BAR_LOW, BAR_HIGH = (20, 140, 150), (80, 250, 110)  # BITMAP1's waveform greens


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def in_rounded_square(x, y, size, inset, radius):
    """Whether point (x, y) lies in the square [inset, size - inset] with rounded corners."""
    lo, hi = inset + radius, size - inset - radius
    dx = max(lo - x, 0.0, x - hi)
    dy = max(lo - y, 0.0, y - hi)
    return dx * dx + dy * dy <= radius * radius


def bars(size):
    """The level bars as (left, top, right, bottom) rectangles in pixels."""
    profile = PROFILE_SMALL if size < 48 else PROFILE_LARGE
    count = len(profile)
    width = max(1, round(size * (0.09 if size < 48 else 0.07)))
    gap = max(1, round(size * (0.06 if size < 48 else 0.045)))
    left = (size - (count * width + (count - 1) * gap)) // 2
    rects = []
    for i, half in enumerate(profile):
        h = max(1, round(half * size))
        x = left + i * (width + gap)
        rects.append((x, size // 2 - h, x + width, size // 2 + h))
    return rects


def pixel_colour(x, y, size, rects):
    """Colour and coverage (0 to 1) of one sample point."""
    inset = size * 0.03
    radius = size * 0.2
    if not in_rounded_square(x, y, size, inset, radius):
        return None
    rim = max(1.0, size / 32)
    if not in_rounded_square(x, y, size, inset + rim, max(radius - rim, 0.5)):
        return RIM
    for left, top, right, bottom in rects:
        if left <= x < right and top <= y < bottom:
            reach = abs(y - size / 2) / (size * 0.42)
            return mix(BAR_HIGH, BAR_LOW, min(reach, 1.0))
    return mix(TOP, BOTTOM, y / size)


def draw(size):
    """Rows of (r, g, b, a) tuples, top row first."""
    rects = bars(size)
    n = SUPERSAMPLE
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0.0, 0.0, 0.0]
            covered = 0
            for sy in range(n):
                for sx in range(n):
                    c = pixel_colour(px + (sx + 0.5) / n, py + (sy + 0.5) / n, size, rects)
                    if c is None:
                        continue
                    covered += 1
                    for i in range(3):
                        total[i] += c[i]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (round(t / covered) for t in total)
                row.append((r, g, b, round(255 * covered / (n * n))))
        rows.append(row)
    return rows


def bmp_entry(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):  # set bits: transparent, for systems that ignore alpha
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(colour) + bytes(mask)


def png_entry(rows):
    size = len(rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for pixel in row:
            raw += bytes(pixel)
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    idat = zlib.compress(bytes(raw), 9)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


def ico(images):
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, data = b"", b""
    for size, blob in images:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset + len(data))
        data += blob
    return header + entries + data


if __name__ == "__main__":
    images = []
    for size in SIZES:
        rows = draw(size)
        images.append((size, png_entry(rows) if size >= 256 else bmp_entry(rows)))
    with open(os.path.join(HERE, "chpimport.ico"), "wb") as out:
        out.write(ico(images))

#!/usr/bin/env python3
"""Draws BITMAP1, the program's 411 x 77 picture, into res/bitmap1.bmp.

An 8-bit palette BMP: a dark blue gradient, a speech-like waveform on the left and the
words "CHP IMPORT" / "ISD TO ZUVAN" drawn with a small built-in pixel font. Only the
standard library is used and the output is the same on every run; the committed
bitmap1.bmp is its output, so run it only to change the picture.
"""
import math
import os
import struct

WIDTH, HEIGHT = 411, 77
HERE = os.path.dirname(os.path.abspath(__file__))

# 5 x 7 glyphs, one string of five "#"/"." cells per row.
FONT = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    " ": ["....."] * 7,
}

# Palette: 0-63 background blues, 64-127 waveform greens, 128-191 greys, 255 white.
BACKGROUND, WAVE, GREY, WHITE = 0, 64, 128, 255


def palette():
    colours = []
    for i in range(256):
        if i < 64:  # dark navy to a deeper blue
            colours.append((16 + i // 2, 24 + i // 2, 60 + i))
        elif i < 128:  # teal to bright green
            t = (i - 64) / 63
            colours.append((int(20 + 60 * t), int(140 + 110 * t), int(150 - 40 * t)))
        elif i < 192:  # greys
            g = (i - 128) * 4
            colours.append((g, g, g))
        else:
            colours.append((255, 255, 255))
    return colours


def draw():
    pixels = [[0] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):  # vertical gradient
        shade = BACKGROUND + (63 * y) // (HEIGHT - 1)
        for x in range(WIDTH):
            pixels[y][x] = shade

    # Three syllable-like bursts of a voice-band tone, drawn as vertical bars.
    centre = HEIGHT // 2
    left, right = 10, 160
    bursts = [(0.18, 0.12), (0.50, 0.16), (0.82, 0.10)]
    for x in range(left, right):
        t = (x - left) / (right - left)
        envelope = sum(math.exp(-((t - c) / w) ** 2) for c, w in bursts)
        tone = math.sin(2 * math.pi * 9 * t) * 0.6 + math.sin(2 * math.pi * 23 * t) * 0.4
        amplitude = int(round(abs(tone) * envelope * (centre - 6))) + 1
        for y in range(centre - amplitude, centre + amplitude + 1):
            level = 63 - (63 * abs(y - centre)) // (centre - 4)
            pixels[y][x] = WAVE + max(0, min(63, level))
    for x in range(left - 4, right + 4):  # the zero line
        pixels[centre][x] = GREY + 40

    text(pixels, "CHP IMPORT", 182, 10, 3, WHITE)
    text(pixels, "ISD TO ZUVAN", 184, 48, 2, GREY + 50)
    return pixels


def text(pixels, words, x0, y0, scale, colour):
    for n, ch in enumerate(words):
        glyph = FONT[ch]
        for row, cells in enumerate(glyph):
            for col, cell in enumerate(cells):
                if cell != "#":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        pixels[y0 + row * scale + dy][x0 + (n * 6 + col) * scale + dx] = colour


def bmp(pixels):
    stride = (WIDTH + 3) & ~3
    image = bytearray()
    for row in reversed(pixels):  # bottom-up
        image += bytes(row) + bytes(stride - WIDTH)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette())
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(image), 2835, 2835,
                       256, 0)
    return header + info + colours + bytes(image)


if __name__ == "__main__":
    with open(os.path.join(HERE, "bitmap1.bmp"), "wb") as out:
        out.write(bmp(draw()))

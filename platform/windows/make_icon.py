#!/usr/bin/env python3
"""Draws the program's icon, a blue disc emblem, as a Windows .ico (32x32 and 16x16, 32-bit).

The picture is computed here, pixel by pixel, so the build needs no image files or tools.
Usage: make_icon.py OUTPUT.ico
"""
import math
import os
import struct
import sys

SUPERSAMPLE = 4  # sub-pixels per axis, for smooth edges at small sizes


def disc_colour(x, y):
    """Colour (r, g, b, a) of the emblem at (x, y), in units where the disc has radius 1."""
    r = math.hypot(x, y)
    if r > 1.0 or r < 0.18:
        return (0, 0, 0, 0)  # outside, or the centre hole
    if r > 0.90:
        return (10, 40, 110, 255)  # dark rim
    if r < 0.30:
        return (200, 215, 235, 255)  # clear hub around the hole
    # The recorded surface: blue, lighter towards the top left, with a glossy band.
    light = 0.5 - 0.35 * (x + y) / math.sqrt(2)
    angle = math.atan2(y, x)
    gloss = max(0.0, math.cos(2 * (angle + math.pi / 4))) ** 8 * 0.45
    blend = min(1.0, light * 0.6 + gloss)
    base, high = (20, 80, 200), (170, 210, 255)
    return tuple(round(b + (h - b) * blend) for b, h in zip(base, high)) + (255,)


def render(size):
    """BGRA rows, top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = ((px + (sx + 0.5) / SUPERSAMPLE) / size) * 2 - 1
                    y = ((py + (sy + 0.5) / SUPERSAMPLE) / size) * 2 - 1
                    r, g, b, a = disc_colour(x * 1.03, y * 1.03)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SUPERSAMPLE * SUPERSAMPLE
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (round(c / acc[3]) for c in acc[:3])
                row.append((b, g, r, round(alpha)))
        rows.append(row)
    return rows


def icon_image(size):
    """One icon image: BITMAPINFOHEADER, 32-bit colour bottom-up, then the 1-bit AND mask."""
    rows = render(size)
    colour = b"".join(bytes(c for px in row for c in px) for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for px, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[px // 8] |= 0x80 >> (px % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + bytes(mask)


def icon_file(sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    target = sys.argv[1]
    temporary = target + ".part"
    with open(temporary, "wb") as f:
        f.write(icon_file([32, 16]))
    os.replace(temporary, target)


if __name__ == "__main__":
    main()

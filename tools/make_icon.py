#!/usr/bin/env python3
"""Draws Renewer's icon: one 100x100, 32 bits per pixel image in an .ico file.

A blue disc with a white circular arrow (renewal). Run it to regenerate
renewer/renewer.ico; the committed file is its output, so Windows builds need
no Python.
"""
import math
import struct
import sys

SIZE = 100


def pixel(x, y):
    cx = cy = (SIZE - 1) / 2.0
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    if r > 48.5:
        return (0, 0, 0, 0)
    edge = max(0.0, min(1.0, 48.5 - r))  # soft rim
    shade = 1.0 - (y / SIZE) * 0.35
    blue = (int(40 * shade), int(110 * shade), int(215 * shade))
    angle = math.degrees(math.atan2(-dy, dx)) % 360
    colour = blue
    # A ring from 40 to 320 degrees, and an arrow head at its start.
    if 27 <= r <= 35 and 40 <= angle <= 320:
        colour = (255, 255, 255)
    ax, ay = cx + 31 * math.cos(math.radians(40)), cy - 31 * math.sin(math.radians(40))
    # Triangle pointing along the ring's direction of travel (clockwise).
    tip = (ax + 3, ay + 16)
    left = (ax - 12, ay - 6)
    right = (ax + 16, ay - 6)

    def side(p, a, b):
        return (p[0] - b[0]) * (a[1] - b[1]) - (a[0] - b[0]) * (p[1] - b[1])

    p = (x, y)
    d1, d2, d3 = side(p, tip, left), side(p, left, right), side(p, right, tip)
    if not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0)):
        colour = (255, 255, 255)
    return (colour[2], colour[1], colour[0], int(255 * edge))  # BGRA


def build():
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up DIB
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    mask_row = ((SIZE + 31) // 32) * 4
    andmask = bytes(mask_row * SIZE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    image = header + xor + andmask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return icondir + entry + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "renewer/renewer.ico"
    with open(out, "wb") as f:
        f.write(build())

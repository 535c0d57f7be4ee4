#!/usr/bin/env python3
"""Draws the small bitmaps of the setup program's balloon (the close glyph
"BClose" and the icons "INFO", "ERROR" and "WARNING") into src/setup/bitmaps
and the context-menu item's image "software" into src/companions/menu, as
24-bit BMP files on white, the colour the program leaves out when it draws
them. Hard edges only, so no half-white pixel shows a halo. Run it again after
changing a drawing; the bitmaps are checked in."""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
WHITE = (255, 255, 255)


def write_bmp(path, pixels):
    h = len(pixels)
    w = len(pixels[0])
    stride = (w * 3 + 3) & ~3
    rows = []
    for row in reversed(pixels):  # bottom-up
        data = b"".join(bytes((b, g, r)) for (r, g, b) in row)
        rows.append(data + b"\0" * (stride - w * 3))
    image = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(image), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + image)


def canvas(w, h):
    return [[WHITE for _ in range(w)] for _ in range(h)]


def disc(p, cx, cy, r, colour):
    for y in range(len(p)):
        for x in range(len(p[0])):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                p[y][x] = colour


def rect(p, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            p[y][x] = colour


def cross(p, x0, y0, x1, colour, thick=1):
    for i in range(x1 - x0):
        for t in range(thick):
            p[y0 + i][x0 + i + t if x0 + i + t < x1 else x1 - 1] = colour
            p[y0 + i][x1 - 1 - i - t if x1 - 1 - i - t >= x0 else x0] = colour


def close_glyph():
    p = canvas(18, 18)
    grey = (120, 120, 120)
    for x in range(2, 16):
        p[2][x] = p[15][x] = grey
    for y in range(2, 16):
        p[y][2] = p[y][15] = grey
    cross(p, 5, 5, 13, (60, 60, 60), 2)
    return p


def info():
    p = canvas(16, 16)
    disc(p, 8, 8, 7.5, (33, 99, 196))
    rect(p, 7, 3, 9, 5, WHITE)
    rect(p, 7, 6, 9, 13, WHITE)
    rect(p, 6, 12, 10, 13, WHITE)
    return p


def error():
    p = canvas(16, 16)
    disc(p, 8, 8, 7.5, (200, 30, 30))
    cross(p, 4, 4, 12, WHITE, 2)
    return p


def warning():
    p = canvas(16, 16)
    yellow = (240, 190, 20)
    for y in range(1, 15):
        half = (y - 1) * 7.5 / 13
        for x in range(16):
            if abs(x + 0.5 - 8) <= half + 0.5:
                p[y][x] = yellow
    rect(p, 7, 5, 9, 10, (20, 20, 20))
    rect(p, 7, 11, 9, 13, (20, 20, 20))
    return p


def software():
    p = canvas(16, 16)
    blue, dark = (33, 99, 196), (20, 62, 138)
    rect(p, 1, 2, 15, 14, dark)
    rect(p, 2, 5, 14, 13, (230, 238, 250))
    rect(p, 2, 3, 14, 4, blue)
    disc(p, 11, 10, 2.6, (220, 40, 40))
    return p


def main():
    setup = os.path.join(ROOT, "src", "setup", "bitmaps")
    menu = os.path.join(ROOT, "src", "companions", "menu")
    write_bmp(os.path.join(setup, "bclose.bmp"), close_glyph())
    write_bmp(os.path.join(setup, "info.bmp"), info())
    write_bmp(os.path.join(setup, "error.bmp"), error())
    write_bmp(os.path.join(setup, "warning.bmp"), warning())
    write_bmp(os.path.join(menu, "software.bmp"), software())


if __name__ == "__main__":
    main()

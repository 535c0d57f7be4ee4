#!/usr/bin/env python3
"""Draws the 78 base tree images (16x16 each) into one 24-bit bitmap strip,
src/replay/baseimages.bmp. Magenta (255,0,255) is the transparent colour.
Run it again after changing a drawing; the strip is checked in."""
import os
import struct

W, H, N = 16, 16, 78
KEY = (255, 0, 255)

# A 3x5 pixel font for the letters on program glyphs.
FONT = {
    'A': ["010", "101", "111", "101", "101"], 'B': ["110", "101", "110", "101", "110"],
    'C': ["011", "100", "100", "100", "011"], 'D': ["110", "101", "101", "101", "110"],
    'E': ["111", "100", "110", "100", "111"], 'F': ["111", "100", "110", "100", "100"],
    'G': ["011", "100", "101", "101", "011"], 'H': ["101", "101", "111", "101", "101"],
    'I': ["111", "010", "010", "010", "111"], 'J': ["001", "001", "001", "101", "010"],
    'K': ["101", "110", "100", "110", "101"], 'L': ["100", "100", "100", "100", "111"],
    'M': ["101", "111", "111", "101", "101"], 'N': ["110", "101", "101", "101", "101"],
    'O': ["010", "101", "101", "101", "010"], 'P': ["110", "101", "110", "100", "100"],
    'Q': ["010", "101", "101", "110", "011"], 'R': ["110", "101", "110", "101", "101"],
    'S': ["011", "100", "010", "001", "110"], 'T': ["111", "010", "010", "010", "010"],
    'U': ["101", "101", "101", "101", "111"], 'V': ["101", "101", "101", "101", "010"],
    'W': ["101", "101", "111", "111", "101"], 'X': ["101", "101", "010", "101", "101"],
    'Y': ["101", "101", "010", "010", "010"], 'Z': ["111", "001", "010", "100", "111"],
    '7': ["111", "001", "010", "010", "010"], '+': ["000", "010", "111", "010", "000"],
    '?': ["110", "001", "010", "000", "010"],
}


class Image:
    def __init__(self):
        self.px = [[KEY] * W for _ in range(H)]

    def set(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def text(self, s, x, y, c):
        for ch in s:
            for row, bits in enumerate(FONT[ch]):
                for col, b in enumerate(bits):
                    if b == '1':
                        self.set(x + col, y + row, c)
            x += 4

    def circle(self, cx, cy, r, c, fill=True):
        for y in range(H):
            for x in range(W):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if (fill and d <= r * r) or (not fill and r * r - r <= d <= r * r + r):
                    self.set(x, y, c)


BLACK, WHITE, GREY, DARK = (0, 0, 0), (255, 255, 255), (192, 192, 192), (64, 64, 64)


def folder():
    im = Image()
    im.rect(1, 4, 6, 5, (230, 180, 40))
    im.rect(1, 5, 14, 13, (250, 205, 70))
    im.frame(1, 5, 14, 13, (170, 120, 20))
    return im


def globe():
    im = Image()
    im.circle(7.5, 7.5, 7, (40, 110, 210))
    im.circle(7.5, 7.5, 7, (20, 60, 140), fill=False)
    im.rect(3, 5, 7, 8, (60, 170, 70))
    im.rect(9, 9, 12, 11, (60, 170, 70))
    return im


def page(colour, lines=True, fold=(200, 200, 200)):
    im = Image()
    im.rect(3, 1, 12, 14, WHITE)
    im.frame(3, 1, 12, 14, DARK)
    im.rect(10, 1, 12, 3, fold)
    if lines:
        for y in (5, 7, 9, 11):
            im.rect(5, y, 10, y, colour)
    return im


def computer():
    im = Image()
    im.rect(2, 2, 13, 10, DARK)
    im.rect(3, 3, 12, 9, (80, 160, 230))
    im.rect(6, 11, 9, 12, GREY)
    im.rect(3, 13, 12, 14, GREY)
    return im


def desktop():
    im = Image()
    im.rect(1, 2, 14, 12, (40, 120, 160))
    im.frame(1, 2, 14, 12, DARK)
    im.rect(3, 4, 5, 6, WHITE)
    im.rect(3, 8, 5, 10, (250, 205, 70))
    im.rect(1, 13, 14, 14, GREY)
    return im


def control_panel():
    im = Image()
    im.rect(1, 1, 14, 14, (230, 230, 240))
    im.frame(1, 1, 14, 14, DARK)
    for x, c in ((4, (220, 60, 60)), (8, (60, 160, 60)), (12, (60, 90, 220))):
        im.rect(x - 1, 3, x - 1, 12, DARK)
        im.rect(x - 2, 6 + (x % 3), x, 7 + (x % 3), c)
    return im


def network():
    im = computer()
    im.rect(7, 13, 8, 15, BLACK)
    im.rect(1, 15, 14, 15, (0, 120, 0))
    return im


def documents():
    im = folder()
    im.rect(4, 2, 11, 8, WHITE)
    im.frame(4, 2, 11, 8, DARK)
    im.rect(1, 8, 14, 13, (250, 205, 70))
    im.frame(1, 8, 14, 13, (170, 120, 20))
    return im


def photo():
    im = Image()
    im.rect(1, 2, 14, 13, WHITE)
    im.frame(1, 2, 14, 13, DARK)
    im.rect(2, 3, 13, 12, (120, 190, 240))
    im.circle(10, 6, 2, (250, 220, 60))
    for x in range(2, 14):
        top = 12 - max(0, 5 - abs(x - 6))
        im.rect(x, top, x, 12, (60, 150, 60))
    return im


def image_file():
    im = page((0, 0, 0), lines=False)
    im.rect(5, 5, 10, 11, (120, 190, 240))
    im.rect(5, 9, 10, 11, (60, 150, 60))
    return im


def missing():
    im = page(GREY)
    for i in range(9):
        im.set(3 + i, 4 + i, (220, 0, 0))
        im.set(4 + i, 4 + i, (220, 0, 0))
        im.set(11 - i, 4 + i, (220, 0, 0))
        im.set(12 - i, 4 + i, (220, 0, 0))
    return im


def badge(letters, colour, shape="square"):
    im = Image()
    if shape == "circle":
        im.circle(7.5, 7.5, 7, colour)
    else:
        im.rect(1, 1, 14, 14, colour)
        im.frame(1, 1, 14, 14, tuple(max(0, v - 70) for v in colour))
    bright = sum(colour) > 450
    ink = BLACK if bright else WHITE
    width = 4 * len(letters) - 1
    im.text(letters, (16 - width) // 2, 5, ink)
    return im


def doc_badge(letters, colour):
    im = page(GREY, lines=False)
    im.rect(4, 8, 11, 13, colour)
    width = 4 * len(letters) - 1
    im.text(letters, 4 + (8 - width) // 2, 8, WHITE)
    return im


# Program glyphs by index: letters and colour, distinct from one another.
PROGRAMS = {
    13: ("FX", (230, 110, 30), "circle"), 14: ("SA", (60, 140, 230), "circle"), 15: ("BD", (120, 60, 160), "square"),
    16: ("RA", (140, 40, 120), "square"), 17: ("MS", (40, 170, 90), "circle"), 18: ("CH", (220, 60, 50), "circle"),
    19: ("O", (200, 20, 40), "circle"), 20: ("Q", (40, 90, 170), "square"), 21: ("7Z", (30, 30, 30), "square"),
    22: ("A", (190, 20, 20), "square"), 23: ("+", (90, 90, 110), "square"), 24: ("BG", (120, 80, 40), "square"),
    25: ("BA", (90, 60, 140), "square"), 26: ("K", (60, 40, 20), "circle"), 27: ("CK", (170, 30, 30), "circle"),
    28: ("C", (0, 0, 0), "square"), 29: ("CP", (90, 130, 200), "square"), 30: ("DP", (70, 110, 90), "square"),
    31: ("DB", (150, 110, 40), "square"), 32: ("DX", (110, 140, 60), "square"), 33: ("D", (200, 40, 40), "circle"),
    34: ("DS", (60, 60, 160), "square"), 35: ("DV", (40, 110, 140), "circle"), 36: ("MC", (30, 130, 60), "circle"),
    37: ("X", (30, 120, 60), "square"), 38: ("E", (240, 200, 80), "square"), 39: ("FC", (20, 110, 40), "square"),
    40: ("H", (200, 30, 80), "circle"), 41: ("?", (60, 110, 200), "circle"), 42: ("WM", (230, 120, 20), "circle"),
    44: ("IS", (80, 80, 80), "square"), 45: ("MJ", (160, 120, 60), "square"), 46: ("MB", (30, 90, 120), "square"),
    47: ("W", (40, 80, 180), "square"), 51: ("RG", (70, 130, 170), "square"), 52: ("MM", (90, 40, 130), "circle"),
    53: ("SY", (40, 150, 40), "circle"), 54: ("MC", (120, 120, 120), "square"), 55: ("P", (230, 170, 40), "circle"),
    56: ("XE", (220, 100, 30), "square"), 57: ("SN", (200, 50, 50), "square"), 58: ("SR", (80, 160, 200), "circle"),
    59: ("SB", (40, 40, 90), "square"), 60: ("WL", (50, 150, 210), "circle"), 61: ("ML", (40, 120, 200), "square"),
    62: ("WR", (60, 100, 160), "square"), 63: ("PG", (200, 120, 40), "square"), 64: ("JS", (110, 60, 40), "square"),
    66: ("N+", (60, 160, 60), "square"), 67: ("MI", (90, 90, 90), "circle"), 68: ("WP", (50, 110, 200), "circle"),
    69: ("YT", (200, 30, 30), "square"), 70: ("RD", (100, 100, 140), "square"), 71: ("ST", (240, 220, 90), "square"),
    72: ("SO", (30, 110, 30), "circle"), 73: ("SP", (20, 90, 60), "circle"), 74: ("HH", (100, 60, 150), "square"),
    75: ("IC", (240, 140, 30), "square"), 76: ("Q", (150, 150, 150), "circle"),
}
DOCUMENTS = {43: ("WV", (200, 130, 30)), 48: ("W", (40, 80, 180)), 49: ("X", (30, 120, 60)),
             50: ("DL", (110, 110, 110)), 65: ("JS", (200, 170, 20)), 77: ("ZP", (160, 120, 40))}


def notepad():
    im = page((80, 80, 80))
    im.rect(3, 1, 12, 2, (90, 150, 220))
    return im


def bitmap_file():
    im = image_file()
    im.rect(5, 5, 10, 7, (220, 60, 60))
    return im


def ini_file():
    im = page((120, 120, 120))
    im.circle(11, 11, 3, (150, 150, 150))
    im.circle(11, 11, 1, WHITE)
    return im


def draw(i):
    fixed = {0: folder, 1: globe, 2: computer, 3: desktop, 4: control_panel, 5: network, 6: documents,
             7: photo, 8: image_file, 9: notepad, 10: bitmap_file, 11: ini_file, 12: missing}
    if i in fixed:
        return fixed[i]()
    if i in DOCUMENTS:
        return doc_badge(*DOCUMENTS[i])
    letters, colour, shape = PROGRAMS[i]
    return badge(letters, colour, shape)


def main():
    images = [draw(i) for i in range(N)]
    width = W * N
    row = (width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(H - 1, -1, -1):  # bottom-up rows
        line = bytearray()
        for im in images:
            for x in range(W):
                r, g, b = im.px[y][x]
                line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "replay", "baseimages.bmp")
    with open(out, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    main()

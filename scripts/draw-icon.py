#!/usr/bin/env python3
"""Draws the program icon (16, 24, 32, 48 and 256 pixels, 32-bit with alpha)
into src/app/quilmar.ico: a blue rounded tile holding a stack of three white
window outlines and a red record dot. Run it again after changing the
drawing; the icon is checked in."""
import os
import struct
import zlib

SIZES = [16, 24, 32, 48, 256]
BLUE = (33, 99, 196)
BLUE_DARK = (20, 62, 138)
WHITE = (255, 255, 255)
RED = (220, 40, 40)


def coverage(shape, x, y, n=4):
    """Fraction of the pixel (x, y) inside shape, by n*n sampling."""
    inside = 0
    for i in range(n):
        for j in range(n):
            if shape(x + (i + 0.5) / n, y + (j + 0.5) / n):
                inside += 1
    return inside / (n * n)


def rounded_rect(x0, y0, x1, y1, r):
    def inside(px, py):
        if not (x0 <= px <= x1 and y0 <= py <= y1):
            return False
        cx = min(max(px, x0 + r), x1 - r)
        cy = min(max(py, y0 + r), y1 - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r
    return inside


def frame(x0, y0, x1, y1, w):
    outer = rounded_rect(x0, y0, x1, y1, w)
    inner = rounded_rect(x0 + w, y0 + w * 2.2, x1 - w, y1 - w, w * 0.3)
    return lambda px, py: outer(px, py) and not inner(px, py)


def disc(cx, cy, r):
    return lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def draw(size):
    s = size / 16.0
    layers = [
        (rounded_rect(0.5 * s, 0.5 * s, 15.5 * s, 15.5 * s, 3 * s), BLUE_DARK),
        (rounded_rect(1.2 * s, 1.2 * s, 14.8 * s, 14.8 * s, 2.5 * s), BLUE),
        (frame(5.0 * s, 2.6 * s, 13.4 * s, 8.6 * s, max(0.9, 0.9 * s)), WHITE),
        (frame(3.6 * s, 4.6 * s, 12.0 * s, 10.6 * s, max(0.9, 0.9 * s)), WHITE),
        (frame(2.2 * s, 6.6 * s, 10.6 * s, 12.6 * s, max(0.9, 0.9 * s)), WHITE),
        (disc(11.6 * s, 11.8 * s, 2.8 * s), WHITE),
        (disc(11.6 * s, 11.8 * s, 2.1 * s), RED),
    ]
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0.0
            for shape, colour in layers:
                c = coverage(shape, x, y, 4 if size <= 48 else 2)
                if c == 0:
                    continue
                # "Over" compositing with straight alpha.
                na = c + a * (1 - c)
                r = (colour[0] * c + r * a * (1 - c)) / na
                g = (colour[1] * c + g * a * (1 - c)) / na
                b = (colour[2] * c + b * a * (1 - c)) / na
                a = na
            row.append((int(r + 0.5), int(g + 0.5), int(b + 0.5), int(a * 255 + 0.5)))
        pixels.append(row)
    return pixels


def bmp_entry(size, px):
    # BITMAPINFOHEADER with the doubled height, BGRA rows bottom-up, then the AND mask.
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    data = bytearray()
    for row in reversed(px):
        for r, g, b, a in row:
            data += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    for row in reversed(px):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bits
    return header + bytes(data)


def png_entry(size, px):
    raw = b''.join(b'\0' + b''.join(bytes((r, g, b, a)) for r, g, b, a in row) for row in px)

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    images = []
    for size in SIZES:
        px = draw(size)
        images.append((size, png_entry(size, px) if size >= 256 else bmp_entry(size, px)))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    path = os.path.join(os.path.dirname(__file__), '..', 'src', 'app', 'quilmar.ico')
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()

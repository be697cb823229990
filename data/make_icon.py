"""Draws the program's icon: a sheet cut into three numbered pieces on a blue tile, the motif of the welcome
picture. Writes icons/brevimo.svg and icons/brevimo-48.png, -128.png, -256.png. Run once; the files it writes
are kept in the repository and installed."""

import os
import struct
import zlib

# The drawing on a 256 x 256 grid: (x0, y0, x1, y1, colour), back to front.
TILE = (28, 64, 124)
SHAPES = [
    (16, 16, 240, 240, TILE),
    (72, 28, 184, 108, (245, 245, 240)),   # the whole file
    (152, 28, 184, 56, (200, 210, 220)),   # its folded corner
]
for x in range(76, 180, 16):               # the cut through it
    SHAPES.append((x, 66, x + 8, 70, (120, 130, 140)))
for i, y in enumerate((124, 164, 204)):    # the pieces, and their numbers as dots
    shift = (i - 1) * 14
    SHAPES.append((72 + shift, y, 184 + shift, y + 32, (250, 220, 120)))
    SHAPES.append((72 + shift, y + 26, 184 + shift, y + 32, (215, 170, 70)))
    for d in range(i + 1):
        SHAPES.append((86 + shift + d * 18, y + 9, 96 + shift + d * 18, y + 19, (90, 70, 30)))


def svg():
    rects = "\n".join(
        '  <rect x="%d" y="%d" width="%d" height="%d" fill="#%02x%02x%02x"%s/>'
        % (x0, y0, x1 - x0, y1 - y0, *c, ' rx="28"' if (x0, y0) == (16, 16) else "")
        for x0, y0, x1, y1, c in SHAPES)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
            + rects + "\n</svg>\n")


def png(size):
    scale = size / 256
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for x0, y0, x1, y1, c in SHAPES:
        for y in range(int(y0 * scale), int(y1 * scale)):
            for x in range(int(x0 * scale), int(x1 * scale)):
                pixels[y][x] = (*c, 255)
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
with open(os.path.join(here, "brevimo.svg"), "w") as f:
    f.write(svg())
for size in (48, 128, 256):
    with open(os.path.join(here, "brevimo-%d.png" % size), "wb") as f:
        f.write(png(size))

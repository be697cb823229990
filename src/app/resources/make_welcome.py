"""Draws the wizard's welcome picture (130 x 280, 24-bit): a file cut into numbered pieces on a blue ground.
Run once; the PNG it writes is kept in the repository and compiled into the program."""

import struct
import sys
import zlib

W, H = 130, 280


def lerp(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


top, bottom = (28, 64, 124), (40, 150, 170)
pixels = [[lerp(top, bottom, y / (H - 1)) for _ in range(W)] for y in range(H)]


def rect(x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(H, y1)):
        for x in range(max(0, x0), min(W, x1)):
            pixels[y][x] = colour


# The whole file, then its pieces falling apart below it.
rect(35, 30, 95, 110, (245, 245, 240))
rect(75, 30, 95, 50, (200, 210, 220))
for i, y in enumerate(range(130, 250, 40)):
    shift = (i - 1) * 8
    rect(35 + shift, y, 95 + shift, y + 28, (250, 220, 120))
    rect(35 + shift, y + 24, 95 + shift, y + 28, (215, 170, 70))
    # The piece's number as a row of dots: 1, 2, 3.
    for d in range(i + 1):
        rect(43 + shift + d * 10, y + 8, 49 + shift + d * 10, y + 14, (90, 70, 30))
# Dashed cut lines through the file.
for x in range(37, 93, 8):
    rect(x, 56, x + 4, 58, (120, 130, 140))
    rect(x, 83, x + 4, 85, (120, 130, 140))

raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
with open(sys.argv[1] if len(sys.argv) > 1 else "welcome.png", "wb") as f:
    f.write(png)

#!/usr/bin/env python3
"""Writes the two small pictures that the test resource module carries:
resource_image.png (8-bit RGB) and resource_image.bmp (24-bit, bottom-up).
Both hold the same 5 x 3 pixels; io_test.cpp lists them too."""
import os
import struct
import zlib

WIDTH, HEIGHT = 5, 3
# (red, green, blue), top row first.
PIXELS = [
    [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0)],
    [(18, 52, 86), (120, 154, 188), (1, 2, 3), (250, 128, 7), (64, 64, 64)],
    [(200, 100, 50), (9, 99, 199), (128, 0, 128), (0, 128, 128), (77, 88, 99)],
]


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def make_png():
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in PIXELS)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def make_bmp():
    row_bytes = (WIDTH * 3 + 3) // 4 * 4
    rows = b""
    for row in reversed(PIXELS):
        line = bytes(c for (r, g, b) in row for c in (b, g, r))
        rows += line + b"\x00" * (row_bytes - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    return file_header + info + rows


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "resource_image.png"), "wb") as f:
        f.write(make_png())
    with open(os.path.join(here, "resource_image.bmp"), "wb") as f:
        f.write(make_bmp())

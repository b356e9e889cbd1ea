#!/usr/bin/python3
"""Writes the strip-button test bitmaps: 84 x 20 pixels, 24 bits, four
21 x 20 frames each filled with one colour, with a 6 x 6 magenta square in
each frame's top-left corner.

    strip_bitmaps.py OUT_DIR
"""

import os
import struct
import sys

MAGENTA = (255, 0, 255)
FRAME_W, HEIGHT, FRAMES = 21, 20, 4
KEY_SIDE = 6

# Frame colours (red, green, blue): the resource strip and the file strip.
STRIPS = {
    "strip_resource.bmp": [(200, 30, 30), (30, 160, 30), (30, 30, 200), (220, 200, 40)],
    "strip_file.bmp": [(20, 200, 200), (120, 120, 120), (90, 40, 10), (10, 10, 10)],
}


def pixel(colours, x, y):
    frame, fx = divmod(x, FRAME_W)
    if fx < KEY_SIDE and y < KEY_SIDE:
        return MAGENTA
    return colours[frame]


def write_bmp(path, colours):
    width = FRAME_W * FRAMES
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(HEIGHT)):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(colours, x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    bits = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, HEIGHT, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(bits), 0, 0, 14 + len(header))
    with open(path, "wb") as f:
        f.write(file_header + header + bits)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, colours in STRIPS.items():
        write_bmp(os.path.join(out, name), colours)


if __name__ == "__main__":
    main()

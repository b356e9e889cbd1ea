"""Writers for the Windows picture files the resource compiler embeds."""

import struct

def _file_header(size, bits_offset):
    return struct.pack("<2sIHHI", b"BM", size, 0, 0, bits_offset)


def _info_header(width, height, bits, image_size, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size,
                       2835, 2835, colours, colours)


def write_bmp24(path, rows):
    """rows: top-down lists of (r, g, b)."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        body += line + bytes(stride - len(line))
    offset = 14 + 40
    with open(path, "wb") as f:
        f.write(_file_header(offset + len(body), offset))
        f.write(_info_header(width, height, 24, len(body)))
        f.write(body)


def _mask_rows(bits_rows):
    """1-bit rows (top-down lists of 0/1), packed bottom-up and padded to 32 bits."""
    width = len(bits_rows[0])
    stride = ((width + 31) // 32) * 4
    body = bytearray()
    for row in reversed(bits_rows):
        line = bytearray(stride)
        for x, bit in enumerate(row):
            if bit:
                line[x >> 3] |= 0x80 >> (x & 7)
        body += line
    return body


def write_bmp1(path, white_rows):
    """A monochrome bitmap: palette 0 black, 1 white; white_rows holds 1 for white."""
    height, width = len(white_rows), len(white_rows[0])
    body = _mask_rows(white_rows)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    offset = 14 + 40 + len(palette)
    with open(path, "wb") as f:
        f.write(_file_header(offset + len(body), offset))
        f.write(_info_header(width, height, 1, len(body), 2))
        f.write(palette)
        f.write(body)


def write_ico(path, images):
    """images: list of (size, rows of (r, g, b, a)); 32-bit images with an AND mask."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for size, rows in images:
        pixels = bytearray()
        for row in reversed(rows):
            for r, g, b, a in row:
                pixels += bytes((b, g, r, a))
        mask = _mask_rows([[1 if a == 0 else 0 for (_, _, _, a) in row] for row in rows])
        blob = _info_header(size, size * 2, 32, len(pixels) + len(mask)) + pixels + mask
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                                   len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)))
        for e in entries:
            f.write(e)
        for b in blobs:
            f.write(b)

#!/usr/bin/env python3
# Writes menu_ring.bmp: the 13 x 13 menu bitmap, 4 bits per pixel with the standard 16-colour palette, a
# dark-red ring on white. Run it again only to change the picture; the build uses the committed file.
import math
import struct
import sys

SIZE = 13
DARK_RED, WHITE = 1, 15
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def pixel(x, y):
    centre = (SIZE - 1) / 2
    distance = math.hypot(x - centre, y - centre)
    return DARK_RED if 3.5 <= distance <= 5.6 else WHITE


def main(path):
    row_bytes = ((SIZE * 4 + 31) // 32) * 4
    rows = []
    for y in reversed(range(SIZE)):  # bottom-up, as a BMP stores them
        indices = [pixel(x, y) for x in range(SIZE)] + [0]
        packed = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE + 1, 2))
        rows.append(packed.ljust(row_bytes, b"\0"))
    pixels = b"".join(rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(header + info + palette + pixels)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "menu_ring.bmp")

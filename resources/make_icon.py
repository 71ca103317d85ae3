#!/usr/bin/env python3
"""Draws the stub's icon: a zipped parcel, 32x32 in the 16 standard colours.

Writes sfxstub.ico next to this script (one image, so windres gives it icon
number 1 inside the icon group)."""
import os
import struct

PALETTE = [  # the 16 colours of the classic Windows palette, (r, g, b)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, OLIVE, GREY, SILVER, YELLOW, BLUE = 0, 3, 8, 7, 11, 12
SIZE = 32


def draw():
    """Rows top to bottom; None is transparent."""
    px = [[None] * SIZE for _ in range(SIZE)]
    for y in range(6, 28):
        for x in range(4, 28):
            edge = x in (4, 27) or y in (6, 27)
            px[y][x] = BLACK if edge else (OLIVE if y <= 10 else YELLOW)
    for y in range(7, 27):  # zipper teeth down the middle
        px[y][15] = BLACK if y % 2 == 0 else SILVER
        px[y][16] = SILVER if y % 2 == 0 else BLACK
    for y in range(17, 22):  # the pull tab
        for x in range(13, 19):
            px[y][x] = BLACK if x in (13, 18) or y in (17, 21) else GREY
    for i in range(4):  # an arrow leaving the parcel: head...
        for x in range(22 - i, 23 + i):
            px[i][x] = BLUE
    for y in range(4, 10):  # ...and shaft
        for x in range(21, 24):
            px[y][x] = BLUE
    return px


def ico_bytes(px):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(px):  # bottom-up
        for x in range(0, SIZE, 2):
            a, b = row[x], row[x + 1]
            xor.append(((a or 0) << 4) | (b or 0))
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += bits.to_bytes(4, "big")
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sfxstub.ico")
    with open(out, "wb") as f:
        f.write(ico_bytes(draw()))

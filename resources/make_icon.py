#!/usr/bin/env python3
"""Draws the stub's icon, a zipped parcel with an arrow leaving it, at 16, 32,
48 and 256 pixels, and writes sfxstub.ico next to this script.

16 is a classic 16-colour bitmap, which every reader of icons understands; 32,
48 and 256 are palette PNGs (read by Windows since Vista), which keep each of
them to a few hundred bytes where a bitmap takes 0.7 to 41 KB. The images are
numbered 1 to 4 in the icon group, so windres gives them those icon ids."""
import os
import struct
import zlib

# The colours the drawing uses, indexes into the classic 16-colour palette.
PALETTE = [  # (r, g, b)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, OLIVE, GREY, SILVER, YELLOW, BLUE = 0, 3, 8, 7, 11, 12
SIZES = (16, 32, 48, 256)
PNG_FROM = 32  # this size and larger are stored as PNG


def draw(size):
    """Rows top to bottom of palette indexes; None is transparent.

    The shapes are laid out on a 32-unit grid and scaled; outlines keep at
    least one pixel."""
    k = size / 32
    line = max(1, round(k * 0.75))
    px = [[None] * size for _ in range(size)]

    def box(x0, y0, x1, y1, colour):  # grid units, right and bottom exclusive
        for y in range(round(y0 * k), round(y1 * k)):
            for x in range(round(x0 * k), round(x1 * k)):
                px[y][x] = colour

    def framed(x0, y0, x1, y1, fill):
        box(x0, y0, x1, y1, BLACK)
        left, top, right, bottom = (round(v * k) for v in (x0, y0, x1, y1))
        for y in range(top + line, bottom - line):
            for x in range(left + line, right - line):
                px[y][x] = fill

    framed(4, 6, 28, 28, YELLOW)  # the parcel with its darker lid
    framed(4, 6, 28, 12 if size == 16 else 11.5, OLIVE)
    step = max(1, round(k))  # zipper teeth down the middle, two columns
    top, bottom, mid = round(7 * k), round(27 * k), size // 2
    for y in range(top, bottom):
        left_dark = ((y - top) // step) % 2 == 0
        for x in range(mid - step, mid + step):
            px[y][x] = BLACK if (x < mid) == left_dark else SILVER
    framed(13, 17, 19, 22, GREY)  # the pull tab
    # The arrow leaving the parcel: a head over a shaft, top right.
    head = round(4 * k)
    centre = 22.5 * k
    for i in range(head):  # widening by a pixel each side per row
        for x in range(size):
            if abs(x + 0.5 - centre) < i + 1:
                px[i][x] = BLUE
    box(21, 4, 24, 10, BLUE)
    return px


def bitmap_image(px):
    """A 4-bit DIB with its AND mask, as an icon stores it."""
    size = len(px)
    xor, mask = bytearray(), bytearray()
    mask_row = (size + 31) // 32 * 4
    for row in reversed(px):  # bottom-up
        for x in range(0, size, 2):
            xor.append(((row[x] or 0) << 4) | (row[x + 1] or 0))
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += (bits << (mask_row * 8 - size)).to_bytes(mask_row, "big")
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + palette + bytes(xor) + bytes(mask)


def png_image(px):
    """A 4-bit palette PNG of the colours in use; index 0 is transparent."""
    size = len(px)
    used = sorted({c for row in px for c in row if c is not None})
    index = {c: i + 1 for i, c in enumerate(used)}
    raw = bytearray()
    for row in px:
        raw.append(0)  # no filter: runs of equal rows still compress well
        values = [index.get(c, 0) for c in row]
        for x in range(0, size, 2):
            raw.append((values[x] << 4) | values[x + 1])

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    plte = bytes(3) + b"".join(bytes(PALETTE[c]) for c in used)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0)) +
            chunk(b"PLTE", plte) + chunk(b"tRNS", b"\0") +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def ico_bytes():
    images = [(size, png_image(draw(size)) if size >= PNG_FROM else bitmap_image(draw(size))) for size in SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in images:
        # 256 is written as 0 in the one-byte size fields.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    for _, image in images:
        out += image
    return bytes(out)


if __name__ == "__main__":
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sfxstub.ico")
    with open(out, "wb") as f:
        f.write(ico_bytes())

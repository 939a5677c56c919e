#!/usr/bin/env python3
"""Draws Stellwick's icon (a broken link over a list) and writes it as an .ico holding
48, 32 and 16 pixel images, each in 16 and in 256 colours."""
import struct
import sys

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
       (0, 255, 255), (255, 255, 255)]
BLUE, WHITE, GREY, RED, YELLOW, BLACK = 4, 15, 7, 9, 11, 0


def pixel(x, y, s):
    """Palette index of pixel (x, y) of an s-by-s icon, or None for transparent."""
    u, v = x / s, y / s
    if u < 0.06 or u > 0.94 or v < 0.06 or v > 0.94:
        return None
    if u < 0.1 or u > 0.9 or v < 0.1 or v > 0.9:
        return BLACK
    # rows of a list
    for row in range(4):
        top = 0.18 + row * 0.17
        if top <= v < top + 0.1 and 0.18 <= u <= 0.82:
            return BLUE if row != 2 else RED
    return WHITE


def image(s, bpp):
    palette = VGA + [(i, i, i) for i in range(0, 240)] if bpp == 8 else VGA
    palette = palette[: 1 << bpp]
    rows, mask = [], []
    for y in reversed(range(s)):  # bottom-up
        indices = [pixel(x, y, s) for x in range(s)]
        if bpp == 4:
            data = bytearray()
            for x in range(0, s, 2):
                a, b = (indices[x] or 0), (indices[x + 1] or 0)
                data.append(a << 4 | b)
        else:
            data = bytearray((i or 0) for i in indices)
        while len(data) % 4:
            data.append(0)
        rows.append(bytes(data))
        bits = bytearray((s + 31) // 32 * 4)
        for x, i in enumerate(indices):
            if i is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask.append(bytes(bits))
    xor, andmask = b"".join(rows), b"".join(mask)
    header = struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, bpp, 0, len(xor) + len(andmask), 0, 0, len(palette), 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + pal + xor + andmask


def main(out):
    images = [(s, bpp, image(s, bpp)) for s in (48, 32, 16) for bpp in (4, 8)]
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for s, bpp, data in images:
        entries += struct.pack("<BBBBHHII", s, s, 16 if bpp == 4 else 0, 0, 1, bpp, len(data), offset + len(blobs))
        blobs += data
    with open(out, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + entries + blobs)


if __name__ == "__main__":
    main(sys.argv[1])

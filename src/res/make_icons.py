#!/usr/bin/env python3
"""Writes a Windows icon file from pictures kept as text.

    make_icons.py OUTPUT.ico PICTURE.txt [PICTURE.txt ...]

Each picture is a square of characters, one per pixel: a hexadecimal digit is
a colour of the 16-colour VGA palette (0 black ... F white, listed below) and
'.' is transparent. Lines starting with '#' and blank lines are ignored. Every
picture becomes one 16-colour image of the icon file, in the order given.
Only the standard library is used.
"""

import struct
import sys

# The standard 16-colour palette in index order, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 maroon
    (0x00, 0x80, 0x00),  # 2 green
    (0x80, 0x80, 0x00),  # 3 olive
    (0x00, 0x00, 0x80),  # 4 navy
    (0x80, 0x00, 0x80),  # 5 purple
    (0x00, 0x80, 0x80),  # 6 teal
    (0xC0, 0xC0, 0xC0),  # 7 silver
    (0x80, 0x80, 0x80),  # 8 grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # A lime
    (0xFF, 0xFF, 0x00),  # B yellow
    (0x00, 0x00, 0xFF),  # C blue
    (0xFF, 0x00, 0xFF),  # D fuchsia
    (0x00, 0xFF, 0xFF),  # E aqua
    (0xFF, 0xFF, 0xFF),  # F white
]
TRANSPARENT = "."


class PictureError(Exception):
    pass


def read_picture(path):
    """The picture's rows as lists of palette indexes (None: transparent)."""
    rows = []
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line.strip() or line.startswith("#"):
                continue
            row = []
            for column, ch in enumerate(line, 1):
                if ch == TRANSPARENT:
                    row.append(None)
                elif ch.upper() in "0123456789ABCDEF":
                    row.append(int(ch, 16))
                else:
                    raise PictureError(f"{path}:{number}:{column}: '{ch}' is no colour")
            rows.append(row)
    if not rows:
        raise PictureError(f"{path}: no picture")
    size = len(rows)
    if size > 255 or any(len(r) != size for r in rows):
        raise PictureError(f"{path}: the picture must be square and at most 255 pixels wide")
    return rows


def row_bytes(bits_per_row):
    """Bytes of one bitmap row, padded to whole 32-bit words."""
    return (bits_per_row + 31) // 32 * 4


def image_data(rows):
    """BITMAPINFOHEADER, palette, colour bitmap and transparency mask."""
    size = len(rows)
    colour_stride = row_bytes(size * 4)
    mask_stride = row_bytes(size)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        line = bytearray(colour_stride)
        bits = bytearray(mask_stride)
        for x, index in enumerate(row):
            if index is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                index = 0
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        colour += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colour) + bytes(mask)


def icon_file(pictures):
    images = [image_data(rows) for rows in pictures]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for rows, data in zip(pictures, images):
        size = len(rows)
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        pictures = [read_picture(p) for p in argv[2:]]
    except (OSError, PictureError) as e:
        print(f"make_icons: {e}", file=sys.stderr)
        return 1
    with open(argv[1], "wb") as f:
        f.write(icon_file(pictures))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

"""make_icons.py: shapes land on each size's pixel grid with soft edges only where the geometry
asks for them, and an icon file holds, and lists as, exactly the images drawn."""

import re
import sys
import tempfile
import unittest
import zlib
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "src" / "res"))
import make_icons  # noqa: E402

SOURCE = """sizes 8 16
length one 1 1
length two 1 2
colour ink #000000
colour paper #ffffff
colour rust #c0502080
picture p 8 16
"""

# (what, shape, size, picture: '.' clear, k/w opaque ink/paper, 1-9 tenths of cover)
CASES = [
    ("a rectangle's corners snap to pixel corners", "rect fill=ink 3,3 13,13", 8,
     ["........", "........", "..kkkkk.", "..kkkkk.", "..kkkkk.", "..kkkkk.", "..kkkkk.",
      "........"]),
    ("an edge is drawn inside, as wide as its length at this size",
     "rect fill=paper edge=ink:two 2,2 14,14", 16,
     ["." * 16, "." * 16] + ["..kkkkkkkkkkkk.."] * 2 + ["..kkwwwwwwwwkk.."] * 8
     + ["..kkkkkkkkkkkk.."] * 2 + ["." * 16, "." * 16]),
    ("a slanted side covers half of the pixels it cuts", "poly fill=ink 0,0 16,0 0,16", 8,
     ["kkkkkkk5", "kkkkkk5.", "kkkkk5..", "kkkk5...", "kkk5....", "kk5.....", "k5......",
      "5......."]),
    ("a hard shape keeps the pixels covered at least half", "poly fill=ink hard 0,0 16,0 0,16",
     8, ["kkkkkkkk", "kkkkkkk.", "kkkkkk..", "kkkkk...", "kkkk....", "kkk.....", "kk......",
         "k......."]),
    ("a one-pixel line fills whole pixels", "line colour=ink width=one 2,8 14,8", 8,
     ["........"] * 4 + [".kkkkkkk"] + ["........"] * 3),
    ("dashes start on pixel edges", "line colour=ink width=one dash=one:one 2,8 14,8", 8,
     ["........"] * 4 + [".k.k.k.k"] + ["........"] * 3),
    ("a circle is soft all round and symmetric", "circle fill=ink 8,8 6", 8,
     ["........", ".169961.", ".6kkkk6.", ".9kkkk9.", ".9kkkk9.", ".6kkkk6.", ".169961.",
      "........"]),
    ("a shape limited to other sizes is left out", "<=8: rect fill=ink 0,0 16,16", 16,
     ["." * 16] * 16),
]


def text(rows):
    names = {(0, 0, 0): "k", (255, 255, 255): "w"}
    return ["".join("." if a == 0 else names.get((r, g, b), "?") if a == 255
                    else str(min(9, max(1, round(a / 25.5)))) for r, g, b, a in row)
            for row in rows]


def picture(shape):
    with tempfile.TemporaryDirectory() as folder:
        path = Path(folder) / "pictures.txt"
        path.write_text(SOURCE + "  " + shape + "\n")
        return make_icons.read_source(path)["p"]


def png_rows(blob):
    """The RGBA rows of a PNG as make_icons writes it (8-bit RGBA, no filter)."""
    width, height = make_icons.png_info(blob)[:2]
    start = blob.index(b"IDAT")
    raw = zlib.decompress(blob[start + 4:start + 4 + int.from_bytes(blob[start - 4:start], "big")])
    stride = 1 + 4 * width
    return [[tuple(raw[y * stride + 1 + 4 * x:y * stride + 5 + 4 * x]) for x in range(width)]
            for y in range(height)]


class Drawing(unittest.TestCase):
    def test_shapes(self):
        for what, shape, size, expected in CASES:
            with self.subTest(what):
                self.assertEqual(expected, text(make_icons.render(picture(shape), size)))


class IconFile(unittest.TestCase):
    def test_holds_and_lists_the_images_drawn(self):
        p = picture("circle fill=rust edge=ink:one 8,8 6")  # every channel differs, soft edges
        images = [(s, make_icons.render(p, s)) for s in p.sizes]
        with tempfile.TemporaryDirectory() as folder:
            path = Path(folder) / "p.ico"
            path.write_bytes(make_icons.icon_file(images))
            blobs = make_icons.ico_images(path.read_bytes())
            listed = make_icons.list_icons(str(path)).replace(str(path), "p.ico")
        self.assertEqual([rows for _, rows in images], [png_rows(b) for b in blobs])
        self.assertEqual(["icon p.ico: 2 images, N bytes", "8x8 32-bit N bytes PNG",
                          "16x16 32-bit N bytes PNG", "total N bytes"],
                         [re.sub(r"\d+ bytes", "N bytes", " ".join(line.split()))
                          for line in listed.splitlines()])


if __name__ == "__main__":
    unittest.main()

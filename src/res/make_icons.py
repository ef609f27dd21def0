#!/usr/bin/env python3
"""Draws Pocketry's icons from a small vector description and writes them as .ico files.

    make_icons.py OUTPUT.ico SOURCE PICTURE     the picture at each of its sizes, as one icon
    make_icons.py --list FILE                   the icon groups of an .exe, or the images of an .ico
    make_icons.py --preview OUT.png SOURCE      every picture at every size on light and dark
                                                (docs/tray-icons.png)

Source form: the pictures are kept as a short vector description (icons/pictures.txt: colours,
per-size lengths in pixels, and rectangles, polygons, circles and lines on a 16-unit grid)
that this tool renders with anti-aliasing, snapping every edge to the pixel grid of each size
and honouring per-size hints (a shape may be limited to some sizes, widths are chosen per size,
a "hard" shape is drawn without partial pixels). One reviewable text then yields every image
in 32-bit colour with alpha, the small sizes stay crisp, and the design is changed in one place
rather than in nineteen hand-drawn bitmaps or opaque PNG files; only the standard library is
needed.

Every image is stored PNG-compressed in the .ico: under Wine 8 LoadImageW (at each size and
between them), LoadIconWithScaleDown and LoadIconMetric load such icons as 32-bit colour with
their alpha intact, as Windows Vista and later do, and PNG is a fraction of the size of
32-bit bitmaps with an AND mask.

Source grammar, one statement a line ('#' and a space start a comment, a lone '\\' at the end
of a line continues the statement on the next):
    sizes N...                        the sizes below give one value for each, in this order
    length NAME PX...                 a length in whole pixels at each size
    colour NAME #RRGGBB[AA]           a colour; inside a picture it applies to that picture only
    picture NAME N...                 starts a picture drawn at sizes N...
    use NAME                          draws picture NAME's shapes here, in this picture's colours
    [SIZES:] SHAPE OPTIONS POINTS     a shape; SIZES (16,20 or <=24 or >=32) limits it to some sizes
Shapes, drawn in order: rect X0,Y0 X1,Y1; poly X,Y X,Y...; circle CX,CY R; line X,Y X,Y...
Options: fill=COLOUR, edge=COLOUR:LENGTH (an outline inside the shape), colour=COLOUR,
width=LENGTH, dash=LENGTH:LENGTH (lines), hard, smooth. A LENGTH is a name above or a number
of grid units. Polygons' corners snap to pixel corners; lines snap so that their sides lie on
pixel edges, unless "smooth" (curves drawn as many short lines).
"""

import math
import re
import struct
import sys
import zlib

GRID = 16  # design units across a picture


class SourceError(Exception):
    pass


# ---- the description -------------------------------------------------------------------------

class Picture:
    def __init__(self, name, sizes, colours):
        self.name, self.sizes, self.colours, self.shapes = name, sizes, dict(colours), []


def parse_colour(text, where):
    m = re.fullmatch(r"#([0-9A-Fa-f]{6})([0-9A-Fa-f]{2})?", text)
    if not m:
        raise SourceError(f"{where}: '{text}' is no colour (#RRGGBB or #RRGGBBAA)")
    v = int(m[1], 16)
    return (v >> 16, (v >> 8) & 255, v & 255, int(m[2], 16) if m[2] else 255)


def parse_filter(text, where):
    m = re.fullmatch(r"(<=|>=)?(\d+(?:,\d+)*)", text)
    if not m or (m[1] and "," in m[2]):
        raise SourceError(f"{where}: '{text}:' is no size filter (16,20 or <=24 or >=32)")
    values = [int(v) for v in m[2].split(",")]
    if m[1] == "<=":
        return lambda s: s <= values[0]
    if m[1] == ">=":
        return lambda s: s >= values[0]
    return lambda s: s in values


def read_source(path):
    """The pictures of a description, by name, in the order written."""
    sizes, lengths, colours, pictures, current = None, {}, {}, {}, None
    with open(path, encoding="utf-8") as f:
        carried = []
        for number, line in enumerate(f, 1):
            where = f"{path}:{number}"
            words = carried + re.sub(r"(^|\s)#(\s.*)?$", "", line.rstrip("\r\n")).split()
            carried = words[:-1] if words and words[-1] == "\\" else []
            if carried:
                continue
            if not words:
                continue
            head = words[0]
            if head == "sizes":
                sizes = [int(w) for w in words[1:]]
            elif head == "length":
                if sizes is None or len(words) != 2 + len(sizes):
                    raise SourceError(f"{where}: a length needs one value per size of 'sizes'")
                lengths[words[1]] = dict(zip(sizes, (int(w) for w in words[2:])))
            elif head == "colour" and len(words) == 3:
                (current.colours if current else colours)[words[1]] = parse_colour(words[2], where)
            elif head == "picture":
                wanted = [int(w) for w in words[2:]]
                if sizes is None or not set(wanted) <= set(sizes) or not wanted:
                    raise SourceError(f"{where}: a picture's sizes must be among 'sizes'")
                current = pictures[words[1]] = Picture(words[1], wanted, colours)
            elif current is None:
                raise SourceError(f"{where}: '{head}' outside a picture")
            elif head == "use":
                if words[1] not in pictures:
                    raise SourceError(f"{where}: no picture '{words[1]}' above")
                current.shapes += pictures[words[1]].shapes
            else:
                current.shapes.append(parse_shape(words, where, lengths))
    if not pictures:
        raise SourceError(f"{path}: no picture")
    return pictures


def parse_shape(words, where, lengths):
    keep = lambda s: True  # noqa: E731
    if words[0].endswith(":"):
        keep, words = parse_filter(words[0][:-1], where), words[1:]
    kind, options, points, flags = words[0], {}, [], set()
    for w in words[1:]:
        if "=" in w:
            key, value = w.split("=", 1)
            options[key] = value
        elif re.fullmatch(r"-?[\d.]+,-?[\d.]+", w):
            points.append(tuple(float(v) for v in w.split(",")))
        elif re.fullmatch(r"[\d.]+", w):
            points.append(float(w))
        elif w in ("hard", "smooth"):
            flags.add(w)
        else:
            raise SourceError(f"{where}: '{w}' is no option, point or flag")
    counts = {"rect": 2, "circle": 2, "poly": -3, "line": -2}
    if kind not in counts:
        raise SourceError(f"{where}: '{kind}' is no shape (rect, poly, circle, line)")
    want = counts[kind]
    if (want > 0 and len(points) != want) or (want < 0 and len(points) < -want):
        more = "" if want > 0 else " or more"
        raise SourceError(f"{where}: {kind} takes {abs(want)}{more} points")

    def length(text):
        if text in lengths:
            return lambda s: lengths[text][s]
        try:
            value = float(text)
        except ValueError:
            raise SourceError(f"{where}: '{text}' is no length") from None
        return lambda s: max(1, round(value * s / GRID))

    shape = {"kind": kind, "keep": keep, "points": points, "hard": "hard" in flags,
             "smooth": "smooth" in flags}
    for key, value in options.items():
        if key in ("fill", "colour"):
            shape["fill"] = value
        elif key == "edge":
            colour, _, width = value.partition(":")
            shape["edge"] = (colour, length(width or "1"))
        elif key == "width":
            shape["width"] = length(value)
        elif key == "dash":
            on, _, off = value.partition(":")
            shape["dash"] = (length(on), length(off or on))
        else:
            raise SourceError(f"{where}: '{key}' is no option")
    return shape


# ---- drawing ---------------------------------------------------------------------------------

def coverage(polygons, size, hard=False, sub=16):
    """Each pixel's covered fraction (non-zero winding) of a set of polygons, as {(x, y): c}."""
    edges = []
    for pts in polygons:
        for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
            if y0 != y1:
                edges.append((x0, y0, x1, y1, 1 if y1 > y0 else -1))
    if not edges:
        return {}
    top = max(0, math.floor(min(min(e[1], e[3]) for e in edges)))
    bottom = min(size, math.ceil(max(max(e[1], e[3]) for e in edges)))
    out = {}
    for py in range(top, bottom):
        acc, full = [0.0] * (size + 2), [0.0] * (size + 2)
        for s in range(sub):
            y = py + (s + 0.5) / sub
            crossings = sorted((x0 + (y - y0) * (x1 - x0) / (y1 - y0), d)
                               for x0, y0, x1, y1, d in edges
                               if min(y0, y1) <= y < max(y0, y1))
            winding = 0
            for i, (x, d) in enumerate(crossings[:-1]):
                winding += d
                if winding:
                    span(acc, full, max(0.0, x), min(float(size), crossings[i + 1][0]),
                         1.0 / sub)
        run = 0.0
        for x in range(size):
            run += full[x]
            value = acc[x] + run
            if value > 1e-6:
                value = min(1.0, value)
                out[(x, py)] = (1.0 if value >= 0.5 else 0.0) if hard else value
    return out


def span(acc, full, a, b, weight):
    """Adds the horizontal run [a, b) with weight to the pixels it covers: the partly covered
    ends to acc, the whole pixels between as a start and an end mark in full."""
    if b <= a:
        return
    ia, ib = int(a), int(b)
    if ia == ib:
        acc[ia] += (b - a) * weight
        return
    acc[ia] += (ia + 1 - a) * weight
    full[ia + 1] += weight
    full[ib] -= weight
    acc[ib] += (b - ib) * weight


def inset(pts, d):
    """A convex polygon moved inwards by d on every side."""
    area = sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]))
    sign = 1 if area > 0 else -1
    lines = []
    for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
        length = math.hypot(x1 - x0, y1 - y0)
        if length == 0:
            continue
        nx, ny = -(y1 - y0) / length * sign, (x1 - x0) / length * sign  # points inwards
        lines.append((nx, ny, nx * x0 + ny * y0 + d))
    out = []
    for (a1, b1, c1), (a2, b2, c2) in zip(lines[-1:] + lines[:-1], lines):
        det = a1 * b2 - a2 * b1
        if abs(det) < 1e-9:
            continue
        out.append(((c1 * b2 - c2 * b1) / det, (a1 * c2 - a2 * c1) / det))
    return out


def snap(v, size):
    return math.floor(v * size / GRID + 0.5)


def outline_of(shape, size):
    """The shape's polygon in pixels, corners on pixel corners."""
    pts = shape["points"]
    if shape["kind"] == "rect":
        (x0, y0), (x1, y1) = pts
        return [(snap(x0, size), snap(y0, size)), (snap(x1, size), snap(y0, size)),
                (snap(x1, size), snap(y1, size)), (snap(x0, size), snap(y1, size))]
    if shape["kind"] == "circle":
        (cx, cy), r = pts
        cx, cy, r = cx * size / GRID, cy * size / GRID, r * size / GRID
        n = max(24, int(r * 6))
        return [(cx + r * math.cos(2 * math.pi * i / n), cy + r * math.sin(2 * math.pi * i / n))
                for i in range(n)]
    return [(snap(x, size), snap(y, size)) for x, y in pts]


def line_polygons(shape, size):
    """The quadrilaterals of a (dashed) line's segments, its sides on pixel edges."""
    w = shape["width"](size)

    def place(v):
        if shape["smooth"]:
            return v * size / GRID
        return math.floor(v * size / GRID - w / 2 + 0.5) + w / 2

    pts = [(place(x), place(y)) for x, y in shape["points"]]
    pieces = []
    if "dash" in shape:
        on, off = shape["dash"][0](size), shape["dash"][1](size)
        for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
            length = math.hypot(x1 - x0, y1 - y0)
            t = 0.0  # each dash is `on` long, square ends included, from t - w / 2
            while t <= length + 1e-9:
                e = min(length, t + max(0, on - w))
                pieces.append(((x0 + (x1 - x0) * t / length, y0 + (y1 - y0) * t / length),
                               (x0 + (x1 - x0) * e / length, y0 + (y1 - y0) * e / length), w / 2))
                t += on + off
    else:
        pieces = [(a, b, w / 2) for a, b in zip(pts, pts[1:])]
    polygons = []
    for (x0, y0), (x1, y1), cap in pieces:
        length = math.hypot(x1 - x0, y1 - y0)
        ux, uy = ((x1 - x0) / length, (y1 - y0) / length) if length else (1.0, 0.0)
        nx, ny = -uy * w / 2, ux * w / 2
        x0, y0, x1, y1 = x0 - ux * cap, y0 - uy * cap, x1 + ux * cap, y1 + uy * cap
        polygons.append([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny),
                         (x0 - nx, y0 - ny)])
    return polygons


def paint(canvas, cover, colour):
    """Lays colour over the premultiplied canvas where cover says."""
    r, g, b, a = (c / 255 for c in colour)
    for (x, y), c in cover.items():
        k = c * a
        p = canvas[y][x]
        canvas[y][x] = (r * k + p[0] * (1 - k), g * k + p[1] * (1 - k), b * k + p[2] * (1 - k),
                        k + p[3] * (1 - k))


def render(picture, size):
    """The picture at size: rows of (r, g, b, a) bytes, not premultiplied."""
    canvas = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]
    colours = picture.colours

    def colour(name):
        if name not in colours:
            raise SourceError(f"picture {picture.name}: no colour '{name}'")
        return colours[name]

    for shape in picture.shapes:
        if not shape["keep"](size):
            continue
        hard = shape["hard"]
        if shape["kind"] == "line":
            paint(canvas, coverage(line_polygons(shape, size), size, hard), colour(shape["fill"]))
            continue
        pts = outline_of(shape, size)
        if "edge" in shape:
            name, width = shape["edge"]
            paint(canvas, coverage([pts], size, hard), colour(name))
            pts = inset(pts, width(size))
        if "fill" in shape:
            paint(canvas, coverage([pts], size, hard), colour(shape["fill"]))
    rows = []
    for row in canvas:
        out = []
        for r, g, b, a in row:
            if a <= 1e-6:
                out.append((0, 0, 0, 0))
            else:
                out.append((round(r / a * 255), round(g / a * 255), round(b / a * 255),
                            round(a * 255)))
        rows.append(out)
    return rows


# ---- files -----------------------------------------------------------------------------------

def png(rows):
    """A PNG file of RGBA rows."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I",
                                                                          zlib.crc32(kind + data))
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_file(images):
    """An .ico of (size, rows) images, each PNG-compressed."""
    blobs = [png(rows) for _, rows in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for (size, _), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def png_info(blob):
    """(width, height, bits per pixel) from a PNG's header."""
    width, height, depth, kind = struct.unpack(">IIBB", blob[16:26])
    return width, height, depth * {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(kind, 0)


def image_info(blob):
    """(width, height, bit count, format) of one image of an icon."""
    if blob[:8] == b"\x89PNG\r\n\x1a\n":
        return (*png_info(blob), "PNG")
    _, width, height, _, bits = struct.unpack("<IiiHH", blob[:16])
    return width, height // 2, bits, "BMP"


def ico_images(data):
    _, kind, count = struct.unpack("<HHH", data[:6])
    if kind != 1:
        raise SourceError("not an icon file")
    images = []
    for i in range(count):
        size, offset = struct.unpack("<II", data[6 + 16 * i + 8:6 + 16 * i + 16])
        images.append(data[offset:offset + size])
    return images


def pe_resources(data):
    """{type: {id: bytes}} of a PE file's resources (first language of each)."""
    if data[:2] != b"MZ":
        raise SourceError("neither an .exe nor an .ico")
    pe = struct.unpack("<I", data[0x3C:0x40])[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise SourceError("no PE header")
    sections, optional_size = struct.unpack("<H12xH", data[pe + 6:pe + 22])
    opt = pe + 24
    directories = opt + (96 if struct.unpack("<H", data[opt:opt + 2])[0] == 0x10B else 112)
    root_rva = struct.unpack("<I", data[directories + 16:directories + 20])[0]
    if root_rva == 0:
        return {}
    table = [struct.unpack("<IIII", data[s + 8:s + 24])
             for s in range(opt + optional_size, opt + optional_size + 40 * sections, 40)]

    def at(rva):
        for vsize, vaddr, rawsize, raw in table:
            if vaddr <= rva < vaddr + max(vsize, rawsize):
                return rva - vaddr + raw
        raise SourceError(f"RVA {rva:#x} lies in no section")

    base = at(root_rva)

    def entries(offset):
        named, ids = struct.unpack("<HH", data[base + offset + 12:base + offset + 16])
        for i in range(named + ids):
            name, target = struct.unpack("<II", data[base + offset + 16 + 8 * i:
                                                     base + offset + 24 + 8 * i])
            yield name, target

    out = {}
    for kind, sub in entries(0):
        for name, langs in entries(sub & 0x7FFFFFFF):
            _, leaf = next(entries(langs & 0x7FFFFFFF))
            rva, size = struct.unpack("<II", data[base + leaf:base + leaf + 8])
            out.setdefault(kind, {})[name] = data[at(rva):at(rva) + size]
    return out


def list_icons(path):
    """The text --list prints: per icon group its id, per image its size, bits, bytes, format."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] == b"\0\0\1\0":
        groups = [(f"icon {path}", ico_images(data))]
    else:
        resources = pe_resources(data)
        icons = resources.get(3, {})
        groups = []
        for gid, group in sorted(resources.get(14, {}).items()):
            count = struct.unpack("<H", group[4:6])[0]
            ids = [struct.unpack("<H", group[6 + 14 * i + 12:6 + 14 * i + 14])[0]
                   for i in range(count)]
            groups.append((f"group {gid}", [icons[i] for i in ids]))
    lines, total = [], 0
    for title, images in groups:
        size = sum(len(i) for i in images)
        total += size
        lines.append(f"{title}: {len(images)} images, {size} bytes")
        for blob in images:
            width, height, bits, kind = image_info(blob)
            lines.append(f"  {width:>3}x{height:<3} {bits:>2}-bit {len(blob):>6} bytes {kind}")
    lines.append(f"total {total} bytes")
    return "\n".join(lines) + "\n"


# ---- the preview -----------------------------------------------------------------------------

DIGITS = ["111101101101111", "010110010010111", "111001111100111", "111001111001111",
          "101101111001001", "111100111001111", "111100111101111", "111001001001001",
          "111101111101111", "111101111001111"]  # 3x5 figures, row by row
BACKGROUNDS = [(0xF3, 0xF3, 0xF3), (0x20, 0x20, 0x20)]  # a light and a dark taskbar
ZOOM, GAP, LABEL = 6, 12, 18


def preview(pictures):
    """Rows of RGB. A band per background (light, then dark) and picture (in the source's
    order): each size enlarged ZOOM times with its size written above (256 at 1:1, a gap where
    the picture lacks a size), then the sizes up to 48 at 1:1."""
    all_sizes = sorted({s for p in pictures.values() for s in p.sizes})
    big = lambda s: ZOOM if s <= 48 else 1  # noqa: E731
    width = GAP + sum(s * big(s) + GAP for s in all_sizes) + sum(s + GAP for s in all_sizes
                                                                if s <= 48)
    band = LABEL + max(s * big(s) for s in all_sizes) + GAP
    rows = [[(0x80, 0x80, 0x80)] * width for _ in range(GAP + band * len(pictures) * 2)]
    top = GAP
    for background in BACKGROUNDS:
        ink = (0, 0, 0) if sum(background) > 384 else (0xFF, 0xFF, 0xFF)
        for picture in pictures.values():
            for y in range(top - GAP // 2, top + band - GAP // 2):
                rows[y] = [background] * width
            left = GAP
            small = []
            for size in all_sizes:
                zoom = big(size)
                if size in picture.sizes:
                    image = render(picture, size)
                    if size <= 48:
                        small.append(image)
                    for x, ch in enumerate(str(size)):
                        glyph = DIGITS[int(ch)]
                        for i, bit in enumerate(glyph):
                            if bit == "1":
                                for dy in range(2):
                                    for dx in range(2):
                                        rows[top + 2 * (i // 3) + dy][left + 8 * x + 2 * (i % 3)
                                                                      + dx] = ink
                    blit(rows, image, left, top + LABEL, zoom, background)
                left += size * zoom + GAP
            for image in small:
                blit(rows, image, left, top + LABEL, 1, background)
                left += len(image) + GAP
            top += band
    return rows


def blit(rows, image, left, top, zoom, background):
    for y, line in enumerate(image):
        for x, (r, g, b, a) in enumerate(line):
            k = a / 255
            px = tuple(round(c * k + bg * (1 - k)) for c, bg in zip((r, g, b), background))
            for dy in range(zoom):
                row = rows[top + y * zoom + dy]
                for dx in range(zoom):
                    row[left + x * zoom + dx] = px


def main(argv):
    try:
        if len(argv) == 3 and argv[1] == "--list":
            sys.stdout.write(list_icons(argv[2]))
            return 0
        if len(argv) == 4 and argv[1] == "--preview":
            rows = preview(read_source(argv[3]))
            with open(argv[2], "wb") as f:
                f.write(png([[(*px, 255) for px in row] for row in rows]))
            return 0
        if len(argv) == 4 and not argv[1].startswith("-"):
            pictures = read_source(argv[2])
            if argv[3] not in pictures:
                raise SourceError(f"{argv[2]}: no picture '{argv[3]}'")
            picture = pictures[argv[3]]
            data = icon_file([(s, render(picture, s)) for s in picture.sizes])
            with open(argv[1], "wb") as f:
                f.write(data)
            return 0
    except (OSError, SourceError, struct.error) as e:
        print(f"make_icons: {e}", file=sys.stderr)
        return 1
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Builds product.ico: the handheld-with-amber-gem icon used by the installer.

Four classic (BMP, not PNG) images so every loader down to the oldest shell
can read them, in this directory order:
    32x32 4bpp, 48x48 8bpp, 32x32 8bpp, 16x16 4bpp

    python3 make_icon.py                 writes product.ico next to this script
    python3 make_icon.py --check         re-reads product.ico and validates it
    python3 make_icon.py --preview F.png writes an enlarged preview PNG

Output is a pure function of this file: no clock, no randomness.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "product.ico")

# (size, bits per pixel) in directory order.
IMAGES = [(32, 4), (48, 8), (32, 8), (16, 4)]

# Standard 16-colour system palette, RGB.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette256():
    """System 16, a 6x6x6 cube, then greens/ambers/greys the artwork leans on."""
    pal = list(VGA16)
    steps = (0, 51, 102, 153, 204, 255)
    for r in steps:
        for g in steps:
            for b in steps:
                pal.append((r, g, b))
    extra = [
        # LCD greens
        (96, 136, 56), (112, 152, 64), (128, 168, 72), (144, 184, 88),
        (160, 196, 104), (176, 206, 122), (40, 64, 24), (64, 92, 36),
        # amber
        (255, 191, 0), (240, 160, 0), (208, 120, 0), (160, 84, 0),
        (255, 220, 110), (255, 238, 176),
        # body greys with a slight blue cast
        (40, 44, 52), (56, 60, 70), (72, 78, 90), (88, 94, 108),
        (104, 110, 124), (120, 126, 140), (148, 154, 168), (176, 182, 194),
        (24, 26, 30), (212, 216, 224),
    ]
    pal.extend(extra)
    assert len(pal) == 256, len(pal)
    return pal


# ---------------------------------------------------------------- artwork
# Everything is drawn in unit coordinates (0..1, y down) so one description
# serves every size. Each region returns a symbolic colour; the 4bpp images
# map symbols straight to system colours (crisp), the 8bpp images supersample
# true colours and snap to the 256 palette (smooth edges).

COLOURS = {
    # name: (rgb for 8bpp, system index for 4bpp)
    "outline": ((24, 26, 30), 0),
    "body": ((72, 78, 90), 8),
    "bodyhi": ((120, 126, 140), 7),
    "bezel": ((40, 44, 52), 0),
    "screen": ((144, 184, 88), 10),
    "screenhi": ((176, 206, 122), 10),
    "ink": ((40, 64, 24), 2),
    "button": ((148, 154, 168), 7),
    "buttonlo": ((56, 60, 70), 8),
    "amber": ((255, 191, 0), 11),
    "amberlo": ((208, 120, 0), 3),
    "amberhi": ((255, 238, 176), 15),
}

BODY = (0.17, 0.03, 0.83, 0.97)      # x0, y0, x1, y1
BODY_R = 0.13
SCREEN = (0.27, 0.12, 0.73, 0.60)
GEM_C = (0.50, 0.785)
GEM_R = 0.115


def in_round_rect(x, y, box, r):
    x0, y0, x1, y1 = box
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = min(1.0, max(0.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def letter_k(x, y, w):
    """Block capital K on the screen; w is stroke half-width."""
    top, bot = 0.20, 0.52
    left = 0.37
    if left - w <= x <= left + w and top <= y <= bot:
        return True
    mid = (top + bot) / 2
    if seg_dist(x, y, left + w * 0.5, mid + 0.01, 0.63, top + w * 0.6) <= w:
        return True
    if seg_dist(x, y, left + w * 1.2, mid - 0.03, 0.64, bot - w * 0.6) <= w:
        return True
    return False


def shade(x, y, size):
    """Symbolic colour at unit point (x, y), or None for transparent."""
    # Strokes must stay at least one pixel wide at 16x16.
    px = 1.0 / size
    if not in_round_rect(x, y, BODY, BODY_R):
        return None
    o = max(0.03, px * 0.95)
    inner = (BODY[0] + o, BODY[1] + o, BODY[2] - o, BODY[3] - o)
    if not in_round_rect(x, y, inner, max(BODY_R - o, 0.0)):
        return "outline"

    # Amber gem: a diamond with a lit upper-left facet.
    gx, gy = x - GEM_C[0], y - GEM_C[1]
    d = abs(gx) + abs(gy) * 1.15
    if d <= GEM_R:
        if d >= GEM_R - max(0.025, px * 0.9):
            return "amberlo"
        if gx < 0 and gy < 0 and size >= 32 and d < GEM_R * 0.55 and gx + gy < -GEM_R * 0.25:
            return "amberhi"
        if gx > 0 and gy > 0:
            return "amberlo"
        return "amber"

    # Two round hard buttons either side of the gem.
    for bx in (0.30, 0.70):
        r = 0.065 if size >= 32 else 0.075
        dd = math.hypot(x - bx, y - 0.80)
        if dd <= r:
            return "buttonlo" if (y - 0.80) > r * 0.25 and size >= 32 else "button"

    # Screen with a dark bezel.
    b = max(0.025, px * 0.95)
    if SCREEN[0] - b <= x <= SCREEN[2] + b and SCREEN[1] - b <= y <= SCREEN[3] + b:
        if not (SCREEN[0] <= x <= SCREEN[2] and SCREEN[1] <= y <= SCREEN[3]):
            return "bezel"
        w = max(0.045, px * 0.75)
        if letter_k(x, y, w):
            return "ink"
        if size >= 32 and (x - SCREEN[0]) + (y - SCREEN[1]) < 0.10:
            return "screenhi"
        return "screen"

    # Lit left edge of the case.
    if x < BODY[0] + o + max(0.035, px):
        return "bodyhi"
    return "body"


def nearest(pal, rgb):
    best, bi = None, 0
    for i, c in enumerate(pal):
        e = (c[0] - rgb[0]) ** 2 + (c[1] - rgb[1]) ** 2 + (c[2] - rgb[2]) ** 2
        if best is None or e < best:
            best, bi = e, i
    return bi


# At 16x16 sampled geometry turns to mush, so the small 16-colour image is
# drawn by hand. '.' is transparent; other letters are system colours.
PIXELS_16 = [
    "...oooooooooo...",
    "..osgggggggggo..",
    "..osoooooooogo..",
    "..osoLLLLLLogo..",
    "..osoLkLLkLogo..",
    "..osoLkLkLLogo..",
    "..osoLkkLLLogo..",
    "..osoLkkLLLogo..",
    "..osoLkLkLLogo..",
    "..osoLkLLkLogo..",
    "..osoLLLLLLogo..",
    "..osoooooooogo..",
    "..osgggyyggggo..",
    "..osssyyydssgo..",
    "..osgggddggggo..",
    "...oooooooooo...",
]
PIXEL_KEY = {"o": 0, "g": 8, "s": 7, "L": 10, "k": 2, "y": 11, "d": 3}


def render(size, bpp):
    """Returns (palette, rows of indices top-down, rows of opaque flags)."""
    if bpp == 4 and size == 16:
        idx = [[PIXEL_KEY.get(c, 0) for c in row] for row in PIXELS_16]
        mask = [[c != "." for c in row] for row in PIXELS_16]
        return list(VGA16), idx, mask
    if bpp == 4:
        pal = list(VGA16)
        idx, mask = [], []
        for j in range(size):
            ri, rm = [], []
            for i in range(size):
                s = shade((i + 0.5) / size, (j + 0.5) / size, size)
                rm.append(s is not None)
                ri.append(COLOURS[s][1] if s else 0)
            idx.append(ri)
            mask.append(rm)
        return pal, idx, mask

    pal = palette256()
    n = 4  # 4x4 supersampling
    cache = {}
    idx, mask = [], []
    for j in range(size):
        ri, rm = [], []
        for i in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sj in range(n):
                for si in range(n):
                    s = shade((i + (si + 0.5) / n) / size, (j + (sj + 0.5) / n) / size, size)
                    if s:
                        c = COLOURS[s][0]
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        hits += 1
            if hits * 2 < n * n:
                ri.append(0)
                rm.append(False)
                continue
            rgb = tuple(round(a / hits) for a in acc)
            if rgb not in cache:
                cache[rgb] = nearest(pal, rgb)
            ri.append(cache[rgb])
            rm.append(True)
        idx.append(ri)
        mask.append(rm)
    return pal, idx, mask


# ---------------------------------------------------------------- encoding

def stride(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def pack_row(values, bpp, width):
    out = bytearray(stride(width, bpp))
    per = 8 // bpp
    for i, v in enumerate(values):
        shift = 8 - bpp * (i % per + 1)
        out[i // per] |= (v & ((1 << bpp) - 1)) << shift
    return bytes(out)


def encode_image(size, bpp):
    pal, idx, mask = render(size, bpp)
    colours = 1 << bpp
    xor_size = stride(size, bpp) * size
    and_size = stride(size, 1) * size
    hdr = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                      xor_size + and_size, 0, 0, 0, 0)
    body = bytearray(hdr)
    for r, g, b in pal[:colours]:
        body += bytes((b, g, r, 0))
    for j in reversed(range(size)):       # bottom-up
        body += pack_row(idx[j], bpp, size)
    for j in reversed(range(size)):       # 1 = transparent
        body += pack_row([0 if m else 1 for m in mask[j]], 1, size)
    return bytes(body)


def build():
    blobs = [encode_image(s, b) for s, b in IMAGES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(IMAGES)))
    offset = 6 + 16 * len(IMAGES)
    for (size, bpp), blob in zip(IMAGES, blobs):
        count = 16 if bpp == 4 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, count, 0,
                           1, bpp, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


# ---------------------------------------------------------------- checking

def parse(data):
    """Decodes an .ico into [(w, h, bpp, rgba rows)], validating as it goes."""
    res, typ, count = struct.unpack_from("<HHH", data, 0)
    assert (res, typ) == (0, 1), "not an icon directory"
    images = []
    end = 6 + 16 * count
    for k in range(count):
        w, h, cc, rsv, planes, bpp, nbytes, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * k)
        w, h = w or 256, h or 256
        assert rsv == 0 and planes == 1
        assert cc == (16 if bpp == 4 else 0), "colour count"
        assert off == end, "images must be contiguous in directory order"
        end = off + nbytes
        assert end <= len(data)
        (bsize, bw, bh, bplanes, bbpp, comp, simg) = struct.unpack_from("<IiiHHII", data, off)
        assert bsize == 40 and bw == w and bh == 2 * h and bplanes == 1
        assert bbpp == bpp and comp == 0
        ncol = 1 << bpp
        p = off + 40
        pal = [(data[p + 4 * i + 2], data[p + 4 * i + 1], data[p + 4 * i]) for i in range(ncol)]
        p += 4 * ncol
        xs, ms = stride(w, bpp), stride(w, 1)
        assert simg == xs * h + ms * h
        assert nbytes == 40 + 4 * ncol + xs * h + ms * h, "dwBytesInRes"
        rows = []
        for j in range(h):
            xrow = data[p + (h - 1 - j) * xs: p + (h - j) * xs]
            mrow = data[p + xs * h + (h - 1 - j) * ms: p + xs * h + (h - j) * ms]
            row = []
            for i in range(w):
                bit = i * bpp
                v = (xrow[bit // 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1)
                transparent = (mrow[i // 8] >> (7 - i % 8)) & 1
                row.append(pal[v] + ((0,) if transparent else (255,)))
            rows.append(row)
        images.append((w, h, bpp, rows))
    assert end == len(data), "trailing bytes"
    return images


def check(path=OUT):
    with open(path, "rb") as f:
        data = f.read()
    images = parse(data)
    got = [(w, bpp) for w, h, bpp, _ in images]
    assert got == IMAGES, got
    assert data == build(), "product.ico is stale; rerun make_icon.py"
    for w, h, bpp, rows in images:
        assert rows[0][0][3] == 0 and rows[-1][-1][3] == 0, "corners must be transparent"
    print("%s: OK, %d images, %d bytes" % (os.path.basename(path), len(images), len(data)))


def write_png(path, width, height, rgb_rows):
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rgb_rows)

    def chunk(tag, payload):
        return (struct.pack(">I", len(payload)) + tag + payload
                + struct.pack(">I", zlib.crc32(tag + payload) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def preview(png_path, scale=6):
    with open(OUT, "rb") as f:
        images = parse(f.read())
    gap = 8
    width = sum(w * scale for w, _, _, _ in images) + gap * (len(images) + 1)
    height = max(h for _, h, _, _ in images) * scale + 2 * gap
    canvas = [[(255, 255, 255)] * width for _ in range(height)]
    x = gap
    for w, h, _, rows in images:
        for j in range(h * scale):
            for i in range(w * scale):
                r, g, b, a = rows[j // scale][i // scale]
                if a == 0:  # checkerboard shows the transparent area
                    r = g = b = 220 if ((i // 6 + j // 6) & 1) else 250
                canvas[gap + j][x + i] = (r, g, b)
        x += w * scale + gap
    write_png(png_path, width, height, canvas)
    print("wrote", png_path)


def main(argv):
    if len(argv) > 1 and argv[1] == "--check":
        check()
    elif len(argv) > 2 and argv[1] == "--preview":
        preview(argv[2])
    elif len(argv) == 1:
        data = build()
        with open(OUT, "wb") as f:
            f.write(data)
        print("wrote %s (%d bytes)" % (OUT, len(data)))
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

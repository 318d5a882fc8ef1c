#!/usr/bin/env python3
"""Turn Orbelan's pixel drawings into its bitmaps and program icon.

The drawings are XPM files in tools/pictures/.  Run from anywhere, the
script (re)writes:

    res/status_icons.bmp  status_01_*.xpm .. status_32_*.xpm side by side
                          (512 x 16, 24 bpp); transparent pixels become
                          magenta, the strip's transparent colour
    res/picture.bmp       picture.xpm, the 172 x 61 picture for the main
                          window and the About box (24 bpp)
    res/orbelan.ico       the program icon from orbelan_48.xpm,
                          orbelan_16.xpm and orbelan_32.xpm, in that order
                          (32 bpp with alpha)

The reader takes the XPM the drawings use: XPM3 with one "c" colour per
key, either #RRGGBB or None (transparent).  Only the Python standard
library is used and the output is byte-for-byte the same on every run.
"""

import glob
import os
import re
import struct
import sys

TOOLS = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(TOOLS)
PICTURES = os.path.join(TOOLS, "pictures")

MAGENTA = (255, 0, 255)
ICON_SIZE = 16
STRIP_COUNT = 32


class DrawingError(Exception):
    pass


def read_xpm(path):
    """An XPM file -> rows of RGB tuples, None where transparent."""
    name = os.path.relpath(path, ROOT)
    with open(path) as f:
        text = re.sub(r"/\*.*?\*/", "", f.read(), flags=re.S)
    strings = re.findall(r'"([^"]*)"', text)
    try:
        w, h, ncolours, cpp = (int(v) for v in strings[0].split()[:4])
    except (IndexError, ValueError):
        raise DrawingError("%s: no XPM values line" % name)
    if len(strings) != 1 + ncolours + h:
        raise DrawingError("%s: expected %d colours and %d rows"
                           % (name, ncolours, h))
    colours = {}
    for entry in strings[1:1 + ncolours]:
        key, words = entry[:cpp], entry[cpp:].split()
        if len(words) != 2 or words[0] != "c":
            raise DrawingError("%s: colour %r is not 'c <value>'" % (name, key))
        value = words[1]
        if value.lower() == "none":
            colours[key] = None
        elif re.fullmatch(r"#[0-9A-Fa-f]{6}", value):
            colours[key] = tuple(int(value[i:i + 2], 16) for i in (1, 3, 5))
        else:
            raise DrawingError("%s: colour %r is not #RRGGBB or None"
                               % (name, key))
    rows = []
    for y, line in enumerate(strings[1 + ncolours:]):
        if len(line) != w * cpp:
            raise DrawingError("%s: row %d is not %d pixels wide" % (name, y, w))
        try:
            rows.append([colours[line[x:x + cpp]]
                         for x in range(0, len(line), cpp)])
        except KeyError as e:
            raise DrawingError("%s: row %d uses unknown colour %s"
                               % (name, y, e))
    return rows


def build_strip():
    """Icon n occupies x = 16*(n-1) .. 16*n-1 of the strip."""
    paths = sorted(glob.glob(os.path.join(PICTURES, "status_[0-9][0-9]_*.xpm")))
    if len(paths) != STRIP_COUNT:
        raise DrawingError("%d status icons, expected %d"
                           % (len(paths), STRIP_COUNT))
    strip = [[] for _ in range(ICON_SIZE)]
    for path in paths:
        icon = read_xpm(path)
        if len(icon) != ICON_SIZE or len(icon[0]) != ICON_SIZE:
            raise DrawingError("%s is not %d x %d"
                               % (os.path.basename(path), ICON_SIZE, ICON_SIZE))
        if any(c == MAGENTA for row in icon for c in row):
            raise DrawingError("%s uses magenta, the transparent colour"
                               % os.path.basename(path))
        for y, row in enumerate(icon):
            strip[y] += [MAGENTA if c is None else c for c in row]
    return strip


PELS_PER_METER = 2835  # 72 dpi


def bmp_bytes(pixels):
    """24-bit BI_RGB Windows bitmap, bottom-up, rows padded to 4 bytes."""
    h = len(pixels)
    w = len(pixels[0])
    stride = (w * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        body += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(body),
                       PELS_PER_METER, PELS_PER_METER, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return header + info + bytes(body)


def ico_image_bytes(pixels):
    """One .ico image: BITMAPINFOHEADER, BGRA pixels, then the AND mask."""
    size = len(pixels)
    xor = bytearray()
    for row in reversed(pixels):
        for colour in row:
            if colour is None:
                xor += b"\0\0\0\0"
            else:
                r, g, b = colour
                xor += bytes((b, g, r, 255))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        line = bytearray(mask_stride)
        for x, colour in enumerate(row):
            if colour is None:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """An .ico file holding the given square images, in the given order."""
    data = [ico_image_bytes(pixels) for pixels in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for pixels, blob in zip(images, data):
        size = len(pixels)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                           len(blob), offset)
        offset += len(blob)
    for blob in data:
        out += blob
    return bytes(out)


def main():
    try:
        strip = build_strip()
        picture = read_xpm(os.path.join(PICTURES, "picture.xpm"))
        if any(c is None for row in picture for c in row):
            raise DrawingError("picture.xpm has transparent pixels")
        icons = []
        for size in (48, 16, 32):
            icon = read_xpm(os.path.join(PICTURES, "orbelan_%d.xpm" % size))
            if len(icon) != size or len(icon[0]) != size:
                raise DrawingError("orbelan_%d.xpm is not %d x %d"
                                   % (size, size, size))
            icons.append(icon)
    except DrawingError as e:
        sys.stderr.write("make_pictures: %s\n" % e)
        return 1
    outputs = (("status_icons.bmp", bmp_bytes(strip)),
               ("picture.bmp", bmp_bytes(picture)),
               ("orbelan.ico", ico_bytes(icons)))
    for name, data in outputs:
        with open(os.path.join(ROOT, "res", name), "wb") as f:
            f.write(data)
        print("wrote res/%s (%d bytes)" % (name, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Writes the seed files of the picture-reader fuzzers: small BMP files of every kind the reader
knows (fuzz/corpus-bmp/), built byte by byte, and small JPEG files (fuzz/corpus-jpeg/): baseline,
progressive, grey and arithmetic-coded, coded by cjpeg (Debian package libjpeg-turbo-progs) from pictures made
here, some with an EXIF record (orientation, pixel sizes, a thumbnail directory), an XMP packet
and an ICC profile put after the start marker.
Usage: make-picture-corpus.py [bmp-dir [jpeg-dir]]"""
import os
import struct
import subprocess
import sys
import tempfile

W, H = 6, 4


def colour(x, y):
    return ((x * 40 + 3) & 255, (y * 70 + 11) & 255, (x * y * 13) & 255)


def bmp(bpp, rows, compression=0, palette=(), masks=(), info_size=40, top_down=False, w=W, h=H):
    if info_size == 12:
        info = struct.pack("<IHHHH", 12, w, h, 1, bpp)
        pal = b"".join(bytes((b, g, r)) for r, g, b in palette)
    else:
        info = struct.pack("<IiiHHIIiiII", info_size, w, -h if top_down else h, 1, bpp, compression,
                           len(rows), 2835, 2835, len(palette), 0)
        if info_size > 40:
            info += b"".join(struct.pack("<I", m) for m in masks)
        info = info.ljust(info_size, b"\0")
        if info_size == 40:
            info += b"".join(struct.pack("<I", m) for m in masks)
        pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    head = 14 + len(info) + len(pal)
    return b"BM" + struct.pack("<IHHI", head + len(rows), 0, 0, head) + info + pal + rows


def packed(bpp, pixel, w=W, h=H, top_down=False):
    out = bytearray()
    stride = (w * bpp + 31) // 32 * 4
    for i in range(h):
        y = i if top_down else h - 1 - i
        row = bytearray(stride)
        for x in range(w):
            v = pixel(x, y)
            if bpp <= 8 and isinstance(v, int):
                bit = x * bpp
                row[bit // 8] |= v << (8 - bpp - bit % 8)
            else:
                row[x * bpp // 8:(x + 1) * bpp // 8] = v
        out += row
    return bytes(out)


def bmp_seeds():
    pal = lambda n: [((i * 53) & 255, (i * 101 + 7) & 255, (255 - i * 17) & 255) for i in range(n)]
    seeds = {}
    for bpp in (1, 2, 4, 8):
        seeds[f"palette{bpp}.bmp"] = bmp(bpp, packed(bpp, lambda x, y: (x + 2 * y) % (1 << bpp)), palette=pal(1 << bpp))
    rgb24 = lambda x, y: bytes(reversed(colour(x, y)))
    seeds["rgb24.bmp"] = bmp(24, packed(24, rgb24))
    seeds["rgb24-topdown.bmp"] = bmp(24, packed(24, rgb24, top_down=True), top_down=True)
    seeds["rgb32.bmp"] = bmp(32, packed(32, lambda x, y: rgb24(x, y) + b"\0"))
    c555 = lambda x, y: struct.pack("<H", (colour(x, y)[0] >> 3) << 10 | (colour(x, y)[1] >> 3) << 5 | colour(x, y)[2] >> 3)
    c565 = lambda x, y: struct.pack("<H", (colour(x, y)[0] >> 3) << 11 | (colour(x, y)[1] >> 2) << 5 | colour(x, y)[2] >> 3)
    seeds["rgb555.bmp"] = bmp(16, packed(16, c555))
    seeds["rgb565.bmp"] = bmp(16, packed(16, c565), compression=3, masks=(0xF800, 0x07E0, 0x001F))
    seeds["v5-bitfields32.bmp"] = bmp(32, packed(32, lambda x, y: b"\0" + bytes(colour(x, y))), compression=3,
                                      masks=(0x0000FF00, 0x00FF0000, 0xFF000000, 0), info_size=124)
    seeds["os2-core8.bmp"] = bmp(8, packed(8, lambda x, y: (x + y) % 256), palette=pal(256), info_size=12)
    rle8 = bytearray()
    for i in range(H):
        rle8 += bytes((0, 3, 1, 2, 3, 0, 2, 9, 0, 0)) if i % 2 else bytes((W, i + 1, 0, 0))
    rle8 += bytes((0, 2, 1, 0, 0, 1))
    seeds["rle8.bmp"] = bmp(8, bytes(rle8), compression=1, palette=pal(256))
    rle4 = bytearray()
    for i in range(H):
        rle4 += bytes((W, 0x12, 0, 0)) if i % 2 else bytes((0, 3, 0x45, 0x60, 3, 0x78, 0, 0))
    rle4 += bytes((0, 1))
    seeds["rle4.bmp"] = bmp(4, bytes(rle4), compression=2, palette=pal(16))
    return seeds


def tiff_record(orientation):
    """A little-endian EXIF record: IFD0 (orientation, EXIF pointer), the EXIF sub-IFD (pixel
    sizes), IFD1 with a four-byte "thumbnail"."""
    ifd0 = struct.pack("<H", 2) + struct.pack("<HHII", 0x0112, 3, 1, orientation) + \
        struct.pack("<HHII", 0x8769, 4, 1, 38) + struct.pack("<I", 68)
    sub = struct.pack("<H", 2) + struct.pack("<HHII", 0xA002, 4, 1, W) + struct.pack("<HHII", 0xA003, 3, 1, H) + \
        struct.pack("<I", 0)
    ifd1 = struct.pack("<H", 2) + struct.pack("<HHII", 0x0201, 4, 1, 98) + struct.pack("<HHII", 0x0202, 4, 1, 4) + \
        struct.pack("<I", 0)
    return b"II*\0" + struct.pack("<I", 8) + ifd0 + sub + ifd1 + b"\xff\xd8\xff\xd9"


def segment(marker, payload):
    return bytes((0xFF, marker)) + struct.pack(">H", len(payload) + 2) + payload


def jpeg_seeds():
    ppm = b"P6 %d %d 255\n" % (W * 2, H * 2) + b"".join(bytes(colour(x, y)) for y in range(H * 2) for x in range(W * 2))
    seeds = {}
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "p.ppm")
        with open(source, "wb") as f:
            f.write(ppm)
        for name, options in (("baseline", []), ("progressive", ["-progressive"]), ("grey", ["-grayscale"]),
                              ("optimised", ["-optimize", "-quality", "50"]),
                              ("arithmetic", ["-arithmetic", "-progressive"])):
            seeds[name + ".jpg"] = subprocess.run(["cjpeg", *options, source], check=True, capture_output=True).stdout
    base = seeds["baseline.jpg"]
    xmp = b"http://ns.adobe.com/xap/1.0/\0<x:xmpmeta xmlns:x='adobe:ns:meta/'/>"
    icc = b"ICC_PROFILE\0\x01\x01" + struct.pack(">I", 128) + b"\0" * 12 + b"RGB XYZ " + b"\0" * 104
    for o in (1, 3, 6, 8):
        seeds[f"exif-orientation{o}.jpg"] = base[:2] + segment(0xE1, b"Exif\0\0" + tiff_record(o)) + base[2:]
    seeds["exif-xmp-icc.jpg"] = base[:2] + segment(0xE1, b"Exif\0\0" + tiff_record(5)) + segment(0xE1, xmp) + \
        segment(0xE2, icc) + base[2:]
    return seeds


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz")
    write(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "corpus-bmp"), bmp_seeds())
    write(sys.argv[2] if len(sys.argv) > 2 else os.path.join(root, "corpus-jpeg"), jpeg_seeds())

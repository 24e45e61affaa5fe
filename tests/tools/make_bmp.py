#!/usr/bin/env python3
"""Writes the BMP fixtures of the korvia-batch shell tests in one process.

make_bmp.py FILE WIDTH HEIGHT R,G,B ...   the listed pixels, row by row from the top-left
make_bmp.py --gradient FILE WIDTH HEIGHT  a different colour at every pixel

Both write a 24-bit bottom-up BMP with rows padded to four bytes.
"""
import struct
import sys


def gradient(w, h):
    return [((x * 255) // (w - 1 if w > 1 else 1), (y * 255) // (h - 1 if h > 1 else 1), (x * 7 + y * 13) % 256)
            for y in range(h) for x in range(w)]


def write_bmp(path, w, h, pixels):
    if len(pixels) != w * h:
        sys.exit(f"make_bmp.py: {w}x{h} needs {w * h} pixels, got {len(pixels)}")
    stride = (w * 3 + 3) // 4 * 4
    body = bytearray()
    for y in range(h - 1, -1, -1):
        for r, g, b in pixels[y * w:(y + 1) * w]:
            body += bytes((b, g, r))
        body += bytes(stride - w * 3)
    header = b"BM" + struct.pack("<IIIIiiHHIIiiII", 54 + len(body), 0, 54, 40, w, h, 1, 24, 0, len(body),
                                 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + body)


def main(args):
    if args and args[0] == "--gradient":
        path, w, h = args[1], int(args[2]), int(args[3])
        write_bmp(path, w, h, gradient(w, h))
    else:
        path, w, h = args[0], int(args[1]), int(args[2])
        write_bmp(path, w, h, [tuple(int(c) for c in p.split(",")) for p in args[3:]])


main(sys.argv[1:])

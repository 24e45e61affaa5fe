#!/usr/bin/env python3
"""Writes the seed files of the EXIF fuzzer (fuzz/corpus/): small JPEG-like byte strings with
an APP1 EXIF record in either byte order, built from scratch. Usage: make-exif-corpus.py [dir]"""
import os
import struct
import sys

ASCII, SHORT, LONG, RATIONAL, UNDEFINED = 2, 3, 4, 5, 7


def record(order, ifd0, sub, tail=b""):
    """A TIFF record: header, IFD0, the EXIF sub-IFD, then the data area of both.
    ifd0/sub are lists of (tag, type, value); value is bytes for ASCII/UNDEFINED,
    an int for SHORT/LONG, a (numerator, denominator) pair for RATIONAL."""
    e = "<" if order == "II" else ">"
    ifd0_at = 8
    ifd0_len = 2 + 12 * (len(ifd0) + 1) + 4
    sub_at = ifd0_at + ifd0_len
    sub_len = 2 + 12 * len(sub) + 4
    data_at = sub_at + sub_len
    data = bytearray()

    def entries(items, with_pointer):
        out = bytearray(struct.pack(e + "H", len(items) + (1 if with_pointer else 0)))
        for tag, kind, value in items:
            if kind in (ASCII, UNDEFINED):
                count = len(value)
                if count <= 4:
                    field = value.ljust(4, b"\0")
                else:
                    field = struct.pack(e + "I", data_at + len(data))
                    data.extend(value)
            elif kind == SHORT:
                count, field = 1, struct.pack(e + "H", value) + b"\0\0"
            elif kind == LONG:
                count, field = 1, struct.pack(e + "I", value)
            else:
                count, field = 1, struct.pack(e + "I", data_at + len(data))
                data.extend(struct.pack(e + "ii", *value))
            out += struct.pack(e + "HHI", tag, kind, count) + field
        if with_pointer:
            out += struct.pack(e + "HHII", 34665, LONG, 1, sub_at)
        out += b"\0\0\0\0"
        return out

    body = entries(ifd0, True) + entries(sub, False)
    return order.encode() + struct.pack(e + "HI", 42, ifd0_at) + body + bytes(data) + tail


def jpeg(tiff, before=b""):
    app1 = b"Exif\0\0" + tiff
    return b"\xff\xd8" + before + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + b"\xff\xd9"


IFD0 = [(271, ASCII, b"Maker Co.\0"), (272, ASCII, b"Model 7\0"), (306, ASCII, b"2024:05:06 07:08:09\0")]
SUB = [
    (33434, RATIONAL, (1, 250)),
    (33437, RATIONAL, (28, 10)),
    (34850, SHORT, 2),
    (34855, SHORT, 200),
    (36864, UNDEFINED, b"0220"),
    (37382, RATIONAL, (3, 1)),
    (37383, SHORT, 5),
    (37385, SHORT, 0x10),
    (37386, RATIONAL, (50, 1)),
]
APEX = [
    (37377, RATIONAL, (8, 1)),
    (37378, RATIONAL, (3, 1)),
    (37381, RATIONAL, (2, 1)),
    (37385, SHORT, 0x59),
]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "corpus")
    os.makedirs(out, exist_ok=True)
    seeds = {
        "little-endian.jpg": jpeg(record("II", IFD0, SUB)),
        "big-endian.jpg": jpeg(record("MM", IFD0, SUB)),
        "apex-values.jpg": jpeg(record("II", IFD0[:1], APEX)),
        "apex-big-endian.jpg": jpeg(record("MM", [], APEX + [(33434, RATIONAL, (2, 5))])),
        "other-app1-first.jpg": jpeg(record("II", IFD0, SUB), before=b"\xff\xe1\x00\x08http"),
        "long-strings.jpg": jpeg(record("MM", [(271, ASCII, b"M" * 300 + b"\0"), (272, ASCII, b"ab\0")],
                                         [(36864, UNDEFINED, b"0231"), (37382, RATIONAL, (1, 0))])),
        "no-exif.jpg": b"\xff\xd8\xff\xe0\x00\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0\xff\xd9",
    }
    for name, content in seeds.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(content)


if __name__ == "__main__":
    main()

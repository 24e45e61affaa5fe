#!/usr/bin/env python3
"""Writes the seed files of the PNG, TIFF, WebP, HEIF, RAW and JPEG XL fuzzers (fuzz/corpus-png/,
corpus-tiff/, corpus-webp/, corpus-heif/, corpus-raw/, corpus-jxl/): small pictures made here, PNG
and TIFF files built byte by byte, the other variants coded from them by the formats' own
command-line tools (tiffcp from libtiff-tools, cwebp from webp, heif-enc from libheif-examples,
cjxl from libjxl-tools), and a linear DNG built byte by byte. Some carry an EXIF record with a turned orientation.
Usage: make-format-corpus.py [folder]   (the folder holding the corpus-* folders; default fuzz/)"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

W, H = 6, 4


def colour(x, y):
    return ((x * 40 + 3) & 255, (y * 70 + 11) & 255, (x * y * 13) & 255)


def exif_record(orientation):
    """A little-endian TIFF record: Make, Model and Orientation in IFD0."""
    make, model = b"KorviaCam\0", b"Tester\0"
    entries = [(0x010F, 2, len(make), 8 + 2 + 3 * 12 + 4), (0x0110, 2, len(model), 8 + 2 + 3 * 12 + 4 + len(make)),
               (0x0112, 3, 1, orientation)]
    out = b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", len(entries))
    out += b"".join(struct.pack("<HHII", *e) for e in entries) + struct.pack("<I", 0)
    return out + make + model


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(colour_type, depth, rows, palette=b"", trns=b"", exif=b""):
    out = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, depth, colour_type, 0, 0, 0))
    if palette:
        out += png_chunk(b"PLTE", palette)
    if trns:
        out += png_chunk(b"tRNS", trns)
    if exif:
        out += png_chunk(b"eXIf", exif)
    out += png_chunk(b"IDAT", zlib.compress(b"".join(b"\0" + r for r in rows)))
    return out + png_chunk(b"IEND", b"")


def png_seeds():
    rgb = [bytes(v for x in range(W) for v in colour(x, y)) for y in range(H)]
    rgba = [bytes(v for x in range(W) for v in colour(x, y) + ((x * 50) & 255,)) for y in range(H)]
    grey16 = [b"".join(struct.pack(">H", x * 9000 + y * 300) for x in range(W)) for y in range(H)]
    grey1 = [bytes([0b10100000 if y % 2 else 0b01010000]) for y in range(H)]
    pal = [bytes(((x + y) % 4) << 4 | ((x + y + 1) % 4) for x in range(0, W, 2)) for y in range(H)]
    return {
        "rgb8.png": png(2, 8, rgb),
        "rgba8-exif6.png": png(6, 8, rgba, exif=exif_record(6)),
        "grey16.png": png(0, 16, grey16),
        "grey1.png": png(0, 1, grey1),
        "palette4-trns.png": png(3, 4, pal, palette=bytes(range(12)), trns=b"\0\x80"),
    }


def tiff(samples, rows, photometric, extra=()):
    """An uncompressed little-endian TIFF, one strip, 8 bits per sample."""
    data = b"".join(rows)
    entries = [(256, 3, 1, W), (257, 3, 1, H), (258, 3, 1, 8), (259, 3, 1, 1), (262, 3, 1, photometric),
               (273, 4, 1, 0), (277, 3, 1, samples), (278, 3, 1, H), (279, 4, 1, len(data))]
    if extra:
        entries.append((338, 3, 1, extra[0]))
    start = 8 + 2 + 12 * len(entries) + 4
    entries = [(t, k, n, start if t == 273 else v) for t, k, n, v in entries]
    if samples > 1:  # BitsPerSample has one value per sample, stored after the pixels
        entries[2] = (258, 3, samples, start + len(data))
    out = b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", len(entries))
    out += b"".join(struct.pack("<HHII", *e) for e in entries) + struct.pack("<I", 0) + data
    if samples > 1:
        out += struct.pack("<" + "H" * samples, *([8] * samples))
    return out


def dng(W=40, H=24):
    """A linear DNG, 16 bits per sample, with the tags LibRaw needs, turned by Orientation 6 (LibRaw
    takes no file below 4 KB for a camera file)."""
    data = b"".join(struct.pack("<HHH", *(c * 200 for c in colour(x, y))) for y in range(H) for x in range(W))
    make, model, unique = b"KorviaCam\0", b"Tester\0", b"KorviaCam Tester\0"
    tail = bytearray()
    entries = []
    fixed = 8 + 2 + 16 * 12 + 4

    def at_tail(blob):
        offset = fixed + len(tail)
        tail.extend(blob)
        return offset
    pixels = at_tail(data)
    bits = at_tail(struct.pack("<HHH", 16, 16, 16))
    entries = [(254, 4, 1, 0), (256, 3, 1, W), (257, 3, 1, H), (258, 3, 3, bits), (259, 3, 1, 1),
               (262, 3, 1, 34892), (271, 2, len(make), at_tail(make)), (272, 2, len(model), at_tail(model)),
               (273, 4, 1, pixels), (274, 3, 1, 6), (277, 3, 1, 3), (278, 3, 1, H), (279, 4, 1, len(data)),
               (50706, 1, 4, 0x00000401), (50708, 2, len(unique), at_tail(unique)),
               (50721, 10, 9, at_tail(struct.pack("<18i", 1, 1, 0, 1, 0, 1, 0, 1, 1, 1, 0, 1, 0, 1, 0, 1, 1, 1)))]
    out = b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", len(entries))
    out += b"".join(struct.pack("<HHII", *e) for e in entries) + struct.pack("<I", 0)
    assert len(out) == fixed
    return out + bytes(tail)


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def coded_seeds(work):
    rgb = [bytes(v for x in range(W) for v in colour(x, y)) for y in range(H)]
    rgba = [bytes(v for x in range(W) for v in colour(x, y) + ((x * 50) & 255,)) for y in range(H)]
    cmyk = [bytes(v for x in range(W) for v in tuple(255 - c for c in colour(x, y)) + (0,)) for y in range(H)]
    tiffs = {"rgb8.tif": tiff(3, rgb, 2), "rgba8.tif": tiff(4, rgba, 2, extra=(2,)), "cmyk.tif": tiff(4, cmyk, 5),
             "grey8.tif": tiff(1, [bytes(r[::3]) for r in rgb], 1)}
    for name, data in tiffs.items():
        with open(os.path.join(work, name), "wb") as f:
            f.write(data)
    run("tiffcp", "-c", "lzw", os.path.join(work, "rgb8.tif"), os.path.join(work, "rgb8-lzw.tif"))
    run("tiffcp", "-c", "zip", "-t", "-w", "16", "-l", "16", os.path.join(work, "rgba8.tif"), os.path.join(work, "rgba8-zip-tiles.tif"))
    run("tiffcp", "-c", "jpeg", os.path.join(work, "rgb8.tif"), os.path.join(work, "rgb8-jpeg.tif"))
    pngs = png_seeds()
    for name in ("rgb8.png", "rgba8-exif6.png"):
        with open(os.path.join(work, name), "wb") as f:
            f.write(pngs[name])
    source, alpha = os.path.join(work, "rgb8.png"), os.path.join(work, "rgba8-exif6.png")
    run("cwebp", "-quiet", "-q", "80", source, "-o", os.path.join(work, "lossy.webp"))
    run("cwebp", "-quiet", "-lossless", alpha, "-o", os.path.join(work, "lossless-alpha.webp"))
    run("cwebp", "-quiet", "-q", "60", "-metadata", "exif", alpha, "-o", os.path.join(work, "lossy-alpha-exif.webp"))
    run("cjxl", "-q", "80", source, os.path.join(work, "lossy.jxl"))
    run("cjxl", "-d", "0", alpha, os.path.join(work, "lossless-alpha-exif.jxl"))
    run("heif-enc", "-q", "50", source, "-o", os.path.join(work, "photo.heic"))
    run("heif-enc", "-A", "-q", "50", source, "-o", os.path.join(work, "photo.avif"))
    names = {"corpus-tiff": list(tiffs) + ["rgb8-lzw.tif", "rgba8-zip-tiles.tif", "rgb8-jpeg.tif"],
             "corpus-webp": ["lossy.webp", "lossless-alpha.webp", "lossy-alpha-exif.webp"],
             "corpus-heif": ["photo.heic", "photo.avif"],
             "corpus-jxl": ["lossy.jxl", "lossless-alpha-exif.jxl"]}
    seeds = {}
    for folder, files in names.items():
        seeds[folder] = {}
        for name in files:
            with open(os.path.join(work, name), "rb") as f:
                seeds[folder][name] = f.read()
    return seeds


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz")
    write(os.path.join(root, "corpus-png"), png_seeds())
    write(os.path.join(root, "corpus-raw"), {"linear.dng": dng()})
    with tempfile.TemporaryDirectory() as work:
        for folder, seeds in coded_seeds(work).items():
            write(os.path.join(root, folder), seeds)

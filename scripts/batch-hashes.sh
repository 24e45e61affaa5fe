#!/usr/bin/env bash
# Prints "operation photo sha256" for every transform and filter operation of korvia-batch (several
# settings each) and every one-click recipe, run on each photo given and on a generated odd-sized
# BMP, so that two builds can be compared byte for byte:
#
#   scripts/batch-hashes.sh old/korvia-batch > old.txt
#   scripts/batch-hashes.sh new/korvia-batch > new.txt
#   diff old.txt new.txt
#
# Usage: batch-hashes.sh KORVIA-BATCH [PHOTO...]
# Without photos it takes the pictures of ../shared/photos beside the repository, where there is one.
# The results are written as BMP (the engine's bytes, no encoder between) with a fixed seed.
set -euo pipefail

if [ $# -lt 1 ] || [ ! -x "$1" ]; then
    echo "usage: $0 KORVIA-BATCH [PHOTO...]" >&2
    exit 2
fi
BATCH=$(realpath "$1")
shift
WORK=$(mktemp -d "${TMPDIR:-/tmp}/korvia-hashes.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

photos=("$@")
if [ ${#photos[@]} -eq 0 ]; then
    shared="$(dirname "$(realpath "$0")")/../../shared/photos"
    if [ -d "$shared" ]; then
        for f in "$shared"/*; do
            case "${f,,}" in *.jpg | *.jpeg | *.bmp | *.png | *.tif | *.tiff | *.webp) photos+=("$f") ;; esac
        done
    fi
fi

# An odd-sized 24-bit BMP (rows padded to four bytes), bottom-up, with a pattern of edges and noise.
python3 - "$WORK/odd-613x457.bmp" <<'EOF'
import struct, sys
w, h = 613, 457
pad = (4 - (w * 3) % 4) % 4
rows = bytearray()
seed = 12345
for y in range(h - 1, -1, -1):
    for x in range(w):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        noise = (seed >> 16) & 31
        r = (x * 255 // (w - 1) + noise) & 255
        g = (y * 255 // (h - 1) + 2 * noise) & 255
        b = 255 if ((x // 37) + (y // 29)) % 2 else (noise * 5) & 255
        rows += bytes((b, g, r))
    rows += bytes(pad)
header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + info + rows)
EOF
photos+=("$WORK/odd-613x457.bmp")

# The same pattern as uncompressed TIFF files, and the first JPEG photo with its own EXIF record
# replaced by one that holds only an orientation, for every orientation 2..8: opened upright.
python3 - "$WORK" "${photos[0]}" <<'EOF'
import struct, sys
work, photo = sys.argv[1], sys.argv[2]
bmp = open(work + "/odd-613x457.bmp", "rb").read()
w, h = struct.unpack("<ii", bmp[18:26])
stride = (w * 3 + 3) // 4 * 4
pixels = bytearray()
for y in range(h):
    row = bmp[54 + stride * (h - 1 - y):][:w * 3]
    for x in range(w):
        b, g, r = row[3 * x:3 * x + 3]
        pixels += bytes((r, g, b))
for orientation in range(2, 9):
    tags = [(256, 4, w), (257, 4, h), (258, 3, 8), (259, 3, 1), (262, 3, 2), (273, 4, 0), (274, 3, orientation),
            (277, 3, 3), (278, 4, h), (279, 4, len(pixels)), (284, 3, 1)]
    ifd_size = 2 + 12 * len(tags) + 4
    bits_at = 8 + ifd_size + 6
    out = bytearray(b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", len(tags)))
    for tag, kind, value in tags:
        if tag == 273:
            value = bits_at
        if tag == 258:
            out += struct.pack("<HHII", tag, kind, 3, 8 + ifd_size)
        elif kind == 3:
            out += struct.pack("<HHIHH", tag, kind, 1, value, 0)
        else:
            out += struct.pack("<HHII", tag, kind, 1, value)
    out += struct.pack("<I", 0) + struct.pack("<HHH", 8, 8, 8) + pixels
    open("%s/odd-orientation%d.tif" % (work, orientation), "wb").write(out)
jpeg = open(photo, "rb").read()
if jpeg[:2] == b"\xff\xd8":
    at, kept = 2, bytearray()
    while at + 4 <= len(jpeg) and jpeg[at] == 0xFF and jpeg[at + 1] not in (0xDA, 0xD9):
        length = struct.unpack(">H", jpeg[at + 2:at + 4])[0]
        if jpeg[at + 1] != 0xE1:
            kept += jpeg[at:at + 2 + length]
        at += 2 + length
    rest = jpeg[at:]
    for orientation in range(2, 9):
        tiff = b"MM\0*" + struct.pack(">IH", 8, 1) + struct.pack(">HHIHH", 274, 3, 1, orientation, 0) + struct.pack(">I", 0)
        app1 = b"Exif\0\0" + tiff
        segment = b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1
        open("%s/photo-orientation%d.jpg" % (work, orientation), "wb").write(b"\xff\xd8" + segment + kept + rest)
EOF
shopt -s nullglob
oriented=("$WORK"/odd-orientation?.tif "$WORK"/photo-orientation?.jpg)

operations=(
    copy
    rgb:red=40,green=-20,blue=10 bch:bright=20,chroma=30,hue=15 bch:chroma=-255 levels:colorLevel=7
    grayscale sepia tint:color=30.150.220
    tone:kind=s,position=20 tone:kind=slope,position=29 tone:kind=gamma,position=-30
    tone:kind=points,points=0.20.40.70.90.100.110.120.128
    sharpen sharpen:edgeLevel=17 soft soft:softSize=4,softCoreLevel=80
    emboss emboss:embosseLevel=7,embossAngle=135,color=10.200.90
    motion motion:vibrateSize=4,vibrateAngle=30 motion:vibrateSize=13,vibrateAngle=90
    mosaic:mosaicSize=7 mosaic:mosaicSize=1 median median:medianSize=6
    fringe-bright fringe-bright:fringeSize=150,fringeLevel=-60,shape=square
    fringe-blur fringe-blur:outFocusSize=40,outFocusDensity=30
    paint paint:paintSize=5,style=pointillism paint:paintSize=17
    resize:width=301,height=211 resize:width=1001 resize:height=33
    rotate:angle=30.5 rotate:angle=-90 rotate:angle=180
    turn-right turn-left turn-180 mirror-lr mirror-ud
    trim:left=5,top=7,right=50,bottom=40 trim:left=3,top=2
    slope:slopeBalance=30 slope:slopeBalance=-40 slope
    trapezoid:perspective=30 trapezoid:perspective=-20 trapezoid
    distort:distortion=20 distort:distortion=-30 distort
    vivid recipe-grayscale recipe-sepia recipe-emboss recipe-emboss:embossAngle=225 recipe-paint soft-filter
    fringe-soft fringe-dark gray-fringe-dark sepia-fringe-dark sepia-fringe-bright
    turn-right+mirror-lr+turn-180 rotate:angle=12+mirror-ud+sharpen
)

for photo in "${photos[@]}" "${oriented[@]}"; do
    name=$(basename "$photo")
    ops=("${operations[@]}")
    case "$name" in *orientation*) ops=(copy turn-right mirror-lr) ;; esac
    for op in "${ops[@]}"; do
        words=()
        [ "$op" = copy ] || IFS=+ read -r -a words <<<"$op"
        out="$WORK/out.bmp"
        rm -f "$out"
        if "$BATCH" apply "$photo" -o "$out" --seed 7 "${words[@]}" 2>"$WORK/err"; then
            echo "$op $name $(sha256sum <"$out" | cut -d' ' -f1)"
        else
            echo "$op $name failed: $(head -n1 "$WORK/err")"
        fi
    done
done

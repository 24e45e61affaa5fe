# korvia-batch on photos whose metadata is broken or one too many: a JPEG with a camera record whose
# EXIF directory is its main one again, 3000 XMP packets and 3000 colour-profile chunks that make no
# profile, and a PNG with that record and a 70 KB XMP packet. Each result passes exiftool's
# validation, keeps the whole packet, and the batch says what it left out (on stderr, one photo at
# a time, and in the report's message of a photo done).
source "$(dirname "$0")/testlib.bash"

make_gradient_bmp "$WORK/photo.bmp" 8 6
convert "$WORK/photo.bmp" "$WORK/base.jpg"
python3 - "$WORK" <<'EOF'
import struct, sys, zlib
work = sys.argv[1]

def le16(v): return struct.pack('<H', v)
def le32(v): return struct.pack('<I', v)
def entry(tag, kind, count, value): return le16(tag) + le16(kind) + le32(count) + value
# IFD0 at 8: Make, X/YResolution, ResolutionUnit, YCbCrPositioning, an EXIF pointer back to IFD0.
n = 6
values_at = 8 + 2 + 12 * n + 4
make = b'KorviaCam\0'
record = b'II*\0' + le32(8) + le16(n)
record += entry(0x010F, 2, len(make), le32(values_at))
record += entry(0x011A, 5, 1, le32(values_at + len(make)))
record += entry(0x011B, 5, 1, le32(values_at + len(make) + 8))
record += entry(0x0128, 3, 1, le16(2) + b'\0\0')
record += entry(0x0213, 3, 1, le16(1) + b'\0\0')
record += entry(0x8769, 4, 1, le32(8))
record += le32(0) + make + le32(72) + le32(1) + le32(72) + le32(1)

def packet(text, size):
    head = (b'<?xpacket begin="\xef\xbb\xbf" id="W5M0MpCehiHzreSzNTczkc9d"?><x:xmpmeta xmlns:x="adobe:ns:meta/">'
            b'<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description rdf:about="" '
            b'xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:description><rdf:Alt><rdf:li xml:lang="x-default">' + text)
    tail = b'</rdf:li></rdf:Alt></dc:description></rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end="w"?>'
    return head + b'k' * max(0, size - len(head) - len(tail)) + tail

def segment(marker, payload): return bytes([0xFF, marker]) + struct.pack('>H', len(payload) + 2) + payload
base = open(work + '/base.jpg', 'rb').read()
segments = segment(0xE1, b'Exif\0\0' + record)
for k in range(3000):
    segments += segment(0xE1, b'http://ns.adobe.com/xap/1.0/\0' + packet(b'packet %d ' % k, 300))
    segments += segment(0xE2, b'ICC_PROFILE\0\x01\x02' + b'\x11' * 200)
open(work + '/hostile.jpg', 'wb').write(base[:2] + segments + base[2:])

def chunk(kind, data): return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
rows = b''.join(b'\0' + b'\x80' * 24 for _ in range(6))
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 8, 6, 8, 2, 0, 0, 0))
png += chunk(b'eXIf', record) + chunk(b'iTXt', b'XML:com.adobe.xmp\0\0\0\0\0' + packet(b'long ', 72000))
png += chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b'')
open(work + '/other.png', 'wb').write(png)
EOF

run_batch apply "$WORK/hostile.jpg" -o "$WORK/from-jpeg.jpg" grayscale
expect_equal "JPEG: exit status" 0 "$RC"
check "JPEG: the note names what is left out" grep -q "保存するファイルには.*XMP.*ICC" <<<"$ERR"

run_batch apply "$WORK/other.png" -o "$WORK/from-png.jpg" grayscale
expect_equal "PNG: exit status" 0 "$RC"
check "PNG: the note names the record" grep -q "EXIF" <<<"$ERR"

run_batch apply "$WORK/hostile.jpg" "$WORK/other.png" -o "$WORK/out" --report "$WORK/report.json" grayscale
expect_equal "batch: exit status" 0 "$RC"
expect_equal "batch: a note for each photo on stderr" 2 "$(grep -c "保存するファイルには" <<<"$ERR")"
expect_equal "batch: the notes in the report" 2 "$(grep -c '"status":"done".*"message":"保存するファイルには' "$WORK/report.json")"

# Every result valid (a duplicate packet or a looping directory would be a warning), and the PNG's
# packet whole, as extended XMP.
expect_equal "valid, the long packet whole" "OK short OK long OK short OK long " \
    "$(exiftool -q -p '$Validate ${XMP:Description;$_=length($_) > 70000 ? "long" : "short"}' -validate "$WORK/from-jpeg.jpg" "$WORK/from-png.jpg" \
        "$WORK/out/hostile.jpg" "$WORK/out/other.jpg" | tr '\n' ' ')"

finish

# korvia-batch info: the picture information page as lines "label<TAB>value".
source "$(dirname "$0")/testlib.bash"

LABELS="幅　：
高さ　：
画素数　：
Exifバージョン　：
メーカー名　：
機種名　：
撮影日時　：
シャッター速度：
絞り　：
露出モード　：
測光モード　：
ISO感度　：
焦点距離　：
開放F値　：
撮影距離　：
フラッシュ　：
ファイル名　："

# value LABEL: the value printed after that label.
value() { printf '%s\n' "$OUT" | awk -F'\t' -v l="$1" '$1 == l { print $2 }'; }

make_gradient_bmp "$WORK/photo.bmp" 5 3
expect_success "info of a BMP" info "$WORK/photo.bmp"
expect_equal "labels in page order" "$LABELS" "$(printf '%s\n' "$OUT" | cut -f1)"
expect_equal "width" "5  pixel" "$(value '幅　：')"
expect_equal "height" "3  pixel" "$(value '高さ　：')"
expect_equal "pixels" "15  pixel" "$(value '画素数　：')"
expect_equal "file name without folder" "photo.bmp" "$(value 'ファイル名　：')"
camera=$(printf '%s\n' "$OUT" | sed -n '4,16p' | cut -f2 | tr -d '\n')
expect_equal "a BMP has no camera values" "" "$camera"

# A JPEG with a small EXIF record (little-endian): Make "Korvia", ISO 200, FNumber 28/10,
# ExposureProgram 2, Flash 0x10, ExifVersion 0220. Built from the tool's own JPEG by putting an
# APP1 segment right after the start-of-image marker.
expect_success "make a JPEG" apply "$WORK/photo.bmp" -o "$WORK/plain.jpg"
tiff() {
    # TIFF header, IFD0 at 8 with 2 entries (Make, EXIF pointer), sub-IFD at 38 with 5 entries,
    # then the Make string at 104 and the FNumber rational at 111.
    printf 'II\x2a\x00'; le32 8
    le16 2
    le16 0x010F; le16 2; le32 7; le32 104
    le16 0x8769; le16 4; le32 1; le32 38
    le32 0
    le16 5
    le16 0x829D; le16 5; le32 1; le32 111
    le16 0x8822; le16 3; le32 1; le16 2; le16 0
    le16 0x8827; le16 3; le32 1; le16 200; le16 0
    le16 0x9000; le16 7; le32 4; printf '0220'
    le16 0x9209; le16 3; le32 1; le16 16; le16 0
    le32 0
    printf 'Korvia\x00'
    le32 28; le32 10
}
tiff >"$WORK/tiff.bin"
tiffsize=$(stat -c %s "$WORK/tiff.bin")
{
    printf '\xff\xd8\xff\xe1'
    printf "\\x$(printf %02x $(((tiffsize + 8) >> 8)))\\x$(printf %02x $(((tiffsize + 8) & 255)))"
    printf 'Exif\x00\x00'
    cat "$WORK/tiff.bin"
    tail -c +3 "$WORK/plain.jpg"
} >"$WORK/camera.jpg"
expect_success "info of a JPEG with EXIF" info "$WORK/camera.jpg"
expect_equal "JPEG labels in page order" "$LABELS" "$(printf '%s\n' "$OUT" | cut -f1)"
expect_equal "maker" "Korvia" "$(value 'メーカー名　：')"
expect_equal "ISO" "200" "$(value 'ISO感度　：')"
expect_equal "aperture" "F 2.8" "$(value '絞り　：')"
expect_equal "exposure program" "通常のプログラム" "$(value '露出モード　：')"
expect_equal "flash" "発光禁止" "$(value 'フラッシュ　：')"
expect_equal "EXIF version" "0220" "$(value 'Exifバージョン　：')"
expect_equal "model absent" "" "$(value '機種名　：')"
expect_equal "JPEG width" "5  pixel" "$(value '幅　：')"
expect_equal "JPEG file name" "camera.jpg" "$(value 'ファイル名　：')"

# apply keeps the camera record in a JPEG output.
expect_success "camera JPEG to JPEG" apply "$WORK/camera.jpg" -o "$WORK/carried.jpg" sepia
expect_success "info of the result" info "$WORK/carried.jpg"
expect_equal "maker carried" "Korvia" "$(value 'メーカー名　：')"
expect_equal "ISO carried" "200" "$(value 'ISO感度　：')"

# Orientation 6 (a quarter turn): info and apply both give the upright size.
{
    printf 'II\x2a\x00'; le32 8; le16 1; le16 0x0112; le16 3; le32 1; le16 6; le16 0; le32 0
} >"$WORK/turned.bin"
{
    printf '\xff\xd8\xff\xe1\x00\x22'; printf 'Exif\x00\x00'; cat "$WORK/turned.bin"
    tail -c +3 "$WORK/plain.jpg"
} >"$WORK/turned.jpg"
expect_success "info of a turned JPEG" info "$WORK/turned.jpg"
expect_equal "upright width" "3  pixel" "$(value '幅　：')"
expect_equal "upright height" "5  pixel" "$(value '高さ　：')"
expect_success "apply a turned JPEG" apply "$WORK/turned.jpg" -o "$WORK/turned.bmp"
expect_equal "written upright" "3x5" "$(bmp_size "$WORK/turned.bmp")"

# Failures: one line, exit 1.
expect_failure "missing file" info "$WORK/none.jpg"
head -c 100 /dev/urandom >"$WORK/noise.jpg"
expect_failure "corrupt JPEG" info "$WORK/noise.jpg"
expect_failure "unknown type" info "$WORK/photo.png"
expect_failure "two inputs" info "$WORK/photo.bmp" "$WORK/photo.bmp"

finish

# korvia-batch writes every format Korvia writes, chosen by the output's extension (one photo) or
# by --format (many photos): each output is of its format, upright, holds the camera record, and
# reads back to the pixels the BMP output has (every format is lossless at the default -q 100;
# -q makes WebP and JPEG XL lossy). JPEG XL files from cjxl (lossy, lossless, a recompressed JPEG)
# open too.
source "$(dirname "$0")/testlib.bash"

value() { printf '%s\n' "$OUT" | awk -F'\t' -v l="$1" '$1 == l { print $2 }'; }

make_gradient_bmp "$WORK/photo.bmp" 24 16
cp "$WORK/photo.bmp" "$WORK/other.bmp"
convert "$WORK/photo.bmp" -quality 95 "$WORK/photo.jpg"
exiftool -q -overwrite_original -EXIF:Make=KorviaCam -EXIF:Model=Tester -EXIF:Orientation#=6 "$WORK/photo.jpg"
expect_success "the reference" apply "$WORK/photo.jpg" -o "$WORK/reference.bmp" mirror-lr
expect_equal "reference upright" "16x24" "$(bmp_size "$WORK/reference.bmp")"

declare -A kind=([png]="PNG image data" [tif]="TIFF image data" [webp]="Web/P image" [jxl]="JPEG XL")
declare -A format=([png]=png [tif]=tiff [webp]=webp [jxl]=jxl)
for ext in png tif webp jxl; do
    out="$WORK/out.$ext"
    expect_success "$ext written" apply "$WORK/photo.jpg" -o "$out" mirror-lr
    check "$ext: $(file -b "$out")" grep -q "${kind[$ext]}" <<<"$(file -b "$out")"
    expect_equal "$ext camera record" "KorviaCam Tester 1" "$(exiftool -s3 -n -Make -Model -Orientation "$out" | tr '\n' ' ' | sed 's/ $//')"
    expect_success "$ext read back" apply "$out" -o "$WORK/back-$ext.bmp"
    check "$ext same pixels" cmp -s "$WORK/back-$ext.bmp" "$WORK/reference.bmp"
    expect_success "$ext info" info "$out"
    expect_equal "$ext info width" "16  pixel" "$(value '幅　：')"
    expect_equal "$ext info maker" "KorviaCam" "$(value 'メーカー名　：')"

    # The many-photo form: the same file under the photo's own name.
    expect_success "--format ${format[$ext]}" apply "$WORK/photo.jpg" "$WORK/other.bmp" -o "$WORK/many-$ext/" \
        --format "${format[$ext]}" mirror-lr
    check "$ext from the folder form" cmp -s "$WORK/many-$ext/photo.$ext" "$out"
    check "$ext the second photo" test -s "$WORK/many-$ext/other.$ext"
done
check "TIFF sized by identify" grep -qx "16x24" <<<"$(identify -format '%wx%h' "$WORK/out.tif")"

# -q makes the lossy formats lossy: smaller, still close.
for ext in webp jxl; do
    expect_success "$ext at -q 60" apply "$WORK/photo.jpg" -o "$WORK/lossy.$ext" -q 60 mirror-lr
    check "$ext lossy is smaller" test "$(stat -c %s "$WORK/lossy.$ext")" -lt "$(stat -c %s "$WORK/out.$ext")"
    expect_success "$ext lossy read back" apply "$WORK/lossy.$ext" -o "$WORK/lossy-$ext.bmp"
    expect_equal "$ext lossy size" "16x24" "$(bmp_size "$WORK/lossy-$ext.bmp")"
done
run_batch apply "$WORK/photo.jpg" "$WORK/other.bmp" -o "$WORK/many-gif/" --format gif
expect_equal "an unknown --format is a usage error" 2 "$RC"
run_batch apply "$WORK/photo.jpg" -o "$WORK/out.gif"
expect_equal "a .gif output refused" 1 "$RC"

# JPEG XL from cjxl: lossless from a PNG gives its pixels; lossy and a recompressed JPEG open.
convert "$WORK/photo.bmp" "$WORK/photo.png"
cjxl -d 0 "$WORK/photo.png" "$WORK/lossless.jxl" >/dev/null 2>&1
cjxl -d 1 "$WORK/photo.png" "$WORK/lossy.jxl" >/dev/null 2>&1
cjxl --lossless_jpeg=1 "$WORK/photo.jpg" "$WORK/recompressed.jxl" >/dev/null 2>&1
expect_success "the PNG" apply "$WORK/photo.png" -o "$WORK/png.bmp"
expect_success "cjxl lossless" apply "$WORK/lossless.jxl" -o "$WORK/cjxl-lossless.bmp"
check "cjxl lossless pixels" cmp -s "$WORK/cjxl-lossless.bmp" "$WORK/png.bmp"
expect_success "cjxl lossy" apply "$WORK/lossy.jxl" -o "$WORK/cjxl-lossy.bmp"
expect_equal "cjxl lossy size" "24x16" "$(bmp_size "$WORK/cjxl-lossy.bmp")"
expect_success "recompressed JPEG" info "$WORK/recompressed.jxl"
expect_equal "recompressed JPEG maker" "KorviaCam" "$(value 'メーカー名　：')"
expect_success "recompressed JPEG opens" apply "$WORK/recompressed.jxl" -o "$WORK/recompressed.bmp"
expect_equal "recompressed JPEG upright" "16x24" "$(bmp_size "$WORK/recompressed.bmp")"

finish

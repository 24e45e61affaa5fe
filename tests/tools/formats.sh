# korvia-batch with the formats beyond JPEG and BMP: a WebP's camera record on the information
# page, a PNG read by its content whatever its name says, a turned PNG written upright, and a
# damaged HEIC refused without touching the output.
source "$(dirname "$0")/testlib.bash"

value() { printf '%s\n' "$OUT" | awk -F'\t' -v l="$1" '$1 == l { print $2 }'; }

make_gradient_bmp "$WORK/photo.bmp" 5 3
convert "$WORK/photo.bmp" "$WORK/photo.png"
cwebp -quiet -lossless "$WORK/photo.png" -o "$WORK/photo.webp"
exiftool -q -overwrite_original -EXIF:Make=KorviaCam -EXIF:Model=Tester "$WORK/photo.webp"
expect_success "info of a WebP" info "$WORK/photo.webp"
expect_equal "WebP width" "5  pixel" "$(value '幅　：')"
expect_equal "WebP maker" "KorviaCam" "$(value 'メーカー名　：')"
expect_equal "WebP model" "Tester" "$(value '機種名　：')"

cp "$WORK/photo.png" "$WORK/named-as.jpg"
expect_success "a PNG named .jpg" apply "$WORK/named-as.jpg" -o "$WORK/from-png.bmp"
expect_success "the BMP itself" apply "$WORK/photo.bmp" -o "$WORK/from-bmp.bmp"
check "same pixels through PNG" cmp -s "$WORK/from-png.bmp" "$WORK/from-bmp.bmp"

cp "$WORK/photo.png" "$WORK/turned.png"
exiftool -q -overwrite_original -EXIF:Orientation#=6 "$WORK/turned.png"
expect_success "apply a turned PNG" apply "$WORK/turned.png" -o "$WORK/turned.bmp"
expect_equal "written upright" "3x5" "$(bmp_size "$WORK/turned.bmp")"

heif-enc -q 80 "$WORK/photo.png" -o "$WORK/photo.heic" >/dev/null 2>&1
head -c 300 "$WORK/photo.heic" >"$WORK/cut.heic"
cp "$WORK/from-bmp.bmp" "$WORK/keep.bmp"
expect_failure "damaged HEIC" apply "$WORK/cut.heic" -o "$WORK/keep.bmp"
check "names the file" grep -q "cut.heic" <<<"$ERR"
check "output untouched" cmp -s "$WORK/keep.bmp" "$WORK/from-bmp.bmp"

finish

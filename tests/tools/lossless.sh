# korvia-batch apply: JPEG turns, mirrors and trims made from the stored blocks decode to exactly
# what jpegtran -perfect (and -crop) makes; edges off the block grid are encoded again instead.
source "$(dirname "$0")/testlib.bash"

# same_pixels NAME A.jpg B.jpg: both decode to the same pixels.
same_pixels() {
    djpeg -ppm "$2" >"$WORK/a.ppm" && djpeg -ppm "$3" >"$WORK/b.ppm"
    if cmp -s "$WORK/a.ppm" "$WORK/b.ppm"; then pass; else fail "$1: pixels differ from jpegtran's"; fi
}

differ() { ! cmp -s "$1" "$2"; }

# OPS|jpegtran steps, one pipeline stage each (';' between them).
cases=(
    "turn-right|-rotate 90"
    "turn-left|-rotate 270"
    "mirror-lr|-flip horizontal"
    "mirror-ud|-flip vertical"
    "turn-180|-rotate 180"
    "trim:left=16,top=32,right=50,bottom=60|-crop 35x29+16+32"
    "turn-right trim:left=16,top=16|-rotate 90;-crop 48x64+16+16"
    "trim:left=32,top=16,right=79,bottom=47 turn-left mirror-ud|-crop 48x32+32+16;-rotate 270;-flip vertical"
)
# jpegtran_chain IN OUT STAGES
jpegtran_chain() {
    local stages=$3 in=$1 n=0 stage
    IFS=';' read -ra parts <<<"$stages"
    for stage in "${parts[@]}"; do
        # shellcheck disable=SC2086
        jpegtran -perfect $stage "$in" >"$WORK/stage$n.jpg" || return 1
        in=$WORK/stage$n.jpg; n=$((n + 1))
    done
    cp "$in" "$2"
}

for sampling in 2x2 1x1; do
    make_gradient_bmp "$WORK/g.bmp" 80 64
    cjpeg -sample $sampling -quality 85 "$WORK/g.bmp" >"$WORK/in.jpg"
    for c in "${cases[@]}"; do
        ops=${c%%|*}
        # shellcheck disable=SC2086
        expect_success "$sampling $ops" apply "$WORK/in.jpg" -o "$WORK/out.jpg" $ops
        jpegtran_chain "$WORK/in.jpg" "$WORK/expected.jpg" "${c#*|}"
        same_pixels "$sampling $ops" "$WORK/out.jpg" "$WORK/expected.jpg"
        # shellcheck disable=SC2086
        "$BATCH" apply "$WORK/in.jpg" -o "$WORK/again.jpg" --reencode $ops
        check "$sampling $ops: --reencode encodes again" differ "$WORK/out.jpg" "$WORK/again.jpg"
    done

    # Sides that are not whole blocks: what jpegtran -perfect refuses is encoded again, as --reencode does.
    make_gradient_bmp "$WORK/g.bmp" 67 45
    cjpeg -sample $sampling -quality 85 "$WORK/g.bmp" >"$WORK/odd.jpg"
    for ops in turn-right turn-left mirror-lr mirror-ud trim:left=4; do
        "$BATCH" apply "$WORK/odd.jpg" -o "$WORK/out.jpg" $ops
        "$BATCH" apply "$WORK/odd.jpg" -o "$WORK/again.jpg" --reencode $ops
        check "$sampling $ops on 67 x 45: encoded again" cmp -s "$WORK/out.jpg" "$WORK/again.jpg"
    done
done

# The EXIF orientation is part of the move, and the record says 1 with the new sizes afterwards.
make_gradient_bmp "$WORK/g.bmp" 80 64
cjpeg -sample 2x2 "$WORK/g.bmp" >"$WORK/plain.jpg"
cp "$WORK/plain.jpg" "$WORK/six.jpg"
exiftool -q -overwrite_original -n -Orientation=6 -ExifIFD:ExifImageWidth=80 -ExifIFD:ExifImageHeight=64 "$WORK/six.jpg"
expect_success "orientation 6" apply "$WORK/six.jpg" -o "$WORK/out.jpg" mirror-lr trim:top=16
jpegtran_chain "$WORK/plain.jpg" "$WORK/expected.jpg" "-rotate 90;-flip horizontal;-crop 64x64+0+16"
same_pixels "orientation 6" "$WORK/out.jpg" "$WORK/expected.jpg"
expect_equal "orientation 6: record" "1 64 64" \
    "$(exiftool -s3 -n -Orientation -ExifImageWidth -ExifImageHeight "$WORK/out.jpg" | tr '\n' ' ' | sed 's/ $//')"

# Huffman tables of its own: the bytes jpegtran -optimize writes; a progressive file stays progressive.
"$BATCH" apply "$WORK/plain.jpg" -o "$WORK/out.jpg" turn-right
jpegtran -perfect -optimize -copy none -rotate 90 "$WORK/plain.jpg" >"$WORK/expected.jpg"
check "tables made for the blocks" cmp -s "$WORK/out.jpg" "$WORK/expected.jpg"
jpegtran -progressive "$WORK/plain.jpg" >"$WORK/progressive.jpg"
"$BATCH" apply "$WORK/progressive.jpg" -o "$WORK/out.jpg" mirror-ud
check "progressive kept" grep -q "Start Of Frame 0xc2" < <(djpeg -verbose -verbose "$WORK/out.jpg" 2>&1 >/dev/null)

# The many-photo form takes the same path.
mkdir -p "$WORK/many"
cp "$WORK/plain.jpg" "$WORK/many/a.jpg"
expect_success "many photos" apply "$WORK/many" -o "$WORK/outs/" turn-left
jpegtran_chain "$WORK/plain.jpg" "$WORK/expected.jpg" "-rotate 270"
same_pixels "many photos" "$WORK/outs/a.jpg" "$WORK/expected.jpg"

finish

# korvia-batch apply: the pixels the operations produce, through the real engine and files.
source "$(dirname "$0")/testlib.bash"

# Two pixels side by side: black and (200, 100, 50).
PAIR=$WORK/pair.bmp
make_bmp "$PAIR" 2 1 0,0,0 200,100,50

pixels() { echo "$(bmp_pixel "$1" 0 0) $(bmp_pixel "$1" 1 0)"; }

expect_success "copy" apply "$PAIR" -o "$WORK/copy.bmp"
expect_equal "no operation copies the pixels" "0,0,0 200,100,50" "$(pixels "$WORK/copy.bmp")"

expect_success "sepia" apply "$PAIR" -o "$WORK/sepia.bmp" sepia
expect_equal "sepia: black gets (30,10,0), the luma 124 gets (154,134,84)" "30,10,0 154,134,84" "$(pixels "$WORK/sepia.bmp")"

expect_success "grayscale" apply "$PAIR" -o "$WORK/grey.bmp" grayscale
expect_equal "grayscale" "0,0,0 124,124,124" "$(pixels "$WORK/grey.bmp")"

expect_success "tint default colour" apply "$PAIR" -o "$WORK/tint.bmp" tint
expect_equal "tint toward (100,200,200)" "0,72,72 96,196,196" "$(pixels "$WORK/tint.bmp")"
expect_success "tint mid grey" apply "$PAIR" -o "$WORK/tint128.bmp" tint:color=128.128.128
expect_equal "tint toward mid grey is plain greyscale" "0,0,0 124,124,124" "$(pixels "$WORK/tint128.bmp")"

expect_success "rgb shift" apply "$PAIR" -o "$WORK/rgb.bmp" rgb:red=60,green=-120,blue=10
expect_equal "rgb shift, clamped" "60,0,10 255,0,60" "$(pixels "$WORK/rgb.bmp")"
expect_success "rgb defaults" apply "$PAIR" -o "$WORK/rgb0.bmp" rgb
expect_equal "rgb with its defaults changes nothing" "0,0,0 200,100,50" "$(pixels "$WORK/rgb0.bmp")"

expect_success "bch zero" apply "$PAIR" -o "$WORK/bch.bmp" bch
expect_equal "bch at zero is the colour round trip" "0,0,0 200,98,50" "$(pixels "$WORK/bch.bmp")"

# Operations run in the order given, each with its own defaults.
expect_success "grey then shift" apply "$PAIR" -o "$WORK/a.bmp" grayscale rgb:red=10
expect_equal "grey then shift" "10,0,0 134,124,124" "$(pixels "$WORK/a.bmp")"
expect_success "shift then grey" apply "$PAIR" -o "$WORK/b.bmp" rgb:red=10 grayscale
expect_equal "shift then grey" "3,3,3 127,127,127" "$(pixels "$WORK/b.bmp")"

expect_success "mosaic" apply "$PAIR" -o "$WORK/mosaic.bmp" mosaic:mosaicSize=2
expect_equal "mosaic of two pixels is their mean" "100,50,25 100,50,25" "$(pixels "$WORK/mosaic.bmp")"

expect_success "tone slope 0" apply "$PAIR" -o "$WORK/flat.bmp" tone:kind=slope
expect_equal "slope at position 0 is flat grey" "128,128,128 128,128,128" "$(pixels "$WORK/flat.bmp")"
expect_success "tone points reset" apply "$PAIR" -o "$WORK/points.bmp" tone:kind=points
expect_equal "reset points are the identity" "0,0,0 200,100,50" "$(pixels "$WORK/points.bmp")"
expect_success "tone points flat" apply "$PAIR" -o "$WORK/points0.bmp" tone:kind=points,points=64.64.64.64.64.64.64.64.64
expect_equal "all knots at 64 give 128" "128,128,128 128,128,128" "$(pixels "$WORK/points0.bmp")"

# The tone position reaches the engine with the bar's range (-50..50).
make_bmp "$WORK/mid.bmp" 2 1 127,127,127 129,129,129
expect_success "S-curve 50" apply "$WORK/mid.bmp" -o "$WORK/s50.bmp" tone:position=50
expect_equal "S-curve at 50 maps 127 to 6 and 129 to 249" "6,6,6 249,249,249" "$(pixels "$WORK/s50.bmp")"
make_bmp "$WORK/ends.bmp" 2 1 192,192,192 255,255,255
expect_success "gamma 50" apply "$WORK/ends.bmp" -o "$WORK/g50.bmp" tone:kind=gamma,position=50
expect_equal "gamma at 50 maps 192 to 0 and 255 to 173" "0,0,0 173,173,173" "$(pixels "$WORK/g50.bmp")"
expect_success "slope 25" apply "$PAIR" -o "$WORK/slope25.bmp" tone:kind=slope,position=25
expect_equal "slope at 25 is the identity" "0,0,0 200,100,50" "$(pixels "$WORK/slope25.bmp")"

# Colour levels quantise the luma: two levels give 0, 127 or 254.
make_bmp "$WORK/greys.bmp" 3 1 100,100,100 200,200,200 255,255,255
expect_success "levels 2" apply "$WORK/greys.bmp" -o "$WORK/levels.bmp" levels:colorLevel=2
expect_equal "levels 2" "0,0,0 127,127,127 254,254,254" \
    "$(bmp_pixel "$WORK/levels.bmp" 0 0) $(bmp_pixel "$WORK/levels.bmp" 1 0) $(bmp_pixel "$WORK/levels.bmp" 2 0)"

# Emboss of a flat picture is the drawing colour everywhere, the given one or the start one.
make_bmp "$WORK/flat.bmp" 4 3 $(for i in $(seq 12); do echo 77,150,20; done)
expect_success "emboss colour" apply "$WORK/flat.bmp" -o "$WORK/emboss.bmp" emboss:color=10.20.30,embossAngle=135
expect_equal "emboss of a flat picture" "10,20,30 10,20,30" "$(bmp_pixel "$WORK/emboss.bmp" 0 0) $(bmp_pixel "$WORK/emboss.bmp" 2 1)"
expect_success "emboss default colour" apply "$WORK/flat.bmp" -o "$WORK/emboss0.bmp" emboss
expect_equal "emboss on the start colour" "100,200,200" "$(bmp_pixel "$WORK/emboss0.bmp" 1 1)"

# Median and paint leave a flat picture as it is; soft focus at size 3 keeps 255 at full core.
for op in median:medianSize=10 paint paint:style=pointillism sharpen:edgeLevel=20; do
    expect_success "$op flat" apply "$WORK/flat.bmp" -o "$WORK/op.bmp" "$op"
    expect_equal "$op keeps the centre of a flat picture" "77,150,20" "$(bmp_pixel "$WORK/op.bmp" 1 1)"
done
make_bmp "$WORK/white.bmp" 1 1 255,255,255
expect_success "soft core 0" apply "$WORK/white.bmp" -o "$WORK/soft0.bmp" soft:softSize=3,softCoreLevel=0
expect_equal "soft size 3, core 0: 255 becomes 254" "254,254,254" "$(bmp_pixel "$WORK/soft0.bmp" 0 0)"
expect_success "soft core 100" apply "$WORK/white.bmp" -o "$WORK/soft100.bmp" soft:softSize=3,softCoreLevel=100
expect_equal "soft size 3, core 100: 255 stays" "255,255,255" "$(bmp_pixel "$WORK/soft100.bmp" 0 0)"

# BMP in, JPEG out, BMP again: a uniform picture survives JPEG at quality 100 closely.
make_bmp "$WORK/grey.bmp" 8 8 $(for i in $(seq 64); do echo 90,90,90; done)
expect_success "to JPEG" apply "$WORK/grey.bmp" -o "$WORK/grey.jpg"
expect_success "from JPEG" apply "$WORK/grey.jpg" -o "$WORK/grey2.bmp"
IFS=, read -r r g b <<<"$(bmp_pixel "$WORK/grey2.bmp" 4 4)"
check "JPEG keeps a flat grey within 2" test $(( (r - 90) * (r - 90) + (g - 90) * (g - 90) + (b - 90) * (b - 90) )) -le 12

# --seed makes the jittered fringe effects repeatable; different seeds give different jitter.
make_gradient_bmp "$WORK/field.bmp" 48 40
expect_success "copy field" apply "$WORK/field.bmp" -o "$WORK/copy-field.bmp"
for op in fringe-bright:fringeSize=30,fringeLevel=255 fringe-bright:shape=square,fringeSize=8,fringeLevel=-200 fringe-blur:outFocusSize=20,outFocusDensity=41; do
    expect_success "$op seed 7" apply "$WORK/field.bmp" -o "$WORK/s7a.bmp" --seed 7 "$op"
    expect_success "$op seed 7 again" apply "$WORK/field.bmp" -o "$WORK/s7b.bmp" --seed 7 "$op"
    expect_success "$op seed 8" apply "$WORK/field.bmp" -o "$WORK/s8.bmp" --seed 8 "$op"
    check "$op: same seed, same file" cmp -s "$WORK/s7a.bmp" "$WORK/s7b.bmp"
    check "$op: other seed, other jitter" bash -c "! cmp -s '$WORK/s7a.bmp' '$WORK/s8.bmp'"
    check "$op: changes the picture" bash -c "! cmp -s '$WORK/s7a.bmp' '$WORK/copy-field.bmp'"
done

finish

# korvia-batch kernel: the engine's kernels as libvips matrix files.
source "$(dirname "$0")/testlib.bash"

# body FILE: the weight rows without the header line.
body() { tail -n +2 "$1" | tr -s ' ' | sed 's/^ //; s/ $//'; }
header() { head -n 1 "$1" | tr -s ' ' | sed 's/^ //; s/ $//'; }

expect_success "motion size 3" kernel motion:vibrateSize=3 -o "$WORK/m3.mat"
expect_equal "motion 3: header" "7 7 1791 0" "$(header "$WORK/m3.mat")"
expect_equal "motion 3 at 0 degrees: one horizontal line, 255 at the centre" \
"0 0 0 0 0 0 0
0 0 0 0 0 0 0
0 0 0 0 0 0 0
256 256 256 255 256 256 256
0 0 0 0 0 0 0
0 0 0 0 0 0 0
0 0 0 0 0 0 0" "$(body "$WORK/m3.mat")"
for angle in 90 180; do
    expect_success "motion at $angle" kernel motion:vibrateSize=3,vibrateAngle=$angle -o "$WORK/m$angle.mat"
    check "motion at $angle equals 0 degrees" cmp -s "$WORK/m3.mat" "$WORK/m$angle.mat"
done
expect_success "motion at 30" kernel motion:vibrateSize=5,vibrateAngle=30 -o "$WORK/m30.mat"
expect_success "motion at 60" kernel motion:vibrateSize=5,vibrateAngle=60 -o "$WORK/m60.mat"
check "angle b and 90 - b give the same kernel" cmp -s "$WORK/m30.mat" "$WORK/m60.mat"
expect_success "motion at 45" kernel motion:vibrateSize=5,vibrateAngle=45 -o "$WORK/m45.mat"
expect_success "motion at 135" kernel motion:vibrateSize=5,vibrateAngle=135 -o "$WORK/m135.mat"
check "45 and 135 lean opposite ways" bash -c "! cmp -s '$WORK/m45.mat' '$WORK/m135.mat'"
expect_success "motion default" kernel motion -o "$WORK/mdefault.mat"
expect_equal "default size 10 gives 21 x 21" "21 21" "$(header "$WORK/mdefault.mat" | cut -d' ' -f1,2)"

expect_success "soft size 3" kernel soft:softSize=3 -o "$WORK/s3.mat"
expect_equal "soft 3: only the centre weight" "3 3 255 0
0 0 0
0 255 0
0 0 0" "$(header "$WORK/s3.mat"; body "$WORK/s3.mat")"
expect_success "soft size 2" kernel soft:softSize=2 -o "$WORK/s2.mat"
check "soft size 2 is size 3" cmp -s "$WORK/s2.mat" "$WORK/s3.mat"
expect_success "soft size 4" kernel soft:softSize=4 -o "$WORK/s4.mat"
expect_equal "soft 4 rounds up to 5" "5 5" "$(header "$WORK/s4.mat" | cut -d' ' -f1,2)"

expect_success "sharpen" kernel sharpen:edgeLevel=7 -o "$WORK/sharpen.mat"
expect_equal "sharpen as one convolution over 10" "3 3 10 0
0 -7 0
-7 38 -7
0 -7 0" "$(header "$WORK/sharpen.mat"; body "$WORK/sharpen.mat")"

expect_success "emboss 0" kernel emboss -o "$WORK/e0.mat"
expect_equal "emboss at 0 degrees" "1 2 1
1 -2 1
-1 -2 -1" "$(body "$WORK/e0.mat")"
expect_success "emboss 270" kernel emboss:embossAngle=270 -o "$WORK/e270.mat"
expect_equal "emboss at 270 degrees" "1 1 -1
2 -2 -2
1 1 -1" "$(body "$WORK/e270.mat")"

# Refusals: one line, nothing written.
mkdir "$WORK/refused"
expect_failure "no kernel for sepia" kernel sepia -o "$WORK/refused/k.mat"
expect_failure "no output" kernel motion
expect_failure "no operation" kernel -o "$WORK/refused/k.mat"
expect_failure "range checked" kernel motion:vibrateSize=31 -o "$WORK/refused/k.mat"
expect_equal "range named" "korvia-batch: vibrateSize must be between 2 and 30" "$ERR"
expect_failure "two operations" kernel soft sharpen -o "$WORK/refused/k.mat"
expect_failure "missing folder" kernel soft -o "$WORK/no/such/k.mat"
expect_equal "refusals wrote nothing" "" "$(files_in "$WORK/refused")"

# libvips reads the file as a convolution matrix (when it is installed).
if command -v vips >/dev/null 2>&1; then
    make_gradient_bmp "$WORK/small.bmp" 16 12
    check "vips convolves with the motion kernel" vips conv "$WORK/small.bmp" "$WORK/conv.v" "$WORK/m30.mat"
fi

finish

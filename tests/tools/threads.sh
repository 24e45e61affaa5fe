# korvia-batch apply --threads: the engine's worker threads change nothing in the output.
source "$(dirname "$0")/testlib.bash"

PICTURE=$WORK/gradient.bmp
make_gradient_bmp "$PICTURE" 37 29

OPS="fringe-blur:outFocusSize=10,outFocusDensity=60 paint:style=pointillism,paintSize=6 sharpen emboss
     fringe-bright:shape=square,fringeSize=8,fringeLevel=-90 rotate:angle=33.17 median:medianSize=7"
expect_success "one thread" apply "$PICTURE" -o "$WORK/one.bmp" --seed 3 --threads 1 $OPS
for threads in 2 5; do
    expect_success "$threads threads" apply "$PICTURE" -o "$WORK/many.bmp" --seed 3 --threads "$threads" $OPS
    check "$threads threads: the bytes of one" cmp -s "$WORK/one.bmp" "$WORK/many.bmp"
done
KORVIA_THREADS=3 expect_success "KORVIA_THREADS" apply "$PICTURE" -o "$WORK/environment.bmp" --seed 3 $OPS
check "KORVIA_THREADS: the bytes of one thread" cmp -s "$WORK/one.bmp" "$WORK/environment.bmp"

expect_failure "no threads" apply "$PICTURE" -o "$WORK/none.bmp" --threads 0 sepia
expect_failure "not a number" apply "$PICTURE" -o "$WORK/none.bmp" --threads many sepia
check "a refused count writes nothing" test ! -e "$WORK/none.bmp"

finish

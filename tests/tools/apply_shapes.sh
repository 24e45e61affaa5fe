# korvia-batch apply: the geometric transforms, their result sizes and refused values.
source "$(dirname "$0")/testlib.bash"

A=10,20,30; B=200,100,50; C=1,2,3; D=4,5,6; E=7,8,9; F=11,12,13
make_bmp "$WORK/pair.bmp" 2 1 $A $B
make_bmp "$WORK/six.bmp" 3 2 $A $B $C $D $E $F

px() { local f=$1; shift; local out=() xy; for xy in "$@"; do out+=("$(bmp_pixel "$f" ${xy%,*} ${xy#*,})"); done; echo "${out[*]}"; }

expect_success "turn-right" apply "$WORK/pair.bmp" -o "$WORK/r.bmp" turn-right
expect_equal "turn-right: 1 x 2, A on top" "1x2 $A $B" "$(bmp_size "$WORK/r.bmp") $(px "$WORK/r.bmp" 0,0 0,1)"
expect_success "turn-left" apply "$WORK/pair.bmp" -o "$WORK/l.bmp" turn-left
expect_equal "turn-left: B on top" "$B $A" "$(px "$WORK/l.bmp" 0,0 0,1)"
expect_success "turn-180" apply "$WORK/six.bmp" -o "$WORK/t.bmp" turn-180
expect_equal "turn-180" "$F $A" "$(px "$WORK/t.bmp" 0,0 2,1)"
expect_success "mirrors" apply "$WORK/six.bmp" -o "$WORK/m.bmp" mirror-lr mirror-ud
expect_equal "both mirrors are a half turn" "$F $E $A" "$(px "$WORK/m.bmp" 0,0 1,0 2,1)"

# Trimming: right and bottom default to the last column and row; edges past them are limited.
expect_success "trim" apply "$WORK/six.bmp" -o "$WORK/trim.bmp" trim:left=1
expect_equal "trim from column 1" "2x2 $B $F" "$(bmp_size "$WORK/trim.bmp") $(px "$WORK/trim.bmp" 0,0 1,1)"
expect_success "trim past the border" apply "$WORK/six.bmp" -o "$WORK/trim2.bmp" trim:left=2,top=1,right=9,bottom=9
expect_equal "trim past the border" "1x1 $F" "$(bmp_size "$WORK/trim2.bmp") $(px "$WORK/trim2.bmp" 0,0)"
expect_failure "trim outside" apply "$WORK/six.bmp" -o "$WORK/no.bmp" trim:left=3
expect_failure "trim crossed" apply "$WORK/six.bmp" -o "$WORK/no.bmp" trim:left=2,right=1

# Sizes are the commit's; the uncovered pixels are grey (50, 50, 50).
make_gradient_bmp "$WORK/grad.bmp" 30 20
G=50,50,50
expect_success "rotate 90" apply "$WORK/grad.bmp" -o "$WORK/rot.bmp" rotate:angle=90
expect_equal "rotate 90 size" "20x30" "$(bmp_size "$WORK/rot.bmp")"
expect_success "rotate 45" apply "$WORK/grad.bmp" -o "$WORK/rot45.bmp" rotate:angle=45.5
expect_equal "rotate 45.5: size and a grey corner" "34x35 $G" "$(bmp_size "$WORK/rot45.bmp") $(px "$WORK/rot45.bmp" 0,0)"
expect_success "rotate 0" apply "$WORK/grad.bmp" -o "$WORK/rot0.bmp" rotate:angle=0.004
expect_equal "rotate by 0: pixels kept, last column grey" "$(px "$WORK/grad.bmp" 3,4) $G" "$(px "$WORK/rot0.bmp" 3,4 29,4)"
expect_success "slope 0" apply "$WORK/grad.bmp" -o "$WORK/slope.bmp" slope:slopeBalance=0
expect_equal "slope 0: one column wider, column x shows x" "31x20 $(px "$WORK/grad.bmp" 5,5) $G" \
    "$(bmp_size "$WORK/slope.bmp") $(px "$WORK/slope.bmp" 5,5 0,5)"
expect_success "trapezoid" apply "$WORK/grad.bmp" -o "$WORK/trap.bmp" trapezoid:perspective=-50
expect_equal "trapezoid keeps the size" "30x20" "$(bmp_size "$WORK/trap.bmp")"
expect_success "distort -30" apply "$WORK/grad.bmp" -o "$WORK/dist.bmp" distort:distortion=-30
expect_equal "distortion -30 grows the picture" "32x23" "$(bmp_size "$WORK/dist.bmp")"
expect_success "resize" apply "$WORK/grad.bmp" -o "$WORK/big.bmp" resize:width=61,height=7 grayscale
expect_equal "resize, then a colour operation" "61x7" "$(bmp_size "$WORK/big.bmp")"
expect_success "resize one side" apply "$WORK/grad.bmp" -o "$WORK/half.bmp" resize:height=10
expect_equal "resize keeps the side not given" "30x10" "$(bmp_size "$WORK/half.bmp")"

# Refused values name the range; nothing is written.
expect_failure "angle range" apply "$WORK/grad.bmp" -o "$WORK/no.bmp" rotate:angle=180.5
expect_equal "angle range message" "korvia-batch: rotate: angle must be between -180 and 180" "$ERR"
expect_failure "slope range" apply "$WORK/grad.bmp" -o "$WORK/no.bmp" slope:slopeBalance=101
expect_equal "slope range message" "korvia-batch: slope: slopeBalance must be between -100 and 100" "$ERR"
expect_failure "trapezoid range" apply "$WORK/grad.bmp" -o "$WORK/no.bmp" trapezoid:perspective=-51
expect_failure "distortion range" apply "$WORK/grad.bmp" -o "$WORK/no.bmp" distort:distortion=31
expect_failure "zero width" apply "$WORK/grad.bmp" -o "$WORK/no.bmp" resize:width=0
expect_failure "angle not a number" apply "$WORK/grad.bmp" -o "$WORK/no.bmp" rotate:angle=ten
expect_failure "keys of a turn" apply "$WORK/grad.bmp" -o "$WORK/no.bmp" turn-left:angle=3
check "nothing written" test ! -e "$WORK/no.bmp"

finish

# korvia-batch apply: a result larger than the largest picture Korvia opens, or a JPEG output larger
# than a JPEG file can be, is refused from the sizes alone before the first step runs; nothing is
# written. The address space is limited well below what the refused work would take, so a run that
# started the work anyway would fail for memory instead, with another message.
source "$(dirname "$0")/testlib.bash"

make_gradient_bmp "$WORK/grad.bmp" 30 20
ulimit -v 1200000 # KiB

# expect_refused NAME MESSAGE-PART OUTPUT OP...: fails, names the refused size, writes nothing.
expect_refused() {
    local name=$1 part=$2 output=$3; shift 3
    expect_failure "$name" apply "$WORK/grad.bmp" -o "$WORK/$output" "$@"
    case $ERR in
        *"$part"*) pass ;;
        *) fail "$name: the message does not name '$part': $ERR" ;;
    esac
    check "$name: nothing written" test ! -e "$WORK/$output"
}

forty_fives=()
for i in $(seq 100); do forty_fives+=(rotate:angle=45); done

expect_refused "resize far too large" "60000 × 60000" no.bmp resize:width=60000,height=60000
expect_refused "the largest picture, then one column more" "20001 × 20000" no.bmp \
    resize:width=20000,height=20000 slope:slopeBalance=0
expect_refused "a column turned" "46340 × 46340" no.jpg resize:width=1,height=65535 rotate:angle=45
expect_refused "a hundred turns" "大きすぎ" no.bmp "${forty_fives[@]}"
expect_refused "too wide for a JPEG" "65501 × 6000" no.jpg resize:width=65501,height=6000
check "the size message is Japanese" grep -q "JPEG ファイルにできません" "$WORK/stderr"

# Sizes a JPEG cannot hold are fine on the way, and in a BMP.
expect_success "wide on the way to a JPEG" apply "$WORK/grad.bmp" -o "$WORK/ok.jpg" \
    resize:width=65501,height=2 resize:width=30,height=20
expect_success "back to BMP" apply "$WORK/ok.jpg" -o "$WORK/ok.bmp"
expect_equal "the JPEG's size" "30x20" "$(bmp_size "$WORK/ok.bmp")"
expect_success "wide BMP" apply "$WORK/grad.bmp" -o "$WORK/wide.bmp" resize:width=65501,height=2
expect_equal "the wide BMP's size" "65501x2" "$(bmp_size "$WORK/wide.bmp")"

finish

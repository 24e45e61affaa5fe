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

# A plain 8000 x 8000 scan in 8 kB: beyond what its bytes may cost (256 MB as a bitmap), refused
# from its header by apply and info with the override named; the override lets it through.
python3 - "$WORK/scan.png" <<'EOF'
import struct, sys, zlib
w = h = 8000
z = zlib.compressobj(9)
data = b"".join(z.compress(b"\0" * (1 + w // 8)) for _ in range(h)) + z.flush()
chunk = lambda t, d: struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d))
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 1, 0, 0, 0, 0))
                             + chunk(b"IDAT", data) + chunk(b"IEND", b""))
EOF
expect_failure "a small file claiming a large picture" apply "$WORK/scan.png" -o "$WORK/scan.bmp"
check "the override is named" grep -q -- "--memory-limit" "$WORK/stderr"
check "nothing written" test ! -e "$WORK/scan.bmp"
expect_failure "info refuses it as well" info "$WORK/scan.png"
expect_success "info with --memory-limit" info --memory-limit 400M "$WORK/scan.png"
check "its width" grep -q "8000" "$WORK/stdout"
KORVIA_MEMORY_LIMIT=400M expect_success "info with KORVIA_MEMORY_LIMIT" info "$WORK/scan.png"
expect_failure "a limit that is no size" info --memory-limit 400X "$WORK/scan.png"

finish

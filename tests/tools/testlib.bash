# Helpers shared by the korvia-batch end-to-end tests (sourced, not run on its own).
# Each test script: source this file, call check/expect_* , end with `finish`.

if [ $# -lt 1 ] || [ ! -x "$1" ]; then
    echo "usage: bash $0 PATH-TO-korvia-batch" >&2
    exit 2
fi
BATCH=$1
WORK=$(mktemp -d "${TMPDIR:-/tmp}/korvia-batch-test.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
PASSED=0
FAILED=0

pass() { PASSED=$((PASSED + 1)); }
fail() { FAILED=$((FAILED + 1)); echo "FAIL: $*"; }

# check NAME COMMAND...: passes when the command succeeds.
check() {
    local name=$1; shift
    if "$@"; then pass; else fail "$name"; fi
}

# expect_equal NAME EXPECTED ACTUAL
expect_equal() {
    if [ "$2" == "$3" ]; then pass; else fail "$1: expected '$2', got '$3'"; fi
}

# run_batch ARGS...: runs the tool, leaving RC, OUT (stdout) and ERR (stderr) behind.
run_batch() {
    "$BATCH" "$@" >"$WORK/stdout" 2>"$WORK/stderr"
    RC=$?
    OUT=$(cat "$WORK/stdout")
    ERR=$(cat "$WORK/stderr")
}

# expect_failure NAME ARGS...: exit 1, exactly one stderr line "korvia-batch: ...".
expect_failure() {
    local name=$1; shift
    run_batch "$@"
    expect_equal "$name: exit status" 1 "$RC"
    expect_equal "$name: stderr lines" 1 "$(wc -l <"$WORK/stderr")"
    case $ERR in
        "korvia-batch: "*) pass ;;
        *) fail "$name: stderr does not start with 'korvia-batch: ': $ERR" ;;
    esac
}

# expect_success NAME ARGS...: exit 0, nothing on stderr.
expect_success() {
    local name=$1; shift
    run_batch "$@"
    expect_equal "$name: exit status" 0 "$RC"
    expect_equal "$name: stderr" "" "$ERR"
}

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }

# The fixtures come from one small Python writer each, never a process per pixel.
MAKE_BMP_PY="$(dirname "${BASH_SOURCE[0]}")/make_bmp.py"

# make_bmp FILE WIDTH HEIGHT R,G,B ...: a 24-bit bottom-up BMP; pixels listed row by row from the
# top-left.
make_bmp() { python3 "$MAKE_BMP_PY" "$@"; }

# make_gradient_bmp FILE WIDTH HEIGHT: a picture with a different colour at every pixel.
make_gradient_bmp() { python3 "$MAKE_BMP_PY" --gradient "$@"; }

bmp_field() { od -An -t"$2" -j"$3" -N"$4" "$1" | tr -d ' '; }

# bmp_size FILE: "WIDTHxHEIGHT" of a BMP file.
bmp_size() {
    local h; h=$(bmp_field "$1" d4 22 4)
    echo "$(bmp_field "$1" d4 18 4)x${h#-}"
}

# bmp_pixel FILE X Y: "R,G,B" of a 24- or 32-bit BMP (top-down or bottom-up), top-left origin.
bmp_pixel() {
    local file=$1 x=$2 y=$3
    local offset w h bpp
    offset=$(bmp_field "$file" u4 10 4); w=$(bmp_field "$file" d4 18 4)
    h=$(bmp_field "$file" d4 22 4); bpp=$(bmp_field "$file" u2 28 2)
    local bytes=$((bpp / 8)) row
    local stride=$(( (w * bytes + 3) / 4 * 4 ))
    if [ "$h" -gt 0 ]; then row=$((h - 1 - y)); else row=$y; fi
    local b g r
    read -r b g r < <(od -An -tu1 -j$((offset + row * stride + x * bytes)) -N3 "$file")
    echo "$r,$g,$b"
}

# files_in DIR: the names in DIR, hidden ones included, one line each, sorted.
files_in() { (cd "$1" && ls -A | sort); }

finish() {
    echo "$PASSED passed, $FAILED failed"
    [ "$FAILED" -eq 0 ]
}

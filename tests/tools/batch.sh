# korvia-batch apply over many photos: which photos, where their results go, what is refused,
# the same bytes as one photo at a time for every -j, failures that let the rest go on, the report.
source "$(dirname "$0")/testlib.bash"

IN=$WORK/in
mkdir -p "$IN/sub/deeper" "$WORK/empty"
make_gradient_bmp "$IN/a.bmp" 19 13
make_gradient_bmp "$IN/b.photo.bmp" 13 19
make_gradient_bmp "$IN/sub/c.bmp" 11 7
make_gradient_bmp "$IN/sub/deeper/d.bmp" 7 11
echo "not a picture" >"$IN/broken.bmp"
echo "notes" >"$IN/notes.txt"
OPS="fringe-blur:outFocusSize=6,outFocusDensity=60 rotate:angle=17 sepia"

# Each photo of a folder (-r: its sub-folders too, kept as sub-folders) gets the bytes a run of
# its own gives, whatever the number of photos in flight; a broken photo is reported, the rest done.
for j in 1 3; do
    run_batch apply "$IN" -r -o "$WORK/out$j" --format bmp -j "$j" --seed 5 $OPS
    expect_equal "-j $j: one failed" 1 "$RC"
    expect_equal "-j $j: the results" "a.bmp b.photo.bmp sub" "$(files_in "$WORK/out$j" | xargs)"
    expect_equal "-j $j: sub-folders kept" "c.bmp deeper" "$(files_in "$WORK/out$j/sub" | xargs)"
    expect_equal "-j $j: one line per photo" 5 "$(grep -c '^\[[0-9]/5\] ' <<<"$OUT")"
    case $OUT in *"失敗 $IN/broken.bmp: "*) pass ;; *) fail "-j $j: the broken photo named: $OUT" ;; esac
    expect_equal "-j $j: failures counted" "korvia-batch: 5 枚中 1 枚が失敗しました。" "$ERR"
done
for photo in a b.photo sub/c sub/deeper/d; do
    source_name=$IN/$photo.bmp
    expect_success "$photo alone" apply "$source_name" -o "$WORK/alone.bmp" --seed 5 $OPS
    check "$photo: -j 1 as alone" cmp -s "$WORK/alone.bmp" "$WORK/out1/$photo.bmp"
    check "$photo: -j 3 as -j 1" cmp -s "$WORK/out1/$photo.bmp" "$WORK/out3/$photo.bmp"
done
expect_success "JPEG by default, with -q" apply "$IN/a.bmp" "$IN/sub/c.bmp" -o "$WORK/jpegs/" -q 80
expect_equal "JPEG names" "a.jpg c.jpg" "$(files_in "$WORK/jpegs" | xargs)"
expect_equal "a JPEG" "ffd8" "$(od -An -tx1 -N2 "$WORK/jpegs/a.jpg" | tr -d ' ')"

# Lists of names: one a line, NUL-separated, from standard input; every photo once.
printf '%s\n' "$IN/a.bmp" "$IN/sub/c.bmp" >"$WORK/list"
printf '%s\0' "$IN/b.photo.bmp" "$IN/sub/deeper/d.bmp" >"$WORK/list0"
expect_success "--files-from" apply --files-from "$WORK/list" -o "$WORK/listed" --format bmp
expect_equal "--files-from: the results" "a.bmp c.bmp" "$(files_in "$WORK/listed" | xargs)"
"$BATCH" apply --files-from - -0 -o "$WORK/listed0" --format bmp <"$WORK/list0" >/dev/null 2>&1
expect_equal "-0 from standard input" "0 b.photo.bmp d.bmp" "$? $(files_in "$WORK/listed0" | xargs)"

# Existing files stay unless --overwrite; an input is never written, even with --overwrite.
cp "$WORK/listed/a.bmp" "$WORK/kept.bmp"
make_gradient_bmp "$WORK/listed/c.bmp" 3 3
cp "$WORK/listed/c.bmp" "$WORK/small.bmp"
run_batch apply --files-from "$WORK/list" -o "$WORK/listed" --format bmp sepia
expect_equal "existing outputs: failed" 1 "$RC"
check "existing output kept" cmp -s "$WORK/small.bmp" "$WORK/listed/c.bmp"
case $OUT in *"既にあります"*) pass ;; *) fail "existing output message: $OUT" ;; esac
expect_success "--overwrite" apply --files-from "$WORK/list" -o "$WORK/listed" --format bmp --overwrite sepia
check "--overwrite replaced it" test "$(bmp_size "$WORK/listed/c.bmp")" == 11x7
cp -r "$IN" "$WORK/inplace"
cp "$WORK/inplace/a.bmp" "$WORK/a-before.bmp"
run_batch apply "$WORK/inplace/a.bmp" "$WORK/inplace/sub/c.bmp" -o "$WORK/inplace" --format bmp --overwrite sepia
expect_equal "an input as output: failed" 1 "$RC"
check "the input untouched" cmp -s "$WORK/a-before.bmp" "$WORK/inplace/a.bmp"
check "the other photo done" test -s "$WORK/inplace/c.bmp"

# Two inputs with one output name: the first is written, the second refused.
make_gradient_bmp "$WORK/a.bmp" 5 5
run_batch apply "$IN/a.bmp" "$WORK/a.bmp" -o "$WORK/clash" --format bmp
expect_equal "one output name twice: failed" "1 a.bmp 19x13" "$RC $(files_in "$WORK/clash") $(bmp_size "$WORK/clash/a.bmp")"

# A folder without photos, a missing photo, an output folder that cannot be made.
run_batch apply "$WORK/empty" "$IN/missing.bmp" "$IN/a.bmp" -o "$WORK/partly" --report "$WORK/partly.json"
expect_equal "bad inputs: failed, the rest done" "1 a.jpg" "$RC $(files_in "$WORK/partly")"
case $OUT in *"フォルダーに写真がありません"*) pass ;; *) fail "empty folder message: $OUT" ;; esac
expect_failure "output folder under a file" apply "$IN/a.bmp" "$IN/sub/c.bmp" -o "$WORK/list/out/"
case $ERR in *"出力フォルダーを作れません"*) pass ;; *) fail "output folder message: $ERR" ;; esac

# The report: one JSON line per photo with its input, output, status, seconds and message.
python3 - "$WORK/partly.json" "$IN" "$WORK" <<'EOF'
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
by_input = {l["input"]: l for l in lines}
inp, work = sys.argv[2], sys.argv[3]
assert len(lines) == 3, lines
assert all(set(l) == {"input", "output", "status", "seconds", "message"} for l in lines), lines
assert by_input[inp + "/a.bmp"]["status"] == "done" and by_input[inp + "/a.bmp"]["output"] == work + "/partly/a.jpg"
assert by_input[work + "/empty"]["status"] == "failed" and by_input[work + "/empty"]["message"]
assert by_input[inp + "/missing.bmp"]["status"] == "failed" and by_input[inp + "/missing.bmp"]["output"] == ""
assert all(isinstance(l["seconds"], float) and l["seconds"] >= 0 for l in lines)
EOF
expect_equal "report lines" 0 "$?"

# Names in the report exactly as on disk: quotes, backslashes, a tab, characters beyond 16 bits.
odd=$WORK/odd$'\t'"q\"\\ 😀"
mkdir "$odd"
make_gradient_bmp "$odd/写真 1.bmp" 4 4
expect_success "odd names" apply "$odd" -o "$WORK/oddout" --report "$WORK/odd.json"
python3 - "$WORK/odd.json" "$odd/写真 1.bmp" "$WORK/oddout/写真 1.jpg" <<'EOF'
import json, sys
line = json.loads(open(sys.argv[1], encoding="utf-8").read())
assert line["input"] == sys.argv[2] and line["output"] == sys.argv[3], line
EOF
expect_equal "odd names reported exactly" 0 "$?"

# A report that cannot be written in full fails the batch, photos done or not.
if [ -w /dev/full ]; then
    run_batch apply "$IN/a.bmp" "$IN/sub/c.bmp" -o "$WORK/reportfull" --report /dev/full
    expect_equal "report on a full disk: failed, photos done" "1 a.jpg c.jpg" "$RC $(files_in "$WORK/reportfull" | xargs)"
    case $ERR in *"報告ファイルに書き込めません"*) pass ;; *) fail "report failure message: $ERR" ;; esac
fi

# A full disk (here: a file size limit) mid-batch: the photo that does not fit fails, no partial
# file is left, the others are done.
make_gradient_bmp "$WORK/big.bmp" 120 120
(ulimit -f 40; trap '' XFSZ; "$BATCH" apply "$IN/a.bmp" "$WORK/big.bmp" "$IN/sub/c.bmp" -o "$WORK/full" --format bmp \
    >"$WORK/stdout" 2>/dev/null)
expect_equal "full disk: failed" 1 "$?"
expect_equal "full disk: the others done, nothing partial" "a.bmp c.bmp" "$(files_in "$WORK/full" | xargs)"
case $(cat "$WORK/stdout") in *"失敗 $WORK/big.bmp: $WORK/full/big.bmp に書き込めません"*) pass ;;
    *) fail "full disk message: $(cat "$WORK/stdout")" ;; esac

# Usage errors: exit 2, one line.
for bad in "-j 0" "--format gif" "--files-from" "-q 0" "bch:bright=101" "--fast"; do
    run_batch apply "$IN/a.bmp" "$IN/sub/c.bmp" -o "$WORK/usage" $bad
    expect_equal "usage error $bad: exit status" 2 "$RC"
    expect_equal "usage error $bad: one line" 1 "$(wc -l <"$WORK/stderr")"
done
run_batch apply "$IN/a.bmp" "$IN/sub/c.bmp" -o "$WORK/one.jpg"
expect_equal "several photos into a file name" 2 "$RC"
run_batch apply "$IN/a.bmp" -o "$WORK/one.jpg" -j 2
expect_equal "a batch option in the one-photo form" 2 "$RC"
check "usage errors write nothing" test ! -e "$WORK/usage" -a ! -e "$WORK/one.jpg"

# Interrupted (SIGTERM at the first save, as Ctrl+C would): no partial or hidden file anywhere.
if [ -n "$KORVIA_RAISE_ON_RENAME" ] && [ -f "$KORVIA_RAISE_ON_RENAME" ]; then
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
    LD_PRELOAD=$KORVIA_RAISE_ON_RENAME "$BATCH" apply "$IN" -r -o "$WORK/cancelled" -j 3 sepia >/dev/null 2>&1
    expect_equal "cancelled: ended by the signal" 143 "$?"
    expect_equal "cancelled: nothing left" "" "$(find "$WORK/cancelled" -type f)"
fi
expect_equal "the inputs untouched" "a.bmp b.photo.bmp broken.bmp notes.txt sub" "$(files_in "$IN" | xargs)"

finish

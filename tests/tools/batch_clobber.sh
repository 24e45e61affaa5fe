# korvia-batch apply over many photos never clobbers or skips: a report that would overwrite an
# input, a list or an output is refused before any work; a name taken by another worker while a
# photo is worked on is kept; a file-size limit fails one photo; a name that is not UTF-8 is
# counted and reported; the output folder inside an input folder is not read; a photo named twice
# is done once.
source "$(dirname "$0")/testlib.bash"

IN=$WORK/in
mkdir -p "$IN/sub"
make_gradient_bmp "$IN/a.bmp" 9 7
make_gradient_bmp "$IN/sub/b.bmp" 7 9
make_gradient_bmp "$WORK/big.bmp" 120 120
cp "$IN/a.bmp" "$WORK/a-before.bmp"
printf '%s\n' "$IN/a.bmp" "$IN/sub/b.bmp" "$IN/./a.bmp" "$IN/a.bmp" >"$WORK/list"
cp "$WORK/list" "$WORK/list-before"
# report_field REPORT FIELD: the field of every line, one a line.
report_field() { python3 -c 'import json,sys; [print(json.loads(l)[sys.argv[2]]) for l in open(sys.argv[1])]' "$1" "$2"; }

# A report naming an input, a list of names or an output: a usage error, nothing done or made.
for report in "$IN/a.bmp" "$WORK/list" "$WORK/refused/a.jpg"; do
    run_batch apply --files-from "$WORK/list" -o "$WORK/refused" --report "$report"
    expect_equal "report $report: usage error, one line" "2 1" "$RC $(wc -l <"$WORK/stderr")"
done
check "report: the input untouched" cmp -s "$WORK/a-before.bmp" "$IN/a.bmp"
check "report: the list untouched" cmp -s "$WORK/list-before" "$WORK/list"
check "report: nothing made" test ! -e "$WORK/refused"

# A photo listed twice (however spelled) is done once and reported once.
expect_success "listed twice" apply --files-from "$WORK/list" -o "$WORK/twice" --report "$WORK/twice.json"
expect_equal "listed twice: two photos" "2" "$(grep -c '^\[[12]/2\] 完了' <<<"$OUT")"
expect_equal "listed twice: none twice in the report" "" "$(report_field "$WORK/twice.json" input | sort | uniq -d)"

# Another worker takes a result's name while the photo is worked on: its file stays, the photo
# fails with a clear message and nothing of it is left; with RENAME_NOREPLACE, with a hard link
# where the file system has none, with a name taken first where it has no hard links either.
if [ -n "$KORVIA_TAKE_NAME_LIB" ] && [ -f "$KORVIA_TAKE_NAME_LIB" ]; then
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
    for way in noreplace link reserve; do
        unset KORVIA_NO_NOREPLACE KORVIA_NO_LINK
        case $way in link) export KORVIA_NO_NOREPLACE=1 ;; reserve) export KORVIA_NO_NOREPLACE=1 KORVIA_NO_LINK=1 ;; esac
        for mode in clash free; do
            [ $mode = clash ] && export KORVIA_TAKE_NAME=1 || unset KORVIA_TAKE_NAME
            LD_PRELOAD=$KORVIA_TAKE_NAME_LIB "$BATCH" apply "$IN/a.bmp" -o "$WORK/$way-$mode/" --report "$WORK/$way-$mode.json" \
                >"$WORK/$way-$mode.out" 2>/dev/null
            expect_equal "$way $mode: only the result" "a.jpg" "$(files_in "$WORK/$way-$mode")"
        done
        expect_equal "$way clash: failed" "failed" "$(report_field "$WORK/$way-clash.json" status)"
        expect_equal "$way clash: the other worker's file kept" "taken" "$(cat "$WORK/$way-clash/a.jpg")"
        check "$way clash: said so" grep -q "ほかの処理が同じ名前のファイルを作りました" "$WORK/$way-clash.out"
        expect_equal "$way free: done" "done ffd8" \
            "$(report_field "$WORK/$way-free.json" status) $(od -An -tx1 -N2 "$WORK/$way-free/a.jpg" | tr -d ' ')"
    done
    unset KORVIA_NO_NOREPLACE KORVIA_NO_LINK KORVIA_TAKE_NAME
fi

# A file-size limit (no trap set): the photo that does not fit fails with a clear message and
# leaves nothing, the batch goes on and reports every photo.
(ulimit -f 40; "$BATCH" apply "$IN/a.bmp" "$WORK/big.bmp" "$IN/sub/b.bmp" -o "$WORK/limited" --format bmp \
    --report "$WORK/limited.json" >"$WORK/stdout" 2>/dev/null)
expect_equal "file-size limit: exit status" 1 "$?"
expect_equal "file-size limit: the others done" "a.bmp b.bmp" "$(files_in "$WORK/limited" | xargs)"
expect_equal "file-size limit: reported" "done done failed" "$(report_field "$WORK/limited.json" status | sort | xargs)"
check "file-size limit: said so" grep -q "big.bmp に書き込めません: ファイルの大きさの上限" "$WORK/stdout"

# Names that are not UTF-8, in a folder and on the command line: counted, reported failed with
# their bytes shown, the others done.
mkdir "$WORK/odd"
make_gradient_bmp "$WORK/odd/caf"$'\xe9'".bmp" 4 4
make_gradient_bmp "$WORK/odd/ok.bmp" 4 4
run_batch apply "$WORK/odd" "$WORK/big.bmp"$'\xff' -o "$WORK/oddout" --report "$WORK/odd.json"
expect_equal "not UTF-8: failed, the others done" "1 ok.jpg" "$RC $(files_in "$WORK/oddout")"
expect_equal "not UTF-8: every photo counted" 3 "$(grep -c '^\[[123]/3\] ' <<<"$OUT")"
expect_equal "not UTF-8: reported with the bytes" "$WORK/big.bmp\\xFF $WORK/odd/caf\\xE9.bmp" \
    "$(report_field "$WORK/odd.json" input | grep -F '\x' | sort | paste -sd ' ')"

# The output folder inside the input folder: a second run does not read the first one's results.
for run in 1 2; do
    run_batch apply -r "$IN" -o "$IN/out" --overwrite --format bmp --report "$WORK/inside$run.json"
    expect_equal "output inside the input, run $run" "0 2" "$RC $(wc -l <"$WORK/inside$run.json")"
done
expect_equal "output inside the input: no out/out" "a.bmp sub" "$(files_in "$IN/out" | xargs)"

finish

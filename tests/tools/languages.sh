# korvia-batch speaks the desktop's language (English for any but Japanese) unless KORVIA_LANG
# says otherwise: its messages, progress lines, picture information and the report's message;
# the report's status stays done/failed. Numbers keep their points whatever the locale.
source "$(dirname "$0")/testlib.bash"

make_gradient_bmp "$WORK/photo.bmp" 5 3

# language LANG KORVIA_LANG ARGS...: runs the tool with only those two in the environment.
language() {
    local lang=$1 chosen=$2; shift 2
    env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG="$lang" KORVIA_LANG="$chosen" "$BATCH" "$@" \
        >"$WORK/stdout" 2>"$WORK/stderr"
    OUT=$(cat "$WORK/stdout")
    ERR=$(cat "$WORK/stderr")
}

# A missing photo, in every choice of language.
while IFS='|' read -r lang chosen expected; do
    language "$lang" "$chosen" apply "$WORK/none.bmp" -o "$WORK/out.bmp"
    expect_equal "missing photo, LANG=$lang KORVIA_LANG=$chosen" "korvia-batch: $WORK/none.bmp: $expected" "$ERR"
done <<'TABLE'
en_US.UTF-8||no such file.
de_DE.UTF-8||no such file.
C||no such file.
ja_JP.UTF-8||ファイルがありません。
en_US.UTF-8|ja|ファイルがありません。
ja_JP.UTF-8|en|no such file.
ja_JP.UTF-8|en_GB.UTF-8|no such file.
ja_JP.UTF-8|../ja|no such file.
TABLE

language en_US.UTF-8 "" info "$WORK/photo.bmp"
expect_equal "picture information in English" "Width:	5  pixel" "$(printf '%s\n' "$OUT" | head -1)"

# A batch with one photo done and one failed: the progress lines and the report.
: >"$WORK/broken.bmp"
language de_DE.UTF-8 "" apply "$WORK/photo.bmp" "$WORK/broken.bmp" -o "$WORK/out/" --report "$WORK/report.json"
case $OUT in
    *"] done $WORK/photo.bmp -> "*" s)"*) pass ;;
    *) fail "progress line in English: $OUT" ;;
esac
case $OUT in
    *"(0."[0-9][0-9]" s)"*) pass ;;
    *) fail "seconds with a decimal point under a German locale: $OUT" ;;
esac
expect_equal "summary in English" "korvia-batch: 1 of 2 photos failed." "$(tail -1 "$WORK/stderr")"
check "report status stays failed" grep -q '"status":"failed"' "$WORK/report.json"
check "report status stays done" grep -q '"status":"done"' "$WORK/report.json"
check "report message in English" grep -q '"message":"Cannot read' "$WORK/report.json"

finish

# korvia-batch and file names: taken byte for byte, a name that is not UTF-8 refused with its
# bytes shown (never exchanged for the name of another file), control characters shown escaped.
source "$(dirname "$0")/testlib.bash"

make_gradient_bmp "$WORK/in.bmp" 8 6
mkdir "$WORK/out"
# Another picture under the name x\xe9.jpg would be read as if its bytes were replaced (U+FFFD).
cp "$WORK/in.bmp" "$WORK/out/x"$'\xef\xbf\xbd'".bmp"
cp "$WORK/in.bmp" "$WORK/out/y"$'\xe9'".bmp"
before=$(files_in "$WORK/out")

expect_failure "output not UTF-8" apply "$WORK/in.bmp" -o "$WORK/out/x"$'\xe9'".bmp"
check "the bytes are shown" grep -qF 'x\xE9.bmp' "$WORK/stderr"
expect_failure "input not UTF-8" apply "$WORK/out/y"$'\xe9'".bmp" -o "$WORK/out/z.bmp"
check "the input's bytes are shown" grep -qF 'y\xE9.bmp' "$WORK/stderr"
expect_failure "input read as another name" apply "$WORK/out/x"$'\xe9'".bmp" -o "$WORK/out/z.bmp"
expect_equal "nothing written or replaced" "$before" "$(files_in "$WORK/out")"
check "the other picture untouched" cmp -s "$WORK/in.bmp" "$WORK/out/x"$'\xef\xbf\xbd'".bmp"

# Control characters in a name: one line, shown escaped.
for name in $'a\nb.bmp' $'c\x1b[31md.bmp' $'e\rf.bmp'; do
    expect_failure "missing $(printf %q "$name")" apply "$WORK/$name" -o "$WORK/out/z.bmp"
    shown=$(printf %s "$name" | sed -e 's/\r/\\r/' -e 's/\x1b/\\x1B/' | sed -e ':a;N;$!ba;s/\n/\\n/')
    check "$(printf %q "$name") escaped in: $ERR" grep -qF "$shown" "$WORK/stderr"
done

# Names with valid UTF-8 still work, byte for byte.
expect_success "kana" apply "$WORK/in.bmp" -o "$WORK/out/写真.JPG"
check "kana written" test -f "$WORK/out/写真.JPG"

finish

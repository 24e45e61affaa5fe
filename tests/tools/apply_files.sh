# korvia-batch apply: which file it writes, and what it refuses without leaving anything behind.
source "$(dirname "$0")/testlib.bash"

IN=$WORK/in.bmp
make_gradient_bmp "$IN" 8 6

# Exactly OUTPUT, whatever accepted spelling its extension has, and nothing else beside it.
for name in out.jpg out.jpeg out.JPG out.JPEG out.bmp out.BMP; do
    dir=$WORK/names-$name
    mkdir "$dir"
    expect_success "write $name" apply "$IN" -o "$dir/$name"
    expect_equal "$name is the only file written" "$name" "$(files_in "$dir")"
    case $name in
        *.jpg | *.jpeg | *.JPG | *.JPEG) expect_equal "$name is a JPEG" "ffd8" "$(od -An -tx1 -N2 "$dir/$name" | tr -d ' ')" ;;
        *) expect_equal "$name is a BMP" "BM" "$(head -c2 "$dir/$name")"
           expect_equal "$name keeps the size" "8x6" "$(bmp_size "$dir/$name")" ;;
    esac
done

# A name as long as the file system allows, and names with spaces and non-ASCII letters.
long=$(printf 'n%.0s' $(seq 250))
mkdir "$WORK/long"
expect_success "longest name" apply "$IN" -o "$WORK/long/$long.bmp"
expect_equal "longest name written alone" "$long.bmp" "$(files_in "$WORK/long")"
mkdir "$WORK/odd name"
expect_success "spaces and kana" apply "$IN" -o "$WORK/odd name/写真 1.JPG"
expect_equal "spaces and kana written" "写真 1.JPG" "$(files_in "$WORK/odd name")"
expect_success "read such a name back" apply "$WORK/odd name/写真 1.JPG" -o "$WORK/odd name/写真 2.bmp"

# A JPEG written by the tool reads back with its size.
expect_success "JPEG back to BMP" apply "$WORK/names-out.jpg/out.jpg" -o "$WORK/back.bmp"
expect_equal "JPEG round trip size" "8x6" "$(bmp_size "$WORK/back.bmp")"

# The output's mode follows the umask, not the temporary file's private mode.
(umask 022 && "$BATCH" apply "$IN" -o "$WORK/mode.bmp")
expect_equal "new output mode" "644" "$(stat -c %a "$WORK/mode.bmp")"

# Unknown output types: exit 1, one line, no file and no leftovers.
for name in out.gif out.Jpg out.Bmp out.jpe out; do
    dir=$WORK/bad-$name
    mkdir "$dir"
    expect_failure "refuse $name" apply "$IN" -o "$dir/$name"
    expect_equal "$name: nothing written" "" "$(files_in "$dir")"
done

# Refused operations and options name the problem and write nothing.
mkdir "$WORK/refused"
expect_failure "bright out of range" apply "$IN" -o "$WORK/refused/o.bmp" bch:bright=101
expect_equal "range named" "korvia-batch: bright must be between -100 and 100" "$ERR"
expect_failure "unknown key" apply "$IN" -o "$WORK/refused/o.bmp" bch:brightness=5
case $ERR in *"unknown key 'brightness'"*) pass ;; *) fail "unknown key message: $ERR" ;; esac
expect_failure "unknown operation" apply "$IN" -o "$WORK/refused/o.bmp" blur
case $ERR in *"unknown operation 'blur'"*) pass ;; *) fail "unknown operation message: $ERR" ;; esac
expect_failure "malformed number" apply "$IN" -o "$WORK/refused/o.bmp" rgb:red=1.5
expect_failure "a later bad op refuses the whole run" apply "$IN" -o "$WORK/refused/o.bmp" sepia mosaic:mosaicSize=0
expect_failure "quality out of range" apply "$IN" -o "$WORK/refused/o.jpg" -q 101
expect_failure "quality zero" apply "$IN" -o "$WORK/refused/o.jpg" -q 0
expect_failure "quality not a number" apply "$IN" -o "$WORK/refused/o.jpg" -q high
expect_failure "seed not a number" apply "$IN" -o "$WORK/refused/o.bmp" --seed x
expect_failure "unknown option" apply "$IN" -o "$WORK/refused/o.bmp" --fast
expect_failure "no output" apply "$IN" sepia
expect_failure "no command" 
expect_failure "unknown command" transform "$IN"
expect_equal "refusals wrote nothing" "" "$(files_in "$WORK/refused")"

# Bad input: a missing file, a corrupt JPEG, a truncated BMP, an input of unknown type. An
# existing OUTPUT stays exactly as it was.
mkdir "$WORK/keep"
cp "$WORK/names-out.bmp/out.bmp" "$WORK/keep/out.bmp"
cp "$WORK/keep/out.bmp" "$WORK/original.bmp"
head -c 300 /dev/urandom >"$WORK/corrupt.jpg"
printf '\xff\xd8\xff\xe0\x00\x10JFIF\x00' >"$WORK/truncated.jpg"
head -c 70 "$IN" >"$WORK/truncated.bmp"
: >"$WORK/empty.bmp"
cp "$IN" "$WORK/picture.gif"
for input in missing.bmp corrupt.jpg truncated.jpg truncated.bmp empty.bmp picture.gif; do
    expect_failure "bad input $input" apply "$WORK/$input" -o "$WORK/keep/out.bmp" sepia
    check "$input: existing output untouched" cmp -s "$WORK/original.bmp" "$WORK/keep/out.bmp"
    expect_equal "$input: no leftovers" "out.bmp" "$(files_in "$WORK/keep")"
done

# A missing folder or an output that is a folder fails cleanly.
expect_failure "missing folder" apply "$IN" -o "$WORK/no/such/dir/out.bmp"
mkdir "$WORK/dir.bmp"
expect_failure "output is a folder" apply "$IN" -o "$WORK/dir.bmp"
check "folder still a folder" test -d "$WORK/dir.bmp"

# A read-only folder: nothing can be created, the message says so.
mkdir "$WORK/readonly"
cp "$WORK/original.bmp" "$WORK/readonly/out.bmp"
chmod 555 "$WORK/readonly"
if [ ! -w "$WORK/readonly" ]; then
    expect_failure "read-only folder" apply "$IN" -o "$WORK/readonly/out.bmp" sepia
    check "read-only: output untouched" cmp -s "$WORK/original.bmp" "$WORK/readonly/out.bmp"
fi
chmod 755 "$WORK/readonly"

# A read-only OUTPUT is not replaced (meaningful when not run as root).
cp "$WORK/original.bmp" "$WORK/locked.bmp"
chmod 444 "$WORK/locked.bmp"
if [ ! -w "$WORK/locked.bmp" ]; then
    expect_failure "read-only output" apply "$IN" -o "$WORK/locked.bmp" sepia
    check "read-only output untouched" cmp -s "$WORK/original.bmp" "$WORK/locked.bmp"
fi

# Success replaces an existing output, and the input may be the output.
expect_success "replace existing" apply "$IN" -o "$WORK/keep/out.bmp" grayscale
check "replaced" bash -c "! cmp -s '$WORK/original.bmp' '$WORK/keep/out.bmp'"
expect_equal "replaced: no leftovers" "out.bmp" "$(files_in "$WORK/keep")"
cp "$IN" "$WORK/inplace.bmp"
expect_success "in place" apply "$WORK/inplace.bmp" -o "$WORK/inplace.bmp" rgb:red=255,green=255,blue=255
expect_equal "in place result" "255,255,255" "$(bmp_pixel "$WORK/inplace.bmp" 3 2)"

# JPEG quality reaches the encoder: a lower quality gives a smaller file.
make_gradient_bmp "$WORK/big.bmp" 64 48
expect_success "quality 100" apply "$WORK/big.bmp" -o "$WORK/q100.jpg"
expect_success "quality 10" apply "$WORK/big.bmp" -o "$WORK/q10.jpg" -q 10
check "quality 10 smaller than default 100" test "$(stat -c %s "$WORK/q10.jpg")" -lt "$(stat -c %s "$WORK/q100.jpg")"
expect_success "explicit quality 100" apply "$WORK/big.bmp" -o "$WORK/q100b.jpg" -q 100
check "default quality is 100" cmp -s "$WORK/q100.jpg" "$WORK/q100b.jpg"

# --help lists every operation.
expect_success "help" --help
for op in rgb bch levels grayscale sepia tint tone sharpen soft emboss motion mosaic median fringe-bright fringe-blur paint; do
    case $OUT in *"  $op  "*) pass ;; *) fail "help lists $op" ;; esac
done
case $OUT in *"bright=-100..100 (default 0)"*) pass ;; *) fail "help shows bright's range and default" ;; esac

finish

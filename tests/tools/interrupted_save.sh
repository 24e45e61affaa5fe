# korvia-batch apply interrupted by SIGTERM in the middle of writing its output: no hidden
# temporary is left beside the target, and an existing target stays as it was.
source "$(dirname "$0")/testlib.bash"
if [ -z "$KORVIA_RAISE_ON_RENAME" ] || [ ! -f "$KORVIA_RAISE_ON_RENAME" ]; then
    echo "KORVIA_RAISE_ON_RENAME must name the preload library" >&2
    exit 2
fi
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"

make_gradient_bmp "$WORK/in.bmp" 40 30
mkdir "$WORK/out"
expect_success "an earlier output" apply "$WORK/in.bmp" -o "$WORK/out/kept.jpg"
cp "$WORK/out/kept.jpg" "$WORK/original.jpg"

for target in kept.jpg new.jpg new.bmp; do
    LD_PRELOAD=$KORVIA_RAISE_ON_RENAME "$BATCH" apply "$WORK/in.bmp" -o "$WORK/out/$target" sepia 2>/dev/null
    expect_equal "$target: ended by SIGTERM" 143 "$?"
done
check "the earlier output untouched" cmp -s "$WORK/original.jpg" "$WORK/out/kept.jpg"
expect_equal "no temporary left" "kept.jpg" "$(files_in "$WORK/out")"

finish

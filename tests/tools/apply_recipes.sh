# korvia-batch apply: the one-click recipes run the very stages of their buttons, with sizes from
# the picture's shorter side (here 12 pixels) and every other setting at its start value.
source "$(dirname "$0")/testlib.bash"

PICTURE=$WORK/gradient.bmp
make_gradient_bmp "$PICTURE" 20 12

# same_as NAME RECIPE -- OPERATION...: the recipe's output equals the operations' output.
same_as() {
    local name=$1 recipe=$2
    shift 3
    expect_success "$name (recipe)" apply "$PICTURE" -o "$WORK/recipe.bmp" --seed 7 $recipe
    expect_success "$name (stages)" apply "$PICTURE" -o "$WORK/stages.bmp" --seed 7 "$@"
    check "$name: same pixels as its stages" cmp -s "$WORK/recipe.bmp" "$WORK/stages.bmp"
    check "$name: changes the picture" bash -c "! cmp -s '$WORK/recipe.bmp' '$WORK/copy.bmp'"
}
expect_success "copy" apply "$PICTURE" -o "$WORK/copy.bmp"

same_as "vivid" vivid -- tone:kind=slope,position=29 bch:chroma=10 sharpen:edgeLevel=3
same_as "grayscale" recipe-grayscale -- grayscale
same_as "sepia" recipe-sepia -- sepia
same_as "emboss" recipe-emboss -- emboss:embosseLevel=30,color=128.128.128
same_as "emboss 90" recipe-emboss:embossAngle=90 -- emboss:embosseLevel=30,color=128.128.128,embossAngle=90
same_as "paint" recipe-paint -- paint:paintSize=3,style=pointillism
same_as "soft filter" soft-filter -- soft:softSize=1,softCoreLevel=50
same_as "fringe soft" fringe-soft -- fringe-blur:outFocusSize=9,outFocusDensity=100
same_as "fringe dark" fringe-dark -- fringe-bright:fringeSize=6,fringeLevel=-100
same_as "grey fringe dark" gray-fringe-dark -- grayscale fringe-bright:fringeSize=6,fringeLevel=-100
same_as "sepia fringe dark" sepia-fringe-dark -- sepia fringe-bright:fringeSize=6,fringeLevel=-100
same_as "sepia fringe bright" sepia-fringe-bright -- sepia fringe-bright:fringeSize=6,fringeLevel=100

# Recipes and operations mix, in the order given.
expect_success "mixed" apply "$PICTURE" -o "$WORK/mixed.bmp" rgb:red=40 recipe-sepia mosaic:mosaicSize=3
expect_success "mixed stages" apply "$PICTURE" -o "$WORK/mixed2.bmp" rgb:red=40 sepia mosaic:mosaicSize=3
check "recipes keep their place among operations" cmp -s "$WORK/mixed.bmp" "$WORK/mixed2.bmp"
for order in "turn-right fringe-dark" "fringe-dark turn-right"; do
    expect_success "$order" apply "$PICTURE" -o "$WORK/t1.bmp" --seed 3 $order
    expect_success "$order (stages)" apply "$PICTURE" -o "$WORK/t2.bmp" --seed 3 ${order/fringe-dark/fringe-bright:fringeSize=6,fringeLevel=-100}
    check "recipes keep their place among transforms: $order" cmp -s "$WORK/t1.bmp" "$WORK/t2.bmp"
done

expect_failure "keys on a recipe without keys" apply "$PICTURE" -o "$WORK/x.bmp" vivid:chroma=3
expect_failure "an emboss angle off the 45-degree steps" apply "$PICTURE" -o "$WORK/x.bmp" recipe-emboss:embossAngle=30
expect_failure "emboss recipe takes only the angle" apply "$PICTURE" -o "$WORK/x.bmp" recipe-emboss:embosseLevel=3
check "no output after a refused recipe" test ! -e "$WORK/x.bmp"

run_batch --help
for name in vivid recipe-grayscale recipe-sepia recipe-emboss recipe-paint soft-filter fringe-soft fringe-dark \
    gray-fringe-dark sepia-fringe-dark sepia-fringe-bright; do
    case $OUT in *"  $name  "*) pass ;; *) fail "--help lists $name" ;; esac
done

finish

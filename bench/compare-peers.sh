#!/usr/bin/env bash
# Times korvia-batch against ImageMagick (convert) and libvips (vips) doing the nearest
# equivalent operation on the same photo, all single-threaded (VIPS_CONCURRENCY=1,
# convert -limit thread 1; korvia-batch is held to one core with taskset, since its fringe blur
# would otherwise use every core).
#
#   bench/compare-peers.sh [PHOTO] [OUT_DIR]
#
# PHOTO: a JPEG (or BMP); without one a 6000 x 4000 photo-like JPEG is generated with vips.
# OUT_DIR: where the outputs, matrices and results.txt go (kept); default a temporary folder
# that is removed at the end.
# Environment: KORVIA_BATCH (the tool; default build*/tools/korvia-batch of this checkout),
# RUNS (runs per measurement, default 3), WITH_PAINT=1 to add convert -paint 10 (slow),
# ONLY=regex to run only the operations whose name matches.
#
# Each figure is the whole process time minus that program's own read-and-write baseline
# (korvia-batch apply with no operation, vips copy, convert in out), so it is the operation alone;
# both are the fastest of RUNS runs, measured one right after the other.
# One line per operation: Korvia's time, the peer's, and Korvia / peer.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
RUNS=${RUNS:-3}
ONLY=${ONLY:-.}

batch=${KORVIA_BATCH:-}
if [ -z "$batch" ]; then
    for candidate in "$repo"/build/tools/korvia-batch "$repo"/build-*/tools/korvia-batch; do
        if [ -x "$candidate" ]; then batch=$candidate; break; fi
    done
fi
if [ -z "$batch" ]; then batch=$(command -v korvia-batch || true); fi
if [ -z "$batch" ] || [ ! -x "$batch" ]; then
    echo "compare-peers: korvia-batch not found; build it or set KORVIA_BATCH" >&2
    exit 1
fi
have_vips=0; command -v vips >/dev/null 2>&1 && have_vips=1
have_convert=0; command -v convert >/dev/null 2>&1 && have_convert=1
have_hyperfine=0; command -v hyperfine >/dev/null 2>&1 && have_hyperfine=1

if [ $# -ge 2 ]; then
    out=$2
    mkdir -p "$out"
    keep=1
else
    out=$(mktemp -d "${TMPDIR:-/tmp}/compare-peers.XXXXXX")
    keep=0
fi
out=$(cd "$out" && pwd)
scratch=$(mktemp -d "$out/scratch.XXXXXX")
cleanup() {
    rm -rf "$scratch"
    if [ "$keep" -eq 0 ]; then rm -rf "$out"; fi
}
trap cleanup EXIT

export VIPS_CONCURRENCY=1 MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1
IM=(convert -limit thread 1)

# A photo-like test picture: smooth colour fields from Perlin noise in each channel, cell edges
# from Worley noise, and fine grain, stored as a JPEG of quality 92.
generate_photo() {
    local target=$1 w=6000 h=4000
    if [ "$have_vips" -eq 0 ]; then
        echo "compare-peers: no PHOTO given and vips is missing to make one" >&2
        exit 1
    fi
    echo "Generating a ${w} x ${h} photo in $target ..." >&2
    vips perlin "$scratch/r.v" $w $h --cell-size 700 --seed 11
    vips perlin "$scratch/g.v" $w $h --cell-size 500 --seed 23
    vips perlin "$scratch/b.v" $w $h --cell-size 900 --seed 37
    vips bandjoin "$scratch/r.v $scratch/g.v $scratch/b.v" "$scratch/rgb.v"
    vips worley "$scratch/w.v" $w $h --cell-size 160 --seed 5
    vips linear "$scratch/w.v" "$scratch/edges.v" 0.35 0
    vips gaussnoise "$scratch/n.v" $w $h --sigma 9 --mean 0 --seed 3
    vips linear "$scratch/rgb.v" "$scratch/base.v" "110 95 90" "128 120 110"
    vips add "$scratch/base.v" "$scratch/edges.v" "$scratch/sum1.v"
    vips add "$scratch/sum1.v" "$scratch/n.v" "$scratch/sum2.v"
    vips cast "$scratch/sum2.v" "$scratch/photo.v" uchar
    vips copy "$scratch/photo.v" "$scratch/photo-srgb.v" --interpretation srgb
    vips jpegsave "$scratch/photo-srgb.v" "$target" --Q 92
    rm -f "$scratch"/*.v
}

photo=${1:-}
if [ -z "$photo" ]; then
    photo=$out/photo-6000x4000.jpg
    [ -f "$photo" ] || generate_photo "$photo"
fi
[ -f "$photo" ] || { echo "compare-peers: $photo not found" >&2; exit 1; }

# seconds CMD: the fastest wall time of the shell command CMD over RUNS runs (the fastest run is
# the one least disturbed by other work on the machine).
seconds() {
    local cmd=$1
    if [ "$have_hyperfine" -eq 1 ]; then
        hyperfine --style none --runs "$RUNS" --export-csv "$scratch/t.csv" "$cmd" >/dev/null 2>"$scratch/t.err" ||
            { echo "failed"; return 0; }
        # command,mean,stddev,median,user,system,min,max (the command may hold commas)
        awk -F, 'END { print $(NF - 1) }' "$scratch/t.csv"
    else
        fastest "$RUNS" "$cmd"
    fi
}

# fastest ROUNDS CMD...: the fastest wall time of each command over ROUNDS rounds of one run of
# each, on one line; taken in rounds, a slow spell of the machine falls on all of them alike.
fastest() {
    local rounds=$1
    shift
    local -a best=()
    local round i start end
    for ((round = 0; round < rounds; round++)); do
        for ((i = 1; i <= $#; i++)); do
            start=$(date +%s%N)
            bash -c "${!i}" >/dev/null 2>&1 || { echo "failed"; return 0; }
            end=$(date +%s%N)
            if [ -z "${best[i]:-}" ] || [ $((end - start)) -lt "${best[i]}" ]; then best[i]=$((end - start)); fi
        done
    done
    local times=()
    for ((i = 1; i <= $#; i++)); do times+=("$(awk -v t="${best[i]}" 'BEGIN { printf "%.6f", t / 1e9 }')"); done
    echo "${times[*]}"
}

q() { printf '%q' "$1"; }
P=$(q "$photo")
# Outputs are uncompressed (BMP, the vips format, PPM) so that writing costs the same whatever
# the operation made of the picture: a JPEG encoder is faster on flat or grey results, which would
# otherwise count as negative operation time.
K="taskset -c 0 $(q "$batch") apply $P -o $(q "$scratch/k.bmp")"
V="vips"
C="${IM[*]}"
vout=$(q "$scratch/v.v")
cout=$(q "$scratch/c.ppm")

size=$( (vipsheader -f width "$photo" && vipsheader -f height "$photo") 2>/dev/null | paste -sd x || true)
echo "photo: $photo (${size:-size unknown}), runs: $RUNS" | tee "$out/results.txt"
"$batch" apply "$photo" -o "$scratch/warm.bmp" >/dev/null # read the photo into the page cache

kbase=$(seconds "$K")
vbase=failed; cbase=failed
[ "$have_vips" -eq 1 ] && vbase=$(seconds "$V copy $P $vout")
[ "$have_convert" -eq 1 ] && cbase=$(seconds "$C $P $cout")
awk -v k="$kbase" -v v="$vbase" -v c="$cbase" 'function f(x) { return x == "failed" ? x : sprintf("%.3f s", x) }
    BEGIN { printf "baselines (read + write): korvia-batch %s, vips %s, convert %s\n", f(k), f(v), f(c) }' | tee -a "$out/results.txt"

declare -A kcache
# compare NAME KORVIA-OPS PEER PEER-COMMAND: one line of the table. Each figure is taken against
# a baseline measured right beside it, so that a busy spell of the machine does not skew it.
# Korvia's figure is cached per OPS, so an operation compared with two peers is timed once.
compare() {
    local name=$1 ops=$2 peer=$3 peercmd=$4
    [[ $name =~ $ONLY ]] || return 0
    local basecmd
    case $peer in
        vips) [ "$have_vips" -eq 1 ] || return 0; basecmd="$V copy $P $vout" ;;
        convert) [ "$have_convert" -eq 1 ] || return 0; basecmd="$C $P $cout" ;;
    esac
    local k=${kcache[$ops]:-}
    if [ -z "$k" ]; then
        k=$(awk -v t="$(seconds "$K $ops")" -v b="$(seconds "$K")" \
            'BEGIN { if (t == "failed" || b == "failed") print "failed"; else printf "%.6f\n", t - b }')
        kcache[$ops]=$k
    fi
    local p
    p=$(awk -v t="$(seconds "$peercmd")" -v b="$(seconds "$basecmd")" \
        'BEGIN { if (t == "failed" || b == "failed") print "failed"; else printf "%.6f\n", t - b }')
    awk -v name="$name" -v peer="$peer" -v k="$k" -v p="$p" 'BEGIN {
        if (k == "failed" || p == "failed") {
            printf "%-24s korvia %9s     %-7s %9s     (a run failed)\n", name, k, peer, p; exit
        }
        if (p > 0.005) ratio = sprintf("%7.2f", k / p); else ratio = "    n/a"
        printf "%-24s korvia %8.3f s   %-7s %8.3f s   ratio %s\n", name, k, peer, p, ratio
    }' | tee -a "$out/results.txt"
}

# The same 3 x 3 and large kernels the engine uses, for vips conv.
"$batch" kernel sharpen -o "$out/sharpen.mat"
"$batch" kernel emboss -o "$out/emboss.mat"
"$batch" kernel motion:vibrateSize=30 -o "$out/motion30.mat"
"$batch" kernel soft:softSize=30 -o "$out/soft30.mat"

tmp1=$(q "$scratch/t1.v"); tmp2=$(q "$scratch/t2.v"); tmp3=$(q "$scratch/t3.v")
hsv_chain() { # vips: to HSV, scale/offset the bands, back to sRGB
    echo "$V colourspace $P $tmp1 hsv && $V linear $tmp1 $tmp2 '$1' '$2' --uchar && $V copy $tmp2 $tmp3 --interpretation hsv && $V colourspace $tmp3 $vout srgb"
}

compare "greyscale"              "grayscale"                   vips    "$V colourspace $P $vout b-w"
compare "greyscale"              "grayscale"                   convert "$C $P -colorspace Gray $cout"
compare "bch"                    "bch:bright=20,chroma=40,hue=10" vips "$(hsv_chain '1 1 1' '7 40 20')"
compare "bch"                    "bch:bright=20,chroma=40,hue=10" convert "$C $P -modulate 110,120,105 $cout"
compare "levels"                 "levels"                      vips    "$(hsv_chain '1 1 0.2' '0 0 0')"
compare "levels"                 "levels"                      convert "$C $P -posterize 5 $cout"
compare "sepia"                  "sepia"                       convert "$C $P -sepia-tone 80% $cout"
compare "rgb shift"              "rgb:red=20,green=-10,blue=5" vips    "$V linear $P $vout '1 1 1' '20 -10 5' --uchar"
for w in 3 5 7 9 11; do
    size=$w; [ "$w" -eq 11 ] && size=10 # sizes 2..10 give windows medianSize | 1
    compare "median ${w}x${w}"     "median:medianSize=$size"     vips    "$V rank $P $vout $w $w $((w * w / 2))"
done
compare "sharpen"                "sharpen"                     vips    "$V conv $P $vout $(q "$out/sharpen.mat") --precision integer"
compare "emboss"                 "emboss"                      vips    "$V conv $P $vout $(q "$out/emboss.mat") --precision integer"
compare "motion 30"              "motion:vibrateSize=30"       vips    "$V conv $P $vout $(q "$out/motion30.mat") --precision integer"
compare "soft 30"                "soft:softSize=30"            vips    "$V conv $P $vout $(q "$out/soft30.mat") --precision integer"
compare "mosaic 20"              "mosaic:mosaicSize=20"        vips    "$V shrink $P $tmp1 20 20 && $V zoom $tmp1 $vout 20 20"
compare "paint 30"               "paint:paintSize=30"          vips    "$V rank $P $vout 11 11 60"
compare "paint 30 pointillism"   "paint:paintSize=30,style=pointillism" vips "$V rank $P $vout 11 11 60"
if [ "${WITH_PAINT:-0}" = 1 ]; then
    compare "paint 10"           "paint"                       convert "$C $P -paint 10 $cout"
fi

# Geometric transforms, bilinear where the peer interpolates. The resize targets and the trimmed
# area follow the photo's size (6000 x 4000 when it cannot be read).
pw=$(vipsheader -f width "$photo" 2>/dev/null || echo 6000); ph=$(vipsheader -f height "$photo" 2>/dev/null || echo 4000)
compare "turn right 90"          "turn-right"                  vips    "$V rot $P $vout d90"
compare "turn right 90"          "turn-right"                  convert "$C $P -rotate 90 $cout"
compare "turn 180"               "turn-180"                    vips    "$V rot $P $vout d180"
compare "mirror left-right"      "mirror-lr"                   vips    "$V flip $P $vout horizontal"
compare "mirror up-down"         "mirror-ud"                   vips    "$V flip $P $vout vertical"
compare "trim to half"           "trim:left=$((pw / 4)),top=$((ph / 4)),right=$((pw * 3 / 4 - 1)),bottom=$((ph * 3 / 4 - 1))" \
                                                               vips    "$V crop $P $vout $((pw / 4)) $((ph / 4)) $((pw / 2)) $((ph / 2))"
compare "rotate 45 bilinear"     "rotate:angle=45"             vips    "$V rotate $P $vout 45 --interpolate bilinear"
compare "resize 200%"            "resize:width=$((pw * 2)),height=$((ph * 2))" vips "$V resize $P $vout 2 --kernel linear"
compare "resize 50%"             "resize:width=$((pw / 2)),height=$((ph / 2))" vips "$V resize $P $vout 0.5 --kernel linear"
compare "slope 30 (shear)"       "slope:slopeBalance=30"       vips    "$V affine $P $vout '1 0.3 0 1' --interpolate bilinear"
compare "trapezoid 30"           "trapezoid:perspective=30"    convert "$C $P -interpolate bilinear -distort Perspective '0,0 $((pw * 3 / 20)),0  $pw,0 $((pw - pw * 3 / 20)),0  0,$ph 0,$ph  $pw,$ph $pw,$ph' $cout"
compare "distort 20 (barrel)"    "distort:distortion=20"       convert "$C $P -interpolate bilinear -distort Barrel '0 0 -0.2' $cout"

# Korvia against itself: the fringe blur at its strongest against the mosaic, both timed the same
# way as above, on one core and (the fringe blur's own way) on every core.
Kall="$(q "$batch") apply $P -o $(q "$scratch/k.bmp")"
# own NAME OPS BY-NAME BY-OPS K-COMMAND: one line, OPS's time against BY-OPS's, each less the
# time of K-COMMAND with no operation, the fastest of three times RUNS rounds (these runs are
# short, and their difference is small against their length).
own() {
    local name=$1 ops=$2 byname=$3 byops=$4 k=$5
    [[ $name =~ $ONLY ]] || return 0
    fastest $((3 * RUNS)) "$k" "$k $ops" "$k $byops" | awk -v name="$name" -v by="$byname" '{
        if ($1 == "failed") { printf "%-24s (a run failed)\n", name; exit }
        a = $2 - $1; b = $3 - $1
        printf "%-24s korvia %8.3f s   %-7s %8.3f s   ratio %7.2f\n", name, a, by, b, (b > 0 ? a / b : 0)
    }' | tee -a "$out/results.txt"
}
own "fringe blur 255, 1 core"  "fringe-blur:outFocusDensity=255" mosaic "mosaic:mosaicSize=20" "$K"
own "fringe blur 255, all"     "fringe-blur:outFocusDensity=255" mosaic "mosaic:mosaicSize=20" "$Kall"

# The engine alone, without reading, splitting into planes and writing (bench/bench_effects, when
# built): a memcpy of the picture's 32-bit bytes, the mosaic and the fringe blur at its strongest.
effects=""
for candidate in "$(dirname "$batch")/../bench/bench_effects" "$repo"/build/bench/bench_effects; do
    if [ -x "$candidate" ]; then effects=$candidate; break; fi
done
if [ -n "$effects" ] && [[ "engine" =~ $ONLY ]]; then
    "$effects" --benchmark_filter='copyOfPictureBytes|mosaic|fringeBlurDensity255' --benchmark_format=csv 2>/dev/null |
        awk -F, '$1 ~ /_min"$/ { name = $1; gsub(/"|\/.*/, "", name); t[name] = $3 }
            END {
                printf "engine alone (best of five, ms): memcpy %.1f, mosaic %.1f (%.2f x memcpy), ", t["copyOfPictureBytes"], t["mosaic"], t["mosaic"] / t["copyOfPictureBytes"]
                printf "fringe blur 255 all cores %.1f (%.2f x mosaic), one core %.1f (%.2f x mosaic)\n", t["fringeBlurDensity255"], t["fringeBlurDensity255"] / t["mosaic"], t["fringeBlurDensity255OneCore"], t["fringeBlurDensity255OneCore"] / t["mosaic"]
            }' | tee -a "$out/results.txt"
fi

# The transform engine alone (bench/bench_geometry, when built): the whole-pixel moves against a
# memcpy of the picture's 32-bit bytes.
geometry=""
for candidate in "$(dirname "$batch")/../bench/bench_geometry" "$repo"/build/bench/bench_geometry; do
    if [ -x "$candidate" ]; then geometry=$candidate; break; fi
done
if [ -n "$geometry" ] && [[ "engine" =~ $ONLY ]]; then
    "$geometry" --benchmark_filter='copyOfPictureBytes|turn|mirror|trim' --benchmark_format=csv 2>/dev/null |
        awk -F, '$1 ~ /_min"$/ { name = $1; gsub(/"|\/.*/, "", name); t[name] = $4; order[++n] = name }
            END {
                printf "transform engine alone (best of three, CPU ms): memcpy %.1f", t["copyOfPictureBytes"]
                for (i = 1; i <= n; ++i) if (order[i] != "copyOfPictureBytes")
                    printf ", %s %.1f (%.2f x)", order[i], t[order[i]], t[order[i]] / t["copyOfPictureBytes"]
                printf "\n"
            }' | tee -a "$out/results.txt"
fi

if [ "$keep" -eq 1 ]; then echo "results in $out/results.txt" >&2; fi

#!/usr/bin/env bash
# Photos in parallel: korvia-batch apply over a folder of generated 12-megapixel JPEGs with
# -j 1 --threads 1 (one photo at a time, the engine on one thread), -j 1 (the engine on every
# core) and -j 2 (two photos at once, the engine on one core each), timed with hyperfine; checks that every
# -j writes the same bytes and records each run's peak memory (GNU time's maximum resident size).
#
#   bench/batch-parallel.sh [PHOTOS] [OPS...]
#
# PHOTOS: how many photos (default 40). OPS: the operations (default: vivid).
# Environment: KORVIA_BATCH (the tool; default build*/tools/korvia-batch of this checkout),
# RUNS (hyperfine runs per command, default 3), KEEP=1 keeps the work folder.
# The figures depend on the cores the machine gives (printed with the load before and after).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
count=${1:-40}
shift || true
ops=("$@")
[ ${#ops[@]} -gt 0 ] || ops=(vivid)
RUNS=${RUNS:-3}

batch=${KORVIA_BATCH:-}
if [ -z "$batch" ]; then
    for candidate in "$repo"/build/tools/korvia-batch "$repo"/build-*/tools/korvia-batch; do
        if [ -x "$candidate" ]; then batch=$candidate; break; fi
    done
fi
[ -x "$batch" ] || { echo "korvia-batch not found; set KORVIA_BATCH" >&2; exit 2; }
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/korvia-batch-bench.XXXXXX")
[ "${KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT
mkdir "$work/photos"

# A 400 x 300 picture with a gradient and a pattern, resampled to 4000 x 3000 (12 MP) and
# written as JPEG at quality 92; every photo gets its own copy under its own name.
python3 - "$work/small.bmp" <<'PY'
import struct, sys
w, h = 400, 300
rows = []
for y in range(h - 1, -1, -1):
    row = bytearray()
    for x in range(w):
        row += bytes(((x * 255 // (w - 1)) ^ (y * 7 % 64), (y * 255 // (h - 1)), (x * 13 + y * 29) % 256))
    rows.append(bytes(row))
data = b"".join(rows)
header = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + info + data)
PY
"$batch" apply "$work/small.bmp" -o "$work/photo.jpg" -q 92 resize:width=4000,height=3000 sharpen
for i in $(seq -w 1 "$count"); do cp "$work/photo.jpg" "$work/photos/photo$i.jpg"; done

echo "cores: $(nproc), photos: $count x 4000 x 3000, ops: ${ops[*]}"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
# Every run writes new files: replacing existing ones would add a flush to disk for each.
hyperfine --runs "$RUNS" --export-markdown "$work/times.md" \
    --prepare "rm -rf $work/t1 $work/j1 $work/j2" \
    -n "j1-threads1" "$batch apply $work/photos -o $work/t1 -j 1 --threads 1 ${ops[*]}" \
    -n "j1" "$batch apply $work/photos -o $work/j1 -j 1 ${ops[*]}" \
    -n "j2" "$batch apply $work/photos -o $work/j2 -j 2 ${ops[*]}" >/dev/null
cat "$work/times.md"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

# The bytes: each form once more into folders of its own.
for form in "t1 -j 1 --threads 1" "j1 -j 1" "j2 -j 2"; do
    set -- $form
    folder=$1; shift
    rm -rf "${work:?}/$folder"
    "$batch" apply "$work/photos" -o "$work/$folder" "$@" "${ops[@]}" >/dev/null
done
cmp_all() { for f in "$work/j1"/*.jpg; do cmp -s "$f" "$1/$(basename "$f")" || return 1; done; }
cmp_all "$work/j2" && cmp_all "$work/t1" && echo "same bytes for every -j: yes" || echo "same bytes for every -j: NO"

for j in 1 2; do
    /usr/bin/time -f "%M" -o "$work/rss$j" "$batch" apply "$work/photos" -o "$work/m$j" -j "$j" "${ops[@]}" >/dev/null
    echo "-j $j peak memory: $(( $(cat "$work/rss$j") / 1024 )) MB"
done
echo "one picture: bitmap $((4000 * 3000 * 4 / 1048576)) MB, planes $((4000 * 3000 * 3 / 1048576)) MB"

# One archive spread over two workers as a cluster would: each takes its slice of one name list
# (awk 'NR % 2 == K', as a Slurm array task or an indexed Job does with its index), runs at the
# same time as the other into the shared output folder and writes its own report. Together they
# do every photo exactly once.
source "$(dirname "$0")/testlib.bash"

mkdir -p "$WORK/archive/2019" "$WORK/archive/2020 夏" "$WORK/out"
for i in 1 2 3 4 5 6 7; do
    make_gradient_bmp "$WORK/archive/2019/p$i.bmp" $((5 + i)) 6
    make_gradient_bmp "$WORK/archive/2020 夏/q$i.bmp" 6 $((5 + i))
done
find "$WORK/archive" -type f -name '*.bmp' | sort >"$WORK/all"

for k in 0 1; do
    awk -v k=$k 'NR % 2 == k' "$WORK/all" | "$BATCH" apply --files-from - -o "$WORK/out" --format bmp \
        --report "$WORK/report$k.json" -j 1 sepia >/dev/null 2>"$WORK/err$k" &
    pids[k]=$!
done
for k in 0 1; do
    wait "${pids[k]}"
    expect_equal "worker $k: exit status" 0 "$?"
    expect_equal "worker $k: stderr" "" "$(cat "$WORK/err$k")"
done

python3 - "$WORK/all" "$WORK/report0.json" "$WORK/report1.json" <<'PY'
import json, sys
wanted = open(sys.argv[1], encoding="utf-8").read().splitlines()
done = [json.loads(l) for f in sys.argv[2:] for l in open(f, encoding="utf-8")]
inputs = [d["input"] for d in done]
assert sorted(inputs) == sorted(wanted), (len(inputs), len(wanted))
assert len(set(inputs)) == len(inputs), "a photo done twice"
assert all(d["status"] == "done" for d in done), done
slices = [{json.loads(l)["input"] for l in open(f, encoding="utf-8")} for f in sys.argv[2:]]
assert slices[0] and slices[1] and not slices[0] & slices[1]
PY
expect_equal "every photo exactly once" 0 "$?"
expect_equal "every result written" 14 "$(find "$WORK/out" -type f -name '*.bmp' | wc -l)"

# split -n l/K/2 cuts the same list into the same two halves' worth of photos.
for k in 1 2; do split -n l/$k/2 "$WORK/all"; done >"$WORK/halves"
check "split -n l/K/N covers the list" cmp -s "$WORK/all" "$WORK/halves"

finish

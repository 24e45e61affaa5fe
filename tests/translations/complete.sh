#!/usr/bin/env bash
# Every catalogue (translations/korvia_*.ts) holds a finished translation of every translatable
# text of the sources, as lupdate finds them now, and no Japanese text of the sources is left
# outside Qt's translation. Usage: complete.sh SOURCE_ROOT LUPDATE LUPDATE_ARGUMENTS...
set -euo pipefail
root=$1
lupdate=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$root"
fail=0
for ts in translations/korvia_*.ts; do
  copy=$work/$(basename "$ts")
  cp "$ts" "$copy"
  "$lupdate" "$@" -ts "$copy" >"$work/lupdate.log" 2>&1 || { cat "$work/lupdate.log"; fail=1; continue; }
  python3 "$root/tests/translations/unfinished.py" "$ts" "$copy" || fail=1
done
python3 "$root/tests/translations/outside.py" src app tools || fail=1
exit $fail

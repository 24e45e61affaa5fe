#!/usr/bin/env bash
# The committed main-window form is exactly what its generator writes, so an edit to either one
# alone is caught. Usage: mainform_ui.sh SOURCE_ROOT
set -euo pipefail
root=$1
written=$(mktemp)
trap 'rm -f "$written"' EXIT
python3 "$root/scripts/gen_mainform_ui.py" "$written"
if ! cmp -s "$written" "$root/src/ui/mainform.ui"; then
  diff -u "$root/src/ui/mainform.ui" "$written" | head -40
  echo "src/ui/mainform.ui differs from what scripts/gen_mainform_ui.py writes: run the script and commit both" >&2
  exit 1
fi

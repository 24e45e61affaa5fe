#!/usr/bin/env bash
# `cmake --install` puts the two programs, the menu entry and its icon where a desktop finds them,
# and the menu entry names what was installed. Usage: install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
for f in bin/korvia bin/korvia-batch share/applications/korvia.desktop \
         share/icons/hicolor/scalable/apps/korvia.svg; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; fail=1; }
done
for f in bin/korvia bin/korvia-batch; do
  [ -x "$prefix/$f" ] || { echo "not executable: $f"; fail=1; }
done
desktop=$prefix/share/applications/korvia.desktop
if [ -f "$desktop" ]; then
  grep -qx 'Exec=korvia' "$desktop" || { echo "the menu entry does not start bin/korvia"; fail=1; }
  grep -qx 'Icon=korvia' "$desktop" || { echo "the menu entry does not name the icon korvia"; fail=1; }
  if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop" || fail=1; fi
fi
exit $fail

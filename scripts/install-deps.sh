#!/usr/bin/env bash
# Installs, idempotently, every Debian package Korvia's build, tests, benchmarks and program need.
set -euo pipefail

packages=(
  cmake g++ make pkg-config python3
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libjpeg-dev libjpeg-turbo-progs libturbojpeg0-dev
  liblcms2-dev
  libpng-dev zlib1g-dev libtiff-dev libwebp-dev libheif-dev libraw-dev libjxl-dev libexiv2-dev
  webp libheif-examples libjxl-tools libimage-exiftool-perl
  libgtest-dev libbenchmark-dev
  xvfb xauth x11-utils imagemagick
  fonts-ipafont-gothic fonts-ipafont-mincho qt6-translations-l10n qt6-l10n-tools qt6-tools-dev
  clang libclang-rt-14-dev
  libvips-tools hyperfine
  cups printer-driver-cups-pdf poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# The print tests start a scheduler of their own; installing cups must not start the system's
# (it would add its own queues and keep running). Services stay down while we install unless the
# machine already has a policy of its own.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
  $sudo chmod 755 "$policy"
  trap '$sudo rm -f "$policy"' EXIT
fi
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

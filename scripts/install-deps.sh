#!/usr/bin/env bash
# Installs what Brindle needs to build, run and test on Debian, if missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  libusb-dev libudev-dev
  zlib1g-dev
  libpcap-dev
  libbenchmark-dev
  umockdev libumockdev-dev
  fonts-dejavu-core
  xvfb xauth
  tshark
  clang libfuzzer-14-dev
  srecord
  dpkg-dev
  bsdutils
  lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and nothing when
# they are all present already. Safe to run again and again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-image-formats-plugins
  libgl-dev libglib2.0-dev shared-mime-info
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils libx11-dev libxtst-dev
  libminizip-dev zlib1g-dev
  unzip
  libheif-dev libraw-dev libopenexr-dev libopenjp2-7-dev libtiff-dev libexiv2-dev libstb-dev
  libjpeg-dev libpng-dev
  imagemagick libheif-examples libopenjp2-tools libimage-exiftool-perl icnsutils libjpeg-turbo-progs
  clang libclang-rt-14-dev
  libwebp-dev webp libjxl-dev libjxl-tools libavif-dev libavif-bin
  dbus-daemon at-spi2-core libglib2.0-bin
  libxcb1-dev
  poppler-utils xclip
  openbox
  qt6-wayland weston
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs the Debian 12 packages Krellix needs to build, play and test, and only those missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache clang clang-format libclang-rt-14-dev lld
  libsdl2-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0
  libpng-dev libjpeg62-turbo-dev libfreetype-dev
  libogg-dev libvorbis-dev libopenal-dev libopenal1
  libgtest-dev libbenchmark-dev
  fonts-liberation fonts-league-spartan fonts-yanone-kaffeesatz espeak-ng
  xvfb xauth xdotool evilwm libx11-dev libx11-xcb-dev libwayland-dev weston pulseaudio pulseaudio-utils
  mesa-vulkan-drivers
  desktop-file-utils appstream man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

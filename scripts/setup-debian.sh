#!/bin/sh
# Installs what building and testing Vennicor Font needs on Debian 12, if it is missing.
# Runs as root (as CI does) or through sudo.
set -eu

packages="build-essential cmake ninja-build pkg-config git
  libfreetype-dev libfontconfig-dev libpng-dev fonts-dejavu-core
  libgtest-dev libbenchmark-dev python3 python3-fonttools
  libepoxy-dev libegl-dev libgl-dev libopengl-dev libegl-mesa0 libgl1-mesa-dri
  libglfw3-dev xvfb xauth libsdl2-dev doxygen
  fonts-lato fonts-wqy-microhei fonts-noto-cjk fonts-nanum fonts-ipafont-gothic
  fonts-noto-color-emoji fonts-noto-core fonts-lohit-deva clang-14 libclang-rt-14-dev valgrind
  libicu-dev libharfbuzz-dev libharfbuzz-bin unicode-data"

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -n "$missing" ] || exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing

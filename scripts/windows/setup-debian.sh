#!/bin/sh
# Installs what the Windows build and its Wine test run need on Debian 12, if it is missing:
# the mingw-w64 cross compilers (posix threads, which GoogleTest needs), Wine, dpkg-dev for
# fetching the dependencies' Debian sources, meson (libepoxy's build), ICU's tools (cutting its
# data), Xvfb and Mesa (OpenGL under Wine), and what the tests read from the Linux side:
# Unicode's conformance files and hb-shape.
set -eu

packages="g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev googletest cmake ninja-build meson
  icu-devtools xvfb xauth libgl1-mesa-dri unicode-data libharfbuzz-bin"
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
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing

#!/bin/sh
# Installs what the Windows build and its Wine test run need on Debian 12, if it is missing:
# the mingw-w64 cross compilers (posix threads, which GoogleTest needs), Wine, and dpkg-dev for
# fetching FreeType's, zlib's and libpng's Debian sources.
set -eu

packages="g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev googletest cmake ninja-build"
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

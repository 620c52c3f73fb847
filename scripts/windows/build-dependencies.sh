#!/bin/bash
# Builds FreeType (from Debian's own source package) and GoogleTest (from the sources Debian's
# googletest package installs) for mingw-w64, into PREFIX. Reuses an earlier build.
#   usage: build-dependencies.sh CACHE_DIR PREFIX
set -euo pipefail
cache="$1"
prefix="$2"
here="$(cd "$(dirname "$0")" && pwd)"
toolchain="$here/../../cmake/toolchains/mingw-w64-x86_64.cmake"
mkdir -p "$cache" "$prefix"

# Fetches a Debian source package into the cache once and prints its folder.
debian_source() {
  local package="$1" folder="$2"
  if ! ls -d "$cache"/$folder-[0-9]*/ > /dev/null 2>&1; then
    # Source packages need a deb-src entry: a copy of the machine's own Debian entry.
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ &&
       ! grep -qs '^deb-src' /etc/apt/sources.list; then
      if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
          > /etc/apt/sources.list.d/vennicor-deb-src.sources
      else
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > /etc/apt/sources.list.d/vennicor-deb-src.list
      fi
      apt-get update -qq
    fi
    # The security archive may lack the sources of its own updates; the release has them.
    (cd "$cache" && { apt-get source -qq "$package" > /dev/null 2>&1 ||
                      apt-get source -qq "$package/bookworm" > /dev/null 2>&1; })
  fi
  ls -d "$cache"/$folder-[0-9]*/ | head -n 1
}

# Configures, builds and installs one CMake project for mingw.
cross_build() {
  local name="$1" source_dir="$2"
  shift 2
  cmake -S "$source_dir" -B "$cache/$name-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DVENNICOR_WINDOWS_PREFIX="$prefix" "$@" > /dev/null
  cmake --build "$cache/$name-build" > /dev/null
  cmake --install "$cache/$name-build" > /dev/null
}

# libpng (for the software backend's PNG files) and the zlib it needs.
# Debian's zlib source lacks the Windows resource files its install target wants, so only the
# static library is built and put in place by hand.
if [ ! -f "$prefix/lib/libz.a" ]; then
  zlib_source="$(debian_source zlib zlib)"
  cmake -S "$zlib_source" -B "$cache/zlib-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release > /dev/null 2>&1
  cmake --build "$cache/zlib-build" --target zlibstatic > /dev/null
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$cache/zlib-build/libzlibstatic.a" "$prefix/lib/libz.a"
  cp "$zlib_source/zlib.h" "$cache/zlib-build/zconf.h" "$prefix/include/"
fi
if [ ! -f "$prefix/lib/libpng.a" ] && [ ! -f "$prefix/lib/libpng16.a" ]; then
  cross_build libpng "$(debian_source libpng1.6 libpng1.6)" -DPNG_SHARED=OFF -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
fi

# FreeType with gzip support from the zlib above (its bundled copy of zlib would clash with it
# when both are linked statically) and PNG support from the libpng above, which colour emoji
# strikes (CBDT, sbix) are stored in.
if [ ! -f "$prefix/lib/libfreetype.a" ]; then
  cross_build freetype "$(debian_source freetype freetype)" -DBUILD_SHARED_LIBS=OFF \
    -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_REQUIRE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" \
    -DPNG_LIBRARY="$(ls "$prefix"/lib/libpng16.a "$prefix"/lib/libpng.a 2>/dev/null | head -n 1)" \
    -DPNG_PNG_INCLUDE_DIR="$prefix/include"
fi

if [ ! -f "$prefix/lib/libgtest.a" ]; then
  cross_build googletest /usr/src/googletest -DBUILD_GMOCK=OFF
fi
echo "mingw dependencies in $prefix"

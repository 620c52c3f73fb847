#!/bin/bash
# Builds the library's dependencies for mingw-w64 into PREFIX, static, from Debian's own source
# packages: zlib, libpng, FreeType, HarfBuzz, ICU's common library with the data the layout
# reads, libepoxy and SDL2; and GoogleTest from the sources Debian's googletest package installs.
# Reuses an earlier build: each library is built once, when its installed file is missing.
#   usage: build-dependencies.sh CACHE_DIR PREFIX
set -euo pipefail
cache="$1"
prefix="$2"
here="$(cd "$(dirname "$0")" && pwd)"
toolchain="$here/../../cmake/toolchains/mingw-w64-x86_64.cmake"
mkdir -p "$cache" "$prefix"

# Unpacks a source package's upstream tarball as FOLDER-VERSION in the current folder.
unpack_orig() {
  local package="$1" folder="$2" tarball version
  tarball="$(ls "$package"_*.orig.tar.* 2> /dev/null | head -n 1)"
  [ -n "$tarball" ] || return 1
  version="$(echo "$tarball" | sed "s/^${package}_\(.*\)\.orig\.tar\..*/\1/")"
  rm -rf "$folder-unpack" && mkdir "$folder-unpack"
  tar xf "$tarball" -C "$folder-unpack"
  mv "$folder-unpack"/* "$folder-$version"
  rmdir "$folder-unpack"
}

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
    # Should only the packaging part fail to download (a mirror now and then lacks one), the
    # upstream tarball Debian ships (.orig) holds everything the build uses.
    (cd "$cache" && { apt-get source -qq "$package" > /dev/null 2>&1 ||
                      apt-get source -qq "$package/bookworm" > /dev/null 2>&1 ||
                      unpack_orig "$package" "$folder"; })
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

# HarfBuzz with FreeType (hb-ft), the amalgamated source alone: no subset library, no tools.
# Its configure step links probes against FreeType, which as a static library needs libpng and
# zlib after it; without them HarfBuzz quietly leaves out variable-font coordinates.
png_library="$(ls "$prefix"/lib/libpng16.a "$prefix"/lib/libpng.a 2>/dev/null | head -n 1)"
if [ ! -f "$prefix/lib/libharfbuzz.a" ]; then
  cross_build harfbuzz "$(debian_source harfbuzz harfbuzz)" -DBUILD_SHARED_LIBS=OFF \
    -DHB_HAVE_FREETYPE=ON -DHB_BUILD_SUBSET=OFF -DHB_HAVE_GLIB=OFF -DHB_HAVE_ICU=OFF \
    -DHB_HAVE_GOBJECT=OFF -DHB_BUILD_UTILS=OFF -DHB_HAVE_UNISCRIBE=OFF -DHB_HAVE_GDI=OFF \
    -DHB_HAVE_DIRECTWRITE=OFF \
    -DFREETYPE_LIBRARY="$prefix/lib/libfreetype.a" \
    -DFREETYPE_INCLUDE_DIRS="$prefix/include/freetype2" \
    -DCMAKE_REQUIRED_LIBRARIES="$prefix/lib/libfreetype.a;$png_library;$prefix/lib/libz.a" \
    -DCMAKE_INSTALL_INCLUDEDIR=include
  # Its exported package names Threads::Threads without finding it.
  config="$prefix/lib/cmake/harfbuzz/harfbuzzConfig.cmake"
  { printf 'include(CMakeFindDependencyMacro)\nfind_dependency(Threads)\n'; cat "$config"; } > "$config.new"
  mv "$config.new" "$config"
  grep -q '^#define HAVE_FT_SET_VAR_BLEND_COORDINATES' "$cache/harfbuzz-build/config.h" 2>/dev/null ||
    grep -qs 'HAVE_FT_SET_VAR_BLEND_COORDINATES' "$cache/harfbuzz-build/CMakeCache.txt" ||
    { echo "HarfBuzz was configured without FreeType's variation functions" >&2; exit 1; }
fi

# ICU: only the common library (break iterators, bidi, character properties: all the layout
# calls) and a data library holding only what those read: the line and grapheme break rules
# and the dictionaries line breaking uses for Thai, Lao, Khmer and Burmese. Debian's source
# package carries ICU's data prebuilt (data/in/icudt*l.dat), not its sources, so ICU's data
# filter cannot apply; icupkg picks the items out of the prebuilt package instead. The tools
# that a cross build of ICU wants from a native build (icupkg, genccode) are Debian's own of the
# same version (icu-devtools, which libicu-dev pulls in for the Linux build), so nothing of ICU is
# built natively.
if [ ! -f "$prefix/lib/libicuuc.a" ] || [ ! -f "$prefix/lib/libicudt.a" ]; then
  icu_source="$(debian_source icu icu)source"
  icu_version="$(sed -n 's/^#define U_ICU_VERSION_MAJOR_NUM \([0-9]*\).*/\1/p' \
                 "$icu_source/common/unicode/uvernum.h")"
  for tool in icupkg genccode; do
    command -v "$tool" > /dev/null || PATH="$PATH:/usr/sbin"
    command -v "$tool" > /dev/null ||
      { echo "ICU's $tool is missing: install Debian's icu-devtools" >&2; exit 1; }
  done
  # What ICU's configure reads from a native build: where its tools are.
  host_tools="$cache/icu-host-tools"
  mkdir -p "$host_tools/config" "$host_tools/bin"
  for tool in icupkg genccode pkgdata genrb; do
    ln -sf "$(command -v "$tool")" "$host_tools/bin/$tool"
  done
  printf 'CROSS_ICU_VERSION=%s\nTOOLEXEEXT=\nTOOLBINDIR=$(cross_buildroot)/bin\nTOOLLIBDIR=$(cross_buildroot)/lib\nINVOKE=\nPKGDATA_INVOKE=\n' \
    "$icu_version" > "$host_tools/config/icucross.mk"
  : > "$host_tools/config/icucross.inc"

  icu_build="$cache/icu-build"
  mkdir -p "$icu_build/lib" "$icu_build/bin"
  (cd "$icu_build" &&
   CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix CFLAGS=-O2 CXXFLAGS=-O2 \
     "$icu_source/configure" --host=x86_64-w64-mingw32 --with-cross-build="$host_tools" \
     --prefix="$prefix" --enable-static --disable-shared --disable-extras --disable-icuio \
     --disable-layoutex --disable-tools --disable-tests --disable-samples --disable-dyload \
     --with-data-packaging=static > configure.log 2>&1 ||
   { tail -n 30 configure.log >&2; exit 1; })
  make -C "$icu_build/common" -j"$(nproc)" > "$icu_build/common.log" 2>&1 ||
    { tail -n 30 "$icu_build/common.log" >&2; exit 1; }
  make -C "$icu_build/common" install > /dev/null
  mv "$prefix/lib/libsicuuc.a" "$prefix/lib/libicuuc.a"

  data="$cache/icu-data"
  rm -rf "$data" && mkdir -p "$data/items"
  archive="$(ls "$icu_source"/data/in/icudt*l.dat)"
  name="$(basename "$archive" .dat)"
  icupkg -l "$archive" | grep -E '^brkitr/(.*\.res|char\.brk|line.*\.brk|(burmese|khmer|lao|thai)dict\.dict)$' \
    > "$data/items.txt"
  icupkg -x "$data/items.txt" -d "$data/items" "$archive"
  # Some locales' break bundles name word and sentence rules that are left out; the layout
  # never opens those, and line and grapheme lookups fall back to the root rules.
  icupkg -tl --ignore-deps -a "$data/items.txt" -s "$data/items" new "$data/$name.dat"
  genccode -a gcc-mingw64 -e "icudt$icu_version" -d "$data" "$data/$name.dat" > /dev/null
  x86_64-w64-mingw32-gcc-posix -c "$data/${name}_dat.S" -o "$data/$name.o"
  rm -f "$prefix/lib/libicudt.a"
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libicudt.a" "$data/$name.o"
fi

# Meson projects (libepoxy) build with this description of the mingw compilers.
meson_cross="$cache/mingw-w64-x86_64.meson"
cat > "$meson_cross" <<EOF
[binaries]
c = 'x86_64-w64-mingw32-gcc-posix'
cpp = 'x86_64-w64-mingw32-g++-posix'
ar = 'x86_64-w64-mingw32-ar'
strip = 'x86_64-w64-mingw32-strip'
windres = 'x86_64-w64-mingw32-windres'
pkgconfig = 'pkg-config'

[properties]
pkg_config_libdir = '$prefix/lib/pkgconfig'

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF

# libepoxy: WGL and desktop GL only (no EGL, GLX or X11 on Windows), no tests. A DLL: on Windows
# libepoxy keeps its per-context dispatch tables in thread-local slots that its DllMain sets up,
# so a static copy crashes once a second context is made current.
if [ ! -f "$prefix/lib/libepoxy.dll.a" ]; then
  rm -f "$prefix/lib/libepoxy.a"
  epoxy_source="$(debian_source libepoxy libepoxy)"
  rm -rf "$cache/libepoxy-build"
  meson setup "$cache/libepoxy-build" "$epoxy_source" --cross-file "$meson_cross" \
    --prefix "$prefix" --libdir lib --buildtype release -Ddefault_library=shared \
    -Dglx=no -Degl=no -Dx11=false -Dtests=false -Ddocs=false > "$cache/libepoxy-setup.log" 2>&1 ||
    { tail -n 30 "$cache/libepoxy-setup.log" >&2; exit 1; }
  ninja -C "$cache/libepoxy-build" install > /dev/null
fi

# SDL2, static: video, rendering (software, Direct3D, OpenGL) and events are what the backend,
# its tests and the example use; audio, joysticks, haptics and sensors are left out.
if [ ! -f "$prefix/lib/libSDL2.a" ]; then
  cross_build sdl2 "$(debian_source libsdl2 libsdl2)" -DSDL_SHARED=OFF -DSDL_STATIC=ON \
    -DSDL_TEST=OFF -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF \
    -DSDL_SENSOR=OFF -DSDL_POWER=OFF
fi

if [ ! -f "$prefix/lib/libgtest.a" ]; then
  cross_build googletest /usr/src/googletest -DBUILD_GMOCK=OFF
fi
echo "mingw dependencies in $prefix"
